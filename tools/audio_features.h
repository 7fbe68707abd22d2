// Signal measures shared by the voice tools: resampling espeak-ng's output
// to the voice rate, mel-cepstral frames, frame levels and dynamic time
// warping.  Stateless; nothing here belongs to the synthesizer library.
#pragma once

#include <array>
#include <cstddef>
#include <vector>

namespace feat {

constexpr int kRate = 16000;
constexpr int kFrame = 400;    // 25 ms analysis window
constexpr int kCoefficients = 13;

using Cepstrum = std::array<double, kCoefficients>;

// Band-limited (windowed sinc) conversion of x from `fromRate` to 16 kHz.
std::vector<float> resample(const std::vector<short>& x, int fromRate);

// Mel-frequency cepstrum (c0..c12) of the 25 ms frame centred on `centre`;
// the signal is taken as silent outside its ends.
Cepstrum cepstrumAt(const std::vector<float>& x, long centre);

// Frames every `hop` samples from the start, centred on k * hop.
std::vector<Cepstrum> cepstra(const std::vector<float>& x, int hop);

// Euclidean distance of c1..c12 (the spectral shape, not the loudness)
// plus, when `withLevel`, the difference of c0.
double cepstralDistance(const Cepstrum& a, const Cepstrum& b, bool withLevel);

// The middle value (the upper one of an even count); 0 when empty.
double median(std::vector<double> v);

// RMS level in dB of x[from, from + n).
double levelDb(const std::vector<float>& x, long from, long n);

// Mean frame distance along the best warping path between two utterances
// (c1..c12, each utterance's mean cepstrum removed first).
double warpDistance(std::vector<Cepstrum> a, std::vector<Cepstrum> b);

}  // namespace feat
