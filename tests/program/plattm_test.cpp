#include "line/plattm.hpp"

#include <gtest/gtest.h>

#include <Eigen/Dense>
#include <cmath>
#include <cstring>
#include <numbers>
#include <random>
#include <string>
#include <vector>

#include "../../line/src/strip_lu.hpp"
#include "runtime/system_lu.hpp"
#include "support.hpp"

namespace xt {
namespace {

using testing::errorOf;
using testing::relDiff;
using Values = std::vector<double>;

const rt::Array kWidths = rt::row({1, 0.2, 0.2});
const rt::Array kCentres = rt::row({-0.2, 0.2});

TEST(PlattmStripCounts, ShareTheTotalByWidthPlusTwo) {
  EXPECT_EQ(plattmStripCounts(kWidths, 200).re(), (Values{145, 31, 31}));
  EXPECT_EQ(plattmStripCounts(kWidths, 0).re(), (Values{2, 2, 2}));
  EXPECT_EQ(plattmStripCounts(rt::row({2, 1, 1}), 10).re(), (Values{7, 5, 5}));  // 2.5 -> 3
}

TEST(PlattmMatrices, DriverGeometryIsMirrorSymmetricWithOneWaveSpeed) {
  for (const rt::Array& hh : {rt::Array(0.1), rt::row({0.37, 0.37})}) {
    const PlattmResult r = plattm(kWidths, kCentres, hh, 200);
    ASSERT_EQ(r.Ctr.dims(), (rt::Dims{2, 2}));
    EXPECT_NEAR(r.Ctr.reAt(0), r.Ctr.reAt(3), 1e-13 * r.Ctr.reAt(0));
    EXPECT_NEAR(r.Ltr.reAt(0), r.Ltr.reAt(3), 1e-13 * r.Ltr.reAt(0));
    EXPECT_GT(r.Ctr.reAt(0), -r.Ctr.reAt(1));  // self positive, mutual negative and smaller
    EXPECT_GT(-r.Ctr.reAt(1), 0);
    EXPECT_LT(relDiff(r.Ctr * r.Ltr * 8.987554305625e16, rt::eye(2)), 1e-12);
  }
}

TEST(PlattmMatrices, UnchangedByTheLengthUnit) {
  const rt::Array hh = rt::row({0.1, 0.13});
  const PlattmResult air = plattm(kWidths, kCentres, hh, 120);
  const PlattmResult layer = plattm(kWidths, kCentres, hh, 120, 3.5, 0.12);
  for (double s : {1e-3, 7.0, 250.0}) {
    const PlattmResult airScaled = plattm(kWidths * s, kCentres * s, hh * s, 120);
    const PlattmResult layerScaled = plattm(kWidths * s, kCentres * s, hh * s, 120, 3.5, 0.12 * s);
    EXPECT_LT(relDiff(airScaled.Ctr, air.Ctr), 1e-9) << s;
    EXPECT_LT(relDiff(airScaled.Ltr, air.Ltr), 1e-9) << s;
    EXPECT_LT(relDiff(layerScaled.Ctr, layer.Ctr), 1e-9) << s;
    EXPECT_LT(relDiff(layerScaled.Ltr, layer.Ltr), 1e-9) << s;
  }
}

TEST(PlattmMatrices, EqualAndNearlyEqualHeightsAgree) {
  // Equal heights use the flat form of the strip integral; the two forms must meet.
  const PlattmResult flat = plattm(kWidths, kCentres, rt::row({0.1, 0.1}), 100);
  const PlattmResult tilted = plattm(kWidths, kCentres, rt::row({0.1, 0.1 + 1e-9}), 100);
  EXPECT_LT(relDiff(tilted.Ctr, flat.Ctr), 1e-6);
}

TEST(PlattmMatrices, GroundStripAloneGivesEmptyMatrices) {
  const PlattmResult r = plattm(rt::row({1}), rt::zeros(0, 0), rt::zeros(0, 0), 10);
  EXPECT_TRUE(r.Ctr.isEmpty());
  EXPECT_TRUE(r.Ltr.isEmpty());
}

// Characteristic impedance of a zero-thickness microstrip in air (Hammerstad and
// Jensen, 1980), ohms, for width-to-height ratio u.
double hammerstadJensenAir(double u) {
  const double pi = std::numbers::pi;
  const double f = 6 + (2 * pi - 6) * std::exp(-std::pow(30.666 / u, 0.7528));
  return 376.730313668 / (2 * pi) * std::log(f / u + std::sqrt(1 + 4 / (u * u)));
}

TEST(PlattmMatrices, MicrostripInAirConvergesToTheClosedForm) {
  // A 0.2-wide strip over a 20-wide ground strip, Z0 = 1/(c*C). The table up to
  // Nj = 800 is printed by bench/plattm_accuracy.
  for (double hh : {0.2, 0.1}) {
    double previous = INFINITY;
    for (double Nj : {100.0, 200.0, 400.0}) {
      const double Z0 = 1 / (2.997925e8 * plattm(rt::row({20, 0.2}), 0.0, hh, Nj).Ctr.reAt(0));
      const double error = std::abs(Z0 / hammerstadJensenAir(0.2 / hh) - 1);
      EXPECT_LT(error, previous) << "w/h=" << 0.2 / hh << " Nj=" << Nj;
      previous = error;
    }
    EXPECT_LT(previous, 0.05) << "w/h=" << 0.2 / hh;
  }
}

TEST(PlattmDielectric, PermittivityOneIsNoLayerAndThickLayersScaleC) {
  const PlattmResult air = plattm(kWidths, kCentres, 0.1, 200);
  const PlattmResult one = plattm(kWidths, kCentres, 0.1, 200, 1.0, 0.3);
  EXPECT_EQ(one.Ctr.re(), air.Ctr.re());
  EXPECT_EQ(one.Ltr.re(), air.Ltr.re());
  // Conductors deep inside the layer: C scales by the permittivity.
  const PlattmResult thick = plattm(kWidths, kCentres, 0.1, 200, 4.0, 5.0);
  EXPECT_NEAR(thick.Ctr.reAt(0) / air.Ctr.reAt(0), 4.0, 0.01);
  // Conductors above a thin layer see part of it.
  const double thin = plattm(kWidths, kCentres, 0.1, 200, 4.0, 0.05).Ctr.reAt(0);
  EXPECT_GT(thin, air.Ctr.reAt(0));
  EXPECT_LT(thin, 4.0 * air.Ctr.reAt(0));
}

// Large systems go to the machine's optimised LAPACK when it has one; Eigen's LU
// takes the rest. Both must give the same matrices to rounding and the same
// warnings; a system singular to working precision (two conductors in one place),
// whose block sums come from the whole inverse, must warn in both.
TEST(PlattmLargeSystems, OptimisedLapackAgreesWithEigen) {
  if (!rt::SystemLu::available(600)) GTEST_SKIP() << "no optimised LAPACK on this machine";
  struct Case {
    rt::Array dd;
    double Nj, diel, tolerance;
  };
  const Case cases[] = {
      {kCentres, 600, 1, 1e-11}, {kCentres, 600, 4.5, 1e-11}, {rt::row({0.1, 0.1}), 600, 1, -1}};
  for (const Case& c : cases) {
    std::vector<std::string> warnings[2];
    PlattmResult r[2];
    for (int eigen = 0; eigen < 2; ++eigen) {
      const bool previous = rt::useSystemLapack(eigen == 0);
      const rt::WarningHandler handler = rt::setWarningHandler(
          [&](const std::string& id, const std::string&) { warnings[eigen].push_back(id); });
      r[eigen] = plattm(kWidths, c.dd, 0.1, c.Nj, c.diel, 0.05);
      rt::setWarningHandler(handler);
      rt::useSystemLapack(previous);
    }
    if (c.tolerance > 0) {
      EXPECT_TRUE(warnings[0].empty() && warnings[1].empty()) << "Nj=" << c.Nj;
      EXPECT_LT(relDiff(r[0].Ctr, r[1].Ctr), c.tolerance) << "Nj=" << c.Nj << " diel=" << c.diel;
      EXPECT_LT(relDiff(r[0].Ltr, r[1].Ltr), c.tolerance) << "Nj=" << c.Nj << " diel=" << c.diel;
    } else {
      // Whether the reduced matrix, rounding noise, warns again is up to the noise.
      ASSERT_FALSE(warnings[0].empty() || warnings[1].empty());
      EXPECT_EQ(warnings[0].front(), "rt:nearlySingularMatrix");
      EXPECT_EQ(warnings[1].front(), "rt:nearlySingularMatrix");
    }
  }
}

// Systems below LAPACK's size may be factorised four values at a time; the factors and
// pivots must be Eigen's to the last bit (the default figures depend on them), whatever
// the order and however the pivots tie, vanish or need no swap.
TEST(PlattmStripLu, FactorsArePivotsAndBitsOfEigensLu) {
  std::mt19937_64 random(11);
  std::uniform_real_distribution<double> uniform(-1, 1);
  int applied = 0;
  for (const Eigen::Index n : {1, 2, 7, 16, 17, 40, 100, 127, 128, 150, 200, 207, 255}) {
    for (int kind = 0; kind < 4; ++kind) {
      Eigen::MatrixXd A(n, n);
      for (Eigen::Index c = 0; c < n; ++c) {
        for (Eigen::Index r = 0; r < n; ++r) {
          const double u = uniform(random);
          const double distance = static_cast<double>(r > c ? r - c : c - r);
          A(r, c) = kind == 0   ? u
                    : kind == 1 ? std::round(3 * u)                  // ties and zeros
                    : kind == 2 ? -std::log(0.01 + 0.05 * distance)  // like Dtot: no swaps
                                : (c == n / 2 ? 0.0 : std::ldexp(u, static_cast<int>(c % 30) - 15));
        }
      }
      Eigen::MatrixXd factors = A;
      std::vector<int> transpositions(static_cast<std::size_t>(n));
      std::ptrdiff_t swaps = 0, firstZero = -1;
      if (!detail::stripLu(factors.data(), n, transpositions.data(), swaps, firstZero)) continue;
      ++applied;
      const Eigen::PartialPivLU<Eigen::Ref<Eigen::MatrixXd>> eigen(A);
      EXPECT_EQ(
          std::memcmp(factors.data(), A.data(), sizeof(double) * static_cast<std::size_t>(n * n)),
          0)
          << "n=" << n << " kind=" << kind;
      Eigen::Transpositions<Eigen::Dynamic, Eigen::Dynamic, int> t(n);
      for (Eigen::Index i = 0; i < n; ++i) {
        t.coeffRef(i) = transpositions[static_cast<std::size_t>(i)];
      }
      Eigen::PermutationMatrix<Eigen::Dynamic, Eigen::Dynamic, int> p;
      p = t;
      EXPECT_EQ(p.indices(), eigen.permutationP().indices()) << "n=" << n << " kind=" << kind;
      EXPECT_EQ(swaps % 2 != 0 ? -1.0 : 1.0, eigen.permutationP().determinant()) << "n=" << n;
      // The first zero pivot is the first zero on U's diagonal: the zero column's, if
      // nothing before it.
      std::ptrdiff_t zeroOnDiagonal = -1;
      for (Eigen::Index i = n - 1; i >= 0; --i) zeroOnDiagonal = A(i, i) == 0 ? i : zeroOnDiagonal;
      EXPECT_EQ(firstZero, zeroOnDiagonal) << "n=" << n << " kind=" << kind;
      if (kind == 3) {
        EXPECT_EQ(firstZero, n / 2) << "n=" << n;
      }
    }
  }
  if (__builtin_cpu_supports("avx2")) {
    EXPECT_GE(applied, 30);
  }
}

// Drawing mode: records what the drawer was given.
struct Drawn {
  int calls = 0;
  rt::Array dd, hh;
  CrossSectionDrawer drawer() {
    return [this](const rt::Array&, const rt::Array& d, const rt::Array& h) {
      ++calls;
      dd = d;
      hh = h;
    };
  }
};

TEST(PlattmGeometry, SingleValuesApplyToEverySignalConductor) {
  Drawn drawn;
  const PlattmResult r = plattmBody(3, kWidths, 0.1, 0.3, {}, {}, {}, drawn.drawer());
  ASSERT_EQ(drawn.calls, 1);
  EXPECT_EQ(drawn.dd.re(), (Values{0.1, 0.1}));
  EXPECT_EQ(drawn.hh.re(), (Values{0.3, 0.3}));
  EXPECT_TRUE(r.Ctr.isEmpty() && r.Ltr.isEmpty());
  EXPECT_EQ(errorOf([] { plattmBody(3, kWidths, kCentres, 0.1, {}, {}, {}); }).identifier(),
            kPlattmNoDrawerErrorId);
}

TEST(PlattmGeometry, WrongCountsGiveTheirMessagesInBothModesCentresFirst) {
  for (int nargin : {3, 4}) {
    Drawn drawn;
    auto call = [&](const rt::Array& dd, const rt::Array& hh) {
      return errorOf([&] { plattmBody(nargin, kWidths, dd, hh, 200, {}, {}, drawn.drawer()); });
    };
    const rt::Error e = call(kCentres, rt::row({0.1, 0.1, 0.1}));
    EXPECT_EQ(e.message(), "inmatningsfel antal höjder");
    EXPECT_EQ(e.identifier(), kPlattmGeometryErrorId);
    EXPECT_EQ(call(rt::row({-0.2, 0, 0.2}), rt::row({0.1, 0.1, 0.1})).message(),
              "inmatningsfel antal centrumavstånd");
    EXPECT_EQ(call(rt::zeros(0, 0), 0.1).message(), "inmatningsfel antal centrumavstånd");
    EXPECT_EQ(drawn.calls, 0);
  }
  // One signal conductor is not checked; only dd(1) of a longer list is read.
  EXPECT_EQ(plattm(rt::row({1, 0.2}), rt::row({0, 0.3}), 0.1, 100).Ctr.dims(), (rt::Dims{1, 1}));
}

TEST(PlattmGeometry, AbsentInputsAreNamedAtTheirFirstRead) {
  testing::expectUndefined([] { plattmBody(5, kWidths, kCentres, 0.1, 200, 4.0, {}); }, "hd");
  testing::expectUndefined([] { plattmBody(5, kWidths, kCentres, 0.1, 200, 1.0, {}); }, "hd");
  testing::expectUndefined([] { plattmBody(4, kWidths, kCentres, 0.1, {}, {}, {}); }, "Nj");
  // Three conductors: dd is checked first; two: the layout reads hh first.
  testing::expectUndefined([] { plattmBody(4, kWidths, {}, {}, 200, {}, {}); }, "dd");
  testing::expectUndefined([] { plattmBody(4, rt::row({1, 0.2}), {}, {}, 200, {}, {}); }, "hh");
}

}  // namespace
}  // namespace xt
