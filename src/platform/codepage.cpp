// Windows-1252 <-> UTF-8 by our own table, so the conversion does not depend
// on the host's locale or iconv.  The five bytes Windows-1252 leaves undefined
// map to the C1 controls of the same number, which keeps every byte
// round-tripping through UTF-8.  Owns no state.
#include "platform/codepage.h"

#include <cstdint>

namespace {

// Code points of bytes 0x80-0x9F; the rest of the page equals Latin-1.
const uint16_t highControls[32] = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
    0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x008D, 0x017D, 0x008F,
    0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
    0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};

uint32_t codePointOf(unsigned char c) {
    return (c >= 0x80 && c < 0xA0) ? highControls[c - 0x80] : c;
}

// The Windows-1252 byte for a code point, or '?' when there is none.
char ansiOf(uint32_t cp) {
    if (cp < 0x80 || (cp >= 0xA0 && cp <= 0xFF)) return static_cast<char>(cp);
    for (int i = 0; i < 32; ++i)
        if (highControls[i] == cp) return static_cast<char>(0x80 + i);
    return '?';
}

void appendUtf8(std::string& out, uint32_t cp) {
    if (cp < 0x80) { out += static_cast<char>(cp); return; }
    if (cp < 0x800) {
        out += static_cast<char>(0xC0 | (cp >> 6));
    } else {
        out += static_cast<char>(0xE0 | (cp >> 12));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
    }
    out += static_cast<char>(0x80 | (cp & 0x3F));
}

// Length of the sequence a lead byte announces and the range its second
// byte must lie in (which rules out overlong forms, surrogates and values
// above U+10FFFF); 0 for a byte that cannot start a sequence.
int sequenceLength(unsigned char lead, unsigned char& low, unsigned char& high) {
    low = 0x80; high = 0xBF;
    if (lead >= 0xC2 && lead <= 0xDF) return 2;
    if (lead >= 0xE0 && lead <= 0xEF) {
        if (lead == 0xE0) low = 0xA0;
        if (lead == 0xED) high = 0x9F;
        return 3;
    }
    if (lead >= 0xF0 && lead <= 0xF4) {
        if (lead == 0xF0) low = 0x90;
        if (lead == 0xF4) high = 0x8F;
        return 4;
    }
    return 0;
}

// Decodes one sequence at text[pos]; advances pos past it, or past the
// longest valid beginning of a broken one (so a following character is not
// swallowed).  Returns false for a broken sequence.
bool decodeUtf8(const std::string& text, size_t& pos, uint32_t& cp) {
    unsigned char lead = text[pos++], low, high;
    if (lead < 0x80) { cp = lead; return true; }
    int length = sequenceLength(lead, low, high);
    if (length == 0) return false;
    cp = lead & (0x3F >> (length - 1));
    for (int i = 1; i < length; ++i, low = 0x80, high = 0xBF) {
        if (pos >= text.size()) return false;
        unsigned char c = text[pos];
        if (c < low || c > high) return false;
        cp = (cp << 6) | (c & 0x3F);
        ++pos;
    }
    return true;
}

unsigned char upperAnsiByte(unsigned char c) {
    return ((c >= 'a' && c <= 'z') || c >= 224) ? c - 32 : c;
}

}  // namespace

std::string ansiToUtf8(const std::string& ansi) {
    std::string out;
    out.reserve(ansi.size());
    for (unsigned char c : ansi) appendUtf8(out, codePointOf(c));
    return out;
}

std::string utf8ToAnsi(const std::string& utf8) {
    std::string out;
    out.reserve(utf8.size());
    size_t pos = 0;
    uint32_t cp = 0;
    while (pos < utf8.size())
        out += decodeUtf8(utf8, pos, cp) ? ansiOf(cp) : '?';
    return out;
}

bool utf8ToAnsiStrict(const std::string& utf8, std::string& ansi) {
    ansi.clear();
    ansi.reserve(utf8.size());
    size_t pos = 0;
    uint32_t cp = 0;
    while (pos < utf8.size()) {
        if (!decodeUtf8(utf8, pos, cp)) { ansi.clear(); return false; }
        ansi += ansiOf(cp);
    }
    return true;
}

bool ansiEqualNoCase(const std::string& a, const std::string& b) {
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i)
        if (upperAnsiByte(a[i]) != upperAnsiByte(b[i])) return false;
    return true;
}
