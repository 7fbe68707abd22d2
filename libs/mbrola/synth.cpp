// Phones to diphones.  A phone's duration is shared equally between the
// diphone that enters it and the one that leaves it, and a diphone is laid
// down only when the phone after it is known (its frames blend with that
// diphone's) and the pitch line over it is known (up to a dozen phones wait
// for the next pitch point).  The last phones are therefore held until more
// arrive or a flush comes.  Silence halves are true silence.  Memory grows
// only with the phones held and the audio not yet read.
#include "synth.h"

#include <cmath>
#include <deque>
#include <optional>

#include "contour.h"
#include "psola.h"

namespace mbr {

namespace {

struct Held {
  int id;        // -1 when the voice lacks the phoneme
  bool silent;
  double start, length;  // output samples
};

VoiceDb gVoice;
bool gOpen = false;
Ola gOla;
Contour gContour;
std::deque<Held> gHeld;
double gTime = 0;
std::deque<float> gOut;
std::optional<Held> gLaidBefore;  // the phone before gHeld[0], for blending

Held silenceAt(double time) { return {findPhoneme(gVoice, "_"), true, time, 0}; }

void restart(double time) {
  gHeld.assign(1, silenceAt(time));
  gLaidBefore.reset();
  gContour.clear();
  gOla = Ola();
  gOla.accStart = std::llround(time);
  gOla.nextMark = time;
  gTime = time;
}

void finalUpTo(int64_t upto) {
  std::vector<float> done;
  takeFinal(gOla, upto, done);
  gOut.insert(gOut.end(), done.begin(), done.end());
}

// A diphone is laid once the contour over it is known: a point at or after
// the middle of its right phone (phones without points lie on the line
// between their neighbours' points), or when too many phones wait.
constexpr size_t kMaxHeld = 12;

bool pitchKnownThrough(const Held& h) {
  return !gContour.empty() && gContour.back().time >= h.start + h.length / 2;
}

void layPair(const Held& a, const Held& b, const Held* before, const Held* after) {
  Placement at;
  at.from = std::llround(a.start + a.length / 2);
  at.mid = std::llround(b.start);
  at.to = std::llround(b.start + b.length / 2);
  at.placeFrom = a.silent ? at.mid : at.from;
  at.placeTo = b.silent ? at.mid : at.to;
  dropPointsBefore(gContour, double(at.from));
  const Diphone* prev = before && !a.silent ? findDiphone(gVoice, before->id, a.id) : nullptr;
  const Diphone* next = after && !b.silent ? findDiphone(gVoice, b.id, after->id) : nullptr;
  placeDiphone(gVoice, findDiphone(gVoice, a.id, b.id), at, gContour, gOla, prev, next);
  finalUpTo(std::min<int64_t>(at.to, int64_t(gOla.nextMark) - kMaxHalfWindow));
}

}  // namespace

void synthOpen(VoiceDb&& db) {
  gVoice = std::move(db);
  gOpen = true;
  synthReset();
}

void synthClose() {
  gVoice = VoiceDb();
  gOpen = false;
  synthReset();
}

bool synthIsOpen() { return gOpen; }
const VoiceDb& synthVoice() { return gVoice; }

bool synthPhone(const Phone& phone, std::string& what) {
  Held h{findPhoneme(gVoice, phone.name), phone.name == "_", gTime, phone.durationMs * kVoiceRate / 1000.0};
  const Held& before = gHeld.back();
  bool known = true;
  if (h.id < 0 && !h.silent) {
    known = false;
    what = "unknown phoneme " + phone.name;
  } else if (!(h.silent && before.silent) && before.id >= 0 && !findDiphone(gVoice, before.id, h.id)) {
    known = false;
    what = "unknown diphone " + gVoice.phonemes[before.id] + "-" + phone.name;
  }
  addPhonePoints(gContour, h.start, h.length, phone.points);
  gTime += h.length;
  gHeld.push_back(h);
  while (gHeld.size() >= 3 && (pitchKnownThrough(gHeld[1]) || gHeld.size() > kMaxHeld)) {
    layPair(gHeld[0], gHeld[1], gLaidBefore ? &*gLaidBefore : nullptr, &gHeld[2]);
    gLaidBefore = gHeld.front();
    gHeld.pop_front();
  }
  return known;
}

void synthFlush() {
  if (gHeld.size() < 2) return;
  gHeld.push_back(silenceAt(gTime));
  for (size_t i = 0; i + 1 < gHeld.size(); ++i) {
    const Held* before = i ? &gHeld[i - 1] : gLaidBefore ? &*gLaidBefore : nullptr;
    layPair(gHeld[i], gHeld[i + 1], before, i + 2 < gHeld.size() ? &gHeld[i + 2] : nullptr);
  }
  finalUpTo(std::llround(gTime));
  restart(gTime);
}

void synthReset() {
  gOut.clear();
  restart(0);
}

size_t synthRead(float* out, size_t max) {
  size_t n = std::min(max, gOut.size());
  std::copy(gOut.begin(), gOut.begin() + std::ptrdiff_t(n), out);
  gOut.erase(gOut.begin(), gOut.begin() + std::ptrdiff_t(n));
  return n;
}

}  // namespace mbr
