// The launch module: starting a program, document or web address the way
// the Windows shell's "open" does, and waiting for the user to come back to
// the console after working in a started program.  Owns no state; must not
// touch the interpreter.
#pragma once

#include <string>

constexpr int kShowHidden = 0;  // SW_HIDE
constexpr int kShowNormal = 1;  // SW_SHOWNORMAL

// Results as the shell gives them: above 31 is success.
constexpr int kShellStarted = 42;
constexpr int kShellFileNotFound = 2;
// Each of program, directory and parameters travels in 511 characters.
constexpr size_t kShellTextLimit = 511;

// program: a program (found in our folder, then PATH) or a document or web
// address; parameters: its Windows command-line arguments; directory: the
// folder it starts in (a name for the path layer).  No shell is involved,
// so nothing the user typed can run as a command.  showMode has no effect
// here: a started program has no console window to show or hide, and the
// window of a desktop program is its own.
int shellOpen(const std::string& program, const std::string& directory, const std::string& parameters,
              int showMode);
int shellOpenNormal(const std::string& program, const std::string& directory, const std::string& parameters);

// Returns once another window has had the foreground (or 5 s passed) and
// the console is the foreground again, then pauses returnPauseMs().
void waitForConsoleReturn();
// OUVINO TEMPOESPERAPROGVOLTAR: a decimal 0 to 1000, else 1000.
unsigned returnPauseMs();
