// The slow validation cases (label "slow", left out of the test command; run them
// with `ctest --test-dir build -L slow`): plattm up to Nj = 3200, whose cost
// grows with the cube of Nj, and the circuit comparison with an LC ladder, which
// ngspice takes about half a minute to run.
#include <gtest/gtest.h>

#include "cases.hpp"
#include "closed_forms.hpp"

namespace validation {
namespace {

TEST(ConvergenceToNj3200, RichardsonLimitPutsNj200WithinOnePercentOnTheDiagonal) {
  const int counts[] = {200, 400, 800, 1600, 3200};
  std::vector<PlattmCall> calls;
  for (int n : counts) calls.push_back(driverLine(n));
  const std::vector<LineParameters> r = runPlattm(calls);
  ASSERT_EQ(r.size(), 5u);
  for (auto [i, j] : {std::pair{0, 0}, std::pair{0, 1}}) {
    SCOPED_TRACE("C(" + std::to_string(i + 1) + "," + std::to_string(j + 1) + ")");
    // The observed order settles towards 1 as Nj grows.
    const Richardson coarse = richardson(r[0].C(i, j), r[1].C(i, j), r[2].C(i, j));
    const Richardson fine = richardson(r[2].C(i, j), r[3].C(i, j), r[4].C(i, j));
    EXPECT_NEAR(fine.order, 1.0, 0.05);
    EXPECT_LT(std::abs(fine.order - 1.0), std::abs(coarse.order - 1.0) + 1e-3);
    // The two estimates of the limit agree to a small part of the Nj = 200 error.
    const double error200 = std::abs(r[0].C(i, j) - fine.limit);
    EXPECT_LT(std::abs(coarse.limit - fine.limit), 0.2 * error200);
  }
  const Richardson diagonal = richardson(r[2].C(0, 0), r[3].C(0, 0), r[4].C(0, 0));
  EXPECT_LT(std::abs(r[0].C(0, 0) / diagonal.limit - 1.0), 0.01);
}

TEST(MicrostripAtNj1600, CapacitanceIsWithinOnePercentOfHammerstadJensen) {
  const double ratios[] = {0.1, 0.3, 1.0, 3.0, 10.0};
  std::vector<PlattmCall> calls;
  for (double u : ratios) calls.push_back(microstrip(u, 10.0, 1600));
  const std::vector<LineParameters> results = runPlattm(calls);
  ASSERT_EQ(results.size(), calls.size());
  for (std::size_t k = 0; k < calls.size(); ++k) {
    const double deviation = results[k].C(0, 0) / hammerstadJensenCapacitance(ratios[k]) - 1.0;
    EXPECT_LT(std::abs(deviation), 0.01) << "w/h = " << ratios[k];
  }
}

TEST(LadderPeer, AnLCLadderAgreesWithTheCoupledLineModelAndTheProduct) {
  // Kirchhoff's laws alone (400 coupled LC cells) confirm the coupled-line model's
  // matrices and conventions; the ladder's own dispersion keeps it a little further
  // from the product than the distributed model.
  const TerminationCase& c = terminationCases()[1];
  const ProgramResult program = runProgram(c);
  const Agreement ladder = compare(program, runPeer(program, LineModel::Ladder, 400));
  const Agreement line = compare(program, runPeer(program));
  for (int k = 0; k < 4; ++k) {
    SCOPED_TRACE(kWaveformNames[k]);
    EXPECT_LT(ladder.matched[k], 0.005);
    EXPECT_LT(line.matched[k], ladder.matched[k] + 1e-4);
  }
}

}  // namespace
}  // namespace validation
