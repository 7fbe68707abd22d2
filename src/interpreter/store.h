// The interpreter's program store and run loop: the script lines, the program
// counter, the end, error and echo flags, the call stack, labels and the
// reset of the whole interpreter state.  Lines are kept as text and split
// again every time they run.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

constexpr int kMaxScriptLines = 500000;
constexpr int kMaxCallDepth = 20;

struct InterpreterState {
  std::vector<std::string> scriptLines;  // index 0 unused; grows as lines are stored
  int lineCount = 0;
  int programCounter = 1;
  bool finished = true;
  bool failed = false;
  bool silentEnd = false;
  bool debugEcho = false;
  std::string currentCommand;
  int callStack[kMaxCallDepth] = {};
  int callDepth = 0;
  int statusCode = 0;
  int32_t startTime = 0;  // hundredths of a second since midnight at reset
  int startWeekday = 0;
};

extern InterpreterState interp;

struct RunOutcome {
  bool error;
  int line;
};

// Refuses (false) a number outside 1..kMaxScriptLines.
bool storeLine(const std::string& text, int number);
RunOutcome runScript();
bool executeLine(std::string_view text, bool restricted);
bool findLabel(std::string_view name);
void resetInterpreter();
const std::string& scriptLine(int number);

bool cmdDebug(std::string_view args);
