#include "solver/iffts.hpp"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <complex>
#include <numbers>
#include <vector>

#include "driver/ftrapez.hpp"
#include "support.hpp"

namespace xt {
namespace {

using testing::kTmax;
using testing::relDiff;
using Order = std::vector<std::size_t>;

// Largest deviation of column 1 of vt (row j at (j-1)*tmax/N) from x(t).
template <typename Signal>
double worstError(const rt::Array& vt, Signal x) {
  double worst = 0;
  for (std::size_t j = 0; j < vt.rows(); ++j) {
    worst = std::max(worst, std::abs(vt.reAt(j) - x(double(j) * kTmax / double(vt.rows()))));
  }
  return worst;
}

TEST(IfftsWaveforms, GaussianSpectrumGivesTheGaussian) {
  // exp(-pi ((t - t0)/tau)^2)  <->  tau exp(-pi (f tau)^2) exp(-j 2 pi f t0)
  const double tau = 1e-9, t0 = 5e-9, pi = std::numbers::pi;
  std::vector<double> re(2049), im(2049);
  for (std::size_t r = 0; r < re.size(); ++r) {
    const double f = double(r) / kTmax;
    const std::complex<double> X = tau * std::exp(-pi * f * f * tau * tau) *
                                   std::exp(std::complex<double>(0, -2 * pi * f * t0));
    re[r] = X.real();
    im[r] = X.imag();
  }
  const rt::Array vt = iffts(rt::Array::fromData({2049, 1}, re, im), kTmax);
  ASSERT_EQ(vt.dims(), (rt::Dims{4096, 1}));
  EXPECT_FALSE(vt.isComplex());
  EXPECT_LT(worstError(vt, [&](double t) { return std::exp(-pi * std::pow((t - t0) / tau, 2)); }),
            1e-12);
}

TEST(IfftsWaveforms, DriverPulseSpectrumGivesTheOneVoltTrapezoid) {
  const rt::Array v0 = ftrapez(testing::driverFrequencies(), 1e-08, 5e-10, 5e-10);
  const rt::Array vt = iffts(rt::transpose(v0), kTmax);
  ASSERT_EQ(vt.dims(), (rt::Dims{4096, 1}));
  // The spectrum is cut at 82 GHz; the ringing at the corners is about 1 mV.
  EXPECT_LT(
      worstError(vt,
                 [](double t) { return std::clamp(std::min(t, 1.05e-8 - t) / 5e-10, 0.0, 1.0); }),
      2e-3);
}

// One-sided spectra with complex entries everywhere: M = 7 rows, n = 3 signals.
rt::Array sampleSpectra() {
  std::vector<double> re(21), im(21);
  for (std::size_t i = 0; i < 21; ++i) {
    re[i] = std::sin(1.0 + 0.7 * double(i));
    im[i] = std::cos(0.3 * double(i * i));
  }
  return rt::Array::fromData({7, 3}, re, im);
}

TEST(IfftsLayouts, PagedLayoutsMatchTheMatrix) {
  const rt::Array spectra = sampleSpectra();
  const rt::Array vt = iffts(spectra, kTmax);
  ASSERT_EQ(vt.dims(), (rt::Dims{12, 3}));
  EXPECT_EQ(relDiff(iffts(rt::permute(spectra, Order{3, 2, 1}), kTmax), vt), 0);  // 1-by-n-by-M
  EXPECT_EQ(relDiff(iffts(rt::permute(spectra, Order{2, 3, 1}), kTmax), vt), 0);  // n-by-1-by-M
  const rt::Array one = rt::permute(spectra(rt::all, 2), Order{3, 2, 1});         // 1-by-1-by-M
  EXPECT_EQ(relDiff(iffts(one, kTmax), vt(rt::all, 2)), 0);
}

TEST(IfftsLayouts, EndRowsContributeOnlyTheirRealParts) {
  const rt::Array spectra = sampleSpectra();
  rt::Array shifted = spectra;
  shifted.assign({1, rt::all}, spectra(1, rt::all) + rt::Array(std::complex<double>(0, 3)));
  shifted.assign({7, rt::all}, spectra(7, rt::all) + rt::Array(std::complex<double>(0, -2)));
  EXPECT_LT(relDiff(iffts(shifted, kTmax), iffts(spectra, kTmax)), 1e-15);
}

TEST(IfftsLayouts, OneFrequencyGivesZerosAndTwoGiveSumAndDifference) {
  const rt::Array zerosOut = iffts(rt::Array::fromData({1, 3}, {1, 2, 3}, {4, 5, 6}), kTmax);
  EXPECT_EQ(zerosOut.dims(), (rt::Dims{1, 3}));
  EXPECT_EQ(testing::maxAbs(zerosOut), 0);
  const rt::Array vt = iffts(rt::Array::fromData({2, 1}, {3, 2}, {1, 7}), kTmax);
  ASSERT_EQ(vt.dims(), (rt::Dims{2, 1}));
  EXPECT_NEAR(vt.reAt(0) * kTmax, 3 + 2, 1e-14);
  EXPECT_NEAR(vt.reAt(1) * kTmax, 3 - 2, 1e-14);
}

TEST(IfftsLayouts, AbsentInputsAreNamedAtTheirFirstRead) {
  testing::expectUndefined([] { ifftsBody({}, {}); }, "supv");
  testing::expectUndefined([] { ifftsBody(sampleSpectra(), {}); }, "tmax");
}

}  // namespace
}  // namespace xt
