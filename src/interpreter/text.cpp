// Text rules of the interpreter: trimming, the strict integer conversion and
// decimal writing.  Owns no state.
#include "interpreter/text.h"

#include "platform/codepage.h"
#include "speech/speech.h"

std::string_view trimView(std::string_view text) {
  size_t a = 0, b = text.size();
  while (a < b && isTrimmed(text[a])) a++;
  while (b > a && isTrimmed(text[b - 1])) b--;
  return text.substr(a, b - a);
}

void trimFront(std::string_view& text) { text = trimView(text); }

bool isDigit(unsigned char c) { return c >= '0' && c <= '9'; }

bool isAsciiLetter(unsigned char c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'); }

unsigned char upperAscii(unsigned char c) { return (c >= 'a' && c <= 'z') ? c - 32 : c; }

static int hexDigit(unsigned char c) {
  if (isDigit(c)) return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

static bool hexToInt(std::string_view digits, int32_t& value) {
  if (digits.empty() || digits.size() > 8) return false;
  uint32_t v = 0;
  for (unsigned char c : digits) {
    int d = hexDigit(c);
    if (d < 0) return false;
    v = v * 16 + d;
  }
  value = static_cast<int32_t>(v);
  return true;
}

static bool decimalToInt(std::string_view text, int32_t& value) {
  bool negative = false;
  if (!text.empty() && (text[0] == '+' || text[0] == '-')) {
    negative = text[0] == '-';
    text.remove_prefix(1);
  }
  if (text.empty()) return false;
  int64_t v = 0;
  for (unsigned char c : text) {
    if (!isDigit(c)) return false;
    v = v * 10 + (c - '0');
    if (v > 2147483648LL) return false;
  }
  if (negative) v = -v;
  if (v > INT32_MAX) return false;
  value = static_cast<int32_t>(v);
  return true;
}

bool textToInt(std::string_view text, int32_t& value) {
  while (!text.empty() && text[0] == ' ') text.remove_prefix(1);
  if (text.empty()) return false;
  if (text[0] == '$' || text[0] == 'x' || text[0] == 'X') return hexToInt(text.substr(1), value);
  if (text.size() > 1 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X'))
    return hexToInt(text.substr(2), value);
  return decimalToInt(text, value);
}

std::string intToText(int64_t value) { return std::to_string(value); }

std::string ansi(const char* utf8) { return utf8ToAnsi(utf8); }

bool startsUpper(std::string_view text, std::string_view upperWord) {
  if (text.size() < upperWord.size()) return false;
  for (size_t i = 0; i < upperWord.size(); i++)
    if (upperAnsiChar(text[i]) != static_cast<unsigned char>(upperWord[i])) return false;
  return true;
}

bool equalsUpper(std::string_view text, std::string_view upperWord) {
  return text.size() == upperWord.size() && startsUpper(text, upperWord);
}
