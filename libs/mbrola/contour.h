// The pitch contour over output time: points placed by the phonemes and a
// linear path between them; before the first and after the last point the
// contour stays level.  Owns nothing process-wide.
#pragma once

#include <deque>

namespace mbr {

struct PitchPoint {
  double time;  // output sample index
  double hz;
};

using Contour = std::deque<PitchPoint>;

// Adds a phone's (percent, Hz) points; the phone starts at `start` and lasts
// `length` samples.  Points must come in time order; one earlier than the
// last point is moved up to it.
template <typename Points>
void addPhonePoints(Contour& contour, double start, double length, const Points& points) {
  for (const auto& [percent, hz] : points) {
    double t = start + length * percent / 100.0;
    if (!contour.empty() && t < contour.back().time) t = contour.back().time;
    contour.push_back({t, hz});
  }
}

double pitchAt(const Contour& contour, double time, double fallbackHz);

// Drops points no longer needed for times from `time` on (one is kept
// before it so the line into it stays).
void dropPointsBefore(Contour& contour, double time);

}  // namespace mbr
