#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "console/backend.h"
#include "tts/enlarged_line.h"

namespace {

struct Drawn {
  int row, factor;
  std::vector<EnlargedRun> runs;
};
std::vector<Drawn> drawn;
int repaints = 0;

// The text of the runs laid on one row of cells; '*' marks where nothing
// was drawn.
std::string laidOut(const std::vector<EnlargedRun>& runs) {
  std::string cells;
  for (const EnlargedRun& r : runs) {
    if (cells.size() < r.x + r.text.size()) cells.resize(r.x + r.text.size(), '*');
    cells.replace(r.x, r.text.size(), r.text);
  }
  return cells;
}

class EnlargedLineTest : public ::testing::Test {
 protected:
  ConsoleBackend backend{};
  const ConsoleBackend* previous = nullptr;
  const std::string line = "ABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789";

  void SetUp() override {
    backend.name = "enlarged";
    backend.drawEnlarged = [](int row, int factor, const EnlargedRun* runs, int count) {
      drawn.push_back({row, factor, std::vector<EnlargedRun>(runs, runs + count)});
    };
    backend.repaintAll = [] { ++repaints; };
    previous = &consoleBackend();
    consoleSetBackend(&backend);
    drawn.clear();
    repaints = 0;
    enlargedLineColours(14, 6, 3);
  }
  void TearDown() override {
    enlargedLineSetup(1, 0);
    consoleSetBackend(previous);
  }
  // The highlighted run, or null.
  static const EnlargedRun* highlighted(const Drawn& d) {
    for (const EnlargedRun& r : d.runs)
      if (r.foreground == 3) return &r;
    return nullptr;
  }
};

TEST_F(EnlargedLineTest, FactorFourShowsTwentyCharactersAndScrollsWithThePosition) {
  enlargedLineSetup(2, 4);
  ASSERT_TRUE(enlargedLineOn());
  for (int position = 1; position <= 25; ++position) {
    SCOPED_TRACE(position);
    enlargedLineDraw(line, position);
    const Drawn& d = drawn.back();
    EXPECT_EQ(d.row, 1);
    EXPECT_EQ(d.factor, 4);
    const int scroll = std::max(1, position - 20);
    EXPECT_EQ(laidOut(d.runs).substr(0, 20), line.substr(scroll - 1, 20));
    const EnlargedRun* h = highlighted(d);
    if (position == 1) {
      EXPECT_EQ(h, nullptr);
      continue;
    }
    ASSERT_NE(h, nullptr);
    EXPECT_EQ(h->text, line.substr(position - 2, 1)) << "the character before the cursor";
    EXPECT_EQ(h->x, position - 1 - scroll);
  }
  EXPECT_EQ(highlighted(drawn.back())->x, 19) << "position 25 is the last visible place";
}

TEST_F(EnlargedLineTest, RunsAndTheirColours) {
  enlargedLineSetup(25, 4);
  enlargedLineDraw(line, 4);
  const Drawn& d = drawn.back();
  EXPECT_EQ(d.row, 24);
  ASSERT_EQ(d.runs.size(), 3u);
  const struct {
    std::string text;
    int x, foreground;
  } expected[] = {{"AB", 0, 14}, {"C", 2, 3}, {"DEFGHIJKLMNOPQRST" + std::string(3, ' '), 3, 14}};
  for (int i = 0; i < 3; ++i) {
    SCOPED_TRACE(i);
    EXPECT_EQ(d.runs[i].text, expected[i].text);
    EXPECT_EQ(d.runs[i].x, expected[i].x);
    EXPECT_EQ(d.runs[i].foreground, expected[i].foreground);
    EXPECT_EQ(d.runs[i].background, 6);
  }
}

TEST_F(EnlargedLineTest, MovingBackScrollsToTheCharacterBeforeTheCursor) {
  enlargedLineSetup(1, 4);
  enlargedLineDraw(line, 30);  // shows J..2
  enlargedLineDraw(line, 5);
  const Drawn& d = drawn.back();
  EXPECT_EQ(laidOut(d.runs).substr(0, 20), line.substr(3, 20));
  EXPECT_EQ(highlighted(d)->text, "D");
  EXPECT_EQ(highlighted(d)->x, 0);
  enlargedLineDraw(line, 1);
  EXPECT_EQ(laidOut(drawn.back().runs).substr(0, 20), line.substr(0, 20));
  EXPECT_EQ(highlighted(drawn.back()), nullptr);
}

TEST_F(EnlargedLineTest, ShortLinesAndACursorPastTheEndAreBlankFilled) {
  enlargedLineSetup(1, 2);  // 40 characters
  enlargedLineDraw("AB", 5);
  const Drawn& d = drawn.back();
  EXPECT_EQ(laidOut(d.runs).substr(0, 40), "AB" + std::string(38, ' '));
  EXPECT_EQ(highlighted(d)->text, " ");
  EXPECT_EQ(highlighted(d)->x, 3);
  enlargedLineDraw("", 0);
  EXPECT_EQ(laidOut(drawn.back().runs), std::string(40, ' '));
}

TEST_F(EnlargedLineTest, SetupStartsAtTheLineStartAndFactorZeroSwitchesOff) {
  enlargedLineSetup(1, 8);  // 10 characters
  enlargedLineDraw(line, 30);
  enlargedLineSetup(1, 8);
  enlargedLineDraw(line, 2);
  EXPECT_EQ(laidOut(drawn.back().runs).substr(0, 10), line.substr(0, 10));
  enlargedLineSetup(1, 0);
  EXPECT_FALSE(enlargedLineOn());
  drawn.clear();
  enlargedLineDraw(line, 3);
  EXPECT_TRUE(drawn.empty());
  enlargedLineRefresh();
  EXPECT_EQ(repaints, 1);
}

}  // namespace
