// The console's signal sounds: the looping square-wave tone and the system
// beep, on the audio facility's signal output (so they never cut speech
// short).  Owns whether a tone is sounding; every start, stop and beep is
// also told to the speech log.  Must not touch the grid or the keys.
#include "console/tone.h"

#include <string>

#include "platform/audio.h"
#include "speech/speech.h"

namespace {

constexpr unsigned kRate = 11025;
constexpr size_t kHeaderBytes = 44;
constexpr unsigned kBeepFrequency = 800;
constexpr size_t kBeepSamples = kRate / 10;  // 100 ms
const AudioFormat kToneFormat{static_cast<int>(kRate), 1, 8};

bool toneSounding = false;

void put16(std::vector<uint8_t>& out, size_t at, unsigned value) {
  out[at] = value & 0xFF;
  out[at + 1] = (value >> 8) & 0xFF;
}

void put32(std::vector<uint8_t>& out, size_t at, uint32_t value) {
  put16(out, at, value & 0xFFFF);
  put16(out, at + 2, value >> 16);
}

void putHeader(std::vector<uint8_t>& wave, uint32_t dataBytes) {
  wave.resize(kHeaderBytes + dataBytes);
  const char* tags[] = {"RIFF", "WAVE", "fmt ", "data"};
  const size_t tagAt[] = {0, 8, 12, 36};
  for (int i = 0; i < 4; ++i) std::copy(tags[i], tags[i] + 4, wave.begin() + tagAt[i]);
  put32(wave, 4, dataBytes + 36);
  put32(wave, 16, 16);
  put16(wave, 20, 1);      // PCM
  put16(wave, 22, 1);      // mono
  put32(wave, 24, kRate);  // samples per second
  put32(wave, 28, kRate);  // bytes per second
  put16(wave, 32, 1);      // block align
  put16(wave, 34, 8);      // bits per sample
  put32(wave, 40, dataBytes);
}

// Plays the samples of a wave image on the signal output, replacing what
// sounds there; when nothing can play the sound is only logged.
void play(const std::vector<uint8_t>& wave, size_t samples, bool loop) {
  audioStop(AudioStream::Signal);
  if (audioOpen(AudioStream::Signal, kToneFormat, nullptr))
    audioQueue(AudioStream::Signal, wave.data() + kHeaderBytes, samples, loop);
}

}  // namespace

// Period k starts at sample (k * 11025) div f and runs to the next start:
// its first half (of 11025 div f) low, the rest high.  The data ends with
// the last period that fits in a second; its last sample is the middle level.
std::vector<uint8_t> toneWave(unsigned frequency) {
  if (frequency == 0) return {};
  const uint64_t period = kRate / frequency;
  std::vector<uint8_t> samples;
  for (uint64_t k = 0, start = 0; start + period <= kRate; start = ++k * kRate / frequency) {
    uint64_t next = (k + 1) * kRate / frequency;
    samples.insert(samples.end(), period / 2, 96);
    samples.insert(samples.end(), next - start - period / 2, 160);
  }
  samples.back() = 128;
  std::vector<uint8_t> wave;
  putHeader(wave, static_cast<uint32_t>(samples.size()));
  std::copy(samples.begin(), samples.end(), wave.begin() + kHeaderBytes);
  return wave;
}

void startTone(unsigned frequency) {
  stopTone();
  speechLog("tone", std::to_string(frequency));
  std::vector<uint8_t> wave = toneWave(frequency);
  if (wave.empty()) return;
  toneSounding = true;
  play(wave, wave.size() - kHeaderBytes, true);
}

void stopTone() {
  if (!toneSounding) return;
  toneSounding = false;
  audioStop(AudioStream::Signal);
  speechLog("tone", "off");
}

// The system beep, as Windows plays it: it takes the place of a tone.
void messageBeep() {
  speechLog("bell", "");
  std::vector<uint8_t> wave = toneWave(kBeepFrequency);
  wave[kHeaderBytes + kBeepSamples - 1] = 128;
  play(wave, kBeepSamples, false);
}
