// The drawing routine: what it sends to a canvas, and what ends up in the pixels.
#include <cairo.h>

#include <algorithm>
#include <cmath>

#include "mexhost/graphics_canvas.hpp"
#include "support.hpp"

namespace mh::gfx {
namespace {

using testing::HostTest;
using testing::S;

// A canvas that keeps what it is asked to draw.
class Recorder final : public Canvas {
 public:
  struct Path {
    std::vector<Point> points;
    std::optional<Stroke> stroke;
  };
  struct Text {
    Point at;
    std::string text;
    Font font;
    HAlign align;
    double rotation;
  };

  void path(const std::vector<Point>& points, bool, const std::optional<Rgb>&,
            const std::optional<Stroke>& stroke) override {
    paths.push_back({points, stroke});
  }
  void rectangle(const Rect&, const std::optional<Rgb>&, const std::optional<Stroke>&) override {}
  void text(Point at, std::string_view utf8, const Font& font, Rgb, HAlign align,
            double rotation) override {
    texts.push_back({at, std::string(utf8), font, align, rotation});
  }
  void pushClip(const Rect&) override {
    ++depth;
    ++clips;
  }
  void popClip() override { --depth; }
  void finish() override {}

  const Text* find(const std::string& s) const {
    for (const auto& t : texts) {
      if (t.text == s) return &t;
    }
    return nullptr;
  }
  // Paths stroked in a colour.
  std::vector<const Path*> strokedIn(Rgb c) const {
    std::vector<const Path*> out;
    for (const auto& p : paths) {
      if (p.stroke && p.stroke->color.r == c.r && p.stroke->color.g == c.g &&
          p.stroke->color.b == c.b) {
        out.push_back(&p);
      }
    }
    return out;
  }

  std::vector<Path> paths;
  std::vector<Text> texts;
  int depth = 0;
  int clips = 0;
};

class Drawing : public HostTest {
 protected:
  Recorder draw() {
    Recorder r;
    drawFigure(g, *g.currentFigure(), r);
    return r;
  }
};

TEST_F(Drawing, ShowsTitleLabelsTickLabelsAndLegend) {
  call("plot", {rt::row({0, 25}), rt::row({0, 1}), rt::row({0, 25}), rt::row({1, 0})});
  call("title", {S("Spänning på ledare 2")});
  call("xlabel", {S("Tid [ns]")});
  call("ylabel", {S("Amplitud [mV]")});
  call("legend", {S("Spänning i laständan"), S("Spänning i källändan")});
  const Recorder r = draw();
  const Rect box = g.layout(gca()).plotBox;

  const auto* title = r.find("Spänning på ledare 2");
  const auto* xlabel = r.find("Tid [ns]");
  const auto* ylabel = r.find("Amplitud [mV]");
  ASSERT_TRUE(title && xlabel && ylabel);
  EXPECT_LT(title->at.y, box.y);
  EXPECT_TRUE(title->font.bold);
  EXPECT_GT(xlabel->at.y, box.y + box.h);
  EXPECT_EQ(ylabel->rotation, 90);
  EXPECT_LT(ylabel->at.x, box.x);
  for (const char* tick : {"0", "5", "10", "15", "20", "25", "0.5", "1"}) {
    EXPECT_TRUE(r.find(tick)) << tick;
  }
  // The y label stays clear of the widest y tick label ("0.1" and friends).
  const auto* tickLabel = r.find("0.1");
  ASSERT_TRUE(tickLabel);
  EXPECT_LT(ylabel->at.x, tickLabel->at.x - textWidth("0.1", tickLabel->font));

  const auto* first = r.find("Spänning i laständan");
  const auto* second = r.find("Spänning i källändan");
  ASSERT_TRUE(first && second);
  EXPECT_LT(first->at.y, second->at.y);       // entries top-down in line order
  EXPECT_GT(first->at.x, box.x + box.w / 2);  // upper right
  EXPECT_EQ(r.depth, 0);
}

TEST_F(Drawing, LinesStayInsideThePlotBox) {
  call("plot", {rt::row({-10, 0.5, 10}), rt::row({-5, 0.5, 7})});
  call("axis", {rt::row({0, 1, 0, 1})});
  const Recorder r = draw();
  const Rect box = g.layout(gca()).plotBox;
  const auto lines = r.strokedIn({0, 0, 1});
  ASSERT_FALSE(lines.empty());
  for (const auto* p : lines) {
    for (const Point& q : p->points) {
      EXPECT_GE(q.x, box.x - 10);
      EXPECT_LE(q.x, box.x + box.w + 10);
      EXPECT_GE(q.y, box.y - 10);
      EXPECT_LE(q.y, box.y + box.h + 10);
    }
  }
  EXPECT_EQ(r.clips, 1);
}

TEST_F(Drawing, NotANumberBreaksALine) {
  call("plot", {rt::row({0, 1, 2, 3, 4}), rt::row({0, 1, std::nan(""), 1, 0})});
  EXPECT_EQ(draw().strokedIn({0, 0, 1}).size(), 2u);
}

TEST_F(Drawing, HugeCoordinatesNeverReachTheCanvas) {
  call("plot", {rt::row({0, 1e300, -1e308}), rt::row({0, 1e300, 1})});
  call("axis", {rt::row({0, 1, 0, 1})});
  const Recorder r = draw();
  for (const auto* p : r.strokedIn({0, 0, 1})) {
    for (const Point& q : p->points) {
      EXPECT_LT(std::abs(q.x), 1e4);
      EXPECT_LT(std::abs(q.y), 1e4);
    }
  }
}

TEST_F(Drawing, GridLinesFollowTheGridSetting) {
  call("plot", {rt::row({0, 25}), rt::row({0, 1})});
  const std::size_t without = draw().paths.size();
  call("grid", {S("on")});
  const std::size_t with = draw().paths.size();
  EXPECT_EQ(with - without, 6u + 11u);  // x ticks 0:5:25, y ticks 0:0.1:1
}

TEST_F(Drawing, TextObjectsSitAtTheirDataPosition) {
  call("figure", {1.0});
  call("clf");
  call("text", {0.25, 0.5, S("Beräkning pågår!"), S("FontSize"), 18.0});
  const Recorder r = draw();
  const auto* banner = r.find("Beräkning pågår!");
  ASSERT_TRUE(banner);
  const Rect box = g.layout(gca()).plotBox;
  EXPECT_NEAR(banner->at.x, box.x + 0.25 * box.w, 1.0);
  EXPECT_NEAR(banner->font.size, 24, 1e-9);  // 18 points at 96 pixels per inch
  EXPECT_EQ(banner->align, HAlign::Left);
  // Vertically centred on y = 0.5: the baseline lies a little below the middle.
  EXPECT_GT(banner->at.y, box.y + 0.5 * box.h);
  EXPECT_LT(banner->at.y, box.y + 0.5 * box.h + 12);
}

TEST_F(Drawing, AxisOffHidesTicksButKeepsTitleAndData) {
  call("plot", {rt::row({0, 25}), rt::row({0, 1})});
  call("title", {S("t")});
  call("axis", {S("off")});
  const Recorder r = draw();
  EXPECT_TRUE(r.find("t"));
  EXPECT_FALSE(r.find("25"));
  EXPECT_EQ(r.strokedIn({0, 0, 1}).size(), 1u);
}

TEST_F(Drawing, ControlCharactersAreShownAsSpaces) {
  call("title", {rt::Array::fromUtf16(u"a\tb", {1, 3})});
  EXPECT_TRUE(draw().find("a b"));
}

// ---- pixels ---------------------------------------------------------------------------

class Pixels : public HostTest {
 protected:
  struct Image {
    int width = 0;
    int height = 0;
    std::vector<std::uint32_t> argb;
    std::uint32_t at(double x, double y) const {
      return argb[static_cast<std::size_t>(std::floor(y)) * static_cast<std::size_t>(width) +
                  static_cast<std::size_t>(std::floor(x))];
    }
  };
  Image render() {
    const auto stem = folder_.path() / "figure";
    Formats only = Formats::none();
    only.png = true;
    writeFigure(g, *g.currentFigure(), stem, only);
    cairo_surface_t* s = cairo_image_surface_create_from_png((stem.string() + ".png").c_str());
    EXPECT_EQ(cairo_surface_status(s), CAIRO_STATUS_SUCCESS);
    Image image;
    image.width = cairo_image_surface_get_width(s);
    image.height = cairo_image_surface_get_height(s);
    const int stride = cairo_image_surface_get_stride(s);
    const unsigned char* data = cairo_image_surface_get_data(s);
    for (int y = 0; y < image.height; ++y) {
      const auto* row = reinterpret_cast<const std::uint32_t*>(data + y * stride);
      image.argb.insert(image.argb.end(), row, row + image.width);
    }
    cairo_surface_destroy(s);
    return image;
  }
  testing::ScratchFolder folder_;
};

constexpr std::uint32_t kRed = 0xffff0000;
constexpr std::uint32_t kWhite = 0xffffffff;
constexpr std::uint32_t kYellow = 0xffffff00;

TEST_F(Pixels, ALineIsPaintedInsideTheBoxAndNowhereOutside) {
  call("plot", {rt::row({-10, 10}), rt::row({0.5, 0.5}), S("r"), S("LineWidth"), 4.0});
  call("axis", {rt::row({0, 1, 0, 1})});
  const Image image = render();
  EXPECT_EQ(image.width, 800);
  EXPECT_EQ(image.height, 600);
  const Rect box = g.layout(gca()).plotBox;
  const double y = box.y + box.h / 2;
  EXPECT_EQ(image.at(box.x + box.w / 2, y), kRed);
  EXPECT_EQ(image.at(box.x - 60, y), kWhite);
  EXPECT_EQ(image.at(box.x + box.w + 40, y), kWhite);
  EXPECT_EQ(image.at(3, 3), kWhite);
}

TEST_F(Pixels, PlotBoxAspectRatioShapesTheDrawnBox) {
  const double ax = gca();
  call("set", {ax, S("Color"), S("y"), S("PlotBoxAspectRatio"), rt::row({1, 0.3, 1})});
  const Image image = render();
  const Rect box = g.layout(ax).plotBox;
  const double cx = box.x + box.w / 2;
  const double cy = box.y + box.h / 2;
  int tall = 0;
  int wide = 0;
  for (int y = 0; y < image.height; ++y) tall += image.at(cx + 20.5, y + 0.5) == kYellow;
  for (int x = 0; x < image.width; ++x) wide += image.at(x + 0.5, cy + 20.5) == kYellow;
  EXPECT_NEAR(static_cast<double>(tall) / wide, 0.3, 0.01);
}

}  // namespace
}  // namespace mh::gfx
