// Automatic axis limits, ticks, and the plot box under aspect-ratio settings.
#include <cmath>
#include <random>

#include "support.hpp"

namespace mh::gfx {
namespace {

using testing::HostTest;
using testing::S;
using Lim = std::array<double, 2>;

TEST(NiceLimits, ZeroToTwentyFiveKeepsItsEndsWithTicksEveryFive) {
  EXPECT_EQ(niceLimits(Lim{0, 25}), (Lim{0, 25}));
  EXPECT_EQ(tickValues(0, 25, 11), (std::vector<double>{0, 5, 10, 15, 20, 25}));
}

TEST(NiceLimits, EndsEqualTheDecimalLiterals) {
  // 0.1 / 0.01 is 10.000000000000002 in binary; the limit must still be the double 0.1.
  EXPECT_EQ(niceLimits(Lim{0, 0.1}), (Lim{0, 0.1}));
  EXPECT_EQ(niceLimits(Lim{0, 0.3}), (Lim{0, 0.3}));
  EXPECT_EQ(niceLimits(Lim{-0.3, 0.3}), (Lim{-0.3, 0.3}));
}

TEST(NiceLimits, RoundsOutwardToTheTickStep) {
  EXPECT_EQ(niceLimits(Lim{0, 1.05}), (Lim{0, 1.2}));
  EXPECT_EQ(niceLimits(Lim{-0.02, 1.0}), (Lim{-0.2, 1}));
  EXPECT_EQ(niceLimits(Lim{-7, -2}), (Lim{-7, -2}));
  EXPECT_FALSE(std::signbit(niceLimits(Lim{-5, 0})[1]));
  EXPECT_EQ(niceLimits(Lim{-1.5, 0.2}), (Lim{-1.6, 0.2}));
  EXPECT_EQ(niceLimits(Lim{0.013, 0.0991}), (Lim{0.01, 0.1}));
  EXPECT_EQ(niceLimits(Lim{1e6 + 0.3, 1e6 + 2.7}), (Lim{1e6, 1e6 + 3}));
}

TEST(NiceLimits, ConstantDataGetsOneUnitEachSideAndNoDataGetsZeroToOne) {
  EXPECT_EQ(niceLimits(Lim{3, 3}), (Lim{2, 4}));
  EXPECT_EQ(niceLimits(Lim{0, 0}), (Lim{-1, 1}));
  EXPECT_EQ(niceLimits(std::nullopt), (Lim{0, 1}));
  const Lim huge = niceLimits(Lim{1e300, 1e300});
  EXPECT_LT(huge[0], 1e300);
  EXPECT_GT(huge[1], 1e300);
}

TEST(NiceLimits, ContainTheDataWithoutMuchWasteOverManyRanges) {
  std::mt19937 rng(7);
  std::uniform_real_distribution<double> unit(0, 1);
  for (int k = 0; k < 2000; ++k) {
    const double scale = std::pow(10.0, std::floor(unit(rng) * 24) - 12);
    const double offset = (unit(rng) - 0.5) * scale * std::pow(10.0, std::floor(unit(rng) * 4));
    const double lo = offset + (unit(rng) - 0.5) * scale;
    const double hi = lo + unit(rng) * scale + scale * 1e-6;
    const Lim l = niceLimits(Lim{lo, hi});
    ASSERT_LE(l[0], lo) << lo << " " << hi;
    ASSERT_GE(l[1], hi) << lo << " " << hi;
    ASSERT_LT(l[1] - l[0], 3.0 * (hi - lo) + 1e-12 * scale) << lo << " " << hi;
  }
}

TEST(NiceLimits, NonFiniteOrDegenerateRangesComeBackUnchanged) {
  EXPECT_EQ(niceLimits(Lim{-1e308, 1e308}), (Lim{-1e308, 1e308}));
  EXPECT_EQ(niceLimits(Lim{0, 4.9e-324}), (Lim{0, 4.9e-324}));
}

TEST(TickValues, AreEvenDecimalsInsideTheRange) {
  const auto t = tickValues(0, 1, 11);
  ASSERT_EQ(t.size(), 11u);
  EXPECT_EQ(t[3], 0.3);  // not 0.30000000000000004
  EXPECT_EQ(t[7], 0.7);
  EXPECT_FALSE(std::signbit(t[0]));  // 0, not -0 (which would print as "-0")
  const auto inner = tickValues(-0.005, 0.1, 11);
  EXPECT_EQ(inner.front(), 0);
  EXPECT_EQ(inner.back(), 0.1);
  for (double v : inner) {
    EXPECT_GE(v, -0.005);
    EXPECT_LE(v, 0.1);
  }
}

TEST(TickValues, RespectTheMaximumCountOnShortAxes) {
  for (int max = 2; max <= 11; ++max) {
    const auto t = tickValues(-0.5, 0.5, max);
    EXPECT_LE(static_cast<int>(t.size()), max);
    EXPECT_GE(t.size(), 1u);
  }
  EXPECT_TRUE(tickValues(1, 1, 5).empty());
}

TEST(TickLabels, AreCompact) {
  EXPECT_EQ(formatTick(-0.0), "0");
  EXPECT_EQ(formatTick(0.1), "0.1");
  EXPECT_EQ(formatTick(-0.35), "-0.35");
  EXPECT_EQ(formatTick(25), "25");
  EXPECT_EQ(formatTick(1e-5), "1e-05");
}

// ---- limits as the program reads them ------------------------------------------------

class Limits : public HostTest {};

TEST_F(Limits, PlotOfZeroToTwentyFiveReadsBackZeroToTwentyFive) {
  call("plot", {rt::row({0, 25}), rt::row({0, 1})});
  EXPECT_EQ(testing::values(value("get", {gca(), S("XLim")})), (std::vector<double>{0, 25}));
  EXPECT_EQ(value("get", {gca(), S("xlim")}).dims(), (rt::Dims{1, 2}));
}

TEST_F(Limits, SegmentAtHeightZeroToPointOneGivesExactlyThoseLimits) {
  call("line", {rt::row({-0.5, 0.5}), rt::row({0, 0.1})});
  const auto axx = testing::values(value("axis"));
  EXPECT_EQ(axx, (std::vector<double>{-0.5, 0.5, 0, 0.1}));
}

TEST_F(Limits, ManualLimitsReadBackExactlyAndPlotMakesThemAutomaticAgain) {
  call("plot", {rt::row({0, 25}), rt::row({0, 1})});
  const double ax = gca();
  const double a = value("get", {ax, S("xlim")}).re()[0];
  call("set", {ax, S("xlim"), rt::row({a, 20})});
  EXPECT_EQ(testing::values(value("get", {ax, S("XLim")})), (std::vector<double>{0, 20}));
  EXPECT_EQ(g.stringProperty(ax, "XLimMode"), "manual");
  EXPECT_EQ(g.stringProperty(ax, "YLimMode"), "auto");
  call("plot", {rt::row({0, 3}), rt::row({0, 7})});
  EXPECT_EQ(g.stringProperty(ax, "XLimMode"), "auto");
  EXPECT_EQ(testing::values(value("get", {ax, S("XLim")})), (std::vector<double>{0, 3}));
  EXPECT_EQ(testing::values(value("get", {ax, S("YLim")})), (std::vector<double>{0, 7}));
}

TEST_F(Limits, NonFiniteSamplesDoNotStretchTheLimits) {
  const double nan = std::nan("");
  const double inf = INFINITY;
  call("plot", {rt::row({0, 1, 2, 3}), rt::row({nan, 0.2, inf, 0.8})});
  EXPECT_EQ(testing::values(value("axis")), (std::vector<double>{0, 3, 0.2, 0.8}));
}

TEST_F(Limits, EmptyAxesShowZeroToOne) {
  call("figure", {1.0});
  call("clf");
  call("text", {0.25, 0.5, S("Beräkning pågår!"), S("FontSize"), 18.0});
  EXPECT_EQ(testing::values(value("axis")), (std::vector<double>{0, 1, 0, 1}));
}

// ---- the plot box ----------------------------------------------------------------------

class PlotBox : public HostTest {};

TEST_F(PlotBox, DefaultBoxIsThePositionRectangleInPixels) {
  call("plot", {rt::row({0, 1}), rt::row({0, 1})});
  const AxesLayout l = g.layout(gca());
  EXPECT_DOUBLE_EQ(l.plotBox.x, 0.13 * 800);
  EXPECT_DOUBLE_EQ(l.plotBox.w, 0.775 * 800);
  EXPECT_DOUBLE_EQ(l.plotBox.h, 0.815 * 600);
  EXPECT_DOUBLE_EQ(l.plotBox.y, 600 - (0.11 + 0.815) * 600);
}

TEST_F(PlotBox, PlotBoxAspectRatioShapesTheBoxInsideThePosition) {
  call("plot", {rt::row({0, 1}), rt::row({0, 1})});
  const double ax = gca();
  call("set", {ax, S("PlotBoxAspectRatio"), rt::row({1, 0.3, 1})});
  const AxesLayout l = g.layout(ax);
  EXPECT_NEAR(l.plotBox.h / l.plotBox.w, 0.3, 1e-12);
  EXPECT_DOUBLE_EQ(l.plotBox.w, l.position.w);
  EXPECT_NEAR(l.plotBox.y + l.plotBox.h / 2, l.position.y + l.position.h / 2, 1e-9);
  EXPECT_EQ(testing::values(value("get", {ax, S("xlim")})), (std::vector<double>{0, 1}));
}

TEST_F(PlotBox, AxisEqualWidensAutomaticLimitsToEqualUnits) {
  call("plot", {rt::row({-0.5, 0.5}), rt::row({0, 0.1})});
  const double ax = gca();
  call("axis", {S("equal")});
  const AxesLayout l = g.layout(ax);
  const auto axx = testing::values(value("axis"));
  const double unitsX = l.plotBox.w / (axx[1] - axx[0]);
  const double unitsY = l.plotBox.h / (axx[3] - axx[2]);
  EXPECT_NEAR(unitsX / unitsY, 1.0, 1e-9);
  EXPECT_EQ(axx[0], -0.5);  // x already the wider span: kept
  EXPECT_EQ(axx[1], 0.5);
  EXPECT_LT(axx[2], 0);  // y widened about its centre 0.05
  EXPECT_GT(axx[3], 0.1);
  EXPECT_NEAR((axx[2] + axx[3]) / 2, 0.05, 1e-12);
  EXPECT_EQ(g.stringProperty(ax, "DataAspectRatioMode"), "manual");
  EXPECT_EQ(g.stringProperty(ax, "YLimMode"), "auto");
}

TEST_F(PlotBox, AllConstraintsManualKeepLimitsAndDataUnits) {
  // The cross-section's final state: limits, data and box aspect ratios all set.
  call("line", {rt::row({-0.5, 0.5}), rt::row({0, 0.1})});
  const double ax = gca();
  call("set", {ax, S("ylim"), rt::row({-0.005, 0.1})});
  call("axis", {S("equal")});
  call("set", {ax, S("plotboxaspectratio"), rt::row({1, 0.3, 1})});
  call("set", {ax, S("xlim"), rt::row({-0.5, 0.5})});
  const AxesLayout l = g.layout(ax);
  EXPECT_EQ(l.xlim, (Lim{-0.5, 0.5}));
  EXPECT_EQ(l.ylim, (Lim{-0.005, 0.1}));
  EXPECT_NEAR(l.plotBox.h / l.plotBox.w, 0.105, 1e-12);
}

TEST_F(PlotBox, ManualBoxAndDataRatiosAdjustTheOneAutomaticAxis) {
  call("line", {rt::row({-0.5, 0.5}), rt::row({0, 0.1})});
  const double ax = gca();
  call("set", {ax, S("ylim"), rt::row({0, 0.3})});
  call("axis", {S("equal")});
  call("set", {ax, S("plotboxaspectratio"), rt::row({1, 0.3, 1})});
  const AxesLayout l = g.layout(ax);
  EXPECT_NEAR(l.plotBox.h / l.plotBox.w, 0.3, 1e-12);
  EXPECT_NEAR(l.xlim[1] - l.xlim[0], 1.0, 1e-12);
  EXPECT_NEAR(l.xlim[0] + l.xlim[1], 0.0, 1e-12);
}

TEST_F(PlotBox, AxisNormalUndoesAxisEqual) {
  call("plot", {rt::row({0, 10}), rt::row({0, 1})});
  call("axis", {S("equal")});
  call("axis", {S("normal")});
  EXPECT_EQ(testing::values(value("axis")), (std::vector<double>{0, 10, 0, 1}));
}

}  // namespace
}  // namespace mh::gfx
