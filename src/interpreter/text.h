// Small text rules shared by the interpreter: trimming (codes 0 to 32), the
// strict integer conversion of script values, decimal writing, and Windows-1252
// texts written in the source as UTF-8.  No state.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

inline bool isTrimmed(unsigned char c) { return c <= 32; }
std::string_view trimView(std::string_view text);
void trimFront(std::string_view& text);
bool isDigit(unsigned char c);
bool isAsciiLetter(unsigned char c);
unsigned char upperAscii(unsigned char c);

// Whether text, upper-cased by the program's rule, begins with / equals an
// upper-case word (no copy is made).
bool startsUpper(std::string_view text, std::string_view upperWord);
bool equalsUpper(std::string_view text, std::string_view upperWord);

// Optional leading blanks, then an optional sign and decimal digits that fit
// 32 bits, or a hexadecimal pattern of up to 8 digits after "$", "x", "X",
// "0x" or "0X".  Nothing may follow.
bool textToInt(std::string_view text, int32_t& value);
std::string intToText(int64_t value);

// A Windows-1252 text from a UTF-8 literal of the source.
std::string ansi(const char* utf8);
