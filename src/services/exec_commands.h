// EXECUTA and EXISTEPROG, the script's commands for other programs.  Each
// takes the trimmed argument text and returns success.
#pragma once

#include <string_view>

bool cmdExecuta(std::string_view args);
bool cmdExisteprog(std::string_view args);
