// The product's waveforms against ngspice's for the same terminated line: the
// netlist comes from the ct, lt, Zs and Zl that the product computes, the program's
// waveforms from its result figures (JSON) as mexhost writes them.
#include <gtest/gtest.h>

#include <map>
#include <memory>

#include "cases.hpp"
#include "sampling.hpp"

namespace validation {
namespace {

// The driven pulse's peak, volts: every comparison is against this scale.
constexpr double kPulse = 1.0;

struct CaseRun {
  ProgramResult program;
  PeerResult peer;
  Agreement agreement;
};

// Each case runs once per test program (mexhost and ngspice together take about
// a second) and is shared by the tests that read it.
const CaseRun& caseRun(const TerminationCase& c) {
  static std::map<std::string, std::unique_ptr<CaseRun>> runs;
  auto& slot = runs[c.name];
  if (!slot) {
    auto run = std::make_unique<CaseRun>();
    run->program = runProgram(c);
    run->peer = runPeer(run->program);
    run->agreement = compare(run->program, run->peer);
    slot = std::move(run);
  }
  return *slot;
}

TEST(ResistorNetworks, ImpedanceMatricesBecomeTheResistorsTheyStandFor) {
  struct Row {
    const char* what;
    double r11, r12;  // ohm; 0 is a short, Inf no resistor
  };
  const Row rows[] = {
      {"50 ohm to ground, nothing between", 50, INFINITY},
      {"50 ohm to ground, 100 ohm between", 50, 100},
      {"1 Mohm to ground (an open end)", 1e6, INFINITY},
      {"shorted to ground", 0, INFINITY},
  };
  constexpr double eps = 2.220446049250313e-16;
  for (const Row& row : rows) {
    // The driver's construction: Y = [1/R11 + 1/R12, -1/R12; ...], Z = inv(Y).
    const double g11 = 1.0 / (row.r11 + eps), g12 = 1.0 / (row.r12 + eps);
    Eigen::Matrix2d Y;
    Y << g11 + g12, -g12, -g12, g11 + g12;
    const Network n = realise(Y.inverse());
    for (double g : n.toGround) {
      if (row.r11 == 0) {
        EXPECT_GT(g, kShort) << row.what;
      } else {
        EXPECT_NEAR(g * row.r11, 1.0, 1e-9) << row.what;
      }
    }
    if (std::isinf(row.r12)) {
      EXPECT_LT(std::abs(n.between), kOpen) << row.what;
    } else {
      EXPECT_NEAR(n.between * row.r12, 1.0, 1e-9) << row.what;
    }
  }
}

TEST(ResistorNetworks, MatchedTerminationIsPositiveResistorsToGroundAndBetween) {
  // Zc = 3e8 * lt of the driver's line: the admittance has a negative coupling
  // term, so both the resistors to ground and the one between are positive.
  const ProgramResult& p = caseRun(terminationCases().front()).program;
  const Network n = realise(p.Zs);
  EXPECT_GT(n.toGround[0], 0);
  EXPECT_GT(n.between, 0);
  EXPECT_NEAR(n.toGround[0], n.toGround[1], 1e-12 * n.toGround[0]);
  EXPECT_LT(n.between, n.toGround[0]);  // weakly coupled strips
}

class CircuitSimulator : public ::testing::TestWithParam<TerminationCase> {};

TEST_P(CircuitSimulator, EveryWaveformAgreesWithNgspiceOnceBandMatched) {
  const TerminationCase& c = GetParam();
  const Agreement& a = caseRun(c).agreement;
  for (int k = 0; k < 4; ++k) {
    SCOPED_TRACE(std::string(c.name) + " " + kWaveformNames[k]);
    EXPECT_LT(a.matched[k], 0.005 * kPulse);
    // The raw samples already agree; what the band matching removes is small.
    EXPECT_LT(a.raw[k], 0.005 * kPulse);
    // A crosstalk pulse of tens of millivolts must be right on its own scale too.
    if (k >= 2 && a.peak[k] > 1e-3) {
      EXPECT_LT(a.matched[k], 0.02 * a.peak[k]);
    }
  }
  // A victim that the product draws as a flat line is flat in ngspice as well
  // (below a microvolt), and one that carries crosstalk has the same peak in both.
  for (int k = 2; k < 4; ++k) {
    SCOPED_TRACE(std::string(c.name) + " " + kWaveformNames[k]);
    const double ours = maxAbs(caseRun(c).program.drawn[k]);
    if (ours < 1e-9) {
      EXPECT_LT(a.peak[k], 1e-6);
    } else {
      EXPECT_NEAR(ours / a.peak[k], 1.0, 0.02);
    }
  }
}

INSTANTIATE_TEST_SUITE_P(Terminations, CircuitSimulator, ::testing::ValuesIn(terminationCases()),
                         [](const auto& info) {
                           std::string name;
                           for (char ch : info.param.name) name += ch == '-' ? '_' : ch;
                           return name;
                         });

TEST(TimeAxis, FiguresDrawSampleJAtJTimesTmaxOver4095WhileItLiesAtTmaxOver4096) {
  const CaseRun& run = caseRun(terminationCases()[1]);
  ASSERT_EQ(run.program.plottedX.size(), static_cast<std::size_t>(kSamples));
  for (int j : {0, 1, 2048, kSamples - 1}) {
    EXPECT_NEAR(run.program.plottedX[j], plottedTime(j) * 1e9, 1e-12) << j;
  }
  // Read at the plotted times, the driven conductor's edges seem late by up to
  // 25/4095 ns; at the true sample times the disagreement is several times smaller.
  for (int k = 0; k < 2; ++k) {
    EXPECT_GT(run.agreement.atPlotted[k], 3 * run.agreement.raw[k]) << kWaveformNames[k];
  }
}

}  // namespace
}  // namespace validation
