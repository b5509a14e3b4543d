#include "sampling.hpp"

#include <fftw3.h>

#include <algorithm>
#include <cmath>
#include <complex>
#include <limits>
#include <memory>
#include <stdexcept>

namespace validation {
namespace {

struct FftwFree {
  void operator()(void* p) const { fftw_free(p); }
};

// Forward real transform of `x`, unnormalised: X[k] = sum_j x[j] exp(-2 pi i jk/n).
std::vector<std::complex<double>> forward(std::vector<double> x) {
  const int n = static_cast<int>(x.size());
  std::vector<std::complex<double>> X(n / 2 + 1);
  fftw_plan plan =
      fftw_plan_dft_r2c_1d(n, x.data(), reinterpret_cast<fftw_complex*>(X.data()), FFTW_ESTIMATE);
  fftw_execute(plan);
  fftw_destroy_plan(plan);
  return X;
}

// Inverse real transform, normalised: x[j] = (1/n) sum_k X[k] exp(2 pi i jk/n).
std::vector<double> inverse(std::vector<std::complex<double>> X, int n) {
  std::vector<double> x(n);
  fftw_plan plan =
      fftw_plan_dft_c2r_1d(n, reinterpret_cast<fftw_complex*>(X.data()), x.data(), FFTW_ESTIMATE);
  fftw_execute(plan);
  fftw_destroy_plan(plan);
  for (double& v : x) v /= n;
  return x;
}

}  // namespace

std::vector<double> interpolate(const std::vector<double>& t, const std::vector<double>& v,
                                const std::vector<double>& at) {
  std::vector<double> out;
  out.reserve(at.size());
  for (double time : at) {
    if (t.empty() || time < t.front()) {
      out.push_back(0.0);
      continue;
    }
    const auto upper = std::upper_bound(t.begin(), t.end(), time);
    if (upper == t.end()) {
      out.push_back(v.back());
      continue;
    }
    const std::size_t k = static_cast<std::size_t>(upper - t.begin());
    const double t0 = t[k - 1], t1 = t[k];
    const double w = t1 > t0 ? (time - t0) / (t1 - t0) : 0.0;
    out.push_back(v[k - 1] + w * (v[k] - v[k - 1]));
  }
  return out;
}

std::vector<double> atSampleTimes(const std::vector<double>& t, const std::vector<double>& v) {
  std::vector<double> at(kSamples);
  for (int j = 0; j < kSamples; ++j) at[j] = sampleTime(j);
  return interpolate(t, v, at);
}

std::vector<double> atPlottedTimes(const std::vector<double>& t, const std::vector<double>& v) {
  std::vector<double> at(kSamples);
  for (int j = 0; j < kSamples; ++j) at[j] = plottedTime(j);
  return interpolate(t, v, at);
}

std::vector<double> bandMatched(const std::vector<double>& t, const std::vector<double>& v,
                                int oversample) {
  const int fine = kSamples * oversample;
  const int windows = std::max(1, static_cast<int>(std::floor(t.back() / kWindow + 1e-9)));
  std::vector<double> at(fine);
  std::vector<double> folded(fine, 0.0);
  for (int w = 0; w < windows; ++w) {
    for (int j = 0; j < fine; ++j) at[j] = (w + j / static_cast<double>(fine)) * kWindow;
    const std::vector<double> part = interpolate(t, v, at);
    for (int j = 0; j < fine; ++j) folded[j] += part[j];
  }
  const std::vector<std::complex<double>> X = forward(folded);
  std::vector<std::complex<double>> Y(kSamples / 2 + 1);
  for (int k = 0; k < kSamples / 2; ++k) Y[k] = X[k] / static_cast<double>(oversample);
  Y[kSamples / 2] = X[kSamples / 2].real() / oversample;
  return inverse(Y, kSamples);
}

std::vector<double> lowPassed(const std::vector<double>& samples, int cutoffBin) {
  std::vector<std::complex<double>> X = forward(samples);
  for (std::size_t k = static_cast<std::size_t>(cutoffBin) + 1; k < X.size(); ++k) X[k] = 0.0;
  return inverse(X, static_cast<int>(samples.size()));
}

double maxAbsDifference(const std::vector<double>& a, const std::vector<double>& b) {
  if (a.size() != b.size()) return std::numeric_limits<double>::infinity();
  double worst = 0;
  for (std::size_t k = 0; k < a.size(); ++k) {
    const double d = std::abs(a[k] - b[k]);
    if (std::isnan(d)) return std::numeric_limits<double>::infinity();
    worst = std::max(worst, d);
  }
  return worst;
}

double maxAbs(const std::vector<double>& a) {
  double worst = 0;
  for (double v : a) worst = std::max(worst, std::abs(v));
  return worst;
}

}  // namespace validation
