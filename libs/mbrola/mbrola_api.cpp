// The public calls.  Owns the call-level state: the error of the last
// failing call, the no-error switch, volume, output rate, the user parser,
// the phoneme renames and the text of an unfinished line.  Speech itself is
// synth.cpp's.
#include "mbrola.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <deque>
#include <map>
#include <set>
#include <sstream>

#include "phone_line.h"
#include "synth.h"

struct mbr_phone {
  mbr::Phone phone;
};

namespace {

int gError = MBR_ERR_NONE;
std::string gErrorText;
bool gNoError = false;
float gVolume = 1.0f;
int gFreq = 16000;
mbr_parser_fn gParser = nullptr;
mbr::LineBuffer gLine;
std::map<std::string, std::string> gAliases;  // input name -> voice name
std::set<std::string> gRenamedAway;
std::deque<short> gReady;   // samples at the output rate
double gResamplePhase = 0;
float gResampleLast = 0;

int fail(int code, const std::string& text) {
  gError = code;
  gErrorText = text;
  return -1;
}

int copyText(const std::string& text, char* buffer, int size) {
  if (!buffer || size <= 0) return -1;
  size_t n = std::min(text.size(), size_t(size - 1));
  std::memcpy(buffer, text.data(), n);
  buffer[n] = 0;
  return int(n);
}

mbr::LineKind userParse(std::string_view line, mbr::Phone& out) {
  std::string text(line);
  char name[256] = {0};
  float duration = 0;
  float pairs[2 * 256];
  int n = gParser(text.c_str(), name, sizeof name, &duration, pairs, 256);
  if (n == -1) return mbr::LineKind::Skip;
  if (n < 0 || n > 256 || !std::isfinite(duration) || duration < 0) return mbr::LineKind::Bad;
  name[sizeof name - 1] = 0;
  std::string rebuilt = std::string(name) + " " + std::to_string(duration);
  for (int i = 0; i < n; ++i) rebuilt += " " + std::to_string(pairs[2 * i]) + " " + std::to_string(pairs[2 * i + 1]);
  return name[0] == '#' ? mbr::LineKind::Flush : mbr::parsePhoneLine(rebuilt, out);
}

void useVoiceNames(mbr::Phone& phone) {
  if (gRenamedAway.count(phone.name)) phone.name = "\x01" + phone.name;
  auto it = gAliases.find(phone.name);
  if (it != gAliases.end()) phone.name = it->second;
}

int speakLine(std::string_view line, bool tooLong) {
  if (tooLong) return fail(MBR_ERR_SYNTAX, "phoneme line too long");
  mbr::Phone phone;
  mbr::LineKind kind = gParser ? userParse(line, phone) : mbr::parsePhoneLine(line, phone);
  if (kind == mbr::LineKind::Bad) return fail(MBR_ERR_SYNTAX, "bad phoneme line: " + std::string(line.substr(0, 80)));
  if (kind == mbr::LineKind::Flush) mbr::synthFlush();
  if (kind != mbr::LineKind::Phone) return 0;
  useVoiceNames(phone);
  std::string what;
  if (!mbr::synthPhone(phone, what) && !gNoError) return fail(MBR_ERR_PHONEME, what);
  return 0;
}

// Pulls finished samples through the rate converter into gReady.
void gatherReady() {
  float block[4096];
  double step = 16000.0 / gFreq;
  while (size_t n = mbr::synthRead(block, 4096)) {
    for (size_t i = 0; i < n; ++i) {
      float v = block[i];
      if (gFreq == 16000) { gReady.push_back(short(std::clamp(v * gVolume, -32768.0f, 32767.0f))); continue; }
      for (; gResamplePhase < 1.0; gResamplePhase += step) {
        float s = gResampleLast + float(gResamplePhase) * (v - gResampleLast);
        gReady.push_back(short(std::clamp(s * gVolume, -32768.0f, 32767.0f)));
      }
      gResamplePhase -= 1.0;
      gResampleLast = v;
    }
  }
}

void parseNamePairs(const char* text, bool rename) {
  if (!text) return;
  std::istringstream in(text);
  std::string voiceName, inputName;
  while (in >> voiceName >> inputName) {
    gAliases[inputName] = voiceName;
    if (rename) gRenamedAway.insert(voiceName);
  }
}

unsigned char ulaw(short s) {
  int sign = s < 0 ? 0x80 : 0;
  int mag = std::min(s < 0 ? -int(s) : int(s), 32635) + 0x84;
  int exponent = 7;
  for (int mask = 0x4000; !(mag & mask) && exponent > 0; mask >>= 1) --exponent;
  int mantissa = (mag >> (exponent + 3)) & 0x0f;
  return (unsigned char)~(sign | (exponent << 4) | mantissa);
}

}  // namespace

extern "C" {

int init_MBR(const char* database) { return init_rename_MBR(database, nullptr, nullptr); }

int init_rename_MBR(const char* database, const char* renames, const char* clones) {
  gError = MBR_ERR_NONE;
  gErrorText.clear();
  gAliases.clear();
  gRenamedAway.clear();
  mbr::VoiceDb db;
  std::string error;
  if (!database || !mbr::loadVoiceDb(database, db, error)) {
    mbr::synthClose();
    return fail(MBR_ERR_DATABASE, database ? error : "no database named");
  }
  mbr::synthOpen(std::move(db));
  parseNamePairs(renames, true);
  parseNamePairs(clones, false);
  reset_MBR();
  return 0;
}

int write_MBR(const char* text) {
  if (!mbr::synthIsOpen()) return fail(MBR_ERR_NOT_STARTED, "no voice started");
  if (!text) return fail(MBR_ERR_ARGUMENT, "no text");
  int result = 0;
  mbr::feedLines(gLine, text, [&](std::string_view line, bool tooLong) {
    if (speakLine(line, tooLong) < 0) result = -1;
  });
  return result;
}

int flush_MBR(void) {
  if (!mbr::synthIsOpen()) return fail(MBR_ERR_NOT_STARTED, "no voice started");
  if (!gLine.pending.empty()) write_MBR("\n");
  mbr::synthFlush();
  return 0;
}

int read_MBR(short* buffer, int max_samples) { return readtype_MBR(buffer, max_samples, MBR_LIN16); }

int readtype_MBR(void* buffer, int max_samples, int type) {
  if (!buffer || max_samples <= 0) return 0;
  if (type < MBR_LIN16 || type > MBR_ULAW) return fail(MBR_ERR_ARGUMENT, "unknown sample type");
  gatherReady();
  int n = int(std::min<size_t>(size_t(max_samples), gReady.size()));
  for (int i = 0; i < n; ++i) {
    short s = gReady[size_t(i)];
    if (type == MBR_LIN16) static_cast<short*>(buffer)[i] = s;
    else if (type == MBR_LIN8) static_cast<unsigned char*>(buffer)[i] = (unsigned char)((s >> 8) + 128);
    else static_cast<unsigned char*>(buffer)[i] = ulaw(s);
  }
  gReady.erase(gReady.begin(), gReady.begin() + n);
  return n;
}

void close_MBR(void) {
  mbr::synthClose();
  reset_MBR();
}

int reset_MBR(void) {
  mbr::synthReset();
  gLine = mbr::LineBuffer();
  gReady.clear();
  gResamplePhase = 0;
  gResampleLast = 0;
  gError = MBR_ERR_NONE;
  gErrorText.clear();
  return 0;
}

int lastError_MBR(void) { return gError; }

int lastErrorStr_MBR(char* buffer, int size) {
  return copyText(gError ? gErrorText : "no error", buffer, size);
}

void setNoError_MBR(int no_error) { gNoError = no_error != 0; }
int getNoError_MBR(void) { return gNoError ? 1 : 0; }

int setFreq_MBR(int frequency) {
  if (frequency < 4000 || frequency > 96000) return fail(MBR_ERR_ARGUMENT, "output rate out of range");
  gatherReady();  // samples already made keep the rate they were made for
  gFreq = frequency;
  return 0;
}

int getFreq_MBR(void) { return gFreq; }

void setVolumeRatio_MBR(float ratio) {
  if (std::isfinite(ratio) && ratio >= 0) gVolume = ratio;
}

float getVolumeRatio_MBR(void) { return gVolume; }

int getVersion_MBR(char* buffer, int size) { return copyText("fitagrav diphone synthesizer 1.0", buffer, size); }

int getDatabaseInfo_MBR(char* buffer, int size, int index) {
  if (!mbr::synthIsOpen()) return fail(MBR_ERR_NOT_STARTED, "no voice started");
  const mbr::VoiceDb& v = mbr::synthVoice();
  std::string lines[] = {"phonemes " + std::to_string(v.phonemes.size()),
                         "diphones " + std::to_string(v.diphones.size()),
                         "rate " + std::to_string(mbr::kVoiceRate),
                         "pitch " + std::to_string(int(v.meanPitch))};
  if (index < 0 || index >= 4) return fail(MBR_ERR_ARGUMENT, "no such database information");
  return copyText(lines[index], buffer, size);
}

void setParser_MBR(mbr_parser_fn parser) { gParser = parser; }

mbr_phone* init_Phone(const char* name, float duration) {
  if (!name || !std::isfinite(duration) || duration < 0) return nullptr;
  auto* p = new mbr_phone;
  p->phone.name = name;
  p->phone.durationMs = duration;
  return p;
}

void reset_Phone(mbr_phone* phone) {
  if (phone) phone->phone.points.clear();
}

void close_Phone(mbr_phone* phone) { delete phone; }

int appendf0_Phone(mbr_phone* phone, float position, float pitch) {
  if (!phone || !std::isfinite(position) || !std::isfinite(pitch) || pitch <= 0) return -1;
  phone->phone.points.emplace_back(std::clamp(double(position), 0.0, 100.0), double(pitch));
  return int(phone->phone.points.size());
}

}  // extern "C"
