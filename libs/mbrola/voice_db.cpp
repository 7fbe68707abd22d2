// Reading and writing the voice database.  Every count and offset is checked
// against the file before use, so a truncated or hostile file is refused
// instead of read out of bounds.
#include "voice_db.h"

#include <cstring>
#include <fstream>
#include <iterator>

namespace mbr {

namespace {

const char kMagic[8] = {'F', 'G', 'D', 'I', 'P', 'H', '0', '1'};

struct Reader {
  const std::vector<char>& data;
  size_t pos = 0;
  bool ok = true;
  uint32_t u(int bytes) {
    if (pos + bytes > data.size()) { ok = false; return 0; }
    uint32_t v = 0;
    for (int i = 0; i < bytes; ++i) v |= uint32_t(uint8_t(data[pos + i])) << (8 * i);
    pos += bytes;
    return v;
  }
};

void put(std::string& out, uint32_t v, int bytes) {
  for (int i = 0; i < bytes; ++i) out.push_back(char((v >> (8 * i)) & 0xff));
}

bool diphoneFits(const Diphone& d, const VoiceDb& db) {
  return d.left < db.phonemes.size() && d.right < db.phonemes.size() &&
         uint64_t(d.start) + d.count <= db.samples.size() && d.boundary <= d.count &&
         uint64_t(d.markStart) + d.markCount <= db.marks.size();
}

bool readBody(Reader& r, VoiceDb& db, uint32_t nPhon, uint32_t nDiph, uint32_t nSamp, uint32_t nMarks) {
  for (uint32_t i = 0; i < nPhon && r.ok; ++i) {
    uint32_t len = r.u(1);
    if (r.pos + len > r.data.size()) return false;
    db.phonemes.emplace_back(r.data.data() + r.pos, len);
    r.pos += len;
  }
  for (uint32_t i = 0; i < nDiph && r.ok; ++i) {
    Diphone d;
    d.left = uint16_t(r.u(2)); d.right = uint16_t(r.u(2));
    d.start = r.u(4); d.count = r.u(4); d.boundary = r.u(4);
    d.markStart = r.u(4); d.markCount = r.u(4);
    db.diphones.push_back(d);
  }
  if (!r.ok || r.pos + uint64_t(nSamp) * 2 + uint64_t(nMarks) * 4 != r.data.size()) return false;
  db.samples.resize(nSamp);
  for (auto& s : db.samples) s = int16_t(r.u(2));
  db.marks.resize(nMarks);
  for (auto& m : db.marks) m = r.u(4);
  for (const auto& d : db.diphones)
    if (!diphoneFits(d, db)) return false;
  return true;
}

}  // namespace

bool loadVoiceDb(const std::string& path, VoiceDb& db, std::string& error) {
  std::ifstream in(path, std::ios::binary);
  if (!in) { error = "cannot open database " + path; return false; }
  std::vector<char> data((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  db = VoiceDb();
  Reader r{data};
  if (data.size() < 32 || std::memcmp(data.data(), kMagic, 8) != 0) { error = "not a voice database: " + path; return false; }
  r.pos = 8;
  uint32_t rate = r.u(4), nPhon = r.u(4), nDiph = r.u(4), nSamp = r.u(4), nMarks = r.u(4);
  uint32_t pitchBits = r.u(4);
  std::memcpy(&db.meanPitch, &pitchBits, 4);
  if (rate != kVoiceRate || nPhon > 65535 || !(db.meanPitch > 40 && db.meanPitch < 1000) ||
      !readBody(r, db, nPhon, nDiph, nSamp, nMarks)) {
    error = "damaged voice database: " + path;
    db = VoiceDb();
    return false;
  }
  indexVoiceDb(db);
  return true;
}

bool saveVoiceDb(const std::string& path, const VoiceDb& db) {
  std::string out(kMagic, 8);
  uint32_t pitchBits;
  std::memcpy(&pitchBits, &db.meanPitch, 4);
  for (uint32_t v : {kVoiceRate, uint32_t(db.phonemes.size()), uint32_t(db.diphones.size()),
                     uint32_t(db.samples.size()), uint32_t(db.marks.size()), pitchBits})
    put(out, v, 4);
  for (const auto& p : db.phonemes) { put(out, uint32_t(p.size()), 1); out += p; }
  for (const auto& d : db.diphones) {
    put(out, d.left, 2); put(out, d.right, 2);
    for (uint32_t v : {d.start, d.count, d.boundary, d.markStart, d.markCount}) put(out, v, 4);
  }
  for (int16_t s : db.samples) put(out, uint16_t(s), 2);
  for (uint32_t m : db.marks) put(out, m, 4);
  std::ofstream f(path, std::ios::binary | std::ios::trunc);
  f.write(out.data(), std::streamsize(out.size()));
  return bool(f.flush());
}

void indexVoiceDb(VoiceDb& db) {
  db.phonemeIds.clear();
  db.diphoneIds.clear();
  for (size_t i = 0; i < db.phonemes.size(); ++i) db.phonemeIds.emplace(db.phonemes[i], int(i));
  for (size_t i = 0; i < db.diphones.size(); ++i)
    db.diphoneIds.emplace(uint32_t(db.diphones[i].left) << 16 | db.diphones[i].right, int(i));
}

int findPhoneme(const VoiceDb& db, const std::string& name) {
  auto it = db.phonemeIds.find(name);
  return it == db.phonemeIds.end() ? -1 : it->second;
}

const Diphone* findDiphone(const VoiceDb& db, int left, int right) {
  if (left < 0 || right < 0) return nullptr;
  auto it = db.diphoneIds.find(uint32_t(left) << 16 | uint32_t(right));
  return it == db.diphoneIds.end() ? nullptr : &db.diphones[it->second];
}

}  // namespace mbr
