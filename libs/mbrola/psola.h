// Time-domain pitch-synchronous overlap-add: one diphone of the database is
// laid onto the output time line with the lengths and pitch asked for.  The
// output accumulator belongs to the caller; nothing here is process-wide.
#pragma once

#include <cstdint>
#include <deque>
#include <vector>

#include "contour.h"
#include "voice_db.h"

namespace mbr {

// Half a window never exceeds this (20 ms), so output more than this before
// the next synthesis mark is final.
constexpr int kMaxHalfWindow = 320;

struct Ola {
  std::deque<float> acc;  // acc[0] is output sample accStart
  int64_t accStart = 0;
  double nextMark = 0;    // output time of the next synthesis mark
};

// Where a diphone goes: output samples [from, to), its boundary at `mid`;
// synthesis marks are placed only in [placeFrom, placeTo) (a silent half of
// the pair gets none).
struct Placement {
  int64_t from, mid, to, placeFrom, placeTo;
};

// Lays `d` (may be null: nothing but room) onto the accumulator.  Near its
// two ends the frames are blended with the neighbouring diphones' (when
// given), so that two carriers' versions of a phoneme meet gradually.
void placeDiphone(const VoiceDb& db, const Diphone* d, const Placement& at,
                  const Contour& contour, Ola& ola,
                  const Diphone* before = nullptr, const Diphone* after = nullptr);

// Moves output before `upto` from the accumulator to `out`.
void takeFinal(Ola& ola, int64_t upto, std::vector<float>& out);

}  // namespace mbr
