// Overlap-add over the tiny pulse-train voice: the lengths and pitch asked
// for come out, measured on the signal.
#include <gtest/gtest.h>

#include "mbrola_test_voice.h"
#include "synth.h"

namespace {

std::vector<float> speak(const std::vector<std::string>& lines) {
  mbr::synthOpen(testvoice::make());
  for (const auto& l : lines) {
    mbr::Phone p;
    EXPECT_EQ(mbr::parsePhoneLine(l, p), mbr::LineKind::Phone) << l;
    std::string what;
    mbr::synthPhone(p, what);
  }
  mbr::synthFlush();
  std::vector<float> out(200000);
  out.resize(mbr::synthRead(out.data(), out.size()));
  mbr::synthClose();
  return out;
}

}  // namespace

TEST(MbrolaPsola, DurationAndLevelPitch) {
  struct Case { double hz; double ms; } cases[] = {{100, 300}, {150, 300}, {70, 500}, {220, 130}};
  for (const auto& c : cases) {
    std::string hz = std::to_string(c.hz);
    auto out = speak({"_ 50", "a " + std::to_string(c.ms) + " 0 " + hz + " 100 " + hz, "_ 50"});
    EXPECT_EQ(out.size(), size_t((100 + c.ms) * 16)) << c.hz;
    size_t from = 800 + 200, to = 800 + size_t(c.ms * 16) - 200;
    EXPECT_NEAR(testvoice::pitchOf(out, from, to), c.hz, c.hz * 0.03) << c.hz;
  }
}

TEST(MbrolaPsola, RisingContourAndSteadyPower) {
  auto out = speak({"a 400 0 100 100 200"});
  ASSERT_EQ(out.size(), 6400u);
  for (size_t from : {400, 2000, 3600, 5200}) {  // short frames: the pitch moves fast
    double expected = 100 + 100 * (from + 200) / 6400.0;
    EXPECT_NEAR(testvoice::pitchOf(out, from, from + 400, 200), expected, expected * 0.05) << from;
  }
  double low = testvoice::rmsOf(out, 400, 1600), high = testvoice::rmsOf(out, 4800, 6000);
  EXPECT_NEAR(high / low, 1.0, 0.2);
}

TEST(MbrolaPsola, DurationsAddUpOverManyPhones) {
  std::vector<std::string> lines;
  double total = 0;
  for (int i = 0; i < 40; ++i) {
    double ms = 33.3 + (i * 7) % 90;
    total += ms;
    lines.push_back(std::string(i % 3 == 0 ? "s " : i % 3 == 1 ? "a " : "i ") + std::to_string(ms) + " 50 120");
  }
  auto out = speak(lines);
  EXPECT_NEAR(double(out.size()), total * 16, 1.0);
}

TEST(MbrolaPsola, SilenceIsSilentAndVoicelessStaysNoisy) {
  auto out = speak({"_ 100", "s 200", "_ 100"});
  ASSERT_EQ(out.size(), 6400u);
  EXPECT_EQ(testvoice::rmsOf(out, 0, 1200), 0);
  EXPECT_GT(testvoice::rmsOf(out, 2000, 4000), 1000);
  EXPECT_EQ(testvoice::pitchOf(out, 2000, 4000), 0);
}

TEST(MbrolaPsola, PhonesWithoutPointsLieOnTheLineBetweenPoints) {
  // 100 Hz at 100 ms, 200 Hz at 700 ms: at 250 ms the line is at 125 Hz,
  // though the point after it comes two phones later.
  auto out = speak({"a 200 50 100", "a 200", "a 200", "a 200 50 200"});
  ASSERT_EQ(out.size(), 12800u);
  EXPECT_NEAR(testvoice::pitchOf(out, 4000 - 200, 4000 + 200, 200), 125, 125 * 0.05);
}
