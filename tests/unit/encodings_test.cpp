// The encoding commands called directly: the in-place conversions of a
// variable, the base64 file conversions in a temporary folder, and round
// trips over every byte value.
#include <gtest/gtest.h>

#include <sys/stat.h>

#include "interpreter/encoding_commands.h"
#include "interpreter/store.h"
#include "interpreter/values.h"
#include "temp_folder.h"

namespace {

using Handler = bool (*)(std::string_view);

std::string& varT() {
  std::string_view name = "$t";
  int slot = 0;
  EXPECT_TRUE(readVariable(name, slot));
  return variable(slot);
}

// A command on $t holding the given bytes; what $t holds afterwards.
struct InPlaceCase {
  const char* name;
  Handler handler;
  std::string before;
  std::string after;
};

void PrintTo(const InPlaceCase& c, std::ostream* os) { *os << c.name; }

class InPlaceTest : public testing::TestWithParam<InPlaceCase> {};

TEST_P(InPlaceTest, ConvertsTheVariable) {
  const InPlaceCase& c = GetParam();
  resetVariables();
  varT() = c.before;
  EXPECT_TRUE(c.handler("$t"));
  EXPECT_EQ(varT(), c.after);
}

INSTANTIATE_TEST_SUITE_P(Base64, InPlaceTest, testing::Values(
    InPlaceCase{"abc", cmdCodBase64, "abc", "YWJj"},
    InPlaceCase{"ab", cmdCodBase64, "ab", "YWI="},
    InPlaceCase{"a", cmdCodBase64, "a", "YQ=="},
    InPlaceCase{"empty", cmdCodBase64, "", ""},
    InPlaceCase{"high_bytes", cmdCodBase64, "\xfb\xff\xbf", "+/+/"},
    InPlaceCase{"decode_padded", cmdDecodBase64, "YWI=", "ab"},
    InPlaceCase{"blanks_skipped", cmdDecodBase64, "YW Jj", "abc"},
    InPlaceCase{"stops_at_padding", cmdDecodBase64, "YWI=Zm9v", "ab"},
    InPlaceCase{"line_ends_and_garbage", cmdDecodBase64, "#Y\r\nW-J\xe7j!", "abc"},
    InPlaceCase{"unpadded", cmdDecodBase64, "YQ", "a"},
    InPlaceCase{"lone_sextet_dropped", cmdDecodBase64, "YWJjZ", "abc"},
    InPlaceCase{"decode_empty", cmdDecodBase64, "", ""}),
    [](const testing::TestParamInfo<InPlaceCase>& info) { return std::string(info.param.name); });

INSTANTIATE_TEST_SUITE_P(Quoted, InPlaceTest, testing::Values(
    InPlaceCase{"equals", cmdAdQuoted, "a=b", "a=3Db"},
    InPlaceCase{"line_feed", cmdAdQuoted, "a\nb", "a=0Ab"},
    InPlaceCase{"edges_of_the_set", cmdAdQuoted, std::string("\x00\x1f \x7e\x7f\xff", 6), "=00=1F \x7e=7F=FF"},
    InPlaceCase{"no_line_limit", cmdAdQuoted, std::string(100, '='), [] {
                  std::string s;
                  for (int i = 0; i < 100; i++) s += "=3D";
                  return s;
                }()},
    InPlaceCase{"soft_break_at_end", cmdRemoveQuoted, "a=3Db=", "a=b"},
    InPlaceCase{"not_an_escape", cmdRemoveQuoted, "50=%", "50=%"},
    InPlaceCase{"lower_case_digits", cmdRemoveQuoted, "=e7=E7", "\xe7\xe7"},
    InPlaceCase{"cut_escape", cmdRemoveQuoted, "a=4", "a=4"},
    InPlaceCase{"cut_escape_before_soft_break", cmdRemoveQuoted, "a=4=", "a=4"},
    InPlaceCase{"lone_equals", cmdRemoveQuoted, "=", ""},
    InPlaceCase{"double_equals", cmdRemoveQuoted, "==41", "=A"}),
    [](const testing::TestParamInfo<InPlaceCase>& info) { return std::string(info.param.name); });

INSTANTIATE_TEST_SUITE_P(Utf8, InPlaceTest, testing::Values(
    InPlaceCase{"to_utf8", cmdAnsiParaUtf8, "\xe7\xe3o", "\xc3\xa7\xc3\xa3o"},
    InPlaceCase{"euro_is_windows_1252", cmdAnsiParaUtf8, "\x80\x9f", "\xe2\x82\xac\xc5\xb8"},
    InPlaceCase{"undefined_byte", cmdAnsiParaUtf8, "\x81", "\xc2\x81"},
    InPlaceCase{"to_ansi", cmdUtf8ParaAnsi, "\xc3\xa7\xc3\xa3o", "\xe7\xe3o"},
    InPlaceCase{"euro_back", cmdUtf8ParaAnsi, "\xe2\x82\xac", "\x80"},
    InPlaceCase{"not_in_the_page", cmdUtf8ParaAnsi, "a\xe4\xb8\xad\xf0\x9f\x98\x80z", "a??z"},
    InPlaceCase{"lone_lead_byte", cmdUtf8ParaAnsi, "\xe7", ""},
    InPlaceCase{"cut_at_the_end", cmdUtf8ParaAnsi, "abc\xe2\x82", ""},
    InPlaceCase{"missing_continuation", cmdUtf8ParaAnsi, "\xc3(abc", ""},
    InPlaceCase{"stray_continuation", cmdUtf8ParaAnsi, "a\x80", ""},
    InPlaceCase{"overlong", cmdUtf8ParaAnsi, "\xc0\xaf", ""}),
    [](const testing::TestParamInfo<InPlaceCase>& info) { return std::string(info.param.name); });

TEST(InPlaceConversion, NeedsAVariableFirst) {
  resetVariables();
  for (Handler h : {cmdCodBase64, cmdDecodBase64, cmdAdQuoted, cmdRemoveQuoted, cmdAnsiParaUtf8, cmdUtf8ParaAnsi}) {
    EXPECT_FALSE(h("\"abc\""));
    EXPECT_FALSE(h("12"));
    EXPECT_FALSE(h(""));
  }
  varT() = "ab";
  EXPECT_TRUE(cmdCodBase64("$t lixo"));  // text after the variable is ignored
  EXPECT_EQ(varT(), "YWI=");
  std::string_view letter = "t";
  int slot = 0;
  ASSERT_TRUE(readVariable(letter, slot));
  variable(slot) = "abc";
  EXPECT_TRUE(cmdCodBase64("T"));
  EXPECT_EQ(variable(slot), "YWJj");
}

TEST(InPlaceConversion, EveryByteRoundTrips) {
  std::string all;
  for (int i = 0; i < 256; i++) all += static_cast<char>(i);
  const std::pair<Handler, Handler> pairs[] = {
      {cmdCodBase64, cmdDecodBase64}, {cmdAdQuoted, cmdRemoveQuoted}, {cmdAnsiParaUtf8, cmdUtf8ParaAnsi}};
  for (const auto& [there, back] : pairs) {
    for (size_t cut : {size_t(256), size_t(255), size_t(254)}) {
      resetVariables();
      varT() = all.substr(0, cut);
      ASSERT_TRUE(there("$t"));
      ASSERT_TRUE(back("$t"));
      EXPECT_EQ(varT(), all.substr(0, cut));
    }
  }
}

// ---- Files -----------------------------------------------------------------

class Base64FileTest : public ::testing::Test {
 protected:
  TempFolder folder;

  void SetUp() override {
    ASSERT_TRUE(folder.enter("encodings_test"));
    resetVariables();
  }
  void TearDown() override { ASSERT_TRUE(folder.leave()); }
};

TEST_F(Base64FileTest, LinesOf64CharactersEndedByCrLf) {
  writeFile("48.bin", std::string(48, '\xff'));
  writeFile("49.bin", std::string(49, '\xff'));
  writeFile("0.bin", "");
  ASSERT_TRUE(cmdCodArqBase64("\"48.bin\" \"48.b64\""));
  ASSERT_TRUE(cmdCodArqBase64("\"49.bin\" \"49.b64\" lixo"));
  ASSERT_TRUE(cmdCodArqBase64("\"0.bin\" \"0.b64\""));
  std::string line = std::string(64, '/') + "\r\n";
  EXPECT_EQ(readFile("48.b64"), line);
  EXPECT_EQ(readFile("49.b64"), line + "/w==\r\n");
  EXPECT_TRUE(pathExists("0.b64"));
  EXPECT_EQ(readFile("0.b64"), "");
}

TEST_F(Base64FileTest, EncodedFilesDecodeToTheSameBytes) {
  std::string bytes;
  uint32_t seed = 1;
  for (int i = 0; i < 5000; i++) bytes += static_cast<char>((seed = seed * 134775813 + 1) >> 24);
  writeFile("dados.bin", bytes);
  ASSERT_TRUE(cmdCodArqBase64("\"dados.bin\" \"dados.b64\""));
  std::string text = readFile("dados.b64"), joined;
  for (size_t at = 0; at < text.size(); at += 66) {
    std::string line = text.substr(at, 66);
    EXPECT_EQ(line.substr(line.size() - 2), "\r\n");
    EXPECT_LE(line.size(), 66u);
    joined += line.substr(0, line.size() - 2);
  }
  EXPECT_EQ(joined, encodeBase64(bytes));
  ASSERT_TRUE(cmdDecodArqBase64("\"DADOS.B64\" \"volta.bin\""));
  EXPECT_EQ(readFile("volta.bin"), bytes);
}

TEST_F(Base64FileTest, DecodingSkipsWhatIsNotBase64AndStopsAtPadding) {
  writeFile("a.b64", " YW\r\nJj\n Z*A=\r\nZm9v\r\n");
  ASSERT_TRUE(cmdDecodArqBase64("\"a.b64\" \"a.bin\""));
  EXPECT_EQ(readFile("a.bin"), "abcd");
  writeFile("vazio.b64", "");
  ASSERT_TRUE(cmdDecodArqBase64("\"vazio.b64\" \"vazio.bin\""));
  EXPECT_EQ(readFile("vazio.bin"), "");
}

TEST_F(Base64FileTest, FailuresLoseNothing) {
  writeFile("a.txt", "abc");
  mkdir("pasta", 0777);
  for (Handler h : {cmdCodArqBase64, cmdDecodArqBase64}) {
    EXPECT_FALSE(h("\"falta.txt\" \"b.txt\""));
    EXPECT_FALSE(h("\"pasta\" \"b.txt\""));
    EXPECT_FALSE(h("\"a.txt\""));
    EXPECT_FALSE(h("\"a.txt\" \"nada\\b.txt\""));
    EXPECT_FALSE(h("\"a.txt\" \"A.TXT\""));  // its own source
    EXPECT_FALSE(h("\"a.txt\" \"/dev/full\""));
    EXPECT_FALSE(h("\"a.txt\" \"pasta\""));
  }
  EXPECT_EQ(readFile("a.txt"), "abc");
  EXPECT_FALSE(pathExists("b.txt"));
}

}  // namespace
