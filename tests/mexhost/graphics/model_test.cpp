// The object model: handles, current objects, properties and change tracking.
#include <cmath>

#include "support.hpp"

namespace mh::gfx {
namespace {

using testing::errorOf;
using testing::S;

TEST(Handles, FiguresTakeTheLowestFreeNumber) {
  Graphics g;
  EXPECT_EQ(g.newFigure(), 1);
  EXPECT_EQ(g.newFigure(), 2);
  EXPECT_EQ(g.selectFigure(5), 5);
  g.closeFigure(1);
  EXPECT_EQ(g.newFigure(), 1);
  EXPECT_EQ(g.figures(), (std::vector<double>{1, 2, 5}));
}

TEST(Handles, OtherObjectsHaveDistinctNonIntegerHandles) {
  Graphics g;
  const double f = g.newFigure();
  const double ax = g.createAxes(f);
  const double a = g.createLine(ax);
  const double b = g.createText(ax);
  for (double h : {ax, a, b, g.label(ax, Label::Title)}) {
    EXPECT_NE(h, std::floor(h)) << h;
    EXPECT_EQ(g.figureOf(h), f);
  }
  EXPECT_NE(a, b);
  EXPECT_EQ(g.parent(a), ax);
  EXPECT_EQ(g.type(b), ObjectType::Text);
}

TEST(Handles, BadFigureNumbersAndWrongHandlesAreErrors) {
  Graphics g;
  const double ax = g.gca();
  EXPECT_EQ(errorOf([&] { g.selectFigure(1.5); }).identifier(), "mexhost:graphics:invalidArgument");
  EXPECT_EQ(errorOf([&] { g.selectFigure(0); }).identifier(), "mexhost:graphics:invalidArgument");
  EXPECT_EQ(errorOf([&] { g.selectFigure(ax); }).identifier(), "mexhost:graphics:invalidHandle");
  EXPECT_EQ(errorOf([&] { g.get(12345.5, "Type"); }).identifier(),
            "mexhost:graphics:invalidHandle");
  EXPECT_EQ(errorOf([&] { g.createLine(1); }).identifier(), "mexhost:graphics:invalidHandle");
}

TEST(CurrentObjects, QueriesNeverCreateAndGcaCreatesBoth) {
  Graphics g;
  EXPECT_FALSE(g.currentFigure());
  EXPECT_FALSE(g.currentAxes());
  EXPECT_TRUE(g.figures().empty());
  const double ax = g.gca();
  EXPECT_EQ(g.currentFigure(), 1);
  EXPECT_EQ(g.currentAxes(), ax);
  EXPECT_EQ(g.gca(), ax);
}

TEST(CurrentObjects, ClosingTheCurrentFigureReturnsToThePreviousOne) {
  Graphics g;
  g.selectFigure(1);
  g.selectFigure(2);
  g.selectFigure(3);
  g.selectFigure(2);
  g.closeFigure(2);
  EXPECT_EQ(g.currentFigure(), 3);
  g.closeAll();
  EXPECT_FALSE(g.currentFigure());
}

TEST(CurrentObjects, ClearingAFigureDeletesItsAxesAndTheirTexts) {
  Graphics g;
  const double ax = g.gca();
  const double t = g.createText(ax);
  const double title = g.label(ax, Label::Title);
  g.clearFigure(1);
  EXPECT_FALSE(g.isHandle(ax));
  EXPECT_FALSE(g.isHandle(t));
  EXPECT_FALSE(g.isHandle(title));
  EXPECT_FALSE(g.currentAxes());
  EXPECT_TRUE(g.get(1, "CurrentAxes").isEmpty());
  EXPECT_TRUE(g.children(1).empty());
}

TEST(Properties, NamesAreCaseInsensitive) {
  Graphics g;
  const double ax = g.gca();
  g.set(ax, "xlim", rt::row({2, 3}));
  EXPECT_EQ(g.get(ax, "XLIM").re(), (std::vector<double>{2, 3}));
  EXPECT_EQ(g.get(ax, "xLimMode").utf8(), "manual");
  g.set(ax, "plotBoxAspectRatio", rt::row({1, 0.3, 1}));
  EXPECT_EQ(g.get(ax, "PlotBoxAspectRatioMode").utf8(), "manual");
}

TEST(Properties, UnknownPropertyErrorNamesItAndTheType) {
  Graphics g;
  const double ax = g.gca();
  const rt::Error e = errorOf([&] { g.set(ax, "Colour", rt::row({1, 0, 0})); });
  EXPECT_EQ(e.identifier(), "mexhost:graphics:unknownProperty");
  EXPECT_NE(e.message().find("'Colour'"), std::string::npos) << e.message();
  EXPECT_NE(e.message().find("axes"), std::string::npos) << e.message();
  EXPECT_EQ(errorOf([&] { g.get(ax, "NoSuch"); }).identifier(), "mexhost:graphics:unknownProperty");
}

TEST(Properties, ReadOnlyPropertiesRefuseToBeSet) {
  Graphics g;
  const double ax = g.gca();
  for (const char* name : {"Title", "Children", "Type", "Parent"}) {
    EXPECT_EQ(errorOf([&] { g.set(ax, name, rt::Array(1.0)); }).identifier(),
              "mexhost:graphics:readOnlyProperty")
        << name;
  }
  EXPECT_EQ(errorOf([&] { g.set(1, "Number", rt::Array(3.0)); }).identifier(),
            "mexhost:graphics:readOnlyProperty");
}

TEST(Properties, WrongValuesAreRefusedAndLeaveTheOldValue) {
  Graphics g;
  const double ax = g.gca();
  const double line = g.createLine(ax);
  const auto bad = [&](double h, const char* name, const rt::Array& v) {
    const rt::Error e = errorOf([&] { g.set(h, name, v); });
    EXPECT_EQ(e.identifier(), "mexhost:graphics:invalidValue") << name;
    EXPECT_NE(e.message().find(name), std::string::npos) << e.message();
  };
  bad(ax, "XLim", rt::row({1, 0}));
  bad(ax, "XLim", rt::row({0, INFINITY}));
  bad(ax, "XLim", S("tight"));
  bad(ax, "XGrid", S("maybe"));
  bad(ax, "PlotBoxAspectRatio", rt::row({1, 0, 1}));
  bad(ax, "FontSize", rt::Array(-2.0));
  bad(line, "Color", S("purple"));
  bad(line, "Color", rt::row({1, 0}));
  bad(line, "Color", rt::row({2, 0, 0}));
  bad(line, "LineWidth", rt::Array(std::nan("")));
  bad(line, "LineStyle", S("~"));
  bad(line, "XData", rt::zeros(2, 2));
  bad(line, "XData", rt::Array(rt::Complex(1, 1)));
  bad(1, "Position", rt::row({0, 0, 0, 100}));
  bad(1, "CurrentAxes", rt::Array(line));
  EXPECT_EQ(g.get(ax, "XLimMode").utf8(), "auto");
  EXPECT_EQ(g.get(line, "Color").re(), (std::vector<double>{0, 0, 1}));
}

TEST(Properties, ValuesAreStoredInOneForm) {
  Graphics g;
  const double ax = g.gca();
  const double line = g.createLine(ax);
  g.set(line, "color", S("r"));
  EXPECT_EQ(g.get(line, "Color").re(), (std::vector<double>{1, 0, 0}));
  g.set(line, "Color", S("Green"));
  EXPECT_EQ(g.get(line, "Color").re(), (std::vector<double>{0, 1, 0}));
  g.set(ax, "XGrid", S("ON"));
  EXPECT_EQ(g.get(ax, "XGrid").utf8(), "on");
  g.set(line, "XData", rt::column({1, 2, 3}));
  EXPECT_EQ(g.get(line, "XData").dims(), (rt::Dims{1, 3}));
  const double t = g.createText(ax);
  g.set(t, "Position", rt::row({0.25, 0.5}));
  EXPECT_EQ(g.get(t, "Position").re(), (std::vector<double>{0.25, 0.5, 0}));
}

TEST(Properties, DefaultsComeFromTheTable) {
  Graphics g;
  const double ax = g.gca();
  const double line = g.createLine(ax);
  EXPECT_EQ(g.get(ax, "NextPlot").utf8(), "replace");
  EXPECT_EQ(g.get(ax, "ColorOrder").dims(), (rt::Dims{7, 3}));
  EXPECT_EQ(g.get(ax, "ColorOrder").re()[1], 0);  // row 2 is [0 0.5 0]
  EXPECT_EQ(g.get(ax, "ColorOrder").re()[8], 0.5);
  EXPECT_EQ(g.get(line, "LineStyle").utf8(), "-");
  EXPECT_EQ(g.get(line, "LineWidth").scalar(), 0.5);
  EXPECT_EQ(g.get(1, "Position").re()[2], 800);
  EXPECT_EQ(g.get(ax, "Title").scalar(), g.label(ax, Label::Title));
  EXPECT_EQ(g.get(g.label(ax, Label::Title), "String").utf8(), "");
}

TEST(Properties, SwitchingALimitModeToManualKeepsWhatIsShown) {
  Graphics g;
  const double ax = g.gca();
  const double line = g.createLine(ax);
  g.set(line, "XData", rt::row({0, 25}));
  g.set(ax, "XLimMode", S("manual"));
  g.set(line, "XData", rt::row({0, 100}));
  EXPECT_EQ(g.get(ax, "XLim").re(), (std::vector<double>{0, 25}));
}

TEST(Properties, ChildrenListsNewestFirst) {
  Graphics g;
  const double ax = g.gca();
  const double a = g.createLine(ax);
  const double b = g.createLine(ax);
  EXPECT_EQ(g.get(ax, "Children").re(), (std::vector<double>{b, a}));
  EXPECT_EQ(g.children(ax), (std::vector<double>{a, b}));
  EXPECT_EQ(g.get(0, "CurrentFigure").scalar(), 1);
}

TEST(Changes, FiguresAreChangedUntilWrittenAndAgainAfterAnySet) {
  Graphics g;
  const double ax = g.gca();
  g.selectFigure(2);
  EXPECT_EQ(g.changedFigures(), (std::vector<double>{1, 2}));
  g.markWritten(1);
  g.markWritten(2);
  EXPECT_TRUE(g.changedFigures().empty());
  g.set(g.label(ax, Label::Title), "String", S("x"));
  EXPECT_EQ(g.changedFigures(), (std::vector<double>{1}));
  g.markWritten(1);
  g.set(0, "CurrentFigure", rt::Array(1.0));  // selecting is not a change
  EXPECT_TRUE(g.changedFigures().empty());
}

TEST(Changes, DrawnowCallsTheHook) {
  Graphics g;
  int calls = 0;
  g.drawnow();  // no hook: nothing happens
  g.setDrawnowHook([&] { ++calls; });
  g.drawnow();
  EXPECT_EQ(calls, 1);
}

TEST(LegendModel, DeletingALineDropsItsEntry) {
  Graphics g;
  const double ax = g.gca();
  const double a = g.createLine(ax);
  const double b = g.createLine(ax);
  const double lg = g.setLegend(ax, {a, b}, {"a", "b"});
  g.deleteObject(a);
  EXPECT_EQ(g.legendLines(lg), (std::vector<double>{b}));
  EXPECT_EQ(g.get(lg, "String").numel(), 1u);
  EXPECT_EQ(g.get(lg, "String").cells()[0].utf8(), "b");
  g.deleteObject(ax);
  EXPECT_FALSE(g.isHandle(lg));
}

}  // namespace
}  // namespace mh::gfx
