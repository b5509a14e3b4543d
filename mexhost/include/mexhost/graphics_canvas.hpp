// The renderer: one drawing routine (drawFigure) that paints a figure of the
// model onto a Canvas, an interface of a few primitives (path, rectangle, text,
// clip), and the canvases that turn them into PNG and PDF (cairo) and SVG (our
// own writer, so that texts stay texts).
//
// Canvas coordinates are figure pixels, origin at the top left, y downwards.
// Text is UTF-8 and drawn with DejaVu Sans; font sizes are pixels.
#pragma once

#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "mexhost/graphics.hpp"

namespace mh::gfx {

struct Rgb {
  double r = 0, g = 0, b = 0;
};

struct Point {
  double x = 0, y = 0;
};

struct Stroke {
  Rgb color;
  double width = 1;            // pixels
  std::vector<double> dashes;  // on/off lengths in pixels; empty = solid
};

struct Font {
  double size = 13;  // pixels
  bool bold = false;
};

struct FontMetrics {
  double ascent = 0;   // above the baseline, positive
  double descent = 0;  // below the baseline, positive
};

enum class HAlign { Left, Center, Right };

class Canvas {
 public:
  virtual ~Canvas() = default;
  // A polyline through `points` (closed when `closed`), filled and/or stroked.
  virtual void path(const std::vector<Point>& points, bool closed, const std::optional<Rgb>& fill,
                    const std::optional<Stroke>& stroke) = 0;
  virtual void rectangle(const Rect& r, const std::optional<Rgb>& fill,
                         const std::optional<Stroke>& stroke) = 0;
  // One line of text. `at` is on the baseline: its left end, centre or right end
  // per `align`. `rotation` is in degrees, counter-clockwise.
  virtual void text(Point at, std::string_view utf8, const Font& font, Rgb color, HAlign align,
                    double rotation) = 0;
  // Restricts drawing to r until the matching popClip.
  virtual void pushClip(const Rect& r) = 0;
  virtual void popClip() = 0;
  // Writes the output; the canvas is unusable afterwards.
  virtual void finish() = 0;
};

// Text measurement shared by every canvas (cairo with DejaVu Sans).
double textWidth(std::string_view utf8, const Font& font);
FontMetrics fontMetrics(const Font& font);

// How a line is drawn: its stroke (none for LineStyle 'none') and markers.
struct MarkerStyle {
  std::string shape;  // one-letter code (o s d ^ v > < p h + x * .), "" for none
  double size = 8;    // pixels
  Rgb edge;
  std::optional<Rgb> face;  // none: not filled
};

struct LineLook {
  std::optional<Stroke> stroke;
  MarkerStyle marker;
};

// The look of line `line` as drawFigure draws it (widths at least 1.5 pixels).
LineLook lineLook(const Graphics& graphics, double line);

// A size in points (font sizes, line widths) in figure pixels at 96 per inch,
// capped at 1000 pixels.
double pointsToPixels(double points);

// Paints figure `figure` onto `canvas` (sized to the figure's pixel size).
void drawFigure(const Graphics& graphics, double figure, Canvas& canvas);

// The figure's pixel size, Position(3:4) rounded.
std::pair<int, int> figurePixelSize(const Graphics& graphics, double figure);

// Writes a PNG file of an image in cairo's ARGB32 layout (`stride` bytes a row of
// native-endian 32-bit words, alpha in the top byte, colours premultiplied): 8-bit
// RGB when every pixel is opaque, otherwise 8-bit RGBA with the colours
// un-premultiplied, the pixels exactly as cairo's own PNG writer gives them; only
// the compression differs (built for speed). Raises rt::Error
// (mexhost:graphics:writeFailed) and leaves no file when it cannot write.
void writePng(const unsigned char* data, int width, int height, int stride,
              const std::filesystem::path& file);

enum class CanvasKind { Png, Pdf, Svg };
// A canvas of width x height pixels that writes `file` when finished.
std::unique_ptr<Canvas> makeCanvas(CanvasKind kind, int width, int height,
                                   const std::filesystem::path& file);

}  // namespace mh::gfx
