// The pipe module: one hidden process at a time whose standard handles are
// pipes (the captured process), what it has written, and whether a program
// of a given name runs.  Owns the captured process's pipe ends; must not
// touch the console or speech.
#pragma once

#include <string>

// Starts a Windows command line hidden with its output captured; the pipes
// of the previous captured process are given up (it runs on).  True when the
// process was created.
bool startCaptured(const std::string& commandLine);
// What the captured process has written and nobody has read yet: its output,
// CR LF and its error text when there was output, else the error text; CR LF
// after a result that is not empty.  Never blocks.
std::string readCapturedOutput();
// What is waiting in one pipe's read end (at most 65535 bytes); empty when
// nothing is, or fd is -1.  Never blocks.
std::string readPipeText(int fd);
// A running process whose executable's file name or full path is name
// (a-z in any case, ".exe" optional on either side).
bool isProgramRunning(const std::string& name);
