// What the program's time samples mean, applied to a waveform computed on another
// time grid. The program computes the exact spectrum of the response at k/tmax
// (k = 0..2048) and inverts it with a 4096-point DFT, so sample j (from 0) is the
// response at j*tmax/4096, band-limited to 2048/tmax and folded into one period
// of length tmax: v(t) + v(t + tmax) + v(t + 2*tmax) + ...
#pragma once

#include <vector>

namespace validation {

// The program's window and sample count.
inline constexpr double kWindow = 2.5e-8;
inline constexpr int kSamples = 4096;

// The time of sample j (from 0) of the program's waveforms, and the time at which
// the program's figures draw it (its time axis steps by tmax/4095).
inline double sampleTime(int j) {
  return j * kWindow / kSamples;
}
inline double plottedTime(int j) {
  return j * kWindow / (kSamples - 1);
}

// Linear interpolation of (t, v) at the given times; 0 before the first point,
// the last value after the last.
std::vector<double> interpolate(const std::vector<double>& t, const std::vector<double>& v,
                                const std::vector<double>& at);

// The raw samples of (t, v) at the program's sample times, or at its plotted times.
std::vector<double> atSampleTimes(const std::vector<double>& t, const std::vector<double>& v);
std::vector<double> atPlottedTimes(const std::vector<double>& t, const std::vector<double>& v);

// (t, v) as the program would show it: folded into [0, tmax) over every whole
// window that (t, v) covers, and band-limited to the program's 2048 frequencies
// (the waveform is sampled `oversample` times finer, transformed, cut to bins
// 0..2048 with the last made real, as the program does, and transformed back).
std::vector<double> bandMatched(const std::vector<double>& t, const std::vector<double>& v,
                                int oversample = 4);

// The same folding and cut applied to a waveform already given at the program's
// sample times over several windows, with an extra low-pass: bins above
// `cutoffBin` are removed (used to show what remains of a difference in a band).
std::vector<double> lowPassed(const std::vector<double>& samples, int cutoffBin);

double maxAbsDifference(const std::vector<double>& a, const std::vector<double>& b);
double maxAbs(const std::vector<double>& a);

}  // namespace validation
