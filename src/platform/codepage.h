// Windows-1252 <-> UTF-8, used at the edges (terminal, file names, logs).
#pragma once

#include <string>

std::string ansiToUtf8(const std::string& ansi);
// Characters with no Windows-1252 form become "?".
std::string utf8ToAnsi(const std::string& utf8);
// The same for text that must be sound UTF-8 as a whole: false (and ansi
// empty) at the first broken, cut-off, overlong or out-of-range sequence.
bool utf8ToAnsiStrict(const std::string& utf8, std::string& ansi);
// Equality of two ANSI texts under the program's upper-casing (a-z and bytes
// 224-255 lowered by 32), as file names and configuration keys compare.
bool ansiEqualNoCase(const std::string& a, const std::string& b);
