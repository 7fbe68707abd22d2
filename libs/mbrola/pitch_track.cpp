// Autocorrelation pitch and the zero-phase low-pass that precedes it (the
// formants would otherwise win over the fundamental).
#include "pitch_track.h"

#include <algorithm>
#include <cmath>

namespace mbr {

namespace {

double correlation(const float* x, size_t n, int lag) {
  double xy = 0, xx = 0, yy = 0;
  for (size_t i = 0; i + size_t(lag) < n; ++i) {
    xy += double(x[i]) * x[i + lag];
    xx += double(x[i]) * x[i];
    yy += double(x[i + lag]) * x[i + lag];
  }
  return xx > 0 && yy > 0 ? xy / std::sqrt(xx * yy) : 0;
}

void onePass(std::vector<float>& y, double a, double b) {
  double s1 = 0, s2 = 0;
  for (auto& v : y) {
    s1 += a * (v - s1);
    s2 += b * (s1 - s2);
    v = float(s2);
  }
}

}  // namespace

double framePeriod(const float* x, size_t n, int minPeriod, int maxPeriod, double threshold) {
  double energy = 0;
  for (size_t i = 0; i < n; ++i) energy += double(x[i]) * x[i];
  if (n < size_t(2 * maxPeriod) || energy / double(n) < 1.0) return 0;
  std::vector<double> r(size_t(maxPeriod) + 2, 0.0);
  double top = 0;
  for (int lag = minPeriod - 1; lag <= maxPeriod + 1; ++lag) {
    r[size_t(lag)] = correlation(x, n, lag);
    if (lag >= minPeriod && lag <= maxPeriod) top = std::max(top, r[size_t(lag)]);
  }
  if (top < threshold) return 0;
  // The shortest strong peak: multiples of the period correlate as well.
  for (int lag = minPeriod; lag <= maxPeriod; ++lag) {
    double rm = r[size_t(lag) - 1], r0 = r[size_t(lag)], rp = r[size_t(lag) + 1];
    if (r0 < 0.9 * top || r0 < rm || r0 < rp) continue;
    double denom = rm - 2 * r0 + rp;
    return denom < 0 ? lag + 0.5 * (rm - rp) / denom : lag;
  }
  return 0;
}

std::vector<float> lowPass(const std::vector<float>& x, double cutoffHz, double rateHz) {
  double a = 1 - std::exp(-2 * M_PI * cutoffHz / rateHz);
  std::vector<float> y(x);
  onePass(y, a, a);
  std::vector<float> r(y.rbegin(), y.rend());
  onePass(r, a, a);
  return std::vector<float>(r.rbegin(), r.rend());
}

}  // namespace mbr
