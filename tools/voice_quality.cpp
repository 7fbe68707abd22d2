// voice_quality VOICE PHONEME_SET SENTENCES OUT_DIR [--check]: measures the
// voice on a fixed set of sentences.  Each sentence is transcribed by a
// simple mapping of espeak-ng's phonemes onto ours, given plain durations
// and a falling pitch line around the voice's own pitch, written as
// OUT_DIR/NN.pho and spoken through the library.  Measured: duration
// against the sum asked; f0 of voiced frames against the interpolated
// targets; level, spectral and waveform steps at the diphone joins against
// the same signal's frame-to-frame changes (and, for comparison, the same
// measures at the phoneme mid-points of espeak-ng's own speech); missing
// diphones; whether each sentence is nearer to espeak-ng saying it than to
// espeak-ng saying any other sentence; and the real-time factor next to
// espeak-ng's for the same text.  --check fails the run when a duration is
// off by more than 1 %, a diphone is missing (from the sentences or from
// the whole phoneme set), f0 is right in fewer than 95 % of the voiced
// frames, a sentence is not recognised, or the joins jump more often than
// espeak-ng's own speech does at its phoneme mid-points (25 % allowed);
// VOICE_QUALITY_F0=1 lists the frames whose f0 misses its target.
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "audio_features.h"
#include "contour.h"
#include "espeak_source.h"
#include "mbrola.h"
#include "phone_line.h"
#include "pitch_track.h"
#include "voice_db.h"

namespace {

// How often a measure exceeds 1.5 times its median over ordinary frames.
struct Jumps {
  long level = 0, spectral = 0, waveform = 0, count = 0;
};

struct Totals {
  double askedMs = 0, gotMs = 0, worstDurationError = 0;
  long f0Frames = 0, f0Good = 0, missing = 0, unmapped = 0;
  Jumps joins, frames, espeakMids;
  double cpuOurs = 0, cpuEspeak = 0, audioOurs = 0, audioEspeak = 0;
};

std::map<std::string, std::string> gKind;  // our phoneme -> kind
mbr::VoiceDb gVoice;
int gFile = 0;  // the sentence being measured
int gEspeakRate = 22050;
// A frame counts as voiced when its low-passed autocorrelation peak reaches this.
constexpr double kVoicedCorrelation = 0.8;
// Joins and frames count only with sound on both sides (RMS above 100).
constexpr double kLoudDb = 40;
std::vector<short> gEspeakWave;
std::vector<long> gEspeakPhones;  // phoneme starts in espeak-ng's samples, pauses as -1

int collectEspeak(short* wav, int n, espeak_EVENT* e) {
  if (wav) gEspeakWave.insert(gEspeakWave.end(), wav, wav + n);
  for (; e && e->type != espeakEVENT_LIST_TERMINATED; ++e)
    if (e->type == espeakEVENT_PHONEME) gEspeakPhones.push_back(e->id.string[0] == '_' ? -1 : e->sample);
  return 0;
}

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
    if (p.size() == 3) out.push_back(p[1] == 'I' ? "yn" : "wn");
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

bool isNasalVowel(const std::string& name) { return name.size() == 2 && name[1] == 'n' && gKind[name] == "vowel"; }

// A nasal coda ("N") makes the vowel before it nasal, and its glide too.
void nasalize(std::vector<Planned>& out) {
  static const std::map<std::string, std::string> nz = {{"a", "an"}, {"a2", "an"}, {"e", "en"}, {"i", "in"}, {"o", "on"}, {"u", "un"}};
  size_t v = out.size();
  if (v && gKind[out[v - 1].name] == "glide") --v;  // "eI N": the e is nasal
  if (v && nz.count(out[v - 1].name)) out[v - 1].name = nz.at(out[v - 1].name);
}

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
        if (p == "N") { nasalize(out); continue; }
        auto mapped = mapPhoneme(p, i + 1 == parts.size());
        if (mapped.empty() && !p.empty() && p != "@-") { ++t.unmapped; std::fprintf(stderr, "not mapped: %s\n", p.c_str()); }
        for (auto& m : mapped) out.push_back({m, stressed && gKind[m] == "vowel"});
      }
    }
  }
  for (size_t i = 0; i < out.size(); ++i) {
    auto& name = out[i].name;
    // A Brazilian "l" before a consonant or at the end is a "w".
    if (name == "l" && (i + 1 == out.size() || gKind[out[i + 1].name] == "consonant")) name = "w";
    // A glide or final i after a nasal vowel is nasal ("mãe", "põe", "bem").
    bool afterNasal = i > 0 && isNasalVowel(out[i - 1].name);
    if (afterNasal && (name == "y" || name == "i2")) name = "yn";
    if (afterNasal && name == "w") name = "wn";
  }
  return out;
}

std::vector<std::string> phoLines(const std::vector<Planned>& phones) {
  std::vector<std::string> lines{"_ 150"};
  double base = gVoice.meanPitch;
  for (size_t i = 0; i < phones.size(); ++i) {
    const auto& p = phones[i];
    std::string kind = gKind[p.name];
    int ms = kind == "vowel" ? (p.stressed ? 150 : 90) : kind == "glide" ? 60 : 75;
    std::string line = p.name + " " + std::to_string(ms);
    if (kind == "vowel") {
      int hz = int(base * (1.15 - 0.3 * double(i) / double(phones.size()) + (p.stressed ? 0.12 : 0)));
      line += " 50 " + std::to_string(hz);
    }
    lines.push_back(line);
  }
  lines.push_back("_ 150");
  return lines;
}

// The three changes across the point `at` (10 ms before against 10 ms after).
struct Change {
  double level, spectral, waveform;
};

double largestStep(const std::vector<float>& x, long from, long to) {
  double m = 0;
  for (long i = std::max(1L, from); i < to && i < long(x.size()); ++i) m = std::max(m, double(std::fabs(x[size_t(i)] - x[size_t(i - 1)])));
  return m;
}

bool loudAround(const std::vector<float>& x, long at) {
  return feat::levelDb(x, at - 160, 160) > kLoudDb && feat::levelDb(x, at, 160) > kLoudDb;
}

Change changeAt(const std::vector<float>& x, long at) {
  Change c;
  c.level = std::fabs(feat::levelDb(x, at - 160, 160) - feat::levelDb(x, at, 160));
  c.spectral = feat::cepstralDistance(feat::cepstrumAt(x, at - 80), feat::cepstrumAt(x, at + 80), false);
  // A click stands out of its own surroundings: the largest sample step
  // within 1 ms of the point against the largest in the 10 ms around it.
  double near = largestStep(x, at - 16, at + 16);
  double around = std::max(largestStep(x, at - 176, at - 16), largestStep(x, at + 16, at + 176));
  c.waveform = around > 0 ? near / around : 0;
  return c;
}

// Counts the points whose changes exceed 1.5 times the medians of `frames`.
void countJumps(const std::vector<Change>& frames, const std::vector<Change>& points, Jumps& j) {
  std::vector<double> l, s, w;
  for (const auto& c : frames) { l.push_back(c.level); s.push_back(c.spectral); w.push_back(c.waveform); }
  double ml = 1.5 * feat::median(l), ms = 1.5 * feat::median(s), mw = 1.5 * feat::median(w);
  for (const auto& c : points) {
    ++j.count;
    j.level += c.level > ml;
    j.spectral += c.spectral > ms;
    j.waveform += c.waveform > mw;
  }
}

std::vector<Change> changesAt(const std::vector<float>& x, const std::vector<long>& points) {
  std::vector<Change> out;
  for (long at : points)
    if (at >= 176 && at + 176 < long(x.size()) && loudAround(x, at)) out.push_back(changeAt(x, at));
  return out;
}

std::vector<long> everyFrame(const std::vector<float>& x) {
  std::vector<long> at;
  for (long t = 160; t + 160 < long(x.size()); t += 160) at.push_back(t);
  return at;
}

// The pitch a frame should show: the contour over the frame weighted by the
// signal's energy, as the frame's autocorrelation weights it (at the end of
// a vowel the loud part of the frame is earlier, on another pitch).
double frameTarget(const mbr::Contour& contour, const std::vector<float>& x, size_t at, size_t n) {
  double sum = 0, weight = 0;
  for (size_t i = at; i < at + n; i += 16) {
    double e = double(x[i]) * x[i];
    sum += e * mbr::pitchAt(contour, double(i), gVoice.meanPitch);
    weight += e;
  }
  return weight > 0 ? sum / weight : mbr::pitchAt(contour, double(at + n / 2), gVoice.meanPitch);
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
    double period = mbr::framePeriod(lp.data() + at, 512, 32, 250, kVoicedCorrelation);
    if (period <= 0) continue;
    double target = frameTarget(contour, x, at, 512), got = 16000 / period;
    ++t.f0Frames;
    if (std::fabs(got - target) <= 0.05 * target) ++t.f0Good;
    else if (std::getenv("VOICE_QUALITY_F0")) std::fprintf(stderr, "f0 %d %zu got %.0f want %.0f\n", gFile, at + 256, got, target);
  }
}

std::vector<float> speakLines(const std::vector<std::string>& lines, Totals& t) {
  static short block[64000];
  double c0 = cpuSeconds();
  std::vector<short> all;
  reset_MBR();
  // As the engine calls: each line written and the audio read, the flush
  // after the last.
  for (size_t i = 0; i < lines.size(); ++i) {
    write_MBR((lines[i] + "\r\n").c_str());
    if (i + 1 == lines.size()) flush_MBR();
    while (int n = read_MBR(block, 64000)) all.insert(all.end(), block, block + n);
  }
  t.cpuOurs += cpuSeconds() - c0;
  return std::vector<float>(all.begin(), all.end());
}

// Every pair of the phoneme set but silence-silence must be in the voice.
long missingFromSet() {
  long missing = 0;
  for (const auto& [x, kx] : gKind)
    for (const auto& [y, ky] : gKind)
      if (x != "_" || y != "_") missing += !mbr::findDiphone(gVoice, mbr::findPhoneme(gVoice, x), mbr::findPhoneme(gVoice, y));
  return missing;
}

void countMissing(const std::vector<std::string>& lines, Totals& t) {
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
}

// espeak-ng says the sentence: timed for its real-time factor, kept at
// 16 kHz as the reference, its phoneme mid-points measured like our joins.
std::vector<float> espeakReference(const std::string& sentence, Totals& t) {
  gEspeakWave.clear();
  gEspeakPhones.clear();
  double c0 = cpuSeconds();
  espeak_Synth(sentence.c_str(), sentence.size() + 1, 0, POS_CHARACTER, 0, espeakCHARS_UTF8, nullptr, nullptr);
  espeak_Synchronize();
  t.cpuEspeak += cpuSeconds() - c0;
  t.audioEspeak += double(gEspeakWave.size()) / gEspeakRate;
  std::vector<float> ref = feat::resample(gEspeakWave, gEspeakRate);
  std::vector<long> mids;
  for (size_t i = 0; i + 1 < gEspeakPhones.size(); ++i)
    if (gEspeakPhones[i] >= 0 && gEspeakPhones[i + 1] >= 0)
      mids.push_back(std::lround(double(gEspeakPhones[i] + gEspeakPhones[i + 1]) / 2 * feat::kRate / gEspeakRate));
  countJumps(changesAt(ref, everyFrame(ref)), changesAt(ref, mids), t.espeakMids);
  return ref;
}

struct Sentence {
  std::vector<feat::Cepstrum> ours, espeak;
};

Sentence measureSentence(const std::string& sentence, int number, const std::string& outDir, Totals& t) {
  gFile = number;
  auto lines = phoLines(transcribe(sentence, t));
  char name[32];
  std::snprintf(name, sizeof name, "/%02d.pho", number);
  std::ofstream pho(outDir + name);
  pho << "; " << sentence << "\n";
  double asked = 0;
  std::vector<long> joins;
  for (const auto& l : lines) {
    pho << l << "\n";
    mbr::Phone p;
    mbr::parsePhoneLine(l, p);
    joins.push_back(std::lround((asked + p.durationMs / 2) * 16));
    asked += p.durationMs;
  }
  countMissing(lines, t);
  auto x = speakLines(lines, t);
  double got = double(x.size()) / 16;
  t.askedMs += asked;
  t.gotMs += got;
  t.audioOurs += got / 1000;
  t.worstDurationError = std::max(t.worstDurationError, std::fabs(got - asked) / asked);
  measurePitch(x, lines, t);
  auto frames = changesAt(x, everyFrame(x));
  countJumps(frames, frames, t.frames);
  countJumps(frames, changesAt(x, joins), t.joins);
  return {feat::cepstra(x, 160), feat::cepstra(espeakReference(sentence, t), 160)};
}

// Each sentence of ours against espeak-ng's rendering of every sentence:
// how many are nearest to their own, and how much nearer on average.
void recognise(const std::vector<Sentence>& s, long& recognised, double& ratio) {
  recognised = 0;
  double own = 0, others = 0;
  for (size_t i = 0; i < s.size(); ++i) {
    double mine = feat::warpDistance(s[i].ours, s[i].espeak), best = 1e300, sum = 0;
    for (size_t j = 0; j < s.size(); ++j) {
      if (j == i) continue;
      double d = feat::warpDistance(s[i].ours, s[j].espeak);
      best = std::min(best, d);
      sum += d;
    }
    recognised += mine < best;
    own += mine;
    others += sum / double(s.size() - 1);
  }
  ratio = others > 0 ? own / others : 0;
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

double pct(double a, double b) { return b > 0 ? 100.0 * a / b : 0.0; }

void reportJumps(const char* what, const Jumps& j) {
  std::printf("  %-26s %6ld: level %5.1f %%, spectral %5.1f %%, waveform %5.1f %%\n", what, j.count,
              pct(double(j.level), double(j.count)), pct(double(j.spectral), double(j.count)),
              pct(double(j.waveform), double(j.count)));
}

void report(const Totals& t, int sentences, long recognised, double ratio) {
  std::printf("sentences            %d (phonemes not mapped: %ld), voice pitch %.0f Hz\n", sentences, t.unmapped, gVoice.meanPitch);
  std::printf("duration             asked %.0f ms, got %.0f ms, worst file %.3f %%\n", t.askedMs, t.gotMs, 100 * t.worstDurationError);
  std::printf("f0 within 5 %%        %.1f %% of %ld voiced frames\n", pct(double(t.f0Good), double(t.f0Frames)), t.f0Frames);
  std::printf("changes above 1.5x the signal's median frame-to-frame change:\n");
  reportJumps("at our diphone joins", t.joins);
  reportJumps("at all our frames", t.frames);
  reportJumps("at espeak-ng's mid-phonemes", t.espeakMids);
  std::printf("missing diphones     %ld in the sentences, %ld of the %zu pairs of the phoneme set\n", t.missing,
              missingFromSet(), gKind.size() * gKind.size() - 1);
  std::printf("recognised           %ld of %d sentences nearest to espeak-ng's own (distance ratio %.2f)\n", recognised,
              sentences, ratio);
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
  gEspeakRate = source::startEspeak(espeakINITIALIZE_PHONEME_EVENTS);
  if (gEspeakRate <= 0) {
    std::fprintf(stderr, "voice_quality: espeak-ng's voice %s is not available\n", source::kVoice);
    return 1;
  }
  espeak_SetSynthCallback(collectEspeak);
  std::ifstream in(argv[3]);
  Totals t;
  std::vector<Sentence> said;
  for (std::string s; std::getline(in, s);)
    if (!s.empty()) said.push_back(measureSentence(s, int(said.size()) + 1, argv[4], t));
  long recognised = 0;
  double ratio = 0;
  recognise(said, recognised, ratio);
  int n = int(said.size());
  report(t, n, recognised, ratio);
  close_MBR();
  espeak_Terminate();
  // The gate for the tests: what must hold on any machine (the real-time
  // factor and the join figures depend on the machine or are reported only).
  auto smooth = [&](long ours, long espeak) {
    return double(ours) / double(t.joins.count) <= 1.25 * double(espeak) / double(t.espeakMids.count);
  };
  bool ok = t.worstDurationError <= 0.01 && t.missing == 0 && missingFromSet() == 0 && t.unmapped == 0 && n == 50 &&
            t.f0Good >= 0.95 * double(t.f0Frames) && recognised == n && t.joins.count > 0 &&
            smooth(t.joins.level, t.espeakMids.level) && smooth(t.joins.spectral, t.espeakMids.spectral) &&
            smooth(t.joins.waveform, t.espeakMids.waveform);
  return check && !ok ? 1 : 0;
}
