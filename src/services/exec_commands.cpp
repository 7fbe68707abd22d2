// EXECUTA (its launch modes chosen by trailing "&" signs) and EXISTEPROG.
// Owns no state: starts go through the launch and pipe modules.
#include "services/exec_commands.h"

#include <string>

#include "console/console.h"
#include "interpreter/text.h"
#include "interpreter/values.h"
#include "services/launch.h"
#include "services/pipes.h"
#include "speech/speech.h"

namespace {

enum class LaunchMode { Wait, Detached, Hidden, Captured };

constexpr size_t kParametersLimit = 999;

LaunchMode modeFor(int signs) {
  if (signs == 0) return LaunchMode::Wait;
  if (signs == 2) return LaunchMode::Hidden;
  return signs == 3 ? LaunchMode::Captured : LaunchMode::Detached;
}

int stripModeSigns(std::string_view& args) {
  int signs = 0;
  while (!args.empty() && args.back() == '&') {
    args.remove_suffix(1);
    args = trimView(args);
    signs++;
  }
  return signs;
}

// Program and parameters of the value: a leading quote encloses the
// program, which must not be empty.  Parameters longer than a command carries are refused rather
// than cut (a cut one could name another file).
bool splitProgram(const std::string& value, std::string& program, std::string& parameters) {
  size_t end = value.empty() || value[0] != '"' ? value.find(' ') : value.find('"', 1);
  size_t start = value.empty() || value[0] != '"' ? 0 : 1;
  program = value.substr(start, end == std::string::npos ? std::string::npos : end - start);
  parameters = end == std::string::npos ? "" : value.substr(end + 1);
  if (start == 1) parameters = std::string(trimView(parameters));
  return !program.empty() && parameters.size() <= kParametersLimit;
}

// A program with blanks in its name goes into the command line in quotes,
// as the shell would find it.
std::string commandLineOf(const std::string& program, const std::string& parameters) {
  bool blanks = program.find_first_of(" \t") != std::string::npos;
  std::string line = blanks ? "\"" + program + "\"" : program;
  return parameters.empty() ? line : line + " " + parameters;
}

bool launch(LaunchMode mode, const std::string& program, const std::string& parameters) {
  const std::string folder = ".";  // the working folder itself
  switch (mode) {
    case LaunchMode::Hidden:
      return shellOpen(program, folder, parameters, kShowHidden) >= 32;
    case LaunchMode::Captured:
      return startCaptured(commandLineOf(program, parameters));
    default:
      return shellOpenNormal(program, folder, parameters) >= 32;
  }
}

}  // namespace

bool cmdExecuta(std::string_view args) {
  LaunchMode mode = modeFor(stripModeSigns(args));
  std::string value, program, parameters;
  if (!readValue(args, value) || !trimView(args).empty()) return false;
  bool ok = splitProgram(value, program, parameters);
  waitWhileSpeaking();
  ok = ok && launch(mode, program, parameters);
  if (mode == LaunchMode::Wait) waitForConsoleReturn();
  return ok;
}

bool cmdExisteprog(std::string_view args) {
  std::string name;
  int slot;
  if (!readValue(args, name) || !readVariable(args, slot)) return false;
  variable(slot) = isProgramRunning(std::string(trimView(name))) ? "1" : "0";
  return true;
}
