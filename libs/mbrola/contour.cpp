// Linear pitch interpolation.
#include "contour.h"

#include <algorithm>

namespace mbr {

double pitchAt(const Contour& contour, double time, double fallbackHz) {
  if (contour.empty()) return fallbackHz;
  auto after = std::upper_bound(contour.begin(), contour.end(), time,
                                [](double t, const PitchPoint& p) { return t < p.time; });
  if (after == contour.begin()) return after->hz;
  auto before = after - 1;
  if (after == contour.end() || after->time <= before->time) return before->hz;
  double f = (time - before->time) / (after->time - before->time);
  return before->hz + f * (after->hz - before->hz);
}

void dropPointsBefore(Contour& contour, double time) {
  while (contour.size() >= 2 && contour[1].time <= time) contour.pop_front();
}

}  // namespace mbr
