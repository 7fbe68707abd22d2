#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <string>
#include <thread>
#include <vector>

#include "console/tone.h"
#include "platform/audio.h"
#include "speech/speech.h"
#include "temp_folder.h"

namespace {

using namespace std::chrono_literals;

uint32_t le32(const std::vector<uint8_t>& b, size_t at) {
  return b[at] | b[at + 1] << 8 | b[at + 2] << 16 | uint32_t(b[at + 3]) << 24;
}
uint32_t le16(const std::vector<uint8_t>& b, size_t at) { return b[at] | b[at + 1] << 8; }
std::string tag(const std::vector<uint8_t>& b, size_t at) { return std::string(b.begin() + at, b.begin() + at + 4); }

TEST(ToneTest, WaveHeaderIsAnEightBitMonoRiffImage) {
  for (unsigned f : {100u, 440u, 800u, 1600u, 3000u, 11025u}) {
    SCOPED_TRACE(f);
    std::vector<uint8_t> w = toneWave(f);
    ASSERT_EQ(w.size(), 44u + 11025u);
    EXPECT_EQ(tag(w, 0), "RIFF");
    EXPECT_EQ(le32(w, 4), 11025u + 36);
    EXPECT_EQ(tag(w, 8), "WAVE");
    EXPECT_EQ(tag(w, 12), "fmt ");
    EXPECT_EQ(le32(w, 16), 16u);
    EXPECT_EQ(le16(w, 20), 1u);  // PCM
    EXPECT_EQ(le16(w, 22), 1u);
    EXPECT_EQ(le32(w, 24), 11025u);
    EXPECT_EQ(le32(w, 28), 11025u);
    EXPECT_EQ(le16(w, 32), 1u);
    EXPECT_EQ(le16(w, 34), 8u);
    EXPECT_EQ(tag(w, 36), "data");
    EXPECT_EQ(le32(w, 40), 11025u);
  }
}

// Sample i lies in the period k whose start (k * 11025) div f is the last at
// or before i; the first half of the period (11025 div f, halved) is low.
TEST(ToneTest, EachPeriodIsHalfLowThenHighAndTheLastSampleIsTheMiddle) {
  for (unsigned f : {100u, 440u, 800u, 1600u, 3000u, 7000u}) {
    SCOPED_TRACE(f);
    std::vector<uint8_t> w = toneWave(f);
    const uint64_t half = 11025 / f / 2;
    for (uint64_t i = 0; i + 1 < 11025; ++i) {
      uint64_t k = ((i + 1) * f + 11024) / 11025 - 1;
      uint64_t start = k * 11025 / f;
      ASSERT_EQ(w[44 + i], i - start < half ? 96 : 160) << "sample " << i;
    }
    EXPECT_EQ(w.back(), 128);
  }
}

TEST(ToneTest, HundredHertzByHand) {
  std::vector<uint8_t> w = toneWave(100);  // periods of 110 samples, every fourth of 111
  const uint8_t* s = w.data() + 44;
  EXPECT_EQ(s[0], 96);
  EXPECT_EQ(s[54], 96);
  EXPECT_EQ(s[55], 160);
  EXPECT_EQ(s[109], 160);
  EXPECT_EQ(s[110], 96);
  EXPECT_EQ(s[440], 160);  // the fourth period runs from 330 to 440
  EXPECT_EQ(s[441], 96);
  EXPECT_EQ(s[11023], 160);
  EXPECT_EQ(s[11024], 128);
}

TEST(ToneTest, NoFrequencyNoWave) { EXPECT_TRUE(toneWave(0).empty()); }

// The signal output captured to a file, the speech log beside it.
class ToneSoundTest : public ::testing::Test {
 protected:
  TempFolder folder;
  std::string capture, log;

  void SetUp() override {
    ASSERT_TRUE(folder.enter("tone_test"));
    capture = folder.root + "/played";
    log = folder.root + "/speech.log";
    audioClose(AudioStream::Signal);  // an earlier beep may have opened it elsewhere
    setenv("OUVINO_AUDIO", ("capture:" + capture).c_str(), 1);
    speechLogOpen(log);
  }
  void TearDown() override {
    stopTone();
    audioClose(AudioStream::Signal);
    unsetenv("OUVINO_AUDIO");
    speechLogOpen("");
    ASSERT_TRUE(folder.leave());
  }
  std::string played() const { return readFile(capture + ".signal"); }
};

TEST_F(ToneSoundTest, ToneLoopsItsWaveUntilStopped) {
  std::vector<uint8_t> w = toneWave(1600);
  const std::string samples(w.begin() + 44, w.end());
  startTone(1600);
  std::this_thread::sleep_for(1200ms);
  EXPECT_TRUE(audioBusy(AudioStream::Signal));
  stopTone();
  EXPECT_FALSE(audioBusy(AudioStream::Signal));
  stopTone();  // nothing left to stop: no second line in the log
  const std::string sound = played();
  ASSERT_GT(sound.size(), samples.size()) << "the tone did not loop";
  EXPECT_EQ(sound.substr(0, samples.size()), samples);
  EXPECT_EQ(sound.substr(samples.size()), samples.substr(0, sound.size() - samples.size()));
  EXPECT_EQ(readFile(log), "tone 1600\ntone off\n");
}

// The old tone may have sounded for a moment before the new one came.
TEST_F(ToneSoundTest, ANewToneReplacesTheOldOne) {
  std::vector<uint8_t> w800 = toneWave(800), w400 = toneWave(400);
  const std::string first(w800.begin() + 44, w800.end()), second(w400.begin() + 44, w400.end());
  startTone(800);
  startTone(400);
  std::this_thread::sleep_for(100ms);
  stopTone();
  const std::string sound = played();
  bool replaced = false;
  for (size_t n = 0; n + 500 <= sound.size() && !replaced; ++n)
    replaced = sound.compare(0, n, first, 0, n) == 0 && sound.compare(n, std::string::npos, second, 0, sound.size() - n) == 0;
  EXPECT_TRUE(replaced) << sound.size() << " bytes played";
  EXPECT_EQ(readFile(log), "tone 800\ntone off\ntone 400\ntone off\n");
}

TEST_F(ToneSoundTest, MessageBeepIsATenthOfASecondAndReturnsAtOnce) {
  auto before = std::chrono::steady_clock::now();
  messageBeep();
  EXPECT_LT(std::chrono::steady_clock::now() - before, 50ms);
  for (int i = 0; i < 100 && audioBusy(AudioStream::Signal); ++i) std::this_thread::sleep_for(10ms);
  EXPECT_FALSE(audioBusy(AudioStream::Signal));
  std::vector<uint8_t> w = toneWave(800);
  std::string expected(w.begin() + 44, w.begin() + 44 + 1102);
  expected.back() = '\x80';
  EXPECT_EQ(played(), expected);
  EXPECT_EQ(readFile(log), "bell\n");
}

TEST_F(ToneSoundTest, WithNothingToPlayOnTheToneIsStillLogged) {
  setenv("OUVINO_AUDIO", "none", 1);
  startTone(440);
  stopTone();
  messageBeep();
  EXPECT_EQ(readFile(log), "tone 440\ntone off\nbell\n");
}

}  // namespace
