#include "solver/mtlfd.hpp"

#include <gtest/gtest.h>

#include <cmath>
#include <complex>
#include <limits>
#include <numbers>
#include <string>
#include <thread>
#include <vector>

#include "driver/ftrapez.hpp"
#include "line/plattm.hpp"
#include "support.hpp"

namespace xt {
namespace {

using Cx = std::complex<double>;
using Order = std::vector<std::size_t>;
using testing::relDiff;

void expectSame(const MtlfdResult& a, const MtlfdResult& b, double tolerance) {
  EXPECT_LT(relDiff(a.VNE, b.VNE), tolerance);
  EXPECT_LT(relDiff(a.VFE, b.VFE), tolerance);
}

TEST(MtlfdSingleLine, AgreesWithTransmissionLineTheory) {
  // Z0 = sqrt(L/C) = 50 ohm, v = 1/sqrt(L*C) = 2e8 m/s, 0.3 m.
  const double Z0 = 50, v = 2e8, len = 0.3;
  const rt::Array f = rt::row({1e6, 1e8, 1.3e9});
  for (const auto& [Zs, Zl] : {std::pair{50.0, 50.0}, std::pair{10.0, 200.0}, {75.0, 1e-3}}) {
    const MtlfdResult r = mtlfd(f, len, 1.0, Zs, 0.0, Zl, 1e-10, 2.5e-7);
    ASSERT_EQ(r.VNE.dims(), (rt::Dims{3, 1}));
    for (std::size_t k = 0; k < 3; ++k) {
      const Cx j(0, 1), delay = std::exp(-j * 2.0 * std::numbers::pi * f.reAt(k) * len / v);
      const Cx gammaL = (Zl - Z0) / (Zl + Z0);
      const Cx Zin = Z0 * (1.0 + gammaL * delay * delay) / (1.0 - gammaL * delay * delay);
      const Cx Vne = Zin / (Zin + Zs);
      const Cx Vfe = Vne * (1.0 + gammaL) * delay / (1.0 + gammaL * delay * delay);
      EXPECT_LT(std::abs(r.VNE.at(k) - Vne), 1e-12) << k;
      EXPECT_LT(std::abs(r.VFE.at(k) - Vfe), 1e-12) << k;
    }
  }
}

TEST(MtlfdModes, VoltagesDoNotDependOnTheModalBasis) {
  // Three coupled conductors with distinct mode speeds (L is not inv(C)/c^2).
  const rt::Array C = rt::matrix(3, 3, {4, -1, -0.3, -1, 5, -0.8, -0.3, -0.8, 3.5}) * 1e-11;
  const rt::Array L = rt::matrix(3, 3, {3, 0.9, 0.4, 0.9, 2.5, 0.7, 0.4, 0.7, 3.2}) * 1e-7;
  const rt::Array ZS = rt::matrix(3, 3, {60, 5, 0, 5, 40, 2, 0, 2, 75});
  const rt::Array ZL = rt::matrix(3, 3, {120, 0, 10, 0, 30, 0, 10, 0, 55});
  auto solve = [&](const detail::ModalHook& hook) {
    return detail::mtlfdWithModalHook(rt::row({1e6, 2.5e8, 9.7e8, 3.1e9}), 0.23,
                                      rt::column({1, 0.2, 0}), ZS, rt::column({0, 0, 0.5}), ZL, C,
                                      L, hook);
  };
  const MtlfdResult base = solve([](std::size_t, rt::Array&, rt::Array&) {});
  expectSame(base, solve([](std::size_t, rt::Array& T, rt::Array&) {
               T = T * rt::diag(rt::column({2.0, -0.5, 3.0}) * rt::Array(Cx(0.3, 1.1)));
             }),
             1e-10);
  expectSame(base, solve([](std::size_t, rt::Array& T, rt::Array& GAM) {
               T = T(rt::all, rt::row({3, 1, 2}));
               GAM = GAM(rt::row({3, 1, 2}));
             }),
             1e-10);
  expectSame(base, solve([](std::size_t, rt::Array&, rt::Array& GAM) { GAM.assign({2}, -GAM(2)); }),
             1e-10);
}

TEST(MtlfdModes, RepeatedEigenvalueOfTheDriverLineAnyBasisServes) {
  // The driver's own call: plattm's matrices make all modes travel at one speed.
  const PlattmResult line = plattm(rt::row({1, 0.2, 0.2}), rt::row({-0.2, 0.2}), 0.1, 200);
  const rt::Array f = testing::driverFrequencies();
  const rt::Array v0 = ftrapez(f, 1e-08, 5e-10, 5e-10);
  const rt::Array VS = rt::permute(rt::column({1, 0}) * v0, Order{1, 3, 2});
  const rt::Array Zc = line.Ltr * 3e8, VL = rt::column({0, 0});
  const MtlfdResult fromEig = mtlfd(f, 0.1, VS, Zc, VL, Zc, line.Ctr, line.Ltr);
  auto withBasis = [&](const rt::Array& basis) {
    return detail::mtlfdWithModalHook(f, 0.1, VS, Zc, VL, Zc, line.Ctr, line.Ltr,
                                      [&](std::size_t, rt::Array& T, rt::Array& GAM) {
                                        T = basis;
                                        GAM = rt::ones(2, 1) * GAM(1);
                                      });
  };
  ASSERT_EQ(fromEig.VNE.dims(), (rt::Dims{2049, 2}));
  expectSame(fromEig, withBasis(rt::eye(2)), 1e-9);
  expectSame(fromEig, withBasis(rt::matrix(2, 2, {1, 0.7, 0.3, -1.2})), 1e-9);
  // Matched at both ends: the driven conductor's near end carries half the source.
  EXPECT_NEAR(std::abs(fromEig.VNE.at(0) / v0.at(0)), 0.5, 1e-9);
}

TEST(MtlfdModes, UncoupledLinesGiveNoCrosstalk) {
  const rt::Array C = rt::diag(rt::column({4e-11, 6e-11})), L = rt::diag(rt::column({3e-7, 2e-7}));
  const rt::Array Z = rt::diag(rt::column({50, 80}));
  const MtlfdResult r =
      mtlfd(rt::row({1e6, 3e8, 2e9}), 0.3, rt::column({1, 0}), Z, rt::column({0, 0}), Z * 2, C, L);
  EXPECT_GT(testing::maxAbs(r.VNE(rt::all, 1)), 0.1);
  EXPECT_LE(testing::maxAbs(r.VNE(rt::all, 2)), 1e-15);
  EXPECT_LE(testing::maxAbs(r.VFE(rt::all, 2)), 1e-15);
}

// Two coupled conductors; three frequencies unless a test says otherwise.
const rt::Array kC2 = rt::matrix(2, 2, {4e-11, -5e-12, -5e-12, 4e-11});
const rt::Array kL2 = rt::matrix(2, 2, {3e-7, 8e-8, 8e-8, 3e-7});
const rt::Array kF2 = rt::row({1e7, 4e8, 2e9});
const rt::Array kZero2 = rt::column({0, 0});

MtlfdResult solve2(const rt::Array& VS, const rt::Array& ZS, const rt::Array& VL,
                   const rt::Array& ZL, const rt::Array& f = kF2) {
  return mtlfd(f, 0.15, VS, ZS, VL, ZL, kC2, kL2);
}

rt::Array pages(const rt::Array& x, std::size_t n) {
  return rt::reshape(rt::repmat(x, 1, n), {x.rows(), x.cols(), n});
}

TEST(MtlfdLayouts, SourcesOnceByColumnOrByPage) {
  const rt::Array Z = rt::matrix(2, 2, {50, 5, 5, 60}), once = rt::column({1, 0.25});
  const MtlfdResult base = solve2(once, Z, kZero2, Z);
  expectSame(base, solve2(rt::repmat(once, 1, 3), Z, kZero2, Z), 1e-14);
  expectSame(base, solve2(pages(once, 3), Z, kZero2, Z), 1e-14);
  // Column k or page k applies at f(k), at either end; nf = 1 takes the column as is.
  const rt::Array varying =
      rt::Array::fromData({2, 3}, {1, 0, 0.5, 0.1, 0, 2}, {0, 0, 1, 0, -1, 0});
  const MtlfdResult byColumn = solve2(varying, Z, varying, Z);
  const rt::Array byPage = rt::permute(varying, Order{1, 3, 2});
  expectSame(byColumn, solve2(byPage, Z, byPage, Z), 1e-14);
  for (std::size_t k = 1; k <= 3; ++k) {
    const rt::Array Vk = varying(rt::all, k);
    const MtlfdResult one = solve2(Vk, Z, Vk, Z, kF2(k));
    EXPECT_LT(relDiff(one.VNE, byColumn.VNE(k, rt::all)), 1e-13) << k;
    EXPECT_LT(relDiff(one.VFE, byColumn.VFE(k, rt::all)), 1e-13) << k;
  }
}

TEST(MtlfdLayouts, TerminationsAsScalarMatrixPagesOrDiagonalColumns) {
  const rt::Array VS = rt::column({1, 0});
  const MtlfdResult scalar = solve2(VS, 50.0, kZero2, 75.0);
  expectSame(scalar, solve2(VS, rt::eye(2) * 50.0, kZero2, rt::eye(2) * 75.0), 1e-14);
  expectSame(scalar, solve2(VS, rt::ones(2, 3) * 50.0, kZero2, rt::ones(2, 3) * 75.0), 1e-14);
  expectSame(scalar, solve2(VS, pages(rt::eye(2) * 50.0, 3), kZero2, pages(rt::eye(2) * 75.0, 3)),
             1e-14);
  const rt::Array ZS = rt::matrix(2, 3, {50, 60, 20, 30, 100, 5});
  const MtlfdResult byColumn = solve2(VS, ZS, kZero2, 75.0);
  for (std::size_t k = 1; k <= 3; ++k) {
    const MtlfdResult one = solve2(VS, rt::diag(ZS(rt::all, k)), kZero2, 75.0, kF2(k));
    EXPECT_LT(relDiff(one.VNE, byColumn.VNE(k, rt::all)), 1e-13) << k;
  }
  // With as many conductors as frequencies a square termination is one matrix.
  const rt::Array f = rt::row({3e8, 7e8}), Z = rt::matrix(2, 2, {50, 10, 10, 70});
  expectSame(solve2(VS, Z, kZero2, Z, f), solve2(VS, pages(Z, 2), kZero2, pages(Z, 2), f), 1e-14);
}

TEST(MtlfdLayouts, NoFrequenciesGiveEmptyRowsWithoutReadingTheLoopInputs) {
  const MtlfdResult r =
      mtlfdBody(rt::zeros(1, 0), {}, rt::column({1, 0}), {}, kZero2, {}, kC2, kL2);
  EXPECT_EQ(r.VNE.dims(), (rt::Dims{0, 2}));
  EXPECT_EQ(r.VFE.dims(), (rt::Dims{0, 2}));
}

TEST(MtlfdLayouts, AbsentInputsAreNamedAtTheirFirstRead) {
  const rt::Array VS = rt::column({1, 0});
  testing::expectUndefined([] { mtlfdBody({}, {}, {}, {}, {}, {}, {}, {}); }, "f");
  testing::expectUndefined([&] { mtlfdBody(kF2, {}, {}, {}, {}, {}, kC2, kL2); }, "VS");
  testing::expectUndefined([&] { mtlfdBody(kF2, {}, VS, {}, VS, 50, kC2, kL2); }, "xL");
  testing::expectUndefined([&] { mtlfdBody(kF2, 0.1, VS, {}, VS, 50, kC2, kL2); }, "ZS");
}

// A long sweep runs on two threads. What the host is shown must be what one thread
// shows (the modal hook keeps a sweep on one): the same warnings in the same order,
// and an error in either half ending the sweep after the warnings before it.
TEST(MtlfdThreads, WarningsAndErrorsComeAsFromOneThread) {
  const std::size_t nf = 600;
  std::vector<double> freq(nf), zs(4 * nf, 0.0);
  for (std::size_t k = 0; k < nf; ++k) {
    freq[k] = 1e7 * static_cast<double>(k + 1);
    zs[4 * k] = zs[4 * k + 3] = 50;
  }
  // A line far shorter than a wavelength, shorted at the far end: where it is shorted
  // at the source too, the system is nearly singular, each time with another
  // condition number (it grows with the frequency).
  for (std::size_t k : {2, 150, 298, 299, 300, 301, 450, 599}) zs[4 * k] = zs[4 * k + 3] = 0;
  const rt::Array ZS = rt::Array::fromData({2, 2, nf}, zs);
  auto run = [&](const std::vector<double>& f, bool oneThread) {
    std::vector<std::string> shown;
    const std::thread::id host = std::this_thread::get_id();
    const rt::WarningHandler previous =
        rt::setWarningHandler([&](const std::string&, const std::string& message) {
          shown.push_back(message);
          // The host is only ever called from its own thread.
          if (std::this_thread::get_id() != host) shown.push_back("from another thread");
        });
    const rt::Array fa = rt::Array::fromData({1, nf}, f);
    try {
      const MtlfdResult r =
          oneThread
              ? detail::mtlfdWithModalHook(fa, 1e-19, rt::column({1, 0}), ZS, kZero2, 0.0, kC2, kL2,
                                           [](std::size_t, rt::Array&, rt::Array&) {})
              : mtlfdBody(fa, 1e-19, rt::column({1, 0}), ZS, kZero2, 0.0, kC2, kL2);
      shown.push_back("VNE(600, 1) = " + std::to_string(r.VNE.reAt(nf - 1)));
    } catch (const rt::Error& e) {
      shown.push_back("error: " + e.message());
    }
    rt::setWarningHandler(previous);
    return shown;
  };
  for (std::size_t failing : {nf, std::size_t{200}, std::size_t{420}}) {
    std::vector<double> f = freq;
    if (failing < nf) f[failing] = std::numeric_limits<double>::quiet_NaN();
    const std::vector<std::string> one = run(f, true);
    EXPECT_EQ(run(f, false), one) << "failing at " << failing;
    EXPECT_EQ(one.size(), failing == nf ? 9u : failing == 200 ? 3u : 7u) << failing;
  }
}

}  // namespace
}  // namespace xt
