// plattm against closed forms: the microstrip formula of Hammerstad and Jensen,
// the exact relation L = inv(C)/c^2 of a line in air, and the convergence of C
// with the number of strips.
#include "closed_forms.hpp"

#include <gtest/gtest.h>

namespace validation {
namespace {

TEST(Microstrip, CapacitanceFollowsHammerstadJensenFromNarrowToWideStrips) {
  // The reference strip reaches 10 heights beyond each edge of the strip; at
  // Nj = 800 plattm lies 0.5 to 1.5 % below the formula (fewer strips on the
  // signal strip and the finite reference both lower C; see the slow test for
  // Nj = 1600). The formula itself is good to a few hundredths of a percent.
  const double ratios[] = {0.1, 0.3, 1.0, 3.0, 10.0};
  std::vector<PlattmCall> calls;
  for (double u : ratios) calls.push_back(microstrip(u, 10.0, 800));
  const std::vector<LineParameters> results = runPlattm(calls);
  ASSERT_EQ(results.size(), calls.size());
  for (std::size_t k = 0; k < calls.size(); ++k) {
    const double expected = hammerstadJensenCapacitance(ratios[k]);
    const double deviation = results[k].C(0, 0) / expected - 1.0;
    EXPECT_LT(deviation, 0.0) << "w/h = " << ratios[k];
    EXPECT_GT(deviation, -0.02) << "w/h = " << ratios[k];
  }
}

TEST(Microstrip, FormulaMatchesItsOwnLimits) {
  // Guards the transcription of the formula: a wide strip tends to the parallel
  // plate value eps0*w/h plus fringing, a narrow one to a thin wire of radius w/4.
  constexpr double eps0 = 8.8541878128e-12;
  constexpr double pi = 3.141592653589793;
  EXPECT_NEAR(hammerstadJensenCapacitance(1000.0) / (eps0 * 1000.0), 1.0, 0.01);
  const double wire = 2 * pi * eps0 / std::acosh(1.0 / (1e-3 / 4));
  EXPECT_NEAR(hammerstadJensenCapacitance(1e-3) / wire, 1.0, 0.01);
}

TEST(InAir, InductanceIsTheInverseOfCapacitanceOverTheSpeedOfLightSquared) {
  const std::vector<PlattmCall> calls = {
      driverLine(200),
      {"[1 0.2 0.2]", "[-0.2 0.2]", "[0.1 0.15]", 200},
      {"[1 0.2 0.3]", "[-0.25 0.1]", "[0.05 0.2]", 400},
      {"[2 0.2 0.2 0.2]", "[-0.4 0 0.4]", "[0.1 0.1 0.3]", 300},
      microstrip(1.0, 10.0, 200),
  };
  const std::vector<LineParameters> results = runPlattm(calls);
  ASSERT_EQ(results.size(), calls.size());
  for (std::size_t k = 0; k < calls.size(); ++k) {
    const Eigen::MatrixXd& C = results[k].C;
    const Eigen::MatrixXd& L = results[k].L;
    const Eigen::MatrixXd product = L * C * (kLightSpeed * kLightSpeed);
    const Eigen::MatrixXd identity = Eigen::MatrixXd::Identity(C.rows(), C.cols());
    EXPECT_LT((product - identity).cwiseAbs().maxCoeff(), 1e-12) << "call " << k;
    // A Maxwell capacitance matrix: positive diagonal, negative coupling, and
    // diagonally dominant (every conductor sees the reference).
    for (int i = 0; i < C.rows(); ++i) {
      EXPECT_GT(C(i, i), 0.0);
      double coupling = 0;
      for (int j = 0; j < C.cols(); ++j) {
        if (j == i) continue;
        EXPECT_LT(C(i, j), 0.0);
        coupling += std::abs(C(i, j));
      }
      EXPECT_GT(C(i, i), coupling);
    }
  }
}

TEST(Convergence, CapacitanceConvergesAtFirstOrderInTheNumberOfStrips) {
  // Doubling Nj roughly halves the change (the edge singularity of the charge
  // density on the strips makes the error fall as 1/Nj); Nj = 200 is within 1 %
  // of the extrapolated limit. The slow test goes on to Nj = 3200.
  const std::vector<LineParameters> r =
      runPlattm({driverLine(200), driverLine(400), driverLine(800)});
  ASSERT_EQ(r.size(), 3u);
  for (auto [i, j] : {std::pair{0, 0}, std::pair{0, 1}}) {
    SCOPED_TRACE("C(" + std::to_string(i + 1) + "," + std::to_string(j + 1) + ")");
    const Richardson e = richardson(r[0].C(i, j), r[1].C(i, j), r[2].C(i, j));
    EXPECT_NEAR(e.order, 1.0, 0.2);
    EXPECT_GT(std::abs(r[0].C(i, j)), 0.98 * std::abs(e.limit));
    EXPECT_LT(std::abs(r[0].C(i, j)), std::abs(e.limit));
  }
}

}  // namespace
}  // namespace validation
