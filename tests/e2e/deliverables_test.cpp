// The two deliverables carry the same program: the same arguments give the same
// figures to the bit. And a call leaves nothing behind that changes the next one
// (vextrab's constant table is only read).
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "session.hpp"

namespace e2e {
namespace {

// The first place where two JSON documents differ, as a path ("" when equal).
std::string firstDifference(const json& a, const json& b, const std::string& path = "") {
  if (a.type() != b.type()) return path.empty() ? "/" : path;
  if (a.is_object()) {
    for (auto it = a.begin(); it != a.end(); ++it) {
      if (!b.contains(it.key())) return path + "/" + it.key();
      const std::string d = firstDifference(it.value(), b.at(it.key()), path + "/" + it.key());
      if (!d.empty()) return d;
    }
    return a.size() == b.size() ? "" : path + " (keys)";
  }
  if (a.is_array()) {
    if (a.size() != b.size()) return path + " (size)";
    for (std::size_t k = 0; k < a.size(); ++k) {
      const std::string d = firstDifference(a[k], b[k], path + "/" + std::to_string(k));
      if (!d.empty()) return d;
    }
    return "";
  }
  return a == b ? "" : (path.empty() ? "/" : path);
}

class SameProgram : public ::testing::TestWithParam<std::string> {};

TEST_P(SameProgram, VextrabAndVextralWriteIdenticalFigures) {
  // With the drawnow snapshots, so that they are compared too.
  const Session& b = shared({call(kVextrab, GetParam())}, onlyPlugin(kVextrab) + " --snapshots");
  const Session& l = shared({call(kVextral, GetParam())}, onlyPlugin(kVextral) + " --snapshots");
  EXPECT_EQ(b.err(), l.err());
  EXPECT_EQ(b.out(), l.out());
  ASSERT_FALSE(b.figureFiles().empty());
  ASSERT_EQ(b.figureFiles(), l.figureFiles());
  for (int n : {1, 2}) {
    for (bool drawnow : {false, true}) {
      if (!b.hasFigure(n, drawnow)) continue;
      EXPECT_EQ(firstDifference(b.figure(n, drawnow), l.figure(n, drawnow)), "")
          << "figure " << n << (drawnow ? " at drawnow" : "");
    }
  }
  // Including every sample of every line.
  for (int n : {1, 2}) {
    if (!b.hasFigure(n)) continue;
    const Figure fb = parseFigure(b.figure(n));
    const Figure fl = parseFigure(l.figure(n));
    ASSERT_EQ(fb.axes.size(), fl.axes.size());
    for (std::size_t a = 0; a < fb.axes.size(); ++a) {
      ASSERT_EQ(fb.axes[a].lines.size(), fl.axes[a].lines.size());
      for (std::size_t k = 0; k < fb.axes[a].lines.size(); ++k) {
        EXPECT_EQ(fb.axes[a].lines[k].x, fl.axes[a].lines[k].x);
        EXPECT_EQ(fb.axes[a].lines[k].y, fl.axes[a].lines[k].y);
      }
    }
  }
}

const char* const kArgumentNames[][2] = {
    {"0.1, 'm', 'm'", "MatchedEnds"},
    {"0.1, 'm', [50 Inf]", "FiftyOhmLoad"},
    {"[0.05 0.1], [0 Inf], [100 200]", "TwoHeightsResistiveEnds"},
    {"0.1", "CrossSection"},
    {"[0.1 0.2]", "CrossSectionTwoHeights"},
    {"", "NoInput"},
    {"0.1, 'm'", "TwoInputs"},
};

INSTANTIATE_TEST_SUITE_P(Arguments, SameProgram,
                         ::testing::Values(kArgumentNames[0][0], kArgumentNames[1][0],
                                           kArgumentNames[2][0], kArgumentNames[3][0],
                                           kArgumentNames[4][0], kArgumentNames[5][0],
                                           kArgumentNames[6][0]),
                         [](const ::testing::TestParamInfo<std::string>& info) {
                           return std::string(kArgumentNames[info.index][1]);
                         });

// ---- successive calls ------------------------------------------------------------------

class SuccessiveCalls : public ::testing::TestWithParam<std::string> {};

TEST_P(SuccessiveCalls, RepeatingASimulationDrawsTheSameResults) {
  const std::string simulation = call(GetParam(), "0.1, 'm', [50 Inf]");
  // The samples of every line of both figures, kept at the prompt after each call.
  const auto keep = [](const std::string& suffix) {
    return "figure(1); h = get(gca, 'Children'); p" + suffix + " = get(h(1), 'YData'); q" + suffix +
           " = get(h(2), 'YData'); figure(2); h = get(gca, 'Children'); r" + suffix +
           " = get(h(1), 'YData'); s" + suffix + " = get(h(2), 'YData');";
  };
  const Session& twice =
      shared({simulation, keep("1"),
              // Other calls in between: the cross-section, and one that fails.
              call(GetParam(), "[0.05 0.1]"), call(GetParam(), ""), simulation, keep("2"),
              "disp([isequal(p1, p2) isequal(q1, q2) isequal(r1, r2) isequal(s1, s2)])"},
             onlyPlugin(GetParam()));
  EXPECT_EQ(twice.errorLines(),
            (std::vector<std::string>{"error: Undefined function or variable 'hh'."}));
  EXPECT_EQ(twice.out(), "   1   1   1   1\n");

  // And the same as the first call of a fresh session.
  const Session& once = shared({simulation}, onlyPlugin(GetParam()));
  for (int n : {1, 2}) {
    const Figure got = parseFigure(twice.figure(n));
    const Figure want = parseFigure(once.figure(n));
    ASSERT_EQ(got.axes.size(), 1u);
    ASSERT_EQ(want.axes.size(), 1u);
    const Axes& g = got.axes[0];
    const Axes& w = want.axes[0];
    EXPECT_EQ(g.title, w.title);
    EXPECT_EQ(g.xlabel, w.xlabel);
    EXPECT_EQ(g.ylabel, w.ylabel);
    EXPECT_EQ(g.get("XLim"), w.get("XLim"));
    EXPECT_EQ(g.get("YLim"), w.get("YLim"));
    ASSERT_EQ(g.lines.size(), 2u);
    ASSERT_EQ(w.lines.size(), 2u);
    for (std::size_t k = 0; k < 2; ++k) {
      EXPECT_EQ(g.lines[k].x, w.lines[k].x);
      EXPECT_EQ(g.lines[k].y, w.lines[k].y);
    }
    ASSERT_EQ(got.legends.size(), 1u);
    EXPECT_EQ(got.legends[0].strings, want.legends[0].strings);
  }
}

TEST_P(SuccessiveCalls, Figure1IsRedrawnFromScratchAndFigure2IsReused) {
  const std::string simulation = call(GetParam(), "0.1, 'm', [50 Inf]");
  const Session& s = shared(
      {"figure(3); plot(1:3, 4:6);", simulation,
       "figure(1); a1 = gca; figure(2); b1 = gca; figure(3);", simulation,
       "figure(1); a2 = gca; figure(2); b2 = gca;", "disp([isequal(a1, a2) isequal(b1, b2)])"},
      onlyPlugin(GetParam()));
  EXPECT_EQ(s.err(), "");
  // Figure 1 is cleared for the banner (new axes); figure 2 keeps its axes.
  EXPECT_EQ(s.out(), "   0   1\n");
  // Whatever figure is current, the results go to figures 1 and 2 only.
  const Figure f3 = parseFigure(s.figure(3));
  ASSERT_EQ(f3.axes.size(), 1u);
  ASSERT_EQ(f3.axes[0].lines.size(), 1u);
  EXPECT_EQ(f3.axes[0].lines[0].y, (std::vector<double>{4, 5, 6}));
  const Figure f2 = parseFigure(s.figure(2));
  ASSERT_EQ(f2.axes.size(), 1u);
  EXPECT_EQ(f2.axes[0].lines.size(), 2u);
  EXPECT_EQ(f2.legends.size(), 1u);
}

TEST_P(SuccessiveCalls, NoArrayOutlivesACallWhetherItWorksOrFails) {
  const auto d = [&](const std::string& arguments) { return call(GetParam(), arguments); };
  const Session& s = shared(
      {"n = mexhost_live_arrays;", d("0.1, 'm', 'm'"), d("0.1"), d(""), d("1, 2, 3, 4"),
       d("[0.1 0.2 0.3], 'm', 'm'"), d("0.1, 'm', [50; Inf]"), "disp(mexhost_live_arrays - n)"},
      onlyPlugin(GetParam()));
  EXPECT_EQ(s.errorLines().size(), 4u) << s.err();
  EXPECT_EQ(s.out(), "     0\n");
}

TEST_P(SuccessiveCalls, OnlyVextrabHoldsItsConstantsFromLoadingToUnloading) {
  const bool library = GetParam() == kVextrab;
  const std::string simulation = call(GetParam(), "0.1, 'm', [50 Inf]");
  const Session& s =
      shared({"disp(mexhost_live_arrays)", simulation, "disp(mexhost_live_arrays)", "clear mex",
              "disp(mexhost_live_arrays)", simulation, "disp(mexhost_live_arrays)"},
             onlyPlugin(GetParam()));
  EXPECT_EQ(s.err(), "");
  // The 60 constants exist while vextrab is loaded; unloading destroys them and
  // the next call loads and makes them again. vextral keeps nothing.
  EXPECT_EQ(s.out(),
            library ? "    60\n    60\n     0\n    60\n" : "     0\n     0\n     0\n     0\n");
  const Session& once = shared({simulation}, onlyPlugin(GetParam()));
  for (int n : {1, 2}) {
    const Figure got = parseFigure(s.figure(n));
    const Figure want = parseFigure(once.figure(n));
    ASSERT_EQ(got.axes.size(), 1u);
    ASSERT_EQ(want.axes.size(), 1u);
    ASSERT_EQ(got.axes[0].lines.size(), 2u);
    ASSERT_EQ(want.axes[0].lines.size(), 2u);
    for (std::size_t k = 0; k < 2; ++k) {
      EXPECT_EQ(got.axes[0].lines[k].y, want.axes[0].lines[k].y);
    }
  }
}

INSTANTIATE_TEST_SUITE_P(Deliverables, SuccessiveCalls, ::testing::Values(kVextrab, kVextral),
                         [](const ::testing::TestParamInfo<std::string>& info) {
                           return info.param;
                         });

}  // namespace
}  // namespace e2e
