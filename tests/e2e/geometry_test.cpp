// Geometry mode: called with the heights alone, the command draws the line's
// cross-section (three thick blue segments) and computes nothing.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "session.hpp"

namespace e2e {
namespace {

// The segments of the driver's line, one column per conductor, for the prompt.
const std::string kSegmentsX = "[-0.5 -0.3 0.1; 0.5 -0.1 0.3]";
std::string segmentsY(double h1, double h2) {
  const std::string a = std::to_string(h1);
  const std::string b = std::to_string(h2);
  return "[0 " + a + " " + b + "; 0 " + a + " " + b + "]";
}

// The automatic y-limits the host gives the axes of figure 9 after `drawing`.
std::vector<double> automaticYLimits(const std::string& options, const std::string& drawing) {
  const std::unique_ptr<Session> s =
      run({"figure(9); " + drawing, "a = axis; fprintf('%.17g\\n', a(3:4));"}, options);
  const std::vector<double> limits = printedNumbers(s->out());
  EXPECT_EQ(limits.size(), 2u) << s->err();
  return limits;
}

class Geometry : public ::testing::TestWithParam<std::string> {
 protected:
  const Session& drawn(const std::vector<std::string>& statements) const {
    const Session& s = shared(statements, onlyPlugin(GetParam()));
    EXPECT_EQ(s.err(), "");
    EXPECT_EQ(s.out(), "");
    EXPECT_EQ(s.status(), 0);
    return s;
  }
  std::string geometry(const std::string& hh) const { return call(GetParam(), hh); }
};

void expectSegment(const Line& line, double left, double right, double height) {
  ASSERT_EQ(line.x.size(), 2u);
  ASSERT_EQ(line.y.size(), 2u);
  EXPECT_NEAR(line.x[0], left, 1e-15);
  EXPECT_NEAR(line.x[1], right, 1e-15);
  EXPECT_EQ(line.y[0], height);
  EXPECT_EQ(line.y[1], height);
  EXPECT_EQ(line.color, (std::vector<double>{0, 0, 1}));
  EXPECT_EQ(line.lineWidth, 3.0);
}

TEST_P(Geometry, DrawsOneThickBlueSegmentPerConductorAndNothingElse) {
  const Session& s = drawn({geometry("0.1")});
  // No banner, no results: only figure 1, never a drawnow snapshot.
  EXPECT_EQ(s.figureFiles(), (std::vector<std::string>{"figure1.json"}));
  const Figure f = parseFigure(s.figure(1));
  ASSERT_EQ(f.axes.size(), 1u);
  EXPECT_TRUE(f.legends.empty());
  EXPECT_TRUE(f.axes[0].texts.empty());
  ASSERT_EQ(f.axes[0].lines.size(), 3u);
  expectSegment(f.axes[0].lines[0], -0.5, 0.5, 0.0);   // the reference strip
  expectSegment(f.axes[0].lines[1], -0.3, -0.1, 0.1);  // conductor 1
  expectSegment(f.axes[0].lines[2], 0.1, 0.3, 0.1);    // conductor 2
}

TEST_P(Geometry, TwoHeightsPlaceTheConductorsOneEach) {
  const Figure f = parseFigure(drawn({geometry("[0.1 0.2]")}).figure(1));
  ASSERT_EQ(f.axes.size(), 1u);
  ASSERT_EQ(f.axes[0].lines.size(), 3u);
  expectSegment(f.axes[0].lines[0], -0.5, 0.5, 0.0);
  expectSegment(f.axes[0].lines[1], -0.3, -0.1, 0.1);
  expectSegment(f.axes[0].lines[2], 0.1, 0.3, 0.2);
}

TEST_P(Geometry, AxesGetTheFlatPlotBoxTheWidthOfTheStripAndNoGrid) {
  const Figure f = parseFigure(drawn({geometry("0.1")}).figure(1));
  ASSERT_EQ(f.axes.size(), 1u);
  const Axes& a = f.axes[0];
  EXPECT_EQ(a.get("PlotBoxAspectRatio"), (std::vector<double>{1, 0.3, 1}));
  EXPECT_EQ(a.get("XLim"), (std::vector<double>{-0.5, 0.5}));
  EXPECT_EQ(a.text("XGrid"), "off");
  EXPECT_EQ(a.text("YGrid"), "off");
  // Equal data units on both axes.
  EXPECT_EQ(a.get("DataAspectRatio"), (std::vector<double>{1, 1, 1}));
  EXPECT_EQ(a.text("DataAspectRatioMode"), "manual");
}

TEST_P(Geometry, LowestConductorOnTheLowerLimitGetsABottomMargin) {
  // Heights 0 and 0.1: both limits hold a conductor, only the bottom margin remains.
  const std::vector<double> automatic = automaticYLimits(
      onlyPlugin(GetParam()), "line(" + kSegmentsX + ", " + segmentsY(0.1, 0.1) + ");");
  ASSERT_EQ(automatic.size(), 2u);
  ASSERT_EQ(automatic[0], 0.0);
  ASSERT_EQ(automatic[1], 0.1);
  const Figure f = parseFigure(drawn({geometry("0.1")}).figure(1));
  ASSERT_EQ(f.axes.size(), 1u);
  const double range = automatic[1] - automatic[0];
  EXPECT_EQ(f.axes[0].get("YLim"),
            (std::vector<double>{automatic[0] - range * 0.05, automatic[1]}));
}

TEST_P(Geometry, TopConductorOnTheUpperLimitAloneGetsATopMargin) {
  // Below the reference strip: the strip (0) is on the upper limit, and the lower
  // limit lies beyond the conductors at -0.13.
  const std::vector<double> automatic = automaticYLimits(
      onlyPlugin(GetParam()), "line(" + kSegmentsX + ", " + segmentsY(-0.13, -0.13) + ");");
  ASSERT_EQ(automatic.size(), 2u);
  ASSERT_LT(automatic[0], -0.13);
  ASSERT_EQ(automatic[1], 0.0);
  const Figure f = parseFigure(drawn({geometry("-0.13")}).figure(1));
  ASSERT_EQ(f.axes.size(), 1u);
  const double range = automatic[1] - automatic[0];
  EXPECT_EQ(f.axes[0].get("YLim"),
            (std::vector<double>{automatic[0], automatic[1] + range * 0.05}));
}

TEST_P(Geometry, HoldOnDrawsIntoTheCurrentAxesWithoutClearing) {
  const std::string before = "figure(3); plot([-0.5 0.5], [-0.37 -0.37]); hold on";
  const Session& s = drawn({before, geometry("0.1")});
  EXPECT_FALSE(s.hasFigure(1)) << "figure 1 is neither made nor drawn into";
  const Figure f = parseFigure(s.figure(3));
  ASSERT_EQ(f.axes.size(), 1u);
  ASSERT_EQ(f.axes[0].lines.size(), 4u);
  EXPECT_EQ(f.axes[0].lines[0].y, (std::vector<double>{-0.37, -0.37}));
  expectSegment(f.axes[0].lines[1], -0.5, 0.5, 0.0);
  expectSegment(f.axes[0].lines[2], -0.3, -0.1, 0.1);
  expectSegment(f.axes[0].lines[3], 0.1, 0.3, 0.1);
  // Only the top conductor lies on a limit: a top margin.
  const std::vector<double> automatic =
      automaticYLimits(onlyPlugin(GetParam()), "plot([-0.5 0.5], [-0.37 -0.37]); hold on; line(" +
                                                   kSegmentsX + ", " + segmentsY(0.1, 0.1) + ");");
  ASSERT_EQ(automatic.size(), 2u);
  ASSERT_LT(automatic[0], -0.37);
  ASSERT_EQ(automatic[1], 0.1);
  const double range = automatic[1] - automatic[0];
  EXPECT_EQ(f.axes[0].get("YLim"),
            (std::vector<double>{automatic[0], automatic[1] + range * 0.05}));
}

TEST_P(Geometry, WithoutHoldFigure1IsClearedAndOtherFiguresAreLeftAlone) {
  const Session& s =
      drawn({"figure(1); plot(1:10, 1:10); figure(2); plot(1:3, 4:6)", geometry("0.1")});
  const Figure f1 = parseFigure(s.figure(1));
  ASSERT_EQ(f1.axes.size(), 1u);
  ASSERT_EQ(f1.axes[0].lines.size(), 3u);
  expectSegment(f1.axes[0].lines[0], -0.5, 0.5, 0.0);
  const Figure f2 = parseFigure(s.figure(2));
  ASSERT_EQ(f2.axes.size(), 1u);
  ASSERT_EQ(f2.axes[0].lines.size(), 1u);
  EXPECT_EQ(f2.axes[0].lines[0].y, (std::vector<double>{4, 5, 6}));
}

// plattm's drawing mode alone, called at the prompt: the driver's finishing
// touches (aspect ratio, x-limits, grid off) are not part of it.
TEST(PlattmDrawing, DrawsTheSegmentsTogglesTheGridAndReturnsTwoEmpties) {
  const Session& s =
      shared({"[c, l] = plattm([1 0.2 0.2], [-0.2 0.2], 0.1); disp([size(c) size(l)])"},
             onlyPlugin(kVextrab) + " --expose-local");
  EXPECT_EQ(s.err(), "");
  EXPECT_EQ(s.out(), "     0     0     0     0\n");
  const Figure f = parseFigure(s.figure(1));
  ASSERT_EQ(f.axes.size(), 1u);
  ASSERT_EQ(f.axes[0].lines.size(), 3u);
  expectSegment(f.axes[0].lines[2], 0.1, 0.3, 0.1);
  EXPECT_EQ(f.axes[0].text("XGrid"), "on");
  EXPECT_EQ(f.axes[0].text("DataAspectRatioMode"), "manual");
  EXPECT_EQ(f.axes[0].text("PlotBoxAspectRatioMode"), "auto");
}

INSTANTIATE_TEST_SUITE_P(Deliverables, Geometry, ::testing::Values(kVextrab, kVextral),
                         [](const ::testing::TestParamInfo<std::string>& info) {
                           return info.param;
                         });

}  // namespace
}  // namespace e2e
