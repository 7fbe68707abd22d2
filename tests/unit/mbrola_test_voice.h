// A tiny voice for the synthesizer's tests: "_", two vowels made of a pulse
// train through one resonance each (100 Hz, marks on the pulses) and a
// noise "s" (regular marks).  Every diphone exists except "i-s".
#pragma once

#include <cmath>
#include <cstdlib>
#include <string>
#include <vector>

#include "pitch_track.h"
#include "voice_db.h"

namespace testvoice {

constexpr int kHalf = 800;     // samples per half-diphone
constexpr int kPeriod = 160;   // 100 Hz

// One half of `phoneme` (kHalf samples) and its marks, appended to db.
inline void appendHalf(mbr::VoiceDb& db, const std::string& phoneme, uint32_t diphoneStart) {
  uint32_t at = uint32_t(db.samples.size()) - diphoneStart;
  double formant = phoneme == "a" ? 700 : 2300;
  for (int i = 0; i < kHalf; ++i) {
    double v = 0;
    if (phoneme == "s") v = (std::rand() % 2001 - 1000) * 4.0;
    if (phoneme == "a" || phoneme == "i") {
      int t = i % kPeriod;
      v = 12000 * std::exp(-t / 25.0) * std::cos(2 * M_PI * formant * t / 16000);
    }
    db.samples.push_back(int16_t(v));
  }
  bool voiced = phoneme == "a" || phoneme == "i";
  for (int i = 0; i < kHalf; i += voiced ? kPeriod : 80)
    db.marks.push_back((at + uint32_t(i)) | (voiced ? mbr::kVoicedMark : 0));
}

inline mbr::VoiceDb make() {
  std::srand(7);
  mbr::VoiceDb db;
  db.phonemes = {"_", "a", "i", "s"};
  db.meanPitch = 100;
  for (uint16_t l = 0; l < 4; ++l)
    for (uint16_t r = 0; r < 4; ++r) {
      if (db.phonemes[l] == "i" && db.phonemes[r] == "s") continue;
      mbr::Diphone d;
      d.left = l; d.right = r;
      d.start = uint32_t(db.samples.size());
      d.markStart = uint32_t(db.marks.size());
      appendHalf(db, db.phonemes[l], d.start);
      d.boundary = kHalf;
      appendHalf(db, db.phonemes[r], d.start);
      d.count = 2 * kHalf;
      d.markCount = uint32_t(db.marks.size()) - d.markStart;
      db.diphones.push_back(d);
    }
  mbr::indexVoiceDb(db);
  return db;
}

// f0 of samples [from, to) by autocorrelation; 0 if not periodic.
inline double pitchOf(const std::vector<float>& x, size_t from, size_t to, int maxPeriod = 400) {
  double period = mbr::framePeriod(x.data() + from, to - from, 20, maxPeriod);
  return period > 0 ? 16000 / period : 0;
}

inline double rmsOf(const std::vector<float>& x, size_t from, size_t to) {
  double sum = 0;
  for (size_t i = from; i < to; ++i) sum += double(x[i]) * x[i];
  return std::sqrt(sum / double(to - from));
}

}  // namespace testvoice
