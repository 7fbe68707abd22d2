// The voice database file: our own little-endian layout.
//   header   "FGDIPH01", u32 sample rate, u32 phonemes, u32 diphones,
//            u32 samples, u32 marks, f32 mean pitch (Hz)
//   phonemes u8 length + name bytes, each
//   index    per diphone: u16 left, u16 right, u32 first sample, u32 samples,
//            u32 boundary (from the first sample), u32 first mark, u32 marks
//   samples  i16 each
//   marks    u32 each: position from the diphone's first sample, top bit set
//            when the mark is voiced
// A diphone runs from the middle of its left phoneme to the middle of its
// right one; the boundary is where the right phoneme begins.  Owns no state.
#pragma once

#include <cstdint>
#include <string>
#include <unordered_map>
#include <vector>

namespace mbr {

constexpr uint32_t kVoicedMark = 0x80000000u;
constexpr uint32_t kVoiceRate = 16000;

struct Diphone {
  uint16_t left = 0, right = 0;
  uint32_t start = 0, count = 0, boundary = 0, markStart = 0, markCount = 0;
};

struct VoiceDb {
  std::vector<std::string> phonemes;
  std::vector<Diphone> diphones;
  std::vector<int16_t> samples;
  std::vector<uint32_t> marks;
  float meanPitch = 120;
  std::unordered_map<std::string, int> phonemeIds;
  std::unordered_map<uint32_t, int> diphoneIds;  // left << 16 | right
};

bool loadVoiceDb(const std::string& path, VoiceDb& db, std::string& error);
bool saveVoiceDb(const std::string& path, const VoiceDb& db);

// Fills the two look-up tables from the lists (after building by hand).
void indexVoiceDb(VoiceDb& db);
int findPhoneme(const VoiceDb& db, const std::string& name);
const Diphone* findDiphone(const VoiceDb& db, int left, int right);

}  // namespace mbr
