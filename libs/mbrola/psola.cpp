// The overlap-add itself.  Each synthesis mark takes the analysis mark
// nearest to its place in the diphone and adds that two-period frame under
// an asymmetric Hann window.  Voiced frames are respaced to the contour's
// period and scaled so that the power stays the same at any pitch; voiceless
// frames keep their own spacing.
#include "psola.h"

#include <algorithm>
#include <cmath>

namespace mbr {

namespace {

struct Frame {
  uint32_t centre;     // within the diphone
  int left, right;     // half-window lengths
  bool voiced;
};

int clampPeriod(int64_t p) { return int(std::clamp<int64_t>(p, 16, kMaxHalfWindow)); }

Frame frameAt(const VoiceDb& db, const Diphone& d, double analysisTime) {
  const uint32_t* marks = db.marks.data() + d.markStart;
  auto pos = [&](uint32_t i) { return int64_t(marks[i] & ~kVoicedMark); };
  uint32_t lo = 0, hi = d.markCount;
  while (lo < hi) {
    uint32_t m = (lo + hi) / 2;
    if (pos(m) < analysisTime) lo = m + 1; else hi = m;
  }
  uint32_t i = lo == d.markCount ? lo - 1 : lo;
  if (lo > 0 && lo < d.markCount && analysisTime - pos(lo - 1) < pos(lo) - analysisTime) i = lo - 1;
  int64_t prev = i > 0 ? pos(i) - pos(i - 1) : -1;
  int64_t next = i + 1 < d.markCount ? pos(i + 1) - pos(i) : -1;
  if (prev < 0) prev = next < 0 ? 160 : next;
  if (next < 0) next = prev;
  return {uint32_t(pos(i)), clampPeriod(prev), clampPeriod(next), (marks[i] & kVoicedMark) != 0};
}

// Output time to diphone time: each half is stretched on its own.
double analysisTime(const Diphone& d, const Placement& at, double t) {
  if (t < at.mid) return at.mid == at.from ? 0 : (t - at.from) / double(at.mid - at.from) * d.boundary;
  if (at.to == at.mid) return d.boundary;
  return d.boundary + (t - at.mid) / double(at.to - at.mid) * (d.count - d.boundary);
}

void growTo(Ola& ola, int64_t end) {
  int64_t have = ola.accStart + int64_t(ola.acc.size());
  if (end > have) ola.acc.resize(size_t(end - ola.accStart), 0.0f);
}

void addFrame(const VoiceDb& db, const Diphone& d, const Frame& f, int64_t centre, float gain, Ola& ola) {
  growTo(ola, centre + f.right + 1);
  const int16_t* x = db.samples.data() + d.start;
  for (int j = -f.left; j <= f.right; ++j) {
    int64_t src = int64_t(f.centre) + j, dst = centre + j;
    if (src < 0 || src >= int64_t(d.count) || dst < ola.accStart) continue;
    int half = j < 0 ? f.left : f.right;
    float w = 0.5f + 0.5f * std::cos(float(M_PI) * float(j) / float(half));
    ola.acc[size_t(dst - ola.accStart)] += gain * w * float(x[src]);
  }
}

}  // namespace

namespace {

constexpr int64_t kBlend = 160;  // 10 ms each side of a join

// The neighbour's share of the frame at t: 1/2 at the join, 0 from kBlend
// (or half the phoneme's half) away.
double neighbourShare(double t, int64_t join, int64_t length) {
  double reach = double(std::min<int64_t>(kBlend, length / 2));
  double d = std::fabs(t - double(join));
  return reach <= 0 || d >= reach ? 0 : 0.5 * (1 - d / reach);
}

}  // namespace

void placeDiphone(const VoiceDb& db, const Diphone* d, const Placement& at,
                  const Contour& contour, Ola& ola, const Diphone* before, const Diphone* after) {
  growTo(ola, at.to);
  if (ola.nextMark < at.placeFrom) ola.nextMark = double(at.placeFrom);
  if (!d || d->markCount == 0) return;
  while (ola.nextMark < at.placeTo) {
    Frame f = frameAt(db, *d, analysisTime(*d, at, ola.nextMark));
    double analysisPeriod = (f.left + f.right) / 2.0, period = analysisPeriod;
    float gain = 1.0f;
    if (f.voiced) {
      // The period to the next mark follows the pitch halfway along it.
      double hz = pitchAt(contour, ola.nextMark, db.meanPitch);
      hz = pitchAt(contour, ola.nextMark + kVoiceRate / hz / 2, db.meanPitch);
      period = std::clamp(kVoiceRate / hz, 16.0, 400.0);
      gain = float(std::clamp(std::sqrt(period / analysisPeriod), 0.5, 2.0));
    }
    const Diphone* other = nullptr;
    double share = 0;
    if (before && before->markCount && ola.nextMark < at.mid) {
      share = neighbourShare(ola.nextMark, at.from, at.mid - at.from);
      other = before;
    } else if (after && after->markCount && ola.nextMark >= at.mid) {
      share = neighbourShare(ola.nextMark, at.to, at.to - at.mid);
      other = after;
    }
    int64_t centre = std::llround(ola.nextMark);
    auto add = [&](const Diphone& src, Frame fr, float g) {
      if (fr.voiced) {
        // Raising the pitch: a window longer than the new period would bring
        // in the neighbouring pulses as echoes.
        fr.left = std::min(fr.left, int(period));
        fr.right = std::min(fr.right, int(period));
      }
      addFrame(db, src, fr, centre, g, ola);
    };
    add(*d, f, gain * float(1 - share));
    if (share > 0) add(*other, frameAt(db, *other, other == before ? double(other->count) : 0.0), gain * float(share));
    ola.nextMark += period;
  }
}

void takeFinal(Ola& ola, int64_t upto, std::vector<float>& out) {
  while (ola.accStart < upto && !ola.acc.empty()) {
    out.push_back(ola.acc.front());
    ola.acc.pop_front();
    ++ola.accStart;
  }
  if (ola.acc.empty() && ola.accStart < upto) {
    out.insert(out.end(), size_t(upto - ola.accStart), 0.0f);
    ola.accStart = upto;
  }
}

}  // namespace mbr
