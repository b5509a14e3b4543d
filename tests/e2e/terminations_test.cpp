// The terminations: a string means matched, a pair [R11 R12] a resistive network;
// shorts and opens; the caller's arguments stay as they were.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <string>
#include <vector>

#include "session.hpp"

namespace e2e {
namespace {

class Terminations : public ::testing::TestWithParam<std::string> {
 protected:
  // Both figures of one call: the four waveforms in volts.
  Waveforms drawn(const std::string& arguments) const {
    const Session& s = shared({call(GetParam(), arguments)});
    EXPECT_EQ(s.status(), 0) << arguments << ": " << s.err();
    const Figure f1 = parseFigure(s.figure(1));
    const Figure f2 = parseFigure(s.figure(2));
    Waveforms w;
    if (f1.axes.size() != 1 || f2.axes.size() != 1 || f1.axes[0].lines.size() != 2 ||
        f2.axes[0].lines.size() != 2) {
      ADD_FAILURE() << arguments << ": the result figures do not hold two lines each";
      return w;
    }
    w.vf1 = f1.axes[0].lines[0].y;
    w.vn1 = f1.axes[0].lines[1].y;
    w.vf2 = scaled(f2.axes[0].lines[0].y, 1e-3);
    w.vn2 = scaled(f2.axes[0].lines[1].y, 1e-3);
    return w;
  }
};

double at(const std::vector<double>& v, double ns) {
  const auto k = static_cast<std::size_t>(std::lround(ns * 4095.0 / 25.0));
  return k < v.size() ? v[k] : NAN;
}

TEST_P(Terminations, ShortedSourceEndPutsTheWholePulseOnTheDrivenConductor) {
  const Waveforms w = drawn("0.1, [0 Inf], 'm'");
  // Through an impedance of eps the near end follows the 1 V trapezoid (0..10 ns).
  EXPECT_NEAR(at(w.vn1, 5.0), 1.0, 1e-2);
  EXPECT_NEAR(at(w.vn1, 15.0), 0.0, 1e-2);
  EXPECT_NEAR(*std::max_element(w.vf1.begin(), w.vf1.end()), 1.0, 1e-2);
  // The victim is held at zero at the near end and the far end is matched.
  EXPECT_EQ(maxMagnitude(w.vn2), 0.0);
  EXPECT_EQ(maxMagnitude(w.vf2), 0.0);
}

TEST_P(Terminations, ShortedLoadEndHoldsTheFarEndAtZero) {
  const Waveforms w = drawn("0.1, 'm', [0 Inf]");
  EXPECT_LT(maxMagnitude(w.vf1), 1e-12);
  // The matched source gives half the pulse; the short reflects it with opposite sign.
  EXPECT_NEAR(*std::max_element(w.vn1.begin(), w.vn1.end()), 0.5, 1e-2);
  EXPECT_NEAR(*std::min_element(w.vn1.begin(), w.vn1.end()), -0.5, 1e-2);
  EXPECT_NEAR(at(w.vn1, 5.0), 0.0, 1e-2);
}

TEST_P(Terminations, StringContentsAreNotLookedAt) {
  const Waveforms empty = drawn("0.1, '', ''");
  const Waveforms words = drawn("0.1, 'anpassad', 'm'");
  EXPECT_EQ(empty.vf1, words.vf1);
  EXPECT_EQ(empty.vn1, words.vn1);
  EXPECT_EQ(empty.vf2, words.vf2);
  EXPECT_EQ(empty.vn2, words.vn2);
}

// Each way of choosing the terminations, against the same line solved at the prompt.
struct Case {
  std::string hh, source, load;
};

TEST_P(Terminations, ResistiveNetworksGiveTheLineSolutionForTheirImpedances) {
  for (const Case& c :
       {Case{"0.1", "Zc", "[50 Inf]"}, Case{"0.1", "[50 Inf]", "Zc"},
        Case{"0.1", "[50 Inf]", "[100 200]"}, Case{"[0.05 0.1]", "[0 Inf]", "[150 1000]"}}) {
    const auto argument = [](const std::string& t) { return t == "Zc" ? "'m'" : t; };
    const std::string arguments = c.hh + ", " + argument(c.source) + ", " + argument(c.load);
    SCOPED_TRACE(arguments);
    const Waveforms got = drawn(arguments);
    const Waveforms want = promptSolution(c.hh, c.source, c.load);
    EXPECT_LE(maxDifference(got.vf1, want.vf1), 1e-12);
    EXPECT_LE(maxDifference(got.vn1, want.vn1), 1e-12);
    EXPECT_LE(maxDifference(got.vf2, want.vf2), 1e-12);
    EXPECT_LE(maxDifference(got.vn2, want.vn2), 1e-12);
    EXPECT_GT(maxMagnitude(got.vf2), 1e-3) << "the victim carries crosstalk";
  }
}

TEST_P(Terminations, ShortBetweenConductorsTiesThemWithoutAWarning) {
  // [50 0] at the load end: both far ends at one potential, 25 ohms to ground.
  const std::unique_ptr<Session> s = run({call(GetParam(), "0.1, 'm', [50 0]")});
  EXPECT_EQ(s->status(), 0);
  EXPECT_EQ(s->err(), "");
  const Figure f1 = parseFigure(s->figure(1));
  const Figure f2 = parseFigure(s->figure(2));
  ASSERT_EQ(f1.axes.size(), 1u);
  ASSERT_EQ(f2.axes.size(), 1u);
  ASSERT_EQ(f1.axes[0].lines.size(), 2u);
  ASSERT_EQ(f2.axes[0].lines.size(), 2u);
  Waveforms w;
  w.vf1 = f1.axes[0].lines[0].y;
  w.vn1 = f1.axes[0].lines[1].y;
  w.vf2 = scaled(f2.axes[0].lines[0].y, 1e-3);
  w.vn2 = scaled(f2.axes[0].lines[1].y, 1e-3);
  for (const std::vector<double>* v : {&w.vf1, &w.vn1, &w.vf2, &w.vn2}) {
    EXPECT_TRUE(std::all_of(v->begin(), v->end(), [](double x) { return std::isfinite(x); }));
  }
  EXPECT_GT(maxMagnitude(w.vf1), 0.1);
  EXPECT_LE(maxDifference(w.vf1, w.vf2), 1e-12);
  // The same line solved at the prompt with the ideal tie: every entry 25 ohms.
  const Waveforms want = promptSolution("0.1", "Zc", "Z = [25 25; 25 25]");
  EXPECT_LE(maxDifference(w.vf1, want.vf1), 1e-12);
  EXPECT_LE(maxDifference(w.vn1, want.vn1), 1e-12);
  EXPECT_LE(maxDifference(w.vf2, want.vf2), 1e-12);
  EXPECT_LE(maxDifference(w.vn2, want.vn2), 1e-12);
}

TEST_P(Terminations, OpenToGroundWarnsOfASingularMatrixAndTheSessionGoesOn) {
  const std::unique_ptr<Session> s = run({call(GetParam(), "0.1, 'm', [Inf 100]"), "disp(42)"});
  EXPECT_EQ(s->status(), 0);
  EXPECT_EQ(s->err(), "warning: Matrix is singular to working precision.\n");
  EXPECT_EQ(s->out(), "    42\n");
  // The results are drawn all the same (with what the inverse gave).
  const Figure f1 = parseFigure(s->figure(1));
  ASSERT_EQ(f1.axes.size(), 1u);
  EXPECT_EQ(f1.axes[0].lines.size(), 2u);
  EXPECT_TRUE(s->hasFigure(2));
}

TEST_P(Terminations, MalformedNumericTerminationsFailInTheOrderOfTheConstruction) {
  const Session& s =
      shared({call(GetParam(), "0.1, 'm', 50"), call(GetParam(), "0.1, 'm', [50; Inf]"),
              // Both numeric: eps is added to both before either network
              // is built, so the cell fails first.
              call(GetParam(), "0.1, {1}, [1 2 3]")},
             onlyPlugin(GetParam()));
  EXPECT_EQ(s.errorLines(),
            (std::vector<std::string>{
                "error: operator +: nonconformant arguments (op1 is 2x1, op2 is 2x2).",
                "error: operator +: nonconformant arguments (op1 is 4x1, op2 is 4x4).",
                "error: operator +: not defined for cell arrays."}));
  // The banner stays; no results.
  EXPECT_FALSE(s.hasFigure(2));
}

TEST_P(Terminations, CallerArgumentsAreUnchanged) {
  // eps is added to the driver's own copies; 0 + eps and 0.5 + eps differ from 0 and 0.5.
  const std::unique_ptr<Session> s =
      run({"H = 0.1; S = [0 Inf]; R = [0.5 Inf];", call(GetParam(), "H, S, R"),
           "fprintf('%.17g ', H, S, R); fprintf('\\n');", call(GetParam(), "H"),
           "fprintf('%.17g ', H, S, R); fprintf('\\n');"});
  EXPECT_EQ(s->err(), "");
  EXPECT_EQ(s->out(), "0.10000000000000001 0 Inf 0.5 Inf \n0.10000000000000001 0 Inf 0.5 Inf \n");
}

INSTANTIATE_TEST_SUITE_P(Deliverables, Terminations, ::testing::Values(kVextrab, kVextral),
                         [](const ::testing::TestParamInfo<std::string>& info) {
                           return info.param;
                         });

}  // namespace
}  // namespace e2e
