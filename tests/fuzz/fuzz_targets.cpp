// Fuzz target bodies: one script line run by the line executor, an integer
// expression, a condition.  Each input is taken as one line of Windows-1252
// bytes; the run loop is not used, so no input can loop forever.
#include "fuzz_targets.h"

#include <cstdlib>
#include <string>
#include <string_view>

#include "interpreter/control.h"
#include "interpreter/lists.h"
#include "interpreter/store.h"
#include "interpreter/values.h"

static void prepare() {
  static bool ready = false;
  if (!ready) {
    setenv("OUVINO_CONSOLE", "headless", 1);
    resetInterpreter();
    ready = true;
  }
}

static std::string lineOf(const uint8_t* data, size_t size) {
  return std::string(reinterpret_cast<const char*>(data), size);
}

// Each input starts from empty variables and lists, so no input's cost
// depends on what earlier inputs left behind.
void fuzzLine(const uint8_t* data, size_t size) {
  prepare();
  resetVariables();
  resetLists();
  std::string line = lineOf(data, size);
  storeLine(line, 1);
  interp.programCounter = 1;
  interp.finished = false;
  interp.callDepth = 0;
  executeLine(line, false);
}

void fuzzExpression(const uint8_t* data, size_t size) {
  prepare();
  std::string text = lineOf(data, size);
  std::string_view rest = text;
  int32_t value;
  evalExpression(rest, value);
}

void fuzzCondition(const uint8_t* data, size_t size) {
  prepare();
  std::string text = lineOf(data, size);
  std::string_view rest = text;
  evalCondition(rest);
}
