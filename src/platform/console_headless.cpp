// The headless console: the grid lives in memory only and is written to
// standard output, in UTF-8, when the program ends; keys come from standard
// input as for the terminal.  Owns nothing of its own.
#include <cstdio>

#include "console/backend.h"
#include "platform/codepage.h"
#include "platform/terminal_input.h"

namespace {

void headlessShutdown() {
  std::string screen = ansiToUtf8(gridDumpText());
  fwrite(screen.data(), 1, screen.size(), stdout);
  fflush(stdout);
  keyInputStop();
}

}  // namespace

const ConsoleBackend headlessConsoleBackend = {
    "headless", keyInputStart, nullptr, nullptr, nullptr, nullptr,
    keyInputPump, keyInputWait, keyInputNeedKey, keyInputEnded, headlessShutdown,
    nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr};  // no window
