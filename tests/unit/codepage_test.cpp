#include <gtest/gtest.h>

#include <string>

#include "platform/codepage.h"

namespace {

TEST(Codepage, TableCorners) {
    struct { std::string ansi, utf8; } cases[] = {
        {"A", "A"},
        {"\x80", "\xE2\x82\xAC"},   // euro sign, not the C1 control
        {"\x81", "\xC2\x81"},       // the five undefined bytes keep their C1 controls
        {"\x8D", "\xC2\x8D"},
        {"\x8F", "\xC2\x8F"},
        {"\x90", "\xC2\x90"},
        {"\x9D", "\xC2\x9D"},
        {"\x8A", "\xC5\xA0"},       // S caron
        {"\x99", "\xE2\x84\xA2"},   // trade mark
        {"\x9F", "\xC5\xB8"},       // Y diaeresis
        {"\xA0", "\xC2\xA0"},
        {"\xE7", "\xC3\xA7"},
        {"\xFF", "\xC3\xBF"},
        {std::string(1, '\0'), std::string(1, '\0')},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(ansiToUtf8(c.ansi), c.utf8) << int(static_cast<unsigned char>(c.ansi[0]));
        EXPECT_EQ(utf8ToAnsi(c.utf8), c.ansi) << int(static_cast<unsigned char>(c.ansi[0]));
    }
}

TEST(Codepage, EveryByteRoundTrips) {
    std::string all;
    for (int c = 0; c < 256; ++c) all += static_cast<char>(c);
    EXPECT_EQ(utf8ToAnsi(ansiToUtf8(all)), all);
}

TEST(Codepage, UnrepresentableAndInvalidBecomeQuestionMarks) {
    struct { std::string utf8, ansi; } cases[] = {
        {"\xE4\xB8\xAD", "?"},            // no Windows-1252 form
        {"\xC2\x80", "?"},                // U+0080: byte 0x80 is the euro sign
        {"\xF0\x9F\x98\x80!", "?!"},      // four-byte character
        {"\xE2\x82" "A", "?A"},           // truncated sequence keeps the next character
        {"a\xFF" "b", "a?b"},
        {"\xC0\xAF", "??"},               // overlong "/"
        {"\xED\xA0\x80", "???"},          // surrogate
        {"\xC3", "?"},                    // cut at the end
    };
    for (const auto& c : cases) EXPECT_EQ(utf8ToAnsi(c.utf8), c.ansi) << c.utf8;
}

TEST(Codepage, CaseFoldingCoversAccentedLetters) {
    EXPECT_TRUE(ansiEqualNoCase("a\xE7\xE3o", "A\xC7\xC3O"));
    EXPECT_FALSE(ansiEqualNoCase("a", "b"));
    EXPECT_FALSE(ansiEqualNoCase("ab", "a"));
    EXPECT_FALSE(ansiEqualNoCase("[", "{"));   // only letters fold
}

}  // namespace
