// Mel cepstra by a radix-2 FFT, a 24-band mel filter bank and a DCT;
// warping by the usual three-step recursion over two rows.
#include "audio_features.h"

#include <algorithm>
#include <cmath>
#include <complex>

namespace feat {

namespace {

constexpr int kFft = 512, kBands = 24;

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
        auto p = a[i + k], q = a[i + k + len / 2] * u;
        a[i + k] = p + q;
        a[i + k + len / 2] = p - q;
      }
    }
  }
}

double mel(double hz) { return 2595 * std::log10(1 + hz / 700); }
double hertz(double m) { return 700 * (std::pow(10, m / 2595) - 1); }

// Triangular weights of band b over the FFT bins, 100 Hz to 7600 Hz.
const std::vector<std::vector<double>>& melBank() {
  static const std::vector<std::vector<double>> bank = [] {
    std::vector<std::vector<double>> w(kBands, std::vector<double>(kFft / 2 + 1, 0.0));
    double lo = mel(100), hi = mel(7600);
    for (int b = 0; b < kBands; ++b) {
      double f0 = hertz(lo + (hi - lo) * b / (kBands + 1)), f1 = hertz(lo + (hi - lo) * (b + 1) / (kBands + 1)),
             f2 = hertz(lo + (hi - lo) * (b + 2) / (kBands + 1));
      for (int k = 0; k <= kFft / 2; ++k) {
        double f = double(k) * kRate / kFft;
        if (f > f0 && f < f2) w[size_t(b)][size_t(k)] = f <= f1 ? (f - f0) / (f1 - f0) : (f2 - f) / (f2 - f1);
      }
    }
    return w;
  }();
  return bank;
}

double sampleAt(const std::vector<float>& x, long i) { return i >= 0 && i < long(x.size()) ? x[size_t(i)] : 0.0; }

}  // namespace

std::vector<float> resample(const std::vector<short>& x, int fromRate) {
  double step = double(fromRate) / kRate, fc = 2.0 * 7600 / fromRate;
  std::vector<float> y(size_t(double(x.size()) / step));
  for (size_t k = 0; k < y.size(); ++k) {
    double t = double(k) * step, sum = 0;
    for (long j = long(t) - 15; j <= long(t) + 16; ++j) {
      if (j < 0 || j >= long(x.size())) continue;
      double u = t - double(j), w = 0.5 + 0.5 * std::cos(M_PI * u / 16.5);
      sum += x[size_t(j)] * fc * (u == 0 ? 1.0 : std::sin(M_PI * fc * u) / (M_PI * fc * u)) * w;
    }
    y[k] = float(sum);
  }
  return y;
}

Cepstrum cepstrumAt(const std::vector<float>& x, long centre) {
  std::vector<std::complex<double>> a(kFft);
  long from = centre - kFrame / 2;
  for (int i = 0; i < kFrame; ++i) {
    double pre = sampleAt(x, from + i) - 0.97 * sampleAt(x, from + i - 1);
    a[size_t(i)] = pre * (0.54 - 0.46 * std::cos(2 * M_PI * i / (kFrame - 1)));
  }
  fft(a);
  double logBand[kBands];
  for (int b = 0; b < kBands; ++b) {
    double e = 1.0;  // a floor well below any sound: silence stays finite
    for (int k = 0; k <= kFft / 2; ++k) e += melBank()[size_t(b)][size_t(k)] * std::norm(a[size_t(k)]);
    logBand[b] = std::log(e);
  }
  Cepstrum c{};
  for (int n = 0; n < kCoefficients; ++n)
    for (int b = 0; b < kBands; ++b) c[size_t(n)] += logBand[b] * std::cos(M_PI * n * (b + 0.5) / kBands);
  return c;
}

std::vector<Cepstrum> cepstra(const std::vector<float>& x, int hop) {
  std::vector<Cepstrum> out;
  for (long at = 0; at < long(x.size()); at += hop) out.push_back(cepstrumAt(x, at));
  return out;
}

double cepstralDistance(const Cepstrum& a, const Cepstrum& b, bool withLevel) {
  double s = 0;
  for (size_t i = withLevel ? 0 : 1; i < a.size(); ++i) s += (a[i] - b[i]) * (a[i] - b[i]);
  return std::sqrt(s);
}

double median(std::vector<double> v) {
  if (v.empty()) return 0;
  std::nth_element(v.begin(), v.begin() + long(v.size() / 2), v.end());
  return v[v.size() / 2];
}

double levelDb(const std::vector<float>& x, long from, long n) {
  double sum = 0;
  for (long i = from; i < from + n; ++i) sum += sampleAt(x, i) * sampleAt(x, i);
  return 10 * std::log10(1 + sum / double(std::max(1L, n)));
}

double warpDistance(std::vector<Cepstrum> a, std::vector<Cepstrum> b) {
  for (auto* u : {&a, &b}) {
    Cepstrum mean{};
    for (const auto& c : *u)
      for (size_t i = 0; i < c.size(); ++i) mean[i] += c[i] / double(u->size());
    for (auto& c : *u)
      for (size_t i = 0; i < c.size(); ++i) c[i] -= mean[i];
  }
  if (a.empty() || b.empty()) return 0;
  const double inf = 1e300;
  std::vector<double> prev(b.size() + 1, inf), row(b.size() + 1, inf);
  prev[0] = 0;
  for (size_t i = 1; i <= a.size(); ++i) {
    row[0] = inf;
    for (size_t j = 1; j <= b.size(); ++j) {
      double d = cepstralDistance(a[i - 1], b[j - 1], false);
      row[j] = std::min({prev[j - 1] + 2 * d, prev[j] + d, row[j - 1] + d});
    }
    std::swap(prev, row);
  }
  return prev[b.size()] / double(a.size() + b.size());
}

}  // namespace feat
