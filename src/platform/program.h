// The program's own facts: its command-line parameters (as ANSI texts) and
// the folder of its executable.
#pragma once

#include <string>
#include <vector>

void programSetArguments(int argc, char** argv);
const std::vector<std::string>& programParameters();  // without the program name
std::string programFolder();                            // host path, no trailing "/"
std::string programEnv(const char* name);               // "" when unset
