// The SVG canvas: writes SVG itself so that texts are <text> elements (UTF-8),
// searchable and selectable, rather than glyph outlines.
#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <fstream>
#include <numbers>
#include <sstream>
#include <string>

#include "messages.hpp"
#include "mexhost/graphics_canvas.hpp"

namespace mh::gfx {
namespace {

// Appends v with at most two decimals, trailing zeros dropped ("12.5", "3", "0"
// for -0.001). to_chars rounds as printf's "%.2f" does, at a fraction of its cost
// (a result figure's lines have 16384 coordinates).
void appendNum(std::string& out, double v) {
  if (!std::isfinite(v)) v = 0;
  char buffer[400];
  char* end = std::to_chars(buffer, buffer + sizeof buffer, v, std::chars_format::fixed, 2).ptr;
  // At most 31 characters, as the files have always had them (only absurd values
  // are that long).
  end = std::min(end, buffer + 31);
  while (end > buffer && end[-1] == '0') --end;
  if (end > buffer && end[-1] == '.') --end;
  if (end - buffer == 2 && buffer[0] == '-' && buffer[1] == '0') {
    out += '0';
    return;
  }
  out.append(buffer, end);
}

std::string num(double v) {
  std::string s;
  appendNum(s, v);
  return s;
}

std::string color(const Rgb& c) {
  const auto byte = [](double v) {
    return static_cast<int>(std::lround(std::clamp(v, 0.0, 1.0) * 255.0));
  };
  char buffer[8];
  std::snprintf(buffer, sizeof buffer, "#%02x%02x%02x", byte(c.r), byte(c.g), byte(c.b));
  return buffer;
}

std::string escaped(std::string_view text) {
  std::string out;
  for (const char c : text) {
    switch (c) {
      case '&':
        out += "&amp;";
        break;
      case '<':
        out += "&lt;";
        break;
      case '>':
        out += "&gt;";
        break;
      case '"':
        out += "&quot;";
        break;
      default:
        // Characters below 0x20 are not allowed in XML 1.0 text.
        out += (static_cast<unsigned char>(c) < 0x20) ? ' ' : c;
    }
  }
  return out;
}

std::string paintAttributes(const std::optional<Rgb>& fill, const std::optional<Stroke>& stroke) {
  std::string out = " fill=\"" + (fill ? color(*fill) : std::string("none")) + "\"";
  if (stroke) {
    out += " stroke=\"" + color(stroke->color) + "\" stroke-width=\"" + num(stroke->width) + "\"";
    if (!stroke->dashes.empty()) {
      out += " stroke-dasharray=\"";
      for (std::size_t k = 0; k < stroke->dashes.size(); ++k) {
        out += (k ? "," : "") + num(stroke->dashes[k]);
      }
      out += "\"";
    }
  }
  return out;
}

class SvgCanvas final : public Canvas {
 public:
  SvgCanvas(int width, int height, std::filesystem::path file) : file_(std::move(file)) {
    out_ << "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
         << "<svg xmlns=\"http://www.w3.org/2000/svg\" version=\"1.1\" width=\"" << width
         << "\" height=\"" << height << "\" viewBox=\"0 0 " << width << ' ' << height
         << "\" xml:space=\"preserve\" stroke-linejoin=\"round\">\n";
  }

  void path(const std::vector<Point>& points, bool closed, const std::optional<Rgb>& fill,
            const std::optional<Stroke>& stroke) override {
    if (points.empty()) return;
    std::string d = "<path d=\"";
    d.reserve(16 * points.size());
    for (std::size_t k = 0; k < points.size(); ++k) {
      d += k == 0 ? 'M' : 'L';
      appendNum(d, points[k].x);
      d += ' ';
      appendNum(d, points[k].y);
    }
    if (closed) d += 'Z';
    out_ << d << '"' << paintAttributes(fill, stroke) << "/>\n";
  }

  void rectangle(const Rect& r, const std::optional<Rgb>& fill,
                 const std::optional<Stroke>& stroke) override {
    out_ << "<rect x=\"" << num(r.x) << "\" y=\"" << num(r.y) << "\" width=\"" << num(r.w)
         << "\" height=\"" << num(r.h) << '"' << paintAttributes(fill, stroke) << "/>\n";
  }

  void text(Point at, std::string_view utf8, const Font& font, Rgb c, HAlign align,
            double rotation) override {
    const char* anchor = align == HAlign::Left     ? "start"
                         : align == HAlign::Center ? "middle"
                                                   : "end";
    out_ << "<text x=\"" << num(at.x) << "\" y=\"" << num(at.y)
         << "\" font-family=\"DejaVu Sans, Verdana, sans-serif\" font-size=\"" << num(font.size)
         << '"' << (font.bold ? " font-weight=\"bold\"" : "") << " fill=\"" << color(c)
         << "\" text-anchor=\"" << anchor << '"';
    if (rotation != 0) {
      out_ << " transform=\"rotate(" << num(-rotation) << ' ' << num(at.x) << ' ' << num(at.y)
           << ")\"";
    }
    out_ << '>' << escaped(utf8) << "</text>\n";
  }

  void pushClip(const Rect& r) override {
    const int id = ++clips_;
    out_ << "<clipPath id=\"clip" << id << "\"><rect x=\"" << num(r.x) << "\" y=\"" << num(r.y)
         << "\" width=\"" << num(r.w) << "\" height=\"" << num(r.h) << "\"/></clipPath>\n"
         << "<g clip-path=\"url(#clip" << id << ")\">\n";
    ++open_;
  }

  void popClip() override {
    if (open_ == 0) return;
    --open_;
    out_ << "</g>\n";
  }

  void finish() override {
    while (open_ > 0) popClip();
    out_ << "</svg>\n";
    std::ofstream file(file_, std::ios::binary | std::ios::trunc);
    if (!file) msg::writeFailed(file_.string(), "the file cannot be opened");
    const std::string text = out_.str();
    file.write(text.data(), static_cast<std::streamsize>(text.size()));
    file.close();
    if (!file) msg::writeFailed(file_.string(), "writing failed");
  }

 private:
  std::filesystem::path file_;
  std::ostringstream out_;
  int clips_ = 0;
  int open_ = 0;
};

}  // namespace

std::unique_ptr<Canvas> makeSvgCanvas(int width, int height, const std::filesystem::path& file) {
  return std::make_unique<SvgCanvas>(width, height, file);
}

}  // namespace mh::gfx
