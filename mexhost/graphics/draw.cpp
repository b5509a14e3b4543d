// The one drawing routine: paints a figure of the model onto any Canvas.
//
// Sizes in the model are in points (font sizes, line widths, marker sizes) and
// are drawn at 96 pixels per inch. Lines are clipped to the plot box here (so
// that a backend never sees coordinates far outside the figure) and again by the
// canvas clip (for the exact edge).
#include <algorithm>
#include <cmath>
#include <numbers>

#include "messages.hpp"
#include "mexhost/graphics_canvas.hpp"
#include "properties.hpp"

namespace mh::gfx {
namespace {

constexpr double kPixelsPerPoint = 96.0 / 72.0;
constexpr Rgb kGridColor{0.87, 0.87, 0.87};
// Data lines are drawn at least this wide, so that thin ones stay readable.
constexpr double kMinLineWidth = 1.5;
// Farther than this from the figure, texts are not drawn.
constexpr double kFarAway = 1e6;

Rgb rgbOf(const rt::Array& v) {
  if (v.isChar() || v.numel() != 3) return {0, 0, 0};
  return {v.re()[0], v.re()[1], v.re()[2]};
}

std::optional<Rgb> rgbOrNone(const rt::Array& v) {
  if (v.isChar()) return std::nullopt;
  return rgbOf(v);
}

// Sizes are capped so that an absurd property value cannot upset a backend.
constexpr double kMaxPixels = 1000.0;

double pixels(double points) {
  return std::min(points * kPixelsPerPoint, kMaxPixels);
}

// Control characters (a stray NUL or tab in a host string) are shown as spaces.
std::string printable(std::string_view utf8) {
  std::string out(utf8);
  for (char& c : out) {
    const auto u = static_cast<unsigned char>(c);
    if (u < 0x20 || u == 0x7f) c = ' ';
  }
  return out;
}

enum class VAlign { Top, Cap, Middle, Baseline, Bottom };

VAlign vAlignOf(const std::string& s) {
  if (s == "top") return VAlign::Top;
  if (s == "cap") return VAlign::Cap;
  if (s == "baseline") return VAlign::Baseline;
  if (s == "bottom") return VAlign::Bottom;
  return VAlign::Middle;
}

HAlign hAlignOf(const std::string& s) {
  if (s == "center") return HAlign::Center;
  if (s == "right") return HAlign::Right;
  return HAlign::Left;
}

// A block of lines around `anchor`, aligned as the text properties say; the
// alignment is relative to the rotated text.
void drawTextBlock(Canvas& canvas, Point anchor, const std::vector<std::string>& lines,
                   const Font& font, Rgb color, HAlign h, VAlign v, double rotation) {
  if (lines.empty()) return;
  const FontMetrics m = fontMetrics(font);
  const double lineHeight = m.ascent + m.descent;
  const double n = static_cast<double>(lines.size());
  double first = 0;  // baseline of the first line, measured upwards from the anchor
  switch (v) {
    case VAlign::Top:
      first = -m.ascent;
      break;
    case VAlign::Cap:
      first = -0.72 * font.size;
      break;
    case VAlign::Middle:
      first = n * lineHeight / 2 - m.ascent;
      break;
    case VAlign::Baseline:
      first = (n - 1) * lineHeight;
      break;
    case VAlign::Bottom:
      first = m.descent + (n - 1) * lineHeight;
      break;
  }
  const double theta = rotation * std::numbers::pi / 180.0;
  const Point up{-std::sin(theta), -std::cos(theta)};
  for (std::size_t i = 0; i < lines.size(); ++i) {
    const double offset = first - static_cast<double>(i) * lineHeight;
    canvas.text({anchor.x + up.x * offset, anchor.y + up.y * offset}, printable(lines[i]), font,
                color, h, rotation);
  }
}

void drawTextObject(const Graphics& g, double text, Canvas& canvas, Point anchor) {
  if (!g.isOn(text, "Visible")) return;
  const auto lines = detail::textLines(g.get(text, "String"));
  if (lines.empty()) return;
  if (!(std::abs(anchor.x) < kFarAway && std::abs(anchor.y) < kFarAway)) return;
  const Font font{pixels(g.numberProperty(text, "FontSize")),
                  g.stringProperty(text, "FontWeight") == "bold"};
  drawTextBlock(canvas, anchor, lines, font, rgbOf(g.get(text, "Color")),
                hAlignOf(g.stringProperty(text, "HorizontalAlignment")),
                vAlignOf(g.stringProperty(text, "VerticalAlignment")),
                g.numberProperty(text, "Rotation"));
}

// Data to figure pixels for one axes.
struct Mapping {
  Rect box;
  std::array<double, 2> xlim;
  std::array<double, 2> ylim;
  double x(double v) const { return box.x + (v - xlim[0]) / (xlim[1] - xlim[0]) * box.w; }
  double y(double v) const { return box.y + box.h - (v - ylim[0]) / (ylim[1] - ylim[0]) * box.h; }
};

// Liang-Barsky: clips segment a-b to r; false if nothing remains.
bool clipSegment(Point& a, Point& b, const Rect& r) {
  const double dx = b.x - a.x;
  const double dy = b.y - a.y;
  double t0 = 0;
  double t1 = 1;
  const double p[4] = {-dx, dx, -dy, dy};
  const double q[4] = {a.x - r.x, r.x + r.w - a.x, a.y - r.y, r.y + r.h - a.y};
  for (int k = 0; k < 4; ++k) {
    if (p[k] == 0) {
      if (q[k] < 0) return false;
      continue;
    }
    const double t = q[k] / p[k];
    if (p[k] < 0) {
      if (t > t1) return false;
      t0 = std::max(t0, t);
    } else {
      if (t < t0) return false;
      t1 = std::min(t1, t);
    }
  }
  const Point start{a.x + t0 * dx, a.y + t0 * dy};
  const Point end{a.x + t1 * dx, a.y + t1 * dy};
  a = start;
  b = end;
  return true;
}

bool finite(const Point& p) {
  return std::isfinite(p.x) && std::isfinite(p.y);
}

// The visible runs of a polyline: broken at non-finite points and where it
// leaves `r`.
std::vector<std::vector<Point>> clipPolyline(const std::vector<Point>& points, const Rect& r) {
  std::vector<std::vector<Point>> runs;
  std::vector<Point> run;
  const auto flush = [&] {
    if (run.size() >= 2) runs.push_back(std::move(run));
    run.clear();
  };
  for (std::size_t k = 0; k + 1 < points.size(); ++k) {
    Point a = points[k];
    Point b = points[k + 1];
    if (!finite(a) || !finite(b) || !clipSegment(a, b, r)) {
      flush();
      continue;
    }
    if (run.empty() || run.back().x != a.x || run.back().y != a.y) {
      flush();
      run.push_back(a);
    }
    run.push_back(b);
    if (b.x != points[k + 1].x || b.y != points[k + 1].y) flush();
  }
  flush();
  return runs;
}

std::vector<double> dashesFor(const std::string& style, double width) {
  const double u = std::max(1.0, width);
  if (style == "--") return {6 * u, 4 * u};
  if (style == ":") return {1 * u, 3 * u};
  if (style == "-.") return {6 * u, 3 * u, 1 * u, 3 * u};
  return {};
}

std::vector<Point> regularPolygon(Point c, double r, int n, double phase) {
  std::vector<Point> out;
  for (int k = 0; k < n; ++k) {
    const double a = phase + 2 * std::numbers::pi * k / n;
    out.push_back({c.x + r * std::cos(a), c.y - r * std::sin(a)});
  }
  return out;
}

std::vector<Point> star(Point c, double r, int points) {
  std::vector<Point> out;
  for (int k = 0; k < 2 * points; ++k) {
    const double a = std::numbers::pi / 2 + std::numbers::pi * k / points;
    const double radius = (k % 2 == 0) ? r : r * 0.4;
    out.push_back({c.x + radius * std::cos(a), c.y - radius * std::sin(a)});
  }
  return out;
}

std::string markerCode(const std::string& marker) {
  if (marker == "none") return "";
  if (marker == "square") return "s";
  if (marker == "diamond") return "d";
  if (marker == "pentagram") return "p";
  if (marker == "hexagram") return "h";
  return marker;
}

void drawMarker(Canvas& canvas, Point c, const MarkerStyle& m) {
  const double r = m.size / 2;
  const Stroke edge{m.edge, 1.0, {}};
  const std::string& s = m.shape;
  if (s == ".") {
    canvas.path(regularPolygon(c, std::max(1.0, m.size / 6), 12, 0), true, m.edge, std::nullopt);
    return;
  }
  if (s == "+" || s == "*") {
    canvas.path({{c.x - r, c.y}, {c.x + r, c.y}}, false, std::nullopt, edge);
    canvas.path({{c.x, c.y - r}, {c.x, c.y + r}}, false, std::nullopt, edge);
  }
  if (s == "x" || s == "*") {
    const double d = r * std::sqrt(0.5);
    canvas.path({{c.x - d, c.y - d}, {c.x + d, c.y + d}}, false, std::nullopt, edge);
    canvas.path({{c.x - d, c.y + d}, {c.x + d, c.y - d}}, false, std::nullopt, edge);
  }
  if (s == "+" || s == "*" || s == "x") return;
  std::vector<Point> shape;
  if (s == "o") shape = regularPolygon(c, r, 24, 0);
  if (s == "s") shape = regularPolygon(c, r * 1.1, 4, std::numbers::pi / 4);
  if (s == "d") shape = regularPolygon(c, r, 4, 0);
  if (s == "^") shape = regularPolygon(c, r, 3, std::numbers::pi / 2);
  if (s == "v") shape = regularPolygon(c, r, 3, -std::numbers::pi / 2);
  if (s == ">") shape = regularPolygon(c, r, 3, 0);
  if (s == "<") shape = regularPolygon(c, r, 3, std::numbers::pi);
  if (s == "p") shape = star(c, r * 1.2, 5);
  if (s == "h") shape = star(c, r * 1.2, 6);
  if (!shape.empty()) canvas.path(shape, true, m.face, edge);
}

LineLook lookOf(const Graphics& g, double line) {
  LineLook look;
  const Rgb color = rgbOf(g.get(line, "Color"));
  const double width = std::max(kMinLineWidth, pixels(g.numberProperty(line, "LineWidth")));
  const std::string style = g.stringProperty(line, "LineStyle");
  if (style != "none") look.stroke = Stroke{color, width, dashesFor(style, width)};
  look.marker.shape = markerCode(g.stringProperty(line, "Marker"));
  look.marker.size = pixels(g.numberProperty(line, "MarkerSize"));
  const rt::Array edge = g.get(line, "MarkerEdgeColor");
  const rt::Array face = g.get(line, "MarkerFaceColor");
  look.marker.edge = edge.isChar() ? color : rgbOf(edge);
  if (face.isChar()) {
    if (face.utf8() == "auto") look.marker.face = color;
  } else {
    look.marker.face = rgbOf(face);
  }
  return look;
}

void drawLine(const Graphics& g, double line, const Mapping& map, Canvas& canvas) {
  if (!g.isOn(line, "Visible")) return;
  const std::vector<double> xs = g.numbersProperty(line, "XData");
  const std::vector<double> ys = g.numbersProperty(line, "YData");
  if (xs.size() != ys.size()) return;  // mismatched data (possible between two set calls)
  const LineLook look = lookOf(g, line);
  std::vector<Point> points(xs.size());
  for (std::size_t k = 0; k < xs.size(); ++k) points[k] = {map.x(xs[k]), map.y(ys[k])};
  const double margin = 4 + (look.stroke ? look.stroke->width : 0) +
                        (look.marker.shape.empty() ? 0 : look.marker.size);
  const Rect outer{map.box.x - margin, map.box.y - margin, map.box.w + 2 * margin,
                   map.box.h + 2 * margin};
  if (look.stroke) {
    for (const auto& run : clipPolyline(points, outer)) {
      canvas.path(run, false, std::nullopt, look.stroke);
    }
  }
  if (!look.marker.shape.empty()) {
    for (const auto& p : points) {
      if (finite(p) && p.x >= outer.x && p.x <= outer.x + outer.w && p.y >= outer.y &&
          p.y <= outer.y + outer.h) {
        drawMarker(canvas, p, look.marker);
      }
    }
  }
}

// A pixel-aligned copy of the box, so that 1-pixel frame lines stay sharp.
Rect snapped(const Rect& r) {
  const double x0 = std::floor(r.x) + 0.5;
  const double y0 = std::floor(r.y) + 0.5;
  const double x1 = std::floor(r.x + r.w) + 0.5;
  const double y1 = std::floor(r.y + r.h) + 0.5;
  return {x0, y0, std::max(1.0, x1 - x0), std::max(1.0, y1 - y0)};
}

bool within(double v, const std::array<double, 2>& lim) {
  const double slack = (lim[1] - lim[0]) * 1e-9;
  return v >= lim[0] - slack && v <= lim[1] + slack;
}

void drawAxes(const Graphics& g, double ax, Canvas& canvas) {
  const AxesLayout layout = g.layout(ax);
  const Mapping map{snapped(layout.plotBox), layout.xlim, layout.ylim};
  const Rect& box = map.box;
  const bool visible = g.isOn(ax, "Visible");
  const Font tickFont{pixels(g.numberProperty(ax, "FontSize")), false};
  const double frameWidth = std::max(1.0, pixels(g.numberProperty(ax, "LineWidth")));
  const Stroke xStroke{rgbOf(g.get(ax, "XColor")), frameWidth, {}};
  const Stroke yStroke{rgbOf(g.get(ax, "YColor")), frameWidth, {}};
  const double bottom = box.y + box.h;
  const double right = box.x + box.w;

  std::vector<double> xticks;
  std::vector<double> yticks;
  for (double t : layout.xticks) {
    if (within(t, layout.xlim)) xticks.push_back(t);
  }
  for (double t : layout.yticks) {
    if (within(t, layout.ylim)) yticks.push_back(t);
  }

  if (visible) {
    if (const auto color = rgbOrNone(g.get(ax, "Color")))
      canvas.rectangle(box, color, std::nullopt);
    const Stroke grid{kGridColor, 1.0, {}};
    if (g.isOn(ax, "XGrid")) {
      for (double t : xticks) {
        const double x = std::floor(map.x(t)) + 0.5;
        canvas.path({{x, box.y}, {x, bottom}}, false, std::nullopt, grid);
      }
    }
    if (g.isOn(ax, "YGrid")) {
      for (double t : yticks) {
        const double y = std::floor(map.y(t)) + 0.5;
        canvas.path({{box.x, y}, {right, y}}, false, std::nullopt, grid);
      }
    }
  }

  canvas.pushClip(box);
  for (double child : g.children(ax)) {
    if (g.type(child) == ObjectType::Line) drawLine(g, child, map, canvas);
  }
  canvas.popClip();
  for (double child : g.children(ax)) {
    if (g.type(child) != ObjectType::Text) continue;
    const auto pos = g.numbersProperty(child, "Position");
    drawTextObject(g, child, canvas, {map.x(pos[0]), map.y(pos[1])});
  }

  if (visible) {
    const bool boxed = g.isOn(ax, "Box");
    const double tick = std::clamp(0.01 * std::max(box.w, box.h), 3.0, 10.0);
    canvas.path({{box.x, bottom}, {right, bottom}}, false, std::nullopt, xStroke);
    canvas.path({{box.x, box.y}, {box.x, bottom}}, false, std::nullopt, yStroke);
    if (boxed) {
      canvas.path({{box.x, box.y}, {right, box.y}}, false, std::nullopt, xStroke);
      canvas.path({{right, box.y}, {right, bottom}}, false, std::nullopt, yStroke);
    }
    const FontMetrics tm = fontMetrics(tickFont);
    for (double t : xticks) {
      const double x = std::floor(map.x(t)) + 0.5;
      canvas.path({{x, bottom}, {x, bottom - tick}}, false, std::nullopt, xStroke);
      if (boxed) canvas.path({{x, box.y}, {x, box.y + tick}}, false, std::nullopt, xStroke);
      drawTextBlock(canvas, {x, bottom + 5}, {formatTick(t)}, tickFont, xStroke.color,
                    HAlign::Center, VAlign::Top, 0);
    }
    double widest = 0;
    for (double t : yticks) {
      const double y = std::floor(map.y(t)) + 0.5;
      canvas.path({{box.x, y}, {box.x + tick, y}}, false, std::nullopt, yStroke);
      if (boxed) canvas.path({{right, y}, {right - tick, y}}, false, std::nullopt, yStroke);
      const std::string label = formatTick(t);
      widest = std::max(widest, textWidth(label, tickFont));
      drawTextBlock(canvas, {box.x - 6, y}, {label}, tickFont, yStroke.color, HAlign::Right,
                    VAlign::Middle, 0);
    }
    const double xLabelTop = bottom + 5 + (xticks.empty() ? 0 : tm.ascent + tm.descent) + 4;
    drawTextObject(g, g.label(ax, Label::XLabel), canvas, {box.x + box.w / 2, xLabelTop});
    const double yLabelRight = box.x - 6 - widest - 8;
    drawTextObject(g, g.label(ax, Label::YLabel), canvas, {yLabelRight, box.y + box.h / 2});
  }
  drawTextObject(g, g.label(ax, Label::Title), canvas, {box.x + box.w / 2, box.y - 7});
}

void drawLegend(const Graphics& g, double legend, Canvas& canvas) {
  if (!g.isOn(legend, "Visible")) return;
  const double ax = g.legendAxes(legend);
  if (!g.isHandle(ax)) return;
  const Rect box = snapped(g.layout(ax).plotBox);
  const std::vector<double> lines = g.legendLines(legend);
  const rt::Array strings = g.get(legend, "String");
  std::vector<std::pair<double, std::string>> entries;
  for (std::size_t k = 0; k < lines.size() && k < strings.numel(); ++k) {
    if (g.isHandle(lines[k])) entries.emplace_back(lines[k], printable(strings.cells()[k].utf8()));
  }
  if (entries.empty()) return;

  const Font font{pixels(g.numberProperty(legend, "FontSize")), false};
  const FontMetrics m = fontMetrics(font);
  const double row = (m.ascent + m.descent) * 1.3;
  const double pad = 6;
  const double sample = 30;
  const double gap = 6;
  double widest = 0;
  for (const auto& [line, text] : entries) widest = std::max(widest, textWidth(text, font));
  const double w = std::ceil(pad + sample + gap + widest + pad);
  const double h = std::ceil(pad / 2 + row * static_cast<double>(entries.size()) + pad / 2);

  const std::string where = g.stringProperty(legend, "Location");
  const double inset = 8;
  double x = box.x + box.w - inset - w;  // northeast (also for 'best')
  double y = box.y + inset;
  if (where.find("west") != std::string::npos) x = box.x + inset;
  if (where == "north" || where == "south") x = box.x + (box.w - w) / 2;
  if (where.find("south") != std::string::npos) y = box.y + box.h - inset - h;
  if (where == "east" || where == "west") y = box.y + (box.h - h) / 2;

  const Rect frame{std::floor(x) + 0.5, std::floor(y) + 0.5, w, h};
  const std::optional<Stroke> edge =
      g.isOn(legend, "Box")
          ? std::optional<Stroke>(Stroke{rgbOf(g.get(legend, "EdgeColor")), 1, {}})
          : std::nullopt;
  canvas.rectangle(frame, rgbOf(g.get(legend, "Color")), edge);
  const Rgb textColor = rgbOf(g.get(legend, "TextColor"));
  for (std::size_t k = 0; k < entries.size(); ++k) {
    const double cy = frame.y + pad / 2 + row * (static_cast<double>(k) + 0.5);
    const LineLook look = lookOf(g, entries[k].first);
    const double x0 = frame.x + pad;
    if (look.stroke) {
      canvas.path({{x0, cy}, {x0 + sample, cy}}, false, std::nullopt, look.stroke);
    }
    if (!look.marker.shape.empty()) drawMarker(canvas, {x0 + sample / 2, cy}, look.marker);
    drawTextBlock(canvas, {x0 + sample + gap, cy}, {entries[k].second}, font, textColor,
                  HAlign::Left, VAlign::Middle, 0);
  }
}

}  // namespace

double pointsToPixels(double points) {
  return pixels(points);
}

LineLook lineLook(const Graphics& graphics, double line) {
  return lookOf(graphics, line);
}

std::pair<int, int> figurePixelSize(const Graphics& graphics, double figure) {
  if (!graphics.isHandle(figure) || graphics.type(figure) != ObjectType::Figure) {
    msg::wrongObject(figure, "a figure");
  }
  const auto pos = graphics.numbersProperty(figure, "Position");
  return {std::max(1, static_cast<int>(std::lround(pos[2]))),
          std::max(1, static_cast<int>(std::lround(pos[3])))};
}

void drawFigure(const Graphics& graphics, double figure, Canvas& canvas) {
  const auto [width, height] = figurePixelSize(graphics, figure);
  canvas.rectangle({0, 0, static_cast<double>(width), static_cast<double>(height)},
                   rgbOf(graphics.get(figure, "Color")), std::nullopt);
  const std::vector<double> kids = graphics.children(figure);
  for (double child : kids) {
    if (graphics.type(child) == ObjectType::Axes) drawAxes(graphics, child, canvas);
  }
  for (double child : kids) {
    if (graphics.type(child) == ObjectType::Legend) drawLegend(graphics, child, canvas);
  }
}

}  // namespace mh::gfx
