#include "driver/ftrapez.hpp"

#include <gtest/gtest.h>

#include <cmath>
#include <complex>
#include <numbers>

#include "support.hpp"

namespace xt {
namespace {

using Cx = std::complex<double>;
constexpr double kPi = std::numbers::pi;

// The transform of the trapezoid by Simpson's rule on each linear piece: an
// independent check of the closed form.
Cx quadratureSpectrum(double f, double tpl, double t1, double t2) {
  const double fallStart = t1 / 2 + tpl - t2 / 2, fallEnd = fallStart + t2;
  auto pulse = [&](double t) {
    return t < t1 ? t / t1 : t <= fallStart ? 1.0 : (fallEnd - t) / t2;
  };
  auto segment = [&](double a, double b) {
    const int n = 40000;
    const double h = (b - a) / n;
    Cx s = 0;
    for (int i = 0; i <= n; ++i) {
      const double t = a + i * h, w = (i == 0 || i == n) ? 1 : (i % 2 ? 4 : 2);
      s += w * pulse(t) * std::exp(Cx(0, -2 * kPi * f * t));
    }
    return s * h / 3.0;
  };
  return segment(0, t1) + segment(t1, fallStart) + segment(fallStart, fallEnd);
}

TEST(Ftrapez, AgreesWithQuadratureOfThePulse) {
  for (const auto& [t1, t2] : {std::pair{5e-10, 5e-10}, std::pair{2e-10, 1e-9},
                               std::pair{0.0, 5e-10}, std::pair{5e-10, 0.0}}) {
    for (double f : {1e6, 7.3e7, 4.1e8, 2.2e9}) {
      // A zero edge stands for one of eps seconds, which shifts the fall by eps/2.
      const Cx expected = quadratureSpectrum(f, 1e-08, t1 == 0 ? testing::kEps : t1, t2);
      // Relative to one edge's own size, 1/(2 pi f): the sum may cancel to near 0.
      EXPECT_LT(std::abs(ftrapez(f, 1e-08, t1, t2).at(0) - expected), 1e-9 / (2 * kPi * f))
          << "f=" << f << " t1=" << t1 << " t2=" << t2;
    }
  }
}

TEST(Ftrapez, DriverGridStartsAtThePulseAreaAndStaysFinite) {
  for (double t1 : {5e-10, 0.0}) {
    const rt::Array y = ftrapez(testing::driverFrequencies(), 1e-08, t1, 5e-10);
    ASSERT_EQ(y.dims(), (rt::Dims{1, 2049}));
    EXPECT_NEAR(y.at(0).real(), 1e-08, 1e-20);
    EXPECT_NEAR(y.at(0).imag(), 0.0, 1e-20);
    for (std::size_t k = 0; k < y.numel(); ++k) ASSERT_TRUE(std::isfinite(std::abs(y.at(k))));
  }
  // At f = 1/tpl the edges cancel; either edge alone is 1/(2 pi f) = 1.6e-9.
  EXPECT_LT(std::abs(ftrapez(1e8, 1e-08, 5e-10, 5e-10).at(0)), 1e-14 / (2 * kPi * 1e8));
}

TEST(Ftrapez, OrientationFollowsFAndNegativeFrequencyConjugates) {
  const rt::Array row = rt::row({3e6, 4.4e7, 1.23e9});
  const rt::Array yRow = ftrapez(row, 1e-08, 5e-10, 2e-10);
  const rt::Array yCol = ftrapez(rt::transpose(row), 1e-08, 5e-10, 2e-10);
  const rt::Array yNeg = ftrapez(-row, 1e-08, 5e-10, 2e-10);
  EXPECT_EQ(yRow.dims(), (rt::Dims{1, 3}));
  EXPECT_EQ(yCol.dims(), (rt::Dims{3, 1}));
  for (std::size_t i = 0; i < 3; ++i) {
    EXPECT_EQ(yRow.at(i), yCol.at(i));
    EXPECT_LT(std::abs(yNeg.at(i) - std::conj(yRow.at(i))), 1e-14 * std::abs(yRow.at(i)));
  }
  // Any other array is read in column order and comes back as a column.
  EXPECT_EQ(ftrapez(rt::matrix(2, 2, {1e7, 2e7, 3e7, 4e7}), 1e-08, 5e-10, 5e-10).dims(),
            (rt::Dims{4, 1}));
}

TEST(Ftrapez, AbsentInputIsNamedAtItsFirstRead) {
  testing::expectUndefined([] { ftrapezBody({}, {}, {}, {}); }, "f");
  testing::expectUndefined([] { ftrapezBody(1e7, {}, {}, {}); }, "tpl");
  testing::expectUndefined([] { ftrapezBody(1e7, 1e-8, 0.0, {}); }, "t2");
}

}  // namespace
}  // namespace xt
