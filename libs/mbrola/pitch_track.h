// Pitch measurement by normalised autocorrelation, shared by the voice
// builder (pitch marks) and the checks of the synthesizer's output.
// Stateless.
#pragma once

#include <cstddef>
#include <vector>

namespace mbr {

// The period in samples of the frame x[0..n), or 0 when the frame is not
// clearly periodic (best correlation below `threshold`) or too quiet.
double framePeriod(const float* x, size_t n, int minPeriod, int maxPeriod, double threshold = 0.6);

// A two-pole low-pass at `cutoffHz` run forward and backward (no delay).
std::vector<float> lowPass(const std::vector<float>& x, double cutoffHz, double rateHz);

}  // namespace mbr
