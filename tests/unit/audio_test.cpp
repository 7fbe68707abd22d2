#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <mutex>
#include <string>
#include <thread>
#include <unistd.h>
#include <utility>
#include <vector>

#include "platform/audio.h"
#include "temp_folder.h"

namespace {

using Clock = std::chrono::steady_clock;
using namespace std::chrono_literals;

// Block-done as the audio thread tells it: the id and when, from the start.
std::mutex doneLock;
std::vector<std::pair<int, long>> doneTold;
Clock::time_point started;

void recordDone(int id) {
  std::lock_guard<std::mutex> hold(doneLock);
  doneTold.emplace_back(id, std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - started).count());
}

std::vector<std::pair<int, long>> told() {
  std::lock_guard<std::mutex> hold(doneLock);
  return doneTold;
}

const AudioFormat kFormat{8000, 1, 8};  // 8 bytes a millisecond

// The capture sink in a fresh folder, the wave output open on it.
class AudioCaptureTest : public ::testing::Test {
 protected:
  TempFolder folder;
  std::string capture;

  void SetUp() override {
    ASSERT_TRUE(folder.enter("audio_test"));
    capture = folder.root + "/played.raw";
    setenv("OUVINO_AUDIO", ("capture:" + capture).c_str(), 1);
    doneTold.clear();
    started = Clock::now();
    ASSERT_TRUE(audioOpen(kFormat, recordDone));
    ASSERT_EQ(audioBackendName(), "capture");
  }
  void TearDown() override {
    audioClose();
    unsetenv("OUVINO_AUDIO");
    ASSERT_TRUE(folder.leave());
  }
  static bool waitUntil(bool (*done)(), std::chrono::milliseconds limit) {
    for (auto end = Clock::now() + limit; Clock::now() < end; std::this_thread::sleep_for(5ms))
      if (done()) return true;
    return done();
  }
  static std::string block(size_t bytes, char fill) { return std::string(bytes, fill); }
  static int queue(const std::string& bytes, bool loop = false) {
    return audioQueue(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size(), loop);
  }
};

TEST_F(AudioCaptureTest, BlocksPlayInOrderAndEachIsToldDoneAfterItsLength) {
  const std::string a = block(800, 'a'), b = block(400, 'b'), c = block(1600, 'c');  // 100, 50, 200 ms
  int ids[] = {queue(a), queue(b), queue(c)};
  EXPECT_TRUE(audioBusy());
  ASSERT_TRUE(waitUntil([] { return told().size() == 3; }, 3000ms));
  EXPECT_FALSE(audioBusy());
  const long ends[] = {100, 150, 350};
  auto done = told();
  for (int i = 0; i < 3; ++i) {
    EXPECT_EQ(done[i].first, ids[i]) << "block " << i;
    EXPECT_GE(done[i].second, ends[i] - 5) << "block " << i << " told done before it had played";
    EXPECT_LE(done[i].second, ends[i] + 250) << "block " << i;
  }
  EXPECT_EQ(readFile(capture), a + b + c);
}

int nextQueued = -1;

TEST_F(AudioCaptureTest, ABlockDoneCallbackMayQueueTheNextBlock) {
  nextQueued = -1;
  ASSERT_TRUE(audioOpen(kFormat, [](int id) {
    if (nextQueued < 0) nextQueued = queue(block(80, 'y'));
    recordDone(id);
  }));
  queue(block(80, 'x'));
  ASSERT_TRUE(waitUntil([] { return told().size() == 2; }, 2000ms));
  EXPECT_EQ(told()[1].first, nextQueued);
  EXPECT_EQ(readFile(capture), block(80, 'x') + block(80, 'y'));
}

TEST_F(AudioCaptureTest, ALoopingBlockRepeatsUntilStopped) {
  std::string pattern;
  for (int i = 0; i < 40; ++i) pattern += static_cast<char>('0' + i);  // 5 ms
  queue(pattern, true);
  std::this_thread::sleep_for(120ms);
  EXPECT_TRUE(audioBusy());
  audioStop();
  EXPECT_FALSE(audioBusy());
  const std::string played = readFile(capture);
  std::this_thread::sleep_for(60ms);
  EXPECT_EQ(readFile(capture).size(), played.size()) << "played on after audioStop";
  ASSERT_GE(played.size(), 10 * pattern.size());
  for (size_t i = 0; i < played.size(); ++i) ASSERT_EQ(played[i], pattern[i % pattern.size()]) << "byte " << i;
  EXPECT_TRUE(told().empty()) << "a looping block is never done";
}

TEST_F(AudioCaptureTest, StopDropsEverythingAtOnceWithoutBlockDone) {
  queue(block(8000, 'a'));  // 1 s
  queue(block(800, 'b'));
  std::this_thread::sleep_for(50ms);
  audioStop();
  EXPECT_FALSE(audioBusy());
  const size_t played = readFile(capture).size();
  EXPECT_LT(played, 2000u);
  std::this_thread::sleep_for(150ms);
  EXPECT_EQ(readFile(capture).size(), played);
  EXPECT_TRUE(told().empty());
  // The output goes on with what is queued next.
  int id = queue(block(80, 'c'));
  ASSERT_TRUE(waitUntil([] { return !told().empty(); }, 2000ms));
  EXPECT_EQ(told()[0].first, id);
  EXPECT_EQ(readFile(capture).substr(played), block(80, 'c'));
}

TEST_F(AudioCaptureTest, BlocksAreCutToWholeFrames) {
  ASSERT_TRUE(audioOpen({8000, 1, 16}, recordDone));
  EXPECT_EQ(queue("z"), -1);
  queue("abc");
  ASSERT_TRUE(waitUntil([] { return !told().empty(); }, 2000ms));
  EXPECT_EQ(readFile(capture), "ab");
}

TEST(AudioTest, TheSignalOutputPlaysBesideTheWaveOutput) {
  TempFolder folder;
  ASSERT_TRUE(folder.enter("audio_test"));
  const std::string capture = folder.root + "/played.raw";
  setenv("OUVINO_AUDIO", ("capture:" + capture).c_str(), 1);
  ASSERT_TRUE(audioOpen(AudioStream::Wave, {16000, 1, 16}, nullptr));
  ASSERT_TRUE(audioOpen(AudioStream::Signal, kFormat, nullptr));
  const uint8_t wave[] = {1, 2, 3, 4}, signal[] = {9, 9};
  audioQueue(AudioStream::Wave, wave, sizeof wave, true);
  audioQueue(AudioStream::Signal, signal, sizeof signal, false);
  std::this_thread::sleep_for(60ms);
  audioStop(AudioStream::Signal);
  EXPECT_TRUE(audioBusy(AudioStream::Wave)) << "stopping the signal output stopped the wave output";
  audioClose(AudioStream::Wave);
  audioClose(AudioStream::Signal);
  unsetenv("OUVINO_AUDIO");
  EXPECT_EQ(readFile(capture + ".signal"), "\x09\x09");
  EXPECT_EQ(readFile(capture).substr(0, 8), "\x01\x02\x03\x04\x01\x02\x03\x04");
  EXPECT_TRUE(folder.leave());
}

// SDL's dummy driver: what a machine without a sound card gets.
TEST(AudioTest, TheDummyDriverPlaysInRealTime) {
  setenv("OUVINO_AUDIO", "dummy", 1);
  doneTold.clear();
  started = Clock::now();
  ASSERT_TRUE(audioOpen(kFormat, recordDone));
  EXPECT_EQ(audioBackendName(), "sdl:dummy");
  const std::string bytes(1600, 'd');  // 200 ms
  int id = audioQueue(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size(), false);
  for (auto end = Clock::now() + 3s; told().empty() && Clock::now() < end;) std::this_thread::sleep_for(5ms);
  audioClose();
  unsetenv("OUVINO_AUDIO");
  ASSERT_EQ(told().size(), 1u);
  EXPECT_EQ(told()[0].first, id);
  EXPECT_GE(told()[0].second, 100) << "the dummy driver took the block faster than real time";
}

TEST(AudioTest, NothingPlaysWhenNoOutputIsWanted) {
  setenv("OUVINO_AUDIO", "none", 1);
  EXPECT_FALSE(audioOpen(kFormat, nullptr));
  const uint8_t bytes[] = {1, 2};
  EXPECT_EQ(audioQueue(bytes, sizeof bytes, false), -1);
  EXPECT_FALSE(audioBusy());
  EXPECT_FALSE(audioOpen({8000, 3, 12}, nullptr)) << "12-bit sound";
  unsetenv("OUVINO_AUDIO");
}

}  // namespace
