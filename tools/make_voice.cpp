// Builds the Brazilian Portuguese diphone voice from espeak-ng: one carrier
// per diphone, spoken monotone, cut at the phonemes' mid-points by the
// phoneme events, resampled to 16 kHz and pitch-marked.  Pairs that
// espeak-ng cannot say are spliced from two others.  Writes the voice
// database and the diphone list the engine reads.  Owns only its run.
//
//   make_voice PHONEME_SET VOICE_FILE DIPHONE_LIST
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "audio_features.h"
#include "espeak_source.h"
#include "pitch_track.h"
#include "voice_db.h"

namespace {

struct PhonemeDef {
  std::string name, espeak, kind;
};

struct Event {
  std::string name;
  int sample;
};

std::vector<short> gWave;
std::vector<Event> gEvents;
int gRate = 22050;
constexpr int kPad = 480;         // silence added around each carrier (16 kHz)
constexpr int kSilenceHalf = 320; // the silent half of a diphone with "_"
constexpr int kSplicedAllowed = 20;
// Periods the marker looks for (64 to 400 Hz).
constexpr int kMinPeriod = 40, kMaxPeriod = 250;

int collect(short* wav, int n, espeak_EVENT* e) {
  if (wav) gWave.insert(gWave.end(), wav, wav + n);
  for (; e && e->type != espeakEVENT_LIST_TERMINATED; ++e)
    if (e->type == espeakEVENT_PHONEME) gEvents.push_back({e->id.string, e->sample});
  return 0;
}

bool readPhonemeSet(const std::string& path, std::vector<PhonemeDef>& set) {
  std::ifstream in(path);
  std::string line;
  while (std::getline(in, line)) {
    if (line.empty() || line[0] == ';') continue;
    std::istringstream fields(line);
    PhonemeDef d;
    if (fields >> d.name >> d.espeak >> d.kind) set.push_back(d);
  }
  return !set.empty() && set[0].name == "_";
}

// The carrier's phonemes: a neutral neighbour on each side of the pair.
std::vector<const PhonemeDef*> carrier(const PhonemeDef& x, const PhonemeDef& y, const PhonemeDef& vowel,
                                       const PhonemeDef& consonant) {
  std::vector<const PhonemeDef*> seq;
  if (x.kind != "silence") seq.push_back(x.kind == "vowel" ? &consonant : &vowel);
  if (x.kind != "silence") seq.push_back(&x);
  if (y.kind != "silence") seq.push_back(&y);
  if (y.kind != "silence") seq.push_back(y.kind == "vowel" ? &consonant : &vowel);
  return seq;
}

void speak(const std::vector<const PhonemeDef*>& seq) {
  std::string text = "[[_:";
  for (const auto* p : seq) text += "|" + p->espeak;
  text += "|_:]]";
  gWave.clear();
  gEvents.clear();
  espeak_Synth(text.c_str(), text.size() + 1, 0, POS_CHARACTER, 0, espeakCHARS_UTF8 | espeakPHONEMES, nullptr, nullptr);
  espeak_Synchronize();
}

// Start and end samples (espeak rate) of each carrier phoneme, or false when
// the events do not name exactly the phonemes asked for.
bool phonemeSpans(const std::vector<const PhonemeDef*>& seq, std::vector<std::pair<int, int>>& spans) {
  std::vector<Event> ev;
  for (const auto& e : gEvents)
    if (e.name != ";") ev.push_back(e);
  spans.clear();
  size_t k = 0;
  for (size_t i = 0; i < ev.size() && k <= seq.size(); ++i) {
    if (ev[i].name[0] == '_') continue;
    if (k == seq.size() || ev[i].name != seq[k]->espeak) return false;
    int end = i + 1 < ev.size() ? ev[i + 1].sample : int(gWave.size());
    spans.emplace_back(ev[i].sample, end);
    ++k;
  }
  return k == seq.size();
}

std::vector<float> resampleTo16k(const std::vector<short>& x) {
  std::vector<float> y = feat::resample(x, gRate);
  y.insert(y.begin(), kPad, 0.0f);
  y.insert(y.end(), kPad, 0.0f);
  return y;
}

int to16k(int espeakSample) { return int(std::lround(double(espeakSample) * mbr::kVoiceRate / gRate)) + kPad; }

// Pitch marks of y[0..n): on the low-passed signal's peaks, one period
// apart, where the signal is periodic; every 5 ms elsewhere.
std::vector<uint32_t> pitchMarks(const std::vector<float>& y) {
  std::vector<float> lp = mbr::lowPass(y, 900, mbr::kVoiceRate);
  std::vector<uint32_t> marks;
  const int frame = 512;
  long t = 0, n = long(y.size());
  bool lastVoiced = false;
  while (t < n) {
    long from = std::clamp<long>(t - frame / 2, 0, std::max<long>(0, n - frame));
    double period = n >= frame ? mbr::framePeriod(lp.data() + from, frame, kMinPeriod, kMaxPeriod, 0.5) : 0;
    if (period <= 0) {
      marks.push_back(uint32_t(t));
      t += 80;
      lastVoiced = false;
      continue;
    }
    long lo = t, hi = std::min(n - 1, t + long(period * (lastVoiced ? 0.5 : 1.0)));
    long best = lo;
    for (long i = lo; i <= hi; ++i)
      if (lp[size_t(i)] > lp[size_t(best)]) best = i;
    marks.push_back(uint32_t(best) | mbr::kVoicedMark);
    lastVoiced = true;
    t = best + long(period * 0.75);
  }
  return marks;
}

}  // namespace

namespace {

// Appends the diphone (x, y): its samples, the right phoneme from
// `boundary` on, and their pitch marks.
void storeDiphone(mbr::VoiceDb& db, uint16_t xi, uint16_t yi, const std::vector<float>& piece, size_t boundary) {
  mbr::Diphone d;
  d.left = xi;
  d.right = yi;
  d.start = uint32_t(db.samples.size());
  d.count = uint32_t(piece.size());
  d.boundary = uint32_t(boundary);
  for (float v : piece) db.samples.push_back(int16_t(std::clamp(v, -32768.0f, 32767.0f)));
  std::vector<uint32_t> marks = pitchMarks(piece);
  d.markStart = uint32_t(db.marks.size());
  d.markCount = uint32_t(marks.size());
  db.marks.insert(db.marks.end(), marks.begin(), marks.end());
  db.diphones.push_back(d);
}

// Cuts the pair (x, y) out of its spoken carrier and appends it to db.
// Positions are in the 16 kHz signal; a silent side gets a fixed length.
bool addDiphone(mbr::VoiceDb& db, uint16_t xi, uint16_t yi, const std::vector<std::pair<int, int>>& spans,
                bool xSilent, bool ySilent) {
  std::vector<float> y = resampleTo16k(gWave);
  size_t xk = 1;  // the pair's place in the carrier
  int from, boundary, to;
  if (xSilent) {
    boundary = to16k(spans[0].first);
    from = boundary - kSilenceHalf;
    to = (boundary + to16k(spans[0].second)) / 2;
  } else {
    from = (to16k(spans[xk].first) + to16k(spans[xk].second)) / 2;
    boundary = to16k(spans[xk].second);
    to = ySilent ? boundary + kSilenceHalf : (boundary + to16k(spans[xk + 1].second)) / 2;
  }
  if (from < 0 || to > int(y.size()) || !(from < boundary && boundary < to)) return false;
  std::vector<float> piece(y.begin() + from, y.begin() + to);
  if (xSilent) std::fill(piece.begin(), piece.begin() + (boundary - from), 0.0f);
  if (ySilent) std::fill(piece.begin() + (boundary - from), piece.end(), 0.0f);
  storeDiphone(db, xi, yi, piece, size_t(boundary - from));
  return true;
}

// A pair espeak-ng will not say (it turns a final "l" before most
// consonants into the vowel's glide) is spliced at the phoneme boundary:
// x's half from (x, v) and y's half from (v, y), for the first vowel v that
// has both, each faded over 1 ms where they meet.
bool splicePair(mbr::VoiceDb& db, const std::vector<PhonemeDef>& set, uint16_t xi, uint16_t yi) {
  mbr::indexVoiceDb(db);
  for (uint16_t vi = 0; vi < set.size(); ++vi) {
    if (set[vi].kind != "vowel") continue;
    const mbr::Diphone *a = mbr::findDiphone(db, xi, vi), *b = mbr::findDiphone(db, vi, yi);
    if (!a || !b) continue;
    std::vector<float> piece(db.samples.begin() + a->start, db.samples.begin() + a->start + a->boundary);
    size_t boundary = piece.size();
    piece.insert(piece.end(), db.samples.begin() + b->start + b->boundary, db.samples.begin() + b->start + b->count);
    for (size_t i = 0; i < 16 && i < boundary && boundary + i < piece.size(); ++i) {
      float g = float(i) / 16;
      piece[boundary - 1 - i] *= g;
      piece[boundary + i] *= g;
    }
    storeDiphone(db, xi, yi, piece, boundary);
    return true;
  }
  return false;
}

// Tries a few neutral neighbours until espeak says exactly the carrier.
bool buildPair(mbr::VoiceDb& db, const std::vector<PhonemeDef>& set, uint16_t xi, uint16_t yi) {
  const char* vowels[] = {"a", "e", "o"};
  const char* consonants[] = {"t", "p", "k"};
  const PhonemeDef &x = set[xi], &y = set[yi];
  for (int attempt = 0; attempt < 3; ++attempt) {
    PhonemeDef v{"", vowels[attempt], "vowel"}, c{"", consonants[attempt], "consonant"};
    auto seq = carrier(x, y, v, c);
    speak(seq);
    std::vector<std::pair<int, int>> spans;
    if (phonemeSpans(seq, spans) && addDiphone(db, xi, yi, spans, x.kind == "silence", y.kind == "silence"))
      return true;
  }
  return false;
}

double edgeRms(const mbr::VoiceDb& db, const mbr::Diphone& d, bool atStart) {
  uint32_t n = std::min<uint32_t>(160, d.count / 4), from = atStart ? d.start : d.start + d.count - n;
  double sum = 0;
  for (uint32_t i = from; i < from + n; ++i) sum += double(db.samples[i]) * db.samples[i];
  return n ? std::sqrt(sum / n) : 0;
}

// Levels each phoneme at the cuts: a diphone's ends are brought to the
// phoneme's median level there by a gain that runs linearly across it, so
// neighbouring diphones from different carriers meet at the same loudness.
void levelJoins(mbr::VoiceDb& db) {
  std::vector<std::vector<double>> levels(db.phonemes.size());
  for (const auto& d : db.diphones) {
    levels[d.left].push_back(edgeRms(db, d, true));
    levels[d.right].push_back(edgeRms(db, d, false));
  }
  std::vector<double> target(db.phonemes.size());
  for (size_t p = 0; p < levels.size(); ++p) target[p] = feat::median(levels[p]);
  for (const auto& d : db.diphones) {
    double a = edgeRms(db, d, true), b = edgeRms(db, d, false);
    double ga = a > 50 ? std::clamp(target[d.left] / a, 0.5, 2.0) : 1.0;
    double gb = b > 50 ? std::clamp(target[d.right] / b, 0.5, 2.0) : 1.0;
    for (uint32_t i = 0; i < d.count; ++i) {
      double g = ga + (gb - ga) * i / std::max<uint32_t>(1, d.count - 1);
      auto& s = db.samples[d.start + i];
      s = int16_t(std::clamp(s * g, -32768.0, 32767.0));
    }
  }
}

float medianPitch(const mbr::VoiceDb& db) {
  std::vector<uint32_t> periods;
  for (const auto& d : db.diphones)
    for (uint32_t i = d.markStart + 1; i < d.markStart + d.markCount; ++i)
      if ((db.marks[i] & db.marks[i - 1] & mbr::kVoicedMark) != 0)
        periods.push_back((db.marks[i] & ~mbr::kVoicedMark) - (db.marks[i - 1] & ~mbr::kVoicedMark));
  if (periods.empty()) return 120;
  std::nth_element(periods.begin(), periods.begin() + long(periods.size() / 2), periods.end());
  return float(mbr::kVoiceRate) / float(periods[periods.size() / 2]);
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 4) {
    std::fprintf(stderr, "usage: make_voice PHONEME_SET VOICE_FILE DIPHONE_LIST\n");
    return 2;
  }
  std::vector<PhonemeDef> set;
  if (!readPhonemeSet(argv[1], set)) {
    std::fprintf(stderr, "make_voice: cannot read the phoneme set %s\n", argv[1]);
    return 1;
  }
  gRate = source::startEspeak(espeakINITIALIZE_PHONEME_EVENTS);
  if (gRate <= 0) {
    std::fprintf(stderr, "make_voice: espeak-ng's voice %s is not available\n", source::kVoice);
    return 1;
  }
  espeak_SetSynthCallback(collect);
  espeak_SetParameter(espeakRANGE, 0, 0);
  espeak_SetParameter(espeakRATE, 140, 0);
  mbr::VoiceDb db;
  for (const auto& p : set) db.phonemes.push_back(p.name);
  std::vector<std::pair<uint16_t, uint16_t>> unsaid;
  for (uint16_t xi = 0; xi < set.size(); ++xi)
    for (uint16_t yi = 0; yi < set.size(); ++yi)
      if ((xi || yi) && !buildPair(db, set, xi, yi)) unsaid.emplace_back(xi, yi);
  int missing = 0;
  for (auto [xi, yi] : unsaid)
    if (!splicePair(db, set, xi, yi)) {
      ++missing;
      std::fprintf(stderr, "make_voice: no diphone %s-%s\n", set[xi].name.c_str(), set[yi].name.c_str());
    }
  espeak_Terminate();
  levelJoins(db);
  db.meanPitch = medianPitch(db);
  std::ofstream list(argv[3], std::ios::trunc);
  list << "; diphones of the voice, made by make_voice\n_-_\n";
  for (const auto& d : db.diphones) list << set[d.left].name << "-" << set[d.right].name << "\n";
  if (!mbr::saveVoiceDb(argv[2], db) || !list.flush()) {
    std::fprintf(stderr, "make_voice: cannot write %s or %s\n", argv[2], argv[3]);
    return 1;
  }
  std::printf("make_voice: %zu diphones (%zu spliced), %d missing, %zu samples, mean pitch %.0f Hz\n",
              db.diphones.size(), unsaid.size() - size_t(missing), missing, db.samples.size(), db.meanPitch);
  // The pairs spliced are those of a final "l"; many more means espeak-ng
  // changed under us.
  return missing == 0 && unsaid.size() <= kSplicedAllowed ? 0 : 1;
}
