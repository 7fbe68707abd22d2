#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>
#include <unistd.h>
#include <utility>
#include <vector>

#include "console/backend.h"
#include "console/console.h"

namespace {

// A backend that only records what the grid tells it.
std::string echoed;
std::vector<std::pair<int, int>> spans;  // (from, to) of the cursor row
int scrolls = 0;

const ConsoleBackend recorder = {
    "recorder", nullptr,
    [](const std::string& effective) { echoed += effective; },
    [](int, int from, int to) { spans.emplace_back(from, to); },
    [](ConsoleNotice what) { scrolls += what == ConsoleNotice::Scrolled; },
    nullptr, nullptr, nullptr, nullptr, nullptr, nullptr};

class GridTest : public ::testing::Test {
 protected:
  const ConsoleBackend* previous = nullptr;

  void SetUp() override {
    previous = &consoleBackend();
    consoleSetBackend(&recorder);
    setTextAttribute(0x0F);
    clearScreen();
    echoed.clear();
    spans.clear();
    scrolls = 0;
  }
  void TearDown() override { consoleSetBackend(previous); }

  static void write(const std::string& bytes) { writeToConsole(bytes.data(), bytes.size()); }
  static std::string row(int r) {
    std::string text = readScreenRow(r);
    return text.erase(text.find_last_not_of(' ') + 1);
  }
};

TEST_F(GridTest, WritingRules) {
  const std::string eighty(80, 'a');
  struct Case {
    const char* what;
    std::string bytes;
    int column, row;             // cursor afterwards
    std::string row1, row2;
  } cases[] = {
      {"80 characters stay on the row", eighty, 81, 1, eighty, ""},
      {"the 81st wraps", eighty + "b", 2, 2, eighty, "b"},
      {"a line end after 80 makes one line", eighty + "\r\n", 1, 2, eighty, ""},
      {"carriage return alone", "abc\rX", 2, 1, "Xbc", ""},
      {"line feed alone starts at column 1", "abc\nX", 2, 2, "abc", "X"},
      {"backspace at column 1 does nothing", "\b", 1, 1, "", ""},
      {"backspace blanks the cell on its left", "abc\b\bX", 3, 1, "aX", ""},
      {"other controls are dropped", std::string("a\x01\t\x1b\x00\x0c\a", 7) + "b", 3, 1, "ab", ""},
      {"bytes 127 to 255 are characters", "\x7f\xe9\xff", 4, 1, "\x7f\xe9\xff", ""},
  };
  for (const Case& c : cases) {
    clearScreen();
    write(c.bytes);
    EXPECT_EQ(whereX(), c.column) << c.what;
    EXPECT_EQ(whereY(), c.row) << c.what;
    EXPECT_EQ(row(1), c.row1) << c.what;
    EXPECT_EQ(row(2), c.row2) << c.what;
  }
}

TEST_F(GridTest, LineFeedOnTheLastRowScrollsInTheCurrentAttribute) {
  write("top\r\nsecond");
  setTextAttribute(0x1E);
  gotoXY(5, 25);
  write("bottom\n");
  EXPECT_EQ(row(1), "second");
  EXPECT_EQ(row(24), "    bottom");
  EXPECT_EQ(row(25), "");
  EXPECT_EQ(readScreenAttr(25, 1), 0x1E);
  EXPECT_EQ(readScreenAttr(25, 80), 0x1E);
  EXPECT_EQ(readScreenAttr(1, 1), 0x0F);
  EXPECT_EQ(whereX(), 1);
  EXPECT_EQ(whereY(), 25);
  EXPECT_EQ(scrolls, 1);

  gotoXY(1, 25);  // the wrap of the 81st character scrolls as well
  write(std::string(81, 'z'));
  EXPECT_EQ(row(24), std::string(80, 'z'));
  EXPECT_EQ(row(25), "z");
  EXPECT_EQ(scrolls, 2);
}

TEST_F(GridTest, CursorIsClampedToTheGrid) {
  struct { int column, row, x, y; } cases[] = {
      {0, 0, 1, 1}, {200, 99, 80, 25}, {-5, 30, 1, 25}, {80, 25, 80, 25}, {12, 7, 12, 7}};
  for (auto c : cases) {
    gotoXY(c.column, c.row);
    EXPECT_EQ(whereX(), c.x) << c.column << "," << c.row;
    EXPECT_EQ(whereY(), c.y) << c.column << "," << c.row;
  }
}

TEST_F(GridTest, ColoursChangeTheirHalfOfTheAttribute) {
  setTextColor(4);
  EXPECT_EQ(textAttribute(), 0x04);
  setTextBackground(1);
  EXPECT_EQ(textAttribute(), 0x14);
  setTextColor(0x2A);  // only the low four bits count
  EXPECT_EQ(textAttribute(), 0x1A);
  setTextBackground(18);  // 18 x 16 keeps its low byte: 0x20
  EXPECT_EQ(textAttribute(), 0x2A);
  write("x");
  EXPECT_EQ(readScreenAttr(1, 1), 0x2A);
  EXPECT_EQ(readScreenAttr(1, 2), 0x0F);  // cleared before the change
}

TEST_F(GridTest, ClearingUsesTheCurrentAttribute) {
  write("abcdef");
  setTextAttribute(0x30);
  gotoXY(3, 1);
  clearToEndOfLine();
  EXPECT_EQ(row(1), "ab");
  EXPECT_EQ(readScreenAttr(1, 2), 0x0F);
  EXPECT_EQ(readScreenAttr(1, 3), 0x30);
  EXPECT_EQ(readScreenAttr(1, 80), 0x30);
  EXPECT_EQ(whereX(), 3);

  gotoXY(9, 9);
  clearScreen();
  EXPECT_EQ(row(1), "");
  EXPECT_EQ(readScreenAttr(25, 80), 0x30);
  EXPECT_EQ(whereX(), 1);
  EXPECT_EQ(whereY(), 1);
}

TEST_F(GridTest, ReadingOutsideTheGrid) {
  write("q");
  EXPECT_EQ(readScreenChar(1, 1), 'q');
  for (auto [r, c] : {std::pair{26, 1}, {0, 1}, {1, 0}, {1, 81}, {-1, -1}}) {
    EXPECT_EQ(readScreenChar(r, c), ' ') << r << "," << c;
    EXPECT_EQ(readScreenAttr(r, c), 0) << r << "," << c;
  }
  EXPECT_EQ(readScreenRow(26), std::string(80, ' '));
}

// The backend hears the bytes as the grid took them: a wrap as a line end,
// dropped controls and a backspace at column 1 not at all.
TEST_F(GridTest, BackendHearsTheEffectiveText) {
  write("\b" + std::string(80, 'a') + "b\x01\bc\r\n\a");
  EXPECT_EQ(echoed, std::string(80, 'a') + "\r\nb\bc\r\n\a");
}

TEST_F(GridTest, RedrawnSpanReachesBackToACellWrittenAfterCarriageReturn) {
  gotoXY(10, 1);
  write("hello\rX");
  ASSERT_FALSE(spans.empty());
  EXPECT_EQ(spans.back(), std::make_pair(0, 14));
  spans.clear();
  write("\b\b");  // the second one finds column 1: only the erased X is redrawn
  EXPECT_EQ(spans.back(), std::make_pair(0, 1));
}

TEST_F(GridTest, DumpHasTwentyFiveRowsWithoutTrailingBlanks) {
  write("a  b  \r\n\r\nc");
  std::string dump = gridDumpText();
  EXPECT_EQ(dump, "a  b\n\nc\n" + std::string(22, '\n'));
}

// To a pipe or a file the terminal console writes the plain text in UTF-8:
// no bell, no cursor moves, line ends and backspaces as written.
TEST_F(GridTest, TerminalWritesPlainTextWhenNotATerminal) {
  char outFile[] = "/tmp/grid_test_out_XXXXXX";
  int out = mkstemp(outFile);
  ASSERT_GE(out, 0);
  EXPECT_EXIT(
      {
        fflush(stdout);
        dup2(out, STDOUT_FILENO);
        consoleSetBackend(&terminalConsoleBackend);
        write("ol\xe1\a\r\n");
        gotoXY(1, 1);
        clearScreen();
        write("ab\bc" + std::string(79, '-'));
        consoleEndOfProgram(false);
        exit(0);
      },
      ::testing::ExitedWithCode(0), "");
  std::ifstream in(outFile, std::ios::binary);
  std::stringstream text;
  text << in.rdbuf();
  EXPECT_EQ(text.str(), "olá\r\nab\bc" + std::string(78, '-') + "\r\n-");
  close(out);
  unlink(outFile);
}

}  // namespace
