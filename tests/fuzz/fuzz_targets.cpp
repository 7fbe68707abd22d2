// Fuzz target bodies: one script line run by the line executor, an integer
// expression, a condition.  Each input is taken as one line of Windows-1252
// bytes; the run loop is not used, so no input can loop forever.
#include "fuzz_targets.h"

#include <cstdlib>
#include <string>
#include <string_view>

#include <set>

#include "interpreter/control.h"
#include "interpreter/dispatch.h"
#include "interpreter/text.h"
#include "interpreter/lists.h"
#include "interpreter/store.h"
#include "interpreter/values.h"

// Commands that reach outside the process (files, folders, programs, the
// network, the clipboard and other windows) are refused, and nothing that
// waits for keys or time runs: the fuzzer runs as whoever starts it.
static bool staysInside(const std::string& word) {
  static const std::set<std::string> inside = {
      "DEBUG", "SEJA", "SOMA", "SUBTRAI", "MULTIPLICA", "DIVIDE", "CONCATENA", "COPIA", "DELETA",
      "SUBSTITUI", "LISTA", "DESVIA", "SE", "SENAO", "ENQUANTO", "REPETE", "FIM", "TERMINA", "CHAMA",
      "RETORNA", "RANDOMIZA", "ESCREVE", "FALA", "SOLETRA", "TELA", "COR", "FUNDO", "TITULO", "CMD",
      "CHECA", "ANSIPARAUTF8", "UTF8PARAANSI", "CODBASE64", "DECODBASE64", "REMOVEQUOTED", "ADQUOTED"};
  return inside.count(word) > 0 || word == ansi("SENÃO") || word == ansi("TÍTULO");
}

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
  setCommandFilter(staysInside);
  executeLine(line, false);
  setCommandFilter(nullptr);
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
