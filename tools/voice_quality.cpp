// voice_quality VOICE PHONEME_SET SENTENCES OUT_DIR [--check]: measures the voice on a
// fixed set of sentences.  Each sentence is transcribed by a simple mapping
// of espeak-ng's phonemes onto ours, given plain durations and a falling
// pitch line, written as OUT_DIR/NN.pho, spoken through the library and
// measured: duration against the sum asked, f0 of voiced frames against
// the interpolated targets, sample and spectral change at the diphone joins
// against the signal's own median change, missing diphones, and the
// real-time factor next to espeak-ng's for the same text.  --check fails
// the run when a duration is off by more than 1 % or a diphone is missing;
// VOICE_QUALITY_F0=1 lists the frames whose f0 misses its target.
#include <espeak-ng/speak_lib.h>

#include <algorithm>
#include <cmath>
#include <complex>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "contour.h"
#include "voice_db.h"
#include "mbrola.h"
#include "phone_line.h"
#include "pitch_track.h"

namespace {

struct Totals {
  double askedMs = 0, gotMs = 0, worstDurationError = 0;
  long frames = 0, frameSampleJumps = 0, frameSpectralJumps = 0;  // the same test at every frame
  long f0Frames = 0, f0Good = 0, joins = 0, sampleJumps = 0, spectralJumps = 0, missing = 0, unmapped = 0;
  double cpuOurs = 0, cpuEspeak = 0, audioOurs = 0, audioEspeak = 0;
};

std::map<std::string, std::string> gKind;  // our phoneme -> kind
mbr::VoiceDb gVoice;
int gFile = 0;  // the sentence being measured
// A frame counts as voiced when its low-passed autocorrelation peak reaches this.
constexpr double kVoicedCorrelation = 0.8;
long gEspeakSamples = 0;

int countSamples(short*, int n, espeak_EVENT*) { gEspeakSamples += n; return 0; }

double cpuSeconds() { return double(std::clock()) / CLOCKS_PER_SEC; }

// One espeak phoneme (stress marks removed) as our phonemes.
std::vector<std::string> mapPhoneme(const std::string& p, bool wordEnd) {
  static const std::map<std::string, std::string> simple = {
      {"a", "a"}, {"&", "a2"}, {"e", "e"}, {"E", "eh"}, {"i", "i"}, {"y", "i2"}, {"o", "o"}, {"O", "oh"},
      {"u", "u"}, {"U", "u2"}, {"I", "y"}, {"j", "y"}, {"w", "w"}, {"*", "r"}, {"x", "rr"}, {"r", "r2"},
      {"n^", "nh"}, {"l^", "lh"}, {"S", "sh"}, {"Z", "zh"}, {"tS", "tS"}, {"dZ", "dZ"}, {"h", "rr"}};
  static const std::map<char, std::string> nasal = {{'&', "an"}, {'a', "an"}, {'e', "en"}, {'i', "in"}, {'o', "on"}, {'u', "un"}};
  if (p.size() >= 2 && p.back() == '~' && nasal.count(p[0])) {
    std::vector<std::string> out{nasal.at(p[0])};
    if (p.size() == 3) out.push_back(p[1] == 'I' ? "y" : "w");
    return out;
  }
  if (p == "s" && wordEnd) return {"s2"};
  if (p == "@-") return {};  // espeak-ng's short vowel between consonants: not ours
  if (p == "R") return {"r2"};
  if (p == "a:") return {"a"};
  if (p.size() == 2 && simple.count(p.substr(0, 1)) && (p[1] == 'I' || p[1] == 'U') && p != "tS")
    return {simple.at(p.substr(0, 1)), p[1] == 'I' ? "y" : "w"};
  auto it = simple.find(p);
  if (it != simple.end()) return {it->second};
  if (p.size() == 1 && gKind.count(p)) return {p};
  return {};
}

struct Planned {
  std::string name;
  bool stressed;
};

std::vector<Planned> transcribe(const std::string& sentence, Totals& t) {
  std::vector<Planned> out;
  const void* text = sentence.c_str();
  while (text) {
    std::istringstream words(espeak_TextToPhonemes(&text, espeakCHARS_UTF8, '|' << 8));
    for (std::string word; words >> word;) {
      std::vector<std::string> parts;
      std::istringstream ps(word);
      for (std::string p; std::getline(ps, p, '|');) parts.push_back(p);
      for (size_t i = 0; i < parts.size(); ++i) {
        std::string p = parts[i];
        bool stressed = p.find('\'') != std::string::npos;
        p.erase(std::remove_if(p.begin(), p.end(), [](char c) { return c == '\'' || c == ',' || c == ';'; }), p.end());
        if (p == "N") {  // nasal coda: the vowel before becomes nasal
          static const std::map<std::string, std::string> nz = {{"a", "an"}, {"a2", "an"}, {"e", "en"}, {"i", "in"}, {"o", "on"}, {"u", "un"}};
          size_t v = out.size();
          if (v && gKind[out[v - 1].name] == "glide") --v;  // "eI N": the e is nasal
          if (v && nz.count(out[v - 1].name)) out[v - 1].name = nz.at(out[v - 1].name);
          continue;
        }
        auto mapped = mapPhoneme(p, i + 1 == parts.size());
        if (mapped.empty() && !p.empty() && p != "@-") { ++t.unmapped; std::fprintf(stderr, "not mapped: %s\n", p.c_str()); }
        for (auto& m : mapped) out.push_back({m, stressed && gKind[m] == "vowel"});
      }
    }
  }
  // A Brazilian "l" before a consonant or at the end is a "w".
  for (size_t i = 0; i < out.size(); ++i)
    if (out[i].name == "l" && (i + 1 == out.size() || gKind[out[i + 1].name] == "consonant")) out[i].name = "w";
  return out;
}

std::vector<std::string> phoLines(const std::vector<Planned>& phones) {
  std::vector<std::string> lines{"_ 150"};
  for (size_t i = 0; i < phones.size(); ++i) {
    const auto& p = phones[i];
    std::string kind = gKind[p.name];
    int ms = kind == "vowel" ? (p.stressed ? 150 : 90) : kind == "glide" ? 60 : 75;
    std::string line = p.name + " " + std::to_string(ms);
    if (kind == "vowel") {
      int hz = int(140 - 40.0 * double(i) / double(phones.size()) + (p.stressed ? 20 : 0));
      line += " 50 " + std::to_string(hz);
    }
    lines.push_back(line);
  }
  lines.push_back("_ 150");
  return lines;
}

double median(std::vector<double> v) {
  if (v.empty()) return 0;
  std::nth_element(v.begin(), v.begin() + long(v.size() / 2), v.end());
  return v[v.size() / 2];
}

void fft(std::vector<std::complex<double>>& a) {
  size_t n = a.size();
  for (size_t i = 1, j = 0; i < n; ++i) {
    size_t bit = n >> 1;
    for (; j & bit; bit >>= 1) j ^= bit;
    j ^= bit;
    if (i < j) std::swap(a[i], a[j]);
  }
  for (size_t len = 2; len <= n; len <<= 1) {
    std::complex<double> w = std::polar(1.0, -2 * M_PI / double(len));
    for (size_t i = 0; i < n; i += len) {
      std::complex<double> u = 1;
      for (size_t k = 0; k < len / 2; ++k, u *= w) {
        auto x = a[i + k], y = a[i + k + len / 2] * u;
        a[i + k] = x + y;
        a[i + k + len / 2] = x - y;
      }
    }
  }
}

// Log energies of 16 bands of the 128 samples from `at`.
std::vector<double> bands(const std::vector<float>& x, size_t at) {
  std::vector<std::complex<double>> a(128);
  for (size_t i = 0; i < 128; ++i) a[i] = x[at + i] * (0.5 - 0.5 * std::cos(2 * M_PI * double(i) / 128));
  fft(a);
  std::vector<double> b(16, 1.0);
  for (size_t i = 1; i < 64; ++i) b[i / 4] += std::norm(a[i]);
  for (auto& v : b) v = std::log(v);
  return b;
}

double distance(const std::vector<double>& a, const std::vector<double>& b) {
  double s = 0;
  for (size_t i = 0; i < a.size(); ++i) s += (a[i] - b[i]) * (a[i] - b[i]);
  return std::sqrt(s);
}

double maxStep(const std::vector<float>& x, size_t from, size_t n) {
  double m = 0;
  for (size_t i = from + 1; i < from + n && i < x.size(); ++i) m = std::max(m, double(std::abs(x[i] - x[i - 1])));
  return m;
}

bool loud(const std::vector<float>& x, size_t at, size_t n) { return maxStep(x, at, n) > 200 || std::fabs(x[at]) > 300; }

// Joins (diphone cut points: phone mid-points) against the signal's own
// frame-to-frame change; only joins with sound on both sides count.
void measureJoins(const std::vector<float>& x, const std::vector<double>& joins, Totals& t) {
  std::vector<double> steps, changes;
  for (size_t at = 128; at + 256 < x.size(); at += 128) {
    if (!loud(x, at - 128, 256)) continue;
    steps.push_back(maxStep(x, at - 16, 32));
    changes.push_back(distance(bands(x, at - 128), bands(x, at)));
  }
  double stepMedian = median(steps), changeMedian = median(changes);
  for (size_t i = 0; i < steps.size(); ++i) {
    ++t.frames;
    t.frameSampleJumps += steps[i] > 1.5 * stepMedian;
    t.frameSpectralJumps += changes[i] > 1.5 * changeMedian;
  }
  for (double j : joins) {
    size_t at = size_t(j);
    if (at < 128 || at + 128 >= x.size() || !loud(x, at - 128, 256)) continue;
    ++t.joins;
    if (maxStep(x, at - 16, 32) > 1.5 * stepMedian) ++t.sampleJumps;
    if (distance(bands(x, at - 128), bands(x, at)) > 1.5 * changeMedian) ++t.spectralJumps;
  }
}

// The pitch a frame should show: the contour over the frame weighted by the
// signal's energy, as the frame's autocorrelation weights it (at the end of
// a vowel the loud part of the frame is earlier, on another pitch).
double frameTarget(const mbr::Contour& contour, const std::vector<float>& x, size_t at, size_t n) {
  double sum = 0, weight = 0;
  for (size_t i = at; i < at + n; i += 16) {
    double e = double(x[i]) * x[i];
    sum += e * mbr::pitchAt(contour, double(i), 120);
    weight += e;
  }
  return weight > 0 ? sum / weight : mbr::pitchAt(contour, double(at + n / 2), 120);
}

void measurePitch(const std::vector<float>& x, const std::vector<std::string>& lines, Totals& t) {
  mbr::Contour contour;
  double start = 0;
  for (const auto& l : lines) {
    mbr::Phone p;
    if (mbr::parsePhoneLine(l, p) != mbr::LineKind::Phone) continue;
    mbr::addPhonePoints(contour, start, p.durationMs * 16, p.points);
    start += p.durationMs * 16;
  }
  std::vector<float> lp = mbr::lowPass(x, 900, 16000);
  for (size_t at = 0; at + 512 <= x.size(); at += 160) {
    double period = mbr::framePeriod(lp.data() + at, 512, 40, 250, kVoicedCorrelation);
    if (period <= 0) continue;
    double target = frameTarget(contour, x, at, 512), got = 16000 / period;
    ++t.f0Frames;
    if (std::fabs(got - target) <= 0.05 * target) ++t.f0Good;
    else if (std::getenv("VOICE_QUALITY_F0")) std::fprintf(stderr, "f0 %d %zu got %.0f want %.0f\n", gFile, at + 256, got, target);
  }
}

std::vector<float> speakLines(const std::vector<std::string>& lines, Totals& t) {
  std::vector<float> out;
  static short block[64000];
  double c0 = cpuSeconds();
  reset_MBR();
  for (const auto& l : lines) write_MBR((l + "\r\n").c_str());
  flush_MBR();
  std::vector<short> all;
  while (int n = read_MBR(block, 64000)) all.insert(all.end(), block, block + n);
  t.cpuOurs += cpuSeconds() - c0;
  out.assign(all.begin(), all.end());
  return out;
}

void measureSentence(const std::string& sentence, int number, const std::string& outDir, Totals& t) {
  gFile = number;
  auto lines = phoLines(transcribe(sentence, t));
  char name[32];
  std::snprintf(name, sizeof name, "/%02d.pho", number);
  std::ofstream pho(outDir + name);
  pho << "; " << sentence << "\n";
  double asked = 0;
  std::vector<double> joins;
  for (const auto& l : lines) {
    pho << l << "\n";
    mbr::Phone p;
    mbr::parsePhoneLine(l, p);
    joins.push_back(std::round((asked + p.durationMs / 2) * 16));
    asked += p.durationMs;
  }
  std::string before = "_";
  for (const auto& l : lines) {
    std::string name = l.substr(0, l.find(' '));
    if (!(name == "_" && before == "_") &&
        !mbr::findDiphone(gVoice, mbr::findPhoneme(gVoice, before), mbr::findPhoneme(gVoice, name))) {
      ++t.missing;
      std::fprintf(stderr, "missing diphone %s-%s\n", before.c_str(), name.c_str());
    }
    before = name;
  }
  auto x = speakLines(lines, t);
  double got = double(x.size()) / 16;
  t.askedMs += asked;
  t.gotMs += got;
  t.audioOurs += got / 1000;
  t.worstDurationError = std::max(t.worstDurationError, std::fabs(got - asked) / asked);
  measurePitch(x, lines, t);
  measureJoins(x, joins, t);
  double c0 = cpuSeconds();
  gEspeakSamples = 0;
  espeak_Synth(sentence.c_str(), sentence.size() + 1, 0, POS_CHARACTER, 0, espeakCHARS_UTF8, nullptr, nullptr);
  espeak_Synchronize();
  t.cpuEspeak += cpuSeconds() - c0;
  t.audioEspeak += double(gEspeakSamples) / 22050;
}

bool readKinds(const std::string& path) {
  std::ifstream in(path);
  for (std::string line; std::getline(in, line);) {
    std::istringstream f(line);
    std::string name, es, kind;
    if (line.empty() || line[0] == ';' || !(f >> name >> es >> kind)) continue;
    gKind[name] = kind;
  }
  return !gKind.empty();
}

void report(const Totals& t, int sentences) {
  auto pct = [](double a, double b) { return b > 0 ? 100.0 * a / b : 0.0; };
  std::printf("sentences            %d (phonemes not mapped: %ld)\n", sentences, t.unmapped);
  std::printf("duration             asked %.0f ms, got %.0f ms, worst file %.3f %%\n", t.askedMs, t.gotMs, 100 * t.worstDurationError);
  std::printf("f0 within 5 %%        %.1f %% of %ld voiced frames\n", pct(double(t.f0Good), double(t.f0Frames)), t.f0Frames);
  std::printf("joins                %ld; sample jumps > 1.5x median %ld (%.1f %%), spectral jumps %ld (%.1f %%)\n", t.joins,
              t.sampleJumps, pct(double(t.sampleJumps), double(t.joins)), t.spectralJumps, pct(double(t.spectralJumps), double(t.joins)));
  std::printf("  the same at all %ld frames: sample %.1f %%, spectral %.1f %%\n", t.frames,
              pct(double(t.frameSampleJumps), double(t.frames)), pct(double(t.frameSpectralJumps), double(t.frames)));
  std::printf("missing diphones     %ld\n", t.missing);
  std::printf("real-time factor     ours %.0fx (%.1f s audio, %.3f s CPU), espeak-ng %.0fx (%.1f s, %.3f s)\n",
              t.audioOurs / std::max(t.cpuOurs, 1e-9), t.audioOurs, t.cpuOurs, t.audioEspeak / std::max(t.cpuEspeak, 1e-9),
              t.audioEspeak, t.cpuEspeak);
}

}  // namespace

int main(int argc, char** argv) {
  bool check = argc == 6 && std::string(argv[5]) == "--check";
  if (argc != 5 && !check) { std::fprintf(stderr, "usage: voice_quality VOICE PHONEME_SET SENTENCES OUT_DIR [--check]\n"); return 2; }
  if (init_MBR(argv[1]) < 0 || !readKinds(argv[2])) { std::fprintf(stderr, "voice_quality: cannot start the voice or read the phoneme set\n"); return 1; }
  setNoError_MBR(1);
  std::string error;
  if (!mbr::loadVoiceDb(argv[1], gVoice, error)) { std::fprintf(stderr, "voice_quality: %s\n", error.c_str()); return 1; }
  if (espeak_Initialize(AUDIO_OUTPUT_SYNCHRONOUS, 200, nullptr, 0) <= 0 || espeak_SetVoiceByName("pt-BR") != EE_OK) {
    std::fprintf(stderr, "voice_quality: espeak-ng's pt-BR voice is not available\n");
    return 1;
  }
  espeak_SetSynthCallback(countSamples);
  std::ifstream in(argv[3]);
  Totals t;
  int n = 0;
  for (std::string s; std::getline(in, s);)
    if (!s.empty()) measureSentence(s, ++n, argv[4], t);
  report(t, n);
  close_MBR();
  espeak_Terminate();
  // The gate for the tests: what must hold on any machine (the real-time
  // factor and the join figures depend on the machine or are reported only).
  bool ok = t.worstDurationError <= 0.01 && t.missing == 0 && t.unmapped == 0 && n == 50;
  return check && !ok ? 1 : 0;
}
