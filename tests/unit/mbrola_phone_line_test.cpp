// Phoneme lines: what a line means and how written text splits into lines.
#include <gtest/gtest.h>

#include "phone_line.h"

using mbr::LineKind;

TEST(MbrolaPhoneLine, KindsAndFields) {
  struct Case {
    const char* line;
    LineKind kind;
    const char* name;
    double duration;
    size_t points;
  } cases[] = {
      {"a 100", LineKind::Phone, "a", 100, 0},
      {"  tS\t85.5  0 120 50 140 100 130", LineKind::Phone, "tS", 85.5, 3},
      {"_ 200", LineKind::Phone, "_", 200, 0},
      {"a 80 50 200 ; trailing comment", LineKind::Phone, "a", 80, 1},
      {"; a comment 100", LineKind::Skip, "", 0, 0},
      {"", LineKind::Skip, "", 0, 0},
      {"   ", LineKind::Skip, "", 0, 0},
      {"#", LineKind::Flush, "", 0, 0},
      {"a", LineKind::Bad, "", 0, 0},           // no duration
      {"a 1x0", LineKind::Bad, "", 0, 0},       // bad number
      {"a 100 50", LineKind::Bad, "", 0, 0},    // position without pitch
      {"a 100 50 abc", LineKind::Bad, "", 0, 0},
      {"a 100 50 0", LineKind::Bad, "", 0, 0},  // no pitch of 0 Hz
      {"a -5", LineKind::Bad, "", 0, 0},
      {"a 1e9", LineKind::Bad, "", 0, 0},       // hours of audio
      {"a nan", LineKind::Bad, "", 0, 0},
      {"a 100,5", LineKind::Bad, "", 0, 0},     // no decimal comma
  };
  for (const auto& c : cases) {
    mbr::Phone p;
    EXPECT_EQ(mbr::parsePhoneLine(c.line, p), c.kind) << c.line;
    if (c.kind != LineKind::Phone) continue;
    EXPECT_EQ(p.name, c.name) << c.line;
    EXPECT_DOUBLE_EQ(p.durationMs, c.duration) << c.line;
    EXPECT_EQ(p.points.size(), c.points) << c.line;
  }
}

TEST(MbrolaPhoneLine, PointsAreKeptInRange) {
  mbr::Phone p;
  ASSERT_EQ(mbr::parsePhoneLine("a 100 -10 120 150 5000", p), LineKind::Phone);
  ASSERT_EQ(p.points.size(), 2u);
  EXPECT_EQ(p.points[0].first, 0);
  EXPECT_EQ(p.points[0].second, 120);
  EXPECT_EQ(p.points[1].first, 100);
  EXPECT_EQ(p.points[1].second, 1000);
}

TEST(MbrolaPhoneLine, TenThousandCharacterLine) {
  std::string line = "a 500";
  while (line.size() < 10000) line += " 50 120";
  mbr::Phone p;
  ASSERT_EQ(mbr::parsePhoneLine(line, p), LineKind::Phone);
  EXPECT_EQ(p.points.size(), (line.size() - 5) / 7);
}

TEST(MbrolaPhoneLine, LinesSplitAcrossWritesAndLineEnds) {
  mbr::LineBuffer buf;
  std::vector<std::string> got;
  auto take = [&](std::string_view l, bool tooLong) { got.emplace_back(l); EXPECT_FALSE(tooLong); };
  mbr::feedLines(buf, "a 10", take);
  EXPECT_TRUE(got.empty());
  mbr::feedLines(buf, "0\r\ni 50\nu", take);
  mbr::feedLines(buf, " 7\r", take);
  mbr::feedLines(buf, "\n", take);
  EXPECT_EQ(got, (std::vector<std::string>{"a 100", "i 50", "u 7"}));
}

TEST(MbrolaPhoneLine, OverlongLineIsReportedOnceAndTheNextIsFine) {
  mbr::LineBuffer buf;
  std::vector<std::pair<std::string, bool>> got;
  auto take = [&](std::string_view l, bool tooLong) { got.emplace_back(std::string(l.substr(0, 5)), tooLong); };
  mbr::feedLines(buf, std::string(mbr::kMaxLine + 10, 'x') + "\na 10\n", take);
  ASSERT_EQ(got.size(), 2u);
  EXPECT_TRUE(got[0].second);
  EXPECT_EQ(got[1], std::make_pair(std::string("a 10"), false));
  EXPECT_LE(buf.pending.capacity(), mbr::kMaxLine * 2);
}
