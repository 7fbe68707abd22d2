// Shell-style starts on the platform's process facility and the wait for
// the user's return to the console.  Owns no state.
#include "services/launch.h"

#include "console/console.h"
#include "platform/paths.h"
#include "platform/process.h"
#include "speech/config.h"

namespace {

constexpr unsigned kDefaultReturnPauseMs = 1000;

// Decimal only, an optional sign and nothing else.
bool decimalInteger(const std::string& text, long& value) {
  size_t i = text.size() > 0 && (text[0] == '-' || text[0] == '+') ? 1 : 0;
  if (i >= text.size() || text.size() - i > 9) return false;
  for (size_t j = i; j < text.size(); j++)
    if (text[j] < '0' || text[j] > '9') return false;
  value = std::stol(text);
  return true;
}

}  // namespace

// A text longer than the shell carries is refused, not cut: a cut
// command line could name another program or file than the one meant.
int shellOpen(const std::string& program, const std::string& directory, const std::string& parameters,
              int showMode) {
  if (program.size() > kShellTextLimit || directory.size() > kShellTextLimit ||
      parameters.size() > kShellTextLimit)
    return kShellFileNotFound;
  std::string folder = directory.empty() ? "." : hostPath(directory);
  std::string host = findProgram(program);
  if (!host.empty())
    return startProgram(host, hostArguments(splitArguments(parameters)), folder, nullptr) ? kShellStarted
                                                                                         : kShellFileNotFound;
  return openDocument(program) ? kShellStarted : kShellFileNotFound;
}

int shellOpenNormal(const std::string& program, const std::string& directory, const std::string& parameters) {
  return shellOpen(program, directory, parameters, kShowNormal);
}

unsigned returnPauseMs() {
  long value;
  if (!decimalInteger(readConfigValue("OUVINO", "TEMPOESPERAPROGVOLTAR"), value)) return kDefaultReturnPauseMs;
  return value < 0 || value > 1000 ? kDefaultReturnPauseMs : static_cast<unsigned>(value);
}

void waitForConsoleReturn() {
  for (int pass = 0; pass < 50; pass++) {
    delayMs(100);
    if (!consoleIsForeground()) break;
  }
  do delayMs(100);
  while (!consoleIsForeground());
  delayMs(returnPauseMs());
}
