// The result figures of a simulation: figure 1 for the driven conductor in volts,
// figure 2 for the victim conductor in millivolts, each with the far-end and the
// near-end voltage over 0..25 ns, shown up to 20 ns; the banner while computing.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "session.hpp"

namespace e2e {
namespace {

const std::string kFarEnd = "Spänning i laständan";
const std::string kNearEnd = "Spänning i källändan";
const std::string kBanner = "Beräkning pågår!";

class ResultFigures : public ::testing::TestWithParam<std::string> {
 protected:
  // Matched at both ends: the victim carries only rounding noise. With the banner's
  // snapshot at drawnow.
  const Session& matched() const {
    return shared({call(GetParam(), "0.1, 'm', 'm'")}, "--snapshots");
  }
  // 50 ohm to ground at the load end: a real negative crosstalk pulse on the victim.
  const Session& loaded() const { return shared({call(GetParam(), "0.1, 'm', [50 Inf]")}); }
};

TEST_P(ResultFigures, OneCallWritesTheBannerSnapshotAndBothResultFigures) {
  const Session& s = matched();
  EXPECT_EQ(s.status(), 0) << s.err();
  EXPECT_EQ(s.err(), "");
  EXPECT_EQ(s.out(), "");
  EXPECT_EQ(s.figureFiles(),
            (std::vector<std::string>{"figure1-drawnow.json", "figure1.json", "figure2.json"}));
  // Without --snapshots, drawnow writes nothing.
  EXPECT_EQ(loaded().figureFiles(), (std::vector<std::string>{"figure1.json", "figure2.json"}));
}

TEST_P(ResultFigures, TitlesLabelsAndLegendsNameTheConductorsAndTheEnds) {
  const Session& s = matched();
  const Figure f1 = parseFigure(s.figure(1));
  const Figure f2 = parseFigure(s.figure(2));
  ASSERT_EQ(f1.axes.size(), 1u);
  ASSERT_EQ(f2.axes.size(), 1u);
  EXPECT_EQ(f1.axes[0].title, "Spänning i laständan på ledare 1");
  EXPECT_EQ(f2.axes[0].title, "Spänning på ledare 2");
  EXPECT_EQ(f1.axes[0].xlabel, "Tid [ns]");
  EXPECT_EQ(f2.axes[0].xlabel, "Tid [ns]");
  EXPECT_EQ(f1.axes[0].ylabel, "Amplitud [V]");
  EXPECT_EQ(f2.axes[0].ylabel, "Amplitud [mV]");
  for (const Figure* f : {&f1, &f2}) {
    ASSERT_EQ(f->legends.size(), 1u);
    EXPECT_EQ(f->legends[0].strings, (std::vector<std::string>{kFarEnd, kNearEnd}));
    // The entries belong to the lines in the order they were drawn: far end first.
    ASSERT_EQ(f->axes[0].lines.size(), 2u);
    EXPECT_EQ(f->legends[0].lines,
              (std::vector<double>{f->axes[0].lines[0].handle, f->axes[0].lines[1].handle}));
  }
}

TEST_P(ResultFigures, EachFigureHasTwoLinesOf4096SamplesOnTheNanosecondGrid) {
  const Session& s = matched();
  for (int n : {1, 2}) {
    const Figure f = parseFigure(s.figure(n));
    ASSERT_EQ(f.axes.size(), 1u);
    ASSERT_EQ(f.axes[0].lines.size(), 2u) << "figure " << n;
    EXPECT_TRUE(f.axes[0].texts.empty()) << "the banner is gone from figure " << n;
    for (const Line& line : f.axes[0].lines) {
      ASSERT_EQ(line.x.size(), 4096u);
      ASSERT_EQ(line.y.size(), 4096u);
      // t = 0 : tmax/(nt-1) : tmax in nanoseconds: the step is 25/4095, not 25/4096,
      // and the last sample is exactly 25.
      EXPECT_EQ(line.x.front(), 0.0);
      EXPECT_EQ(line.x.back(), 25.0);
      for (std::size_t k = 0; k < line.x.size(); ++k) {
        ASSERT_NEAR(line.x[k], static_cast<double>(k) * 25.0 / 4095.0, 1e-12) << "sample " << k;
      }
    }
    EXPECT_EQ(f.axes[0].lines[0].x, f.axes[0].lines[1].x);
    // The host's default colours, in its order.
    const json& order = f.axes[0].properties.at("ColorOrder");
    EXPECT_EQ(f.axes[0].lines[0].color, numbers(order.at(0)));
    EXPECT_EQ(f.axes[0].lines[1].color, numbers(order.at(1)));
  }
}

TEST_P(ResultFigures, VisibleTimeRangeKeepsTheAutomaticLeftLimitAndEndsAt20ns) {
  const Session& s = matched();
  for (int n : {1, 2}) {
    const Figure f = parseFigure(s.figure(n));
    ASSERT_EQ(f.axes.size(), 1u);
    // The automatic limits of data from 0 to 25 start at 0.
    EXPECT_EQ(f.axes[0].get("XLim"), (std::vector<double>{0.0, 20.0})) << "figure " << n;
    // The y-limits are left to the host.
    EXPECT_EQ(f.axes[0].text("YLimMode"), "auto") << "figure " << n;
  }
}

TEST_P(ResultFigures, BannerIsOnScreenWhileTheComputationRuns) {
  const Session& s = matched();
  ASSERT_TRUE(s.hasFigure(1, true));
  EXPECT_FALSE(s.hasFigure(2, true));
  const Figure banner = parseFigure(s.figure(1, true));
  ASSERT_EQ(banner.axes.size(), 1u);
  EXPECT_TRUE(banner.axes[0].lines.empty());
  ASSERT_EQ(banner.axes[0].texts.size(), 1u);
  const Text& t = banner.axes[0].texts[0];
  EXPECT_EQ(t.string, kBanner);
  ASSERT_GE(t.position.size(), 2u);
  EXPECT_EQ(t.position[0], 0.25);
  EXPECT_EQ(t.position[1], 0.5);
  EXPECT_EQ(t.fontSize, 18.0);
}

TEST_P(ResultFigures, MatchedLineDrawsTheSolutionOfTheDrivenConductorInVolts) {
  const Waveforms w = promptSolution("0.1", "Zc", "Zc");
  const Figure f1 = parseFigure(matched().figure(1));
  ASSERT_EQ(f1.axes.size(), 1u);
  ASSERT_EQ(f1.axes[0].lines.size(), 2u);
  EXPECT_LE(maxDifference(f1.axes[0].lines[0].y, w.vf1), 1e-12);
  EXPECT_LE(maxDifference(f1.axes[0].lines[1].y, w.vn1), 1e-12);
  // Matched at both ends, half the 1 V pulse travels along the line.
  EXPECT_NEAR(*std::max_element(f1.axes[0].lines[0].y.begin(), f1.axes[0].lines[0].y.end()), 0.5,
              0.01);
}

TEST_P(ResultFigures, VictimRoundingNoiseIsDrawnAsExactZeros) {
  // At the prompt the matched victim is noise: not zero, but below 1e-16 V.
  const Waveforms w = promptSolution("0.1", "Zc", "Zc");
  for (const std::vector<double>* v : {&w.vf2, &w.vn2}) {
    EXPECT_GT(maxMagnitude(*v), 0.0);
    EXPECT_LT(maxMagnitude(*v), 1e-16);
  }
  const Figure f2 = parseFigure(matched().figure(2));
  ASSERT_EQ(f2.axes.size(), 1u);
  ASSERT_EQ(f2.axes[0].lines.size(), 2u);
  for (const Line& line : f2.axes[0].lines) {
    EXPECT_TRUE(std::all_of(line.y.begin(), line.y.end(), [](double v) { return v == 0.0; }));
  }
}

TEST_P(ResultFigures, NegativeCrosstalkIsDrawnAsItIsInMillivolts) {
  const Session& s = loaded();
  EXPECT_EQ(s.status(), 0) << s.err();
  EXPECT_EQ(s.err(), "");
  const Waveforms w = promptSolution("0.1", "Zc", "[50 Inf]");
  const Figure f1 = parseFigure(s.figure(1));
  const Figure f2 = parseFigure(s.figure(2));
  ASSERT_EQ(f1.axes.size(), 1u);
  ASSERT_EQ(f2.axes.size(), 1u);
  ASSERT_EQ(f1.axes[0].lines.size(), 2u);
  ASSERT_EQ(f2.axes[0].lines.size(), 2u);
  EXPECT_LE(maxDifference(f1.axes[0].lines[0].y, w.vf1), 1e-12);
  EXPECT_LE(maxDifference(f1.axes[0].lines[1].y, w.vn1), 1e-12);
  // Figure 2 is the victim in millivolts, uncleaned.
  const std::vector<double>& far = f2.axes[0].lines[0].y;
  const std::vector<double>& near = f2.axes[0].lines[1].y;
  EXPECT_LE(maxDifference(far, scaled(w.vf2, 1000.0)), 1e-9);
  EXPECT_LE(maxDifference(near, scaled(w.vn2, 1000.0)), 1e-9);
  // A negative pulse of about -23 mV at both ends.
  EXPECT_NEAR(*std::min_element(far.begin(), far.end()), -23.25, 0.1);
  EXPECT_NEAR(*std::min_element(near.begin(), near.end()), -23.26, 0.1);
}

INSTANTIATE_TEST_SUITE_P(Deliverables, ResultFigures, ::testing::Values(kVextrab, kVextral),
                         [](const ::testing::TestParamInfo<std::string>& info) {
                           return info.param;
                         });

}  // namespace
}  // namespace e2e
