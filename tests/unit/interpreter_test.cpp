// The interpreter run in-process: scripts are stored and run, and the
// variables, the outcome and the failing line are checked directly.
#include <gtest/gtest.h>

#include <cstdlib>

#include "interpreter/control.h"
#include "interpreter/store.h"
#include "interpreter/text.h"
#include "interpreter/values.h"

namespace {

struct RunResult {
  bool error;
  int line;
};

// Runs lines (Windows-1252 already) from an empty interpreter, or (keep)
// with the variables and lists the last run left.
RunResult runStored(const std::vector<std::string>& lines, bool keep = false) {
  setenv("OUVINO_CONSOLE", "headless", 1);
  if (!keep) resetInterpreter();
  int n = 0;
  for (const std::string& l : lines) storeLine(l, ++n);
  RunOutcome o = runScript();
  return {o.error, o.line};
}

// The same for lines written in UTF-8 in the test.
RunResult runLines(const std::vector<const char*>& lines) {
  std::vector<std::string> ansiLines;
  for (const char* l : lines) ansiLines.push_back(ansi(l));
  return runStored(ansiLines);
}

std::string var(const char* name) {
  std::string_view t = name;
  int slot = 0;
  EXPECT_TRUE(readVariable(t, slot)) << name;
  return variable(slot);
}

// One script, the variable it leaves and whether the run failed.
struct ValueCase {
  std::vector<const char*> lines;
  const char* variable;
  const char* expected;  // UTF-8
  bool error;
};

void PrintTo(const ValueCase& c, std::ostream* os) {
  for (const char* l : c.lines) *os << l << " / ";
}

class ValueTest : public testing::TestWithParam<ValueCase> {};

TEST_P(ValueTest, LeavesValue) {
  const ValueCase& c = GetParam();
  EXPECT_EQ(runLines(c.lines).error, c.error);
  EXPECT_EQ(var(c.variable), ansi(c.expected));
}

INSTANTIATE_TEST_SUITE_P(Seja, ValueTest, testing::Values(
    ValueCase{{"seja $a \"ab\"\"c\""}, "$a", "ab\"c", false},
    ValueCase{{"seja $a \"abc"}, "$a", "abc", false},
    ValueCase{{"seja x = 5"}, "x", "5", false},
    ValueCase{{"seja x 5"}, "x", "5", false},
    ValueCase{{"seja x"}, "x", "", true},
    ValueCase{{"seja x ="}, "x", "", true},
    ValueCase{{"seja $t (2+3*4)"}, "$t", "14", false},
    ValueCase{{"seja $t (-2*3)"}, "$t", "-6", false},
    ValueCase{{"seja $t (7/2)"}, "$t", "3", false},
    ValueCase{{"seja $t (-7/2)"}, "$t", "-3", false},
    ValueCase{{"seja $t (2*)"}, "$t", "2", false},
    ValueCase{{"seja $t (2++3)"}, "$t", "", true},
    ValueCase{{"seja $t (1/0)"}, "$t", "", true},
    ValueCase{{"seja $t ($n+1)"}, "$t", "", true},
    ValueCase{{"seja $n \"$1F\"", "seja $t ($n+1)"}, "$t", "32", false},
    ValueCase{{"seja $n \"x10\"", "seja $t ($n*2)"}, "$t", "32", false},
    ValueCase{{"seja $t (-2147483647-1)", "seja $u ($t/-1)"}, "$u", "", true},
    ValueCase{{"seja $t (2147483647+1)"}, "$t", "-2147483648", false},
    ValueCase{{"seja $t ((1+2)*(3+4))"}, "$t", "21", false},
    ValueCase{{"seja $t (1+2"}, "$t", "", true},
    ValueCase{{"seja $a 12 34"}, "$a", "12", true},
    ValueCase{{"seja $a -12x"}, "$a", "-12", true},
    ValueCase{{"seja $a 007"}, "$a", "007", false},
    ValueCase{{"seja $a -"}, "$a", "-", false},
    ValueCase{{"seja $p palavra 2 \"um  dois tres\""}, "$p", "dois", false},
    ValueCase{{"seja $p palavra 5 \"um dois\""}, "$p", "", false},
    ValueCase{{"seja $p palavra 0 \"um dois\""}, "$p", "", true},
    ValueCase{{"seja $c chr \"#65\""}, "$c", "A", false},
    ValueCase{{"seja $c chr \"100#65\""}, "$c", "A", false},
    ValueCase{{"seja $c chr \"200#65\""}, "$c", "", false},
    ValueCase{{"seja $c chr \"#0#59\""}, "$c", "", false},
    ValueCase{{"seja $c chr \"#321\""}, "$c", "A", false},
    ValueCase{{"seja $c asc \"A\""}, "$c", "#65", false},
    ValueCase{{"seja $c asc \"AB\""}, "$c", "", false},
    ValueCase{{"seja $x tamanho \"\""}, "$x", "0", false},
    ValueCase{{"seja $x tamanho \"ação\""}, "$x", "4", false},
    ValueCase{{"seja $x maiusc \"ação x\""}, "$x", "AÇÃO X", false},
    ValueCase{{"seja $x trim \"  a b \""}, "$x", "a b", false},
    ValueCase{{"seja $x pos \"cd\" \"abcdcd\""}, "$x", "3", false},
    ValueCase{{"seja $x pos \"\" \"abc\""}, "$x", "0", false},
    ValueCase{{"seja $x crlf"}, "$x", "\r\n", false},
    ValueCase{{"seja $x tamanho"}, "$x", "", true},
    ValueCase{{"seja $x rand 1"}, "$x", "0", false},
    ValueCase{{"seja $x rand lixo"}, "$x", "", true},
    ValueCase{{"seja a \"x\"", "seja b a"}, "b", "x", false},
    ValueCase{{"seja ab 1"}, "a", "", true},
    ValueCase{{"seja $a_1 \"u\"", "seja $A_1 $a_1\"v\""}, "$a_1", "u", true}));

INSTANTIATE_TEST_SUITE_P(Arithmetic, ValueTest, testing::Values(
    ValueCase{{"soma $c 1"}, "$c", "1", false},
    ValueCase{{"seja $c \"volta9\"", "soma $c 1"}, "$c", "volta10", false},
    ValueCase{{"seja $c \"abc12\"", "soma $c 3"}, "$c", "abc15", false},
    ValueCase{{"seja $c \"a-5\"", "soma $c 2"}, "$c", "a-3", false},
    ValueCase{{"seja $c \"x\"", "soma $c 1"}, "$c", "x1", false},
    ValueCase{{"soma $c lixo"}, "$c", "", true},
    ValueCase{{"subtrai $c 1"}, "$c", "", true},
    ValueCase{{"seja $x \"-7\"", "divide $x 2"}, "$x", "-3", false},
    ValueCase{{"seja $x 7", "divide $x 0"}, "$x", "7", true},
    ValueCase{{"seja $x 7", "multiplica $x 2 lixo"}, "$x", "14", true},
    ValueCase{{"seja $x 10", "subtrai $x 15"}, "$x", "-5", false},
    ValueCase{{"seja $x (-2147483647-1)", "divide $x -1"}, "$x", "-2147483648", true},
    ValueCase{{"seja $x 65536", "multiplica $x 65536"}, "$x", "0", false},
    ValueCase{{"seja $x \"ab\"", "concatena $x \"cd\""}, "$x", "abcd", false},
    ValueCase{{"seja $x \"ab\"", "concatena $x \"cd\" lixo"}, "$x", "ab", true},
    ValueCase{{"seja $s \"abcdef\"", "copia $d $s 2 4"}, "$d", "bcd", false},
    ValueCase{{"seja $s \"abcdef\"", "copia $d $s 0 2"}, "$d", "abc", false},
    ValueCase{{"seja $s \"abcdef\"", "copia $d $s 5 100"}, "$d", "ef", false},
    ValueCase{{"seja $s \"abcdef\"", "copia $d $s 7 9"}, "$d", "", false},
    ValueCase{{"seja $s \"abcdef\"", "copia $s $s 2 3"}, "$s", "bc", false},
    ValueCase{{"seja $s \"abcdef\"", "copia $d $s \" 2 \" 3"}, "$d", "bc", false},
    ValueCase{{"seja $s \"abcdef\"", "deleta $s 0 2"}, "$s", "abcdef", false},
    ValueCase{{"seja $s \"abcdef\"", "deleta $s 5 100"}, "$s", "abcd", false},
    ValueCase{{"seja $s \"abcdef\"", "deleta $s 2 2"}, "$s", "adef", false},
    ValueCase{{"seja $s \"banana\"", "substitui $s \"a\" \"aa\""}, "$s", "baanaanaa", false},
    ValueCase{{"seja $s \"ab\"", "substitui $s \"\" \"-\""}, "$s", "-a-b-", false},
    ValueCase{{"seja $s \"aab\"", "substitui $s \"ab\" \"b\""}, "$s", "b", false},
    ValueCase{{"seja $s \"xabab\"", "substitui $s \"ab\" \"\""}, "$s", "x", false},
    ValueCase{{"seja $s \"abc\"", "substitui $s \"abcd\" \"z\""}, "$s", "abc", false}));

INSTANTIATE_TEST_SUITE_P(Control, ValueTest, testing::Values(
    ValueCase{{"repete i 3", "soma $n 1", "fim repete"}, "$n", "3", false},
    ValueCase{{"repete i 3", "fim repete"}, "i", "4", false},
    ValueCase{{"repete i 0", "seja $n 1", "fim repete", "seja $m 2"}, "$n", "", false},
    ValueCase{{"repete i 0", "fim repete"}, "i", "1", false},
    ValueCase{{"fim repete"}, "i", "", true},
    ValueCase{{"seja i \"x\"", "fim repete", "repete i 2"}, "i", "x", true},
    ValueCase{{"seja i 0", "enquanto i < 5", "soma i 1", "fim enquanto"}, "i", "5", false},
    ValueCase{{"enquanto 1 = 2", "seja $x 1", "fim enquanto", "seja $y 2"}, "$y", "2", false},
    ValueCase{{"enquanto 1 = 2", "seja $x 1", "fim enquanto"}, "$x", "", false},
    ValueCase{{"fim enquanto"}, "$x", "", true},
    ValueCase{{"repete i 2", "seja j 0", "enquanto j < 3", "soma j 1", "soma $n 1", "fim enquanto", "fim repete"},
              "$n", "6", false},
    ValueCase{{"se 1 = 1", "seja $a 1", "senão", "seja $a 2", "fim se"}, "$a", "1", false},
    ValueCase{{"se 1 = 2", "seja $a 1", "senão", "seja $a 2", "fim se"}, "$a", "2", false},
    ValueCase{{"se 1 = 2", "se 1 = 1", "seja $a 1", "fim se", "seja $a 3", "fim se", "soma $a 5"}, "$a", "5", false},
    ValueCase{{"se 1 = 2", "se 1 = 1 seja $b 1", "seja $a 3", "fim se", "soma $a 5"}, "$a", "5", false},
    ValueCase{{"se 1 = 2", "seja $a 1", "fim  se", "seja $b 2"}, "$b", "2", false},
    ValueCase{{"se 1 = 2", "seja $a 1", "fim se * comentário", "seja $a 2"}, "$a", "", false},
    ValueCase{{"se 1 = 1 seja $a 7"}, "$a", "7", false},
    ValueCase{{"se 1 = 2 seja $a 7"}, "$a", "", false},
    ValueCase{{"se 1 = 1 fim se"}, "$a", "", true},
    ValueCase{{"se 1 = 1 repete i 3"}, "i", "", true},
    ValueCase{{"desvia @b", "seja $a 1", "@b", "seja $c 2"}, "$a", "", false},
    ValueCase{{"seja $l \"b\"", "desvia $l", "seja $a 1", "@B", "seja $c 2"}, "$c", "2", false},
    ValueCase{{"desvia @b", "seja $a 1", "   @b", "seja $c 2"}, "$c", "", true},
    ValueCase{{"desvia @b", "@b", "seja $a 1", "termina", "@b", "seja $a 2"}, "$a", "1", false},
    ValueCase{{"desvia \"b \"", "@b", "seja $a 1", "termina", "@b ", "seja $a 2"}, "$a", "2", false},
    ValueCase{{"chama @s", "concatena $a \"r\"", "termina", "@s", "seja $a \"s\"", "retorna"}, "$a", "sr", false},
    ValueCase{{"retorna 1"}, "$a", "", true},
    ValueCase{{"senão 1"}, "$a", "", true},
    ValueCase{{"fim"}, "$a", "", true},
    ValueCase{{"fim qualquer", "seja $a 1"}, "$a", "1", false},
    ValueCase{{"termina", "seja $a 1"}, "$a", "", false}));

// Conditions read from a text: [readable, value].
struct ConditionCase {
  const char* text;
  bool readable;
  bool value;
};

class ConditionTest : public testing::TestWithParam<ConditionCase> {};

TEST_P(ConditionTest, Evaluates) {
  const ConditionCase& c = GetParam();
  setenv("OUVINO_CONSOLE", "headless", 1);
  resetInterpreter();
  std::string text = ansi(c.text);
  std::string_view v = text;
  Condition r = evalCondition(v);
  EXPECT_EQ(r.readable, c.readable) << c.text;
  if (c.readable) {
    EXPECT_EQ(r.value, c.value) << c.text;
  }
}

INSTANTIATE_TEST_SUITE_P(Conditions, ConditionTest, testing::Values(
    ConditionCase{"\"abc\" = \"ABC\"", true, true},
    ConditionCase{"\"abc\" == \"ABC\"", true, false},
    ConditionCase{"9 < 10", true, true},
    ConditionCase{"\"9a\" < \"10\"", true, false},
    ConditionCase{"-5 < 3", true, true},
    ConditionCase{"-5 < -3", true, false},
    ConditionCase{"$x = 0", true, false},
    ConditionCase{"$x = \"\"", true, true},
    ConditionCase{"$x < 0", true, true},
    ConditionCase{"\"c:\\a.mp3\" *=* \":\\\"", true, true},
    ConditionCase{"não \"c:\\a.mp3\" *=* \":\\\"", true, false},
    ConditionCase{"NÃO \"a.mp3\" *=* \":\\\"", true, true},
    ConditionCase{"nao\"a\" = \"a\"", true, false},
    ConditionCase{"\"abab\" *= \"ab\"", true, false},
    ConditionCase{"\"abcab\" *= \"cab\"", true, true},
    ConditionCase{"\"abc\" =* \"ab\"", true, true},
    ConditionCase{"\"abc\" =* \"\"", true, false},
    ConditionCase{"\"abc\" *=* \"\"", true, false},
    ConditionCase{"\"ção\" = \"ÇÃO\"", true, true},
    ConditionCase{"10 >= 10", true, true},
    ConditionCase{"10 <= 9", true, false},
    ConditionCase{"\"a\" <> \"b\"", true, true},
    ConditionCase{"12345678901234567890 > 9", true, true},
    ConditionCase{"\"\" < 0", true, true},
    ConditionCase{"007 = 7", true, true},
    ConditionCase{"\"b\" > \"ab\"", true, true},
    ConditionCase{"\"ab\" < \"abc\"", true, true},
    ConditionCase{"\"é\" > \"z\"", true, true},
    ConditionCase{"x em [cores]", false, false},
    ConditionCase{"", false, false},
    ConditionCase{"não", false, false},
    ConditionCase{"1", false, false},
    ConditionCase{"1 ?", false, false},
    ConditionCase{"1 =", false, false},
    ConditionCase{"( = 1", false, false}));

TEST(Lists, CreateFillReadDelete) {
  RunResult r = runLines({"lista [a] cria", "lista [a] adiciona \"x\"", "lista [a] adiciona \"y\"",
                    "lista [a] item 1 $v", "lista [a] tamanho $n", "lista [a] deleta \"X\"",
                    "lista [a] item 0 $w", "seja x \"Y\"", "se x em [a] seja $e 1",
                        "se não x em [a] seja $f 1"});
  EXPECT_FALSE(r.error);
  EXPECT_EQ(var("$v"), "y");
  EXPECT_EQ(var("$n"), "2");
  EXPECT_EQ(var("$w"), "y");
  EXPECT_EQ(var("$e"), "1");
  EXPECT_EQ(var("$f"), "");
}

TEST(Lists, Failures) {
  const std::vector<std::vector<const char*>> failing = {
      {"lista [a] cria", "lista [a] item 2 $v"},
      {"lista [a] cria", "lista [A] tamanho $n"},
      {"lista [a] criar"},
      {"lista [a] apaga"},
      {"lista [a] cria", "lista [a] deleta \"z\""},
      {"lista [a] cria", "lista [a] junta 1"},
      {"lista [] cria"}};
  for (const auto& lines : failing) {
    RunResult r = runLines(lines);
    EXPECT_TRUE(r.error) << lines.back();
    EXPECT_EQ(r.line, static_cast<int>(lines.size())) << lines.back();
  }
}

TEST(Lists, TwentyAtMostAndSlotsReused) {
  std::vector<std::string> creates;
  for (int i = 1; i <= 21; i++) creates.push_back("lista [l" + std::to_string(i) + "] cria");
  RunResult r = runStored(creates);
  EXPECT_TRUE(r.error);
  EXPECT_EQ(r.line, 21);
  r = runStored({"lista [l7] apaga", "lista [novo] cria", "lista [novo] adiciona 1", "lista [novo] tamanho $n"},
                true);
  EXPECT_FALSE(r.error);
  EXPECT_EQ(var("$n"), "1");
}

TEST(Keywords, ClockAndParameterValues) {
  RunResult r = runLines({"seja $h hora", "seja $d data", "seja $w dia", "seja $t tempo", "seja $p params"});
  EXPECT_FALSE(r.error);
  EXPECT_TRUE(testing::internal::RE::FullMatch(var("$h"), "[0-2][0-9]:[0-5][0-9]:[0-6][0-9]")) << var("$h");
  EXPECT_TRUE(testing::internal::RE::FullMatch(var("$d"), "[0-3][0-9]/[01][0-9]/[0-9]+")) << var("$d");
  const std::vector<std::string> days = {"Domingo", "Segunda", ansi("Terça"), "Quarta", "Quinta", "Sexta",
                                         ansi("Sábado")};
  EXPECT_NE(std::find(days.begin(), days.end(), var("$w")), days.end()) << var("$w");
  int32_t t;
  EXPECT_TRUE(textToInt(var("$t"), t));
  EXPECT_GE(t, 0);
  EXPECT_LT(t, 1000);
  EXPECT_EQ(var("$p"), "0");
}

TEST(Variables, The102ndNameFailsWithoutSharingASlot) {
  std::vector<std::string> lines;
  for (int i = 1; i <= 101; i++) lines.push_back("seja $v" + std::to_string(i) + " " + std::to_string(i));
  lines.push_back("seja $extra 999");
  RunResult r = runStored(lines);
  EXPECT_TRUE(r.error);
  EXPECT_EQ(r.line, 102);
  EXPECT_EQ(var("$v1"), "1");
  EXPECT_EQ(var("$v101"), "101");
  EXPECT_EQ(namedVariableCount(), 101);
}

TEST(Variables, NamesEnteredWhenOnlyRead) {
  RunResult r = runLines({"seja $a $b", "seja $b 2"});
  EXPECT_FALSE(r.error);
  EXPECT_EQ(namedVariableCount(), 2);
  EXPECT_EQ(var("$a"), "");
}

TEST(Calls, TwentyDeepThenTheTwentyFirstFails) {
  RunResult r = runLines({"repete i 21", "chama @s", "@s", "fim repete"});
  EXPECT_TRUE(r.error);
  EXPECT_EQ(r.line, 2);
  EXPECT_EQ(var("i"), "21");
}

TEST(Store, RefusesLinesOutsideTheStore) {
  EXPECT_FALSE(storeLine("x", 0));
  EXPECT_FALSE(storeLine("x", kMaxScriptLines + 1));
  EXPECT_TRUE(storeLine("x", kMaxScriptLines));
  resetInterpreter();
}

// Hostile lines end the run one way or the other, never with a crash or a hang.
TEST(Robustness, HostileLines) {
  std::string controls = "seja $a \"";
  for (int c = 0; c < 256; c++)
    if (c != '"') controls.push_back(static_cast<char>(c));
  const struct {
    std::string line;
    bool error;
    size_t length;  // of $a afterwards
  } cases[] = {
      {"seja $a (" + std::string(100000, '(') + "1", true, 0},
      {"seja $a (" + std::string(100000, '-') + "1)", true, 0},
      {"seja $a \"" + std::string(1 << 20, 'x'), false, 1 << 20},
      {"seja $a \"" + std::string((1 << 20) + 1, '"'), false, 1 << 19},
      {controls, false, 255},
      {"se " + std::string(100000, '(') + " = 1", true, 0},
      {std::string(1 << 20, 'a'), true, 0},
      {"substitui $a \"\" \"-\"", false, 1},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(runStored({c.line}).error, c.error) << c.line.substr(0, 20);
    EXPECT_EQ(var("$a").size(), c.length) << c.line.substr(0, 20);
  }
}

}  // namespace
