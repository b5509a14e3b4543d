// The graphics builtins as the program and a person at the prompt call them.
#include <cmath>

#include "support.hpp"

namespace mh::gfx {
namespace {

using testing::errorOf;
using testing::HostTest;
using testing::S;
using testing::values;

// ---- results per number of outputs -------------------------------------------------

class Outputs : public HostTest {};

TEST_F(Outputs, StatementFormsReturnNothingWhereTheHostReturnsNothing) {
  EXPECT_TRUE(call("figure", {1.0}).empty());
  EXPECT_TRUE(call("clf").empty());
  EXPECT_TRUE(call("plot", {rt::row({0, 1}), rt::row({0, 1})}).empty());
  EXPECT_TRUE(call("xlabel", {S("Tid [ns]")}).empty());
  EXPECT_TRUE(call("legend", {S("a")}).empty());
  EXPECT_TRUE(call("set", {gca(), S("xlim"), rt::row({0, 20})}).empty());
  EXPECT_TRUE(call("grid").empty());
  EXPECT_TRUE(call("hold", {S("on")}).empty());
  EXPECT_TRUE(call("axis", {S("equal")}).empty());
  EXPECT_TRUE(call("drawnow").empty());
  EXPECT_TRUE(call("close", {S("all")}).empty());
}

TEST_F(Outputs, ValueFormsReturnEvenWithoutOutputs) {
  // text, line, get, gca, axis (query) and ishold give a value that becomes ans.
  EXPECT_EQ(call("text", {0.5, 0.5, S("x")}).size(), 1u);
  EXPECT_EQ(call("line", {rt::row({0, 1}), rt::row({0, 1})}).size(), 1u);
  EXPECT_EQ(call("get", {gca(), S("xlim")}).size(), 1u);
  EXPECT_EQ(call("axis").size(), 1u);
  EXPECT_EQ(call("ishold").size(), 1u);
}

TEST_F(Outputs, HandlesComeBackWhenAsked) {
  const double f = value("figure", {3.0}).scalar();
  EXPECT_EQ(f, 3);
  EXPECT_EQ(value("gcf").scalar(), 3);
  const double t = value("title", {S("Spänning på ledare 2")}).scalar();
  EXPECT_EQ(value("get", {t, S("String")}).utf8(), "Spänning på ledare 2");
  EXPECT_EQ(value("get", {gca(), S("Title")}).scalar(), t);
  const rt::Array lines = value("plot", {rt::row({0, 1}), rt::zeros(2, 3)});
  EXPECT_EQ(lines.dims(), (rt::Dims{3, 1}));
}

TEST_F(Outputs, TooManyOutputsIsAnError) {
  EXPECT_EQ(errorOf([&] { call("gca", {}, 2); }).identifier(), "mexhost:graphics:argumentCount");
  EXPECT_EQ(errorOf([&] {
              call("set", {gca(), S("xgrid"), S("on")}, 1);
            }).identifier(),
            "mexhost:graphics:argumentCount");
}

// ---- figures ------------------------------------------------------------------------

class Figures : public HostTest {};

TEST_F(Figures, FigureNSelectsOrCreatesWithoutClearing) {
  call("figure", {2.0});
  call("plot", {rt::row({0, 1}), rt::row({0, 1})});
  call("figure", {1.0});
  call("figure", {2.0});
  EXPECT_EQ(g.currentFigure(), 2);
  EXPECT_EQ(linesOf(gca()).size(), 1u);
  EXPECT_EQ(value("figure").scalar(), 1 + 2);  // next free number
}

TEST_F(Figures, ClfEmptiesTheCurrentFigureAndTextMakesDefaultAxes) {
  call("figure", {1.0});
  call("plot", {rt::row({0, 25}), rt::row({0, 1})});
  call("clf");
  EXPECT_TRUE(g.children(1).empty());
  const double t = value("text", {0.25, 0.5, S("Beräkning pågår!"), S("FontSize"), 18.0}).scalar();
  EXPECT_EQ(g.children(1).size(), 1u);
  EXPECT_EQ(values(value("get", {t, S("Position")})), (std::vector<double>{0.25, 0.5, 0}));
  EXPECT_EQ(value("get", {t, S("fontsize")}).scalar(), 18);
  EXPECT_EQ(value("get", {t, S("String")}).utf8(), "Beräkning pågår!");
  EXPECT_EQ(values(value("axis")), (std::vector<double>{0, 1, 0, 1}));
}

TEST_F(Figures, CloseRemovesFiguresAndRefusesNonFigures) {
  call("figure", {1.0});
  call("figure", {2.0});
  call("close", {2.0});
  EXPECT_EQ(g.figures(), (std::vector<double>{1}));
  EXPECT_EQ(errorOf([&] { call("close", {7.0}); }).identifier(), "mexhost:graphics:invalidHandle");
  EXPECT_EQ(errorOf([&] { call("close", {gca()}); }).identifier(),
            "mexhost:graphics:invalidHandle");
  call("close", {S("all")});
  EXPECT_TRUE(g.figures().empty());
  call("close");  // nothing open: nothing to do
}

TEST_F(Figures, DrawnowRunsTheHostsHook) {
  int snapshots = 0;
  g.setDrawnowHook([&] { ++snapshots; });
  call("drawnow");
  EXPECT_EQ(snapshots, 1);
}

// ---- plot, line and hold -------------------------------------------------------------

class Plotting : public HostTest {};

TEST_F(Plotting, PlotWithHoldOffReplacesLinesTextsAndLabels) {
  call("text", {0.25, 0.5, S("Beräkning pågår!")});
  call("title", {S("old")});
  const double ax = gca();
  call("set", {ax, S("xlim"), rt::row({0, 5})});
  call("grid", {S("on")});
  const rt::Array first = value("plot", {rt::row({0, 1}), rt::row({0, 1})});
  const rt::Array second =
      value("plot", {rt::row({0, 2}), rt::row({0, 1}), rt::row({0, 2}), rt::row({1, 0})});
  EXPECT_EQ(gca(), ax);  // the same axes, reset
  EXPECT_FALSE(g.isHandle(first.scalar()));
  EXPECT_EQ(linesOf(ax), second.re());
  EXPECT_EQ(g.children(ax).size(), 2u);  // the banner text is gone
  EXPECT_EQ(g.stringProperty(g.label(ax, Label::Title), "String"), "");
  EXPECT_EQ(g.stringProperty(ax, "XLimMode"), "auto");
  EXPECT_EQ(g.stringProperty(ax, "XGrid"), "off");
}

TEST_F(Plotting, SuccessiveLinesTakeTheDefaultColourOrder) {
  const rt::Array h = value("plot", {rt::column({1, 2}), rt::matrix(2, 3, {1, 2, 3, 4, 5, 6})});
  ASSERT_EQ(h.numel(), 3u);
  EXPECT_EQ(values(value("get", {h.re()[0], S("Color")})), (std::vector<double>{0, 0, 1}));
  EXPECT_EQ(values(value("get", {h.re()[1], S("Color")})), (std::vector<double>{0, 0.5, 0}));
  EXPECT_EQ(values(value("get", {h.re()[2], S("Color")})), (std::vector<double>{1, 0, 0}));
  EXPECT_EQ(values(value("get", {h.re()[2], S("YData")})), (std::vector<double>{5, 6}));
}

TEST_F(Plotting, HoldOnAddsAndContinuesTheColourOrder) {
  call("plot", {rt::row({0, 1}), rt::row({0, 1})});
  call("hold", {S("on")});
  EXPECT_TRUE(value("ishold").scalar());
  const double second = value("plot", {rt::row({0, 1}), rt::row({1, 0})}).scalar();
  EXPECT_EQ(linesOf(gca()).size(), 2u);
  EXPECT_EQ(values(value("get", {second, S("Color")})), (std::vector<double>{0, 0.5, 0}));
  call("hold", {S("off")});
  EXPECT_FALSE(value("ishold").scalar());
  call("plot", {rt::row({0, 1}), rt::row({0, 1})});
  EXPECT_EQ(linesOf(gca()).size(), 1u);
}

TEST_F(Plotting, HoldWithoutArgumentToggles) {
  call("hold");
  EXPECT_TRUE(value("ishold").scalar());
  call("hold");
  EXPECT_FALSE(value("ishold").scalar());
}

TEST_F(Plotting, IsholdWithoutAFigureCreatesNothing) {
  const rt::Array held = value("ishold");
  EXPECT_TRUE(held.isLogical());
  EXPECT_FALSE(held.scalar());
  EXPECT_TRUE(g.figures().empty());
  call("figure", {1.0});
  EXPECT_FALSE(value("ishold").scalar());
  EXPECT_TRUE(g.children(1).empty());
}

TEST_F(Plotting, LineAlwaysAddsOneLinePerColumn) {
  call("plot", {rt::row({0, 1}), rt::row({0, 1})});
  const rt::Array x = rt::matrix(2, 3, {-0.5, 0.5, -0.3, -0.1, 0.1, 0.3});
  const rt::Array y = rt::matrix(2, 3, {0, 0, 0.1, 0.1, 0.1, 0.1});
  const rt::Array h = value("line", {x, y, S("color"), S("b"), S("linewidth"), 3.0});
  ASSERT_EQ(h.numel(), 3u);
  EXPECT_EQ(linesOf(gca()).size(), 4u);  // hold is off, yet nothing was replaced
  EXPECT_EQ(values(value("get", {h.re()[1], S("XData")})), (std::vector<double>{-0.3, -0.1}));
  EXPECT_EQ(values(value("get", {h.re()[1], S("YData")})), (std::vector<double>{0.1, 0.1}));
  EXPECT_EQ(value("get", {h.re()[2], S("LineWidth")}).scalar(), 3);
  EXPECT_EQ(values(value("get", {h.re()[2], S("Color")})), (std::vector<double>{0, 0, 1}));
}

TEST_F(Plotting, PlotOfOneVectorUsesItsIndices) {
  const double h = value("plot", {rt::row({4, 5, 6})}).scalar();
  EXPECT_EQ(values(value("get", {h, S("XData")})), (std::vector<double>{1, 2, 3}));
  EXPECT_EQ(values(value("get", {h, S("YData")})), (std::vector<double>{4, 5, 6}));
}

TEST_F(Plotting, LineFormatsAndPropertyPairsApplyToEveryLine) {
  const rt::Array h = value("plot", {rt::row({0, 1}), rt::row({0, 1}), S("r--"), rt::row({0, 1}),
                                     rt::row({1, 0}), S("o"), S("LineWidth"), 2.0});
  ASSERT_EQ(h.numel(), 2u);
  EXPECT_EQ(values(value("get", {h.re()[0], S("Color")})), (std::vector<double>{1, 0, 0}));
  EXPECT_EQ(value("get", {h.re()[0], S("LineStyle")}).utf8(), "--");
  EXPECT_EQ(value("get", {h.re()[1], S("Marker")}).utf8(), "o");
  EXPECT_EQ(value("get", {h.re()[1], S("LineStyle")}).utf8(), "none");
  EXPECT_EQ(values(value("get", {h.re()[1], S("Color")})), (std::vector<double>{0, 0, 1}));
  EXPECT_EQ(value("get", {h.re()[1], S("LineWidth")}).scalar(), 2);
}

TEST_F(Plotting, BadArgumentsFailBeforeAnythingIsDrawn) {
  const auto fails = [&](const std::vector<rt::Array>& args) {
    EXPECT_EQ(errorOf([&] { call("plot", args); }).identifier(),
              "mexhost:graphics:invalidArgument");
  };
  fails({rt::row({0, 1, 2}), rt::row({0, 1})});
  fails({rt::zeros(2, 3), rt::zeros(3, 2)});
  fails({S("abc")});
  EXPECT_EQ(errorOf([&] {
              call("plot", {rt::row({0, 1}), rt::row({0, 1}), S("LineWidth")});
            }).identifier(),
            "mexhost:graphics:invalidArgument");
  EXPECT_EQ(errorOf([&] {
              call("plot", {rt::row({0, 1}), rt::row({0, 1}), S("Width"), 2.0});
            }).identifier(),
            "mexhost:graphics:unknownProperty");
  EXPECT_EQ(errorOf([&] {
              call("line", {rt::row({0, 1}), rt::row({0, 1}), S("color"), S("q")});
            }).identifier(),
            "mexhost:graphics:invalidValue");
  EXPECT_TRUE(g.figures().empty());
}

TEST_F(Plotting, ComplexDataPlotsRealAgainstImaginary) {
  const rt::Array z = rt::Array::fromData({1, 2}, {1, 2}, {3, 4});
  const double h = value("plot", {z}).scalar();
  EXPECT_EQ(values(value("get", {h, S("XData")})), (std::vector<double>{1, 2}));
  EXPECT_EQ(values(value("get", {h, S("YData")})), (std::vector<double>{3, 4}));
}

// ---- axes settings ---------------------------------------------------------------------

class AxesSettings : public HostTest {};

TEST_F(AxesSettings, GridWithoutArgumentTogglesBothAxes) {
  const double ax = gca();
  call("grid");
  EXPECT_EQ(g.stringProperty(ax, "XGrid"), "on");
  EXPECT_EQ(g.stringProperty(ax, "YGrid"), "on");
  call("grid");
  EXPECT_EQ(g.stringProperty(ax, "XGrid"), "off");
  call("grid", {S("on")});
  call("grid", {S("off")});
  EXPECT_EQ(g.stringProperty(ax, "YGrid"), "off");
  EXPECT_EQ(errorOf([&] { call("grid", {S("sideways")}); }).identifier(),
            "mexhost:graphics:invalidArgument");
}

TEST_F(AxesSettings, AxisSetsLimitsEqualUnitsAndVisibility) {
  const double ax = gca();
  call("axis", {rt::row({-1, 1, 0, 2})});
  EXPECT_EQ(values(value("get", {ax, S("xlim")})), (std::vector<double>{-1, 1}));
  EXPECT_EQ(g.stringProperty(ax, "YLimMode"), "manual");
  call("axis", {S("equal")});
  EXPECT_EQ(values(value("get", {ax, S("DataAspectRatio")})), (std::vector<double>{1, 1, 1}));
  call("axis", {S("off")});
  EXPECT_EQ(g.stringProperty(ax, "Visible"), "off");
  call("axis", {S("auto")});
  call("axis", {S("normal")});
  EXPECT_EQ(values(value("axis", {S("on")})), (std::vector<double>{0, 1, 0, 1}));
  EXPECT_EQ(errorOf([&] {
              call("axis", {rt::row({1, 0, 0, 1})});
            }).identifier(),
            "mexhost:graphics:invalidValue");
  EXPECT_EQ(errorOf([&] { call("axis", {S("ij")}); }).identifier(),
            "mexhost:graphics:invalidArgument");
}

TEST_F(AxesSettings, AxisTightFitsTheData) {
  call("plot", {rt::row({0.3, 2.2}), rt::row({-0.7, 0.9})});
  call("axis", {S("tight")});
  EXPECT_EQ(values(value("axis")), (std::vector<double>{0.3, 2.2, -0.7, 0.9}));
}

TEST_F(AxesSettings, LabelsSetTheAxesTexts) {
  call("xlabel", {S("Tid [ns]")});
  call("ylabel", {S("Amplitud [mV]"), S("FontSize"), 14.0});
  const double ax = gca();
  EXPECT_EQ(g.stringProperty(g.label(ax, Label::XLabel), "String"), "Tid [ns]");
  EXPECT_EQ(g.numberProperty(g.label(ax, Label::YLabel), "FontSize"), 14);
  EXPECT_EQ(g.numberProperty(g.label(ax, Label::YLabel), "Rotation"), 90);
  EXPECT_EQ(errorOf([&] { call("title"); }).identifier(), "mexhost:graphics:argumentCount");
}

TEST_F(AxesSettings, SetAndGetWorkOnSeveralHandles) {
  const rt::Array h = value("plot", {rt::column({0, 1}), rt::zeros(2, 2)});
  call("set", {h, S("LineStyle"), S(":"), S("Marker"), S("x")});
  const rt::Array styles = value("get", {h, S("linestyle")});
  ASSERT_TRUE(styles.isCell());
  EXPECT_EQ(styles.dims(), (rt::Dims{2, 1}));
  EXPECT_EQ(styles.cells()[1].utf8(), ":");
  EXPECT_EQ(errorOf([&] {
              call("set", {h, S("Marker")});
            }).identifier(),
            "mexhost:graphics:invalidArgument");
  EXPECT_EQ(errorOf([&] {
              call("set", {rt::Array(99.5), S("Marker"), S("x")});
            }).identifier(),
            "mexhost:graphics:invalidHandle");
  EXPECT_EQ(errorOf([&] { call("get", {h}); }).identifier(), "mexhost:graphics:invalidArgument");
}

// ---- legend ---------------------------------------------------------------------------

class Legends : public HostTest {};

TEST_F(Legends, EntriesFollowTheLinesInCreationOrder) {
  const rt::Array h =
      value("plot", {rt::row({0, 1}), rt::row({0, 1}), rt::row({0, 1}), rt::row({1, 0})});
  call("legend", {S("Spänning i laständan"), S("Spänning i källändan")});
  const auto lg = g.legendOf(gca());
  ASSERT_TRUE(lg);
  const rt::Array strings = g.get(*lg, "String");
  ASSERT_EQ(strings.numel(), 2u);
  EXPECT_EQ(strings.cells()[0].utf8(), "Spänning i laständan");
  EXPECT_EQ(strings.cells()[1].utf8(), "Spänning i källändan");
  EXPECT_EQ(g.legendLines(*lg), h.re());
  EXPECT_EQ(value("get", {h.re()[1], S("DisplayName")}).utf8(), "Spänning i källändan");
  EXPECT_EQ(g.stringProperty(*lg, "Location"), "northeast");
}

TEST_F(Legends, ASecondLegendReplacesTheFirstAndPlotRemovesIt) {
  call("plot", {rt::row({0, 1}), rt::row({0, 1})});
  const double first = value("legend", {S("a")}).scalar();
  const double second =
      value("legend", {rt::Array::cell({1, 0}), S("Location"), S("southwest")}).scalar();
  EXPECT_EQ(first, second);
  // No strings given: the lines' display names (set by the first legend).
  EXPECT_EQ(g.get(second, "String").cells()[0].utf8(), "a");
  EXPECT_EQ(g.stringProperty(second, "Location"), "southwest");
  call("plot", {rt::row({0, 1}), rt::row({0, 1})});
  EXPECT_FALSE(g.legendOf(gca()));
  EXPECT_FALSE(g.isHandle(first));
}

TEST_F(Legends, ExtraEntriesAreDroppedWithAWarning) {
  std::vector<std::string> warnings;
  const auto previous = rt::setWarningHandler(
      [&](const std::string&, const std::string& message) { warnings.push_back(message); });
  call("plot", {rt::row({0, 1}), rt::row({0, 1})});
  const double lg = value("legend", {S("a"), S("b")}).scalar();
  rt::setWarningHandler(previous);
  EXPECT_EQ(g.get(lg, "String").numel(), 1u);
  EXPECT_EQ(warnings.size(), 1u);
}

TEST_F(Legends, OffDeletesTheLegend) {
  call("plot", {rt::row({0, 1}), rt::row({0, 1})});
  call("legend", {S("a")});
  call("legend", {S("off")});
  EXPECT_FALSE(g.legendOf(gca()));
}

// ---- the program's own sequences -------------------------------------------------------

class ProgramSequences : public HostTest {};

TEST_F(ProgramSequences, BannerThenResultPlotOfFigureOne) {
  call("figure", {1.0});
  call("clf");
  call("text", {0.25, 0.5, S("Beräkning pågår!"), S("FontSize"), 18.0});
  call("drawnow");
  std::vector<double> t(4096);
  std::vector<double> v(4096);
  for (std::size_t k = 0; k < t.size(); ++k) {
    t[k] = static_cast<double>(k) * (2.5e-08 / 4095) * 1e9;
    v[k] = std::sin(static_cast<double>(k) / 300.0) * 0.9;
  }
  const rt::Array x = rt::Array::fromData({1, t.size()}, t);
  const rt::Array y = rt::Array::fromData({t.size(), 1}, v);
  call("plot", {x, y, x, y});
  call("xlabel", {S("Tid [ns]")});
  call("ylabel", {S("Amplitud [V]")});
  call("title", {S("Spänning i laständan på ledare 1")});
  call("legend", {S("Spänning i laständan"), S("Spänning i källändan")});
  const rt::Array aa = value("get", {gca(), S("xlim")});
  call("set", {gca(), S("xlim"), rt::row({aa.re()[0], 20})});

  const double ax = gca();
  EXPECT_EQ(values(value("get", {ax, S("xlim")})), (std::vector<double>{0, 20}));
  EXPECT_EQ(values(value("get", {ax, S("ylim")})), (std::vector<double>{-1, 1}));
  EXPECT_EQ(g.children(ax).size(), 2u);  // two lines, the banner is gone
  EXPECT_EQ(g.numbersProperty(linesOf(ax)[0], "XData").back(), x.re().back());
}

TEST_F(ProgramSequences, CrossSectionAndItsAxesSettings) {
  if (!value("ishold").scalar()) {
    call("figure", {1.0});
    call("clf");
  }
  const rt::Array x = rt::matrix(2, 3, {-0.5, 0.5, -0.3, -0.1, 0.1, 0.3});
  const rt::Array y = rt::matrix(2, 3, {0, 0, 0.1, 0.1, 0.1, 0.1});
  call("line", {x, y, S("color"), S("b"), S("linewidth"), 3.0});
  const auto axx = values(value("axis"));
  ASSERT_EQ(axx, (std::vector<double>{-0.5, 0.5, 0, 0.1}));
  // Both ends coincide with a conductor: the bottom margin wins.
  const double ax = gca();
  call("set", {ax, S("ylim"), rt::row({axx[2], axx[3] + (axx[3] - axx[2]) * 0.05})});
  call("set", {ax, S("ylim"), rt::row({axx[2] - (axx[3] - axx[2]) * 0.05, axx[3]})});
  call("axis", {S("equal")});
  call("grid");
  EXPECT_EQ(g.stringProperty(ax, "XGrid"), "on");
  call("set", {ax, S("plotboxaspectratio"), rt::row({1, 0.3, 1})});
  call("set", {ax, S("xlim"), rt::row({-0.5, 0.5})});
  call("grid", {S("off")});

  EXPECT_EQ(values(value("get", {ax, S("xlim")})), (std::vector<double>{-0.5, 0.5}));
  EXPECT_EQ(values(value("get", {ax, S("ylim")})),
            (std::vector<double>{axx[2] - (axx[3] - axx[2]) * 0.05, 0.1}));
  EXPECT_EQ(values(value("get", {ax, S("PlotBoxAspectRatio")})), (std::vector<double>{1, 0.3, 1}));
  EXPECT_EQ(g.stringProperty(ax, "XGrid"), "off");
  EXPECT_EQ(linesOf(ax).size(), 3u);
}

}  // namespace
}  // namespace mh::gfx
