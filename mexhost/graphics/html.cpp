// The interactive page of a figure: one HTML file with everything inline (style,
// script, data), so that it opens in any browser without a network or anything
// installed. The script (html/figure_page.js, built into the program) draws the
// figure on a canvas the way drawFigure draws the PNG, from the values below,
// which come from the same model and layout: the plot box, the limits, the
// ticks and the tick budget they were chosen with, the looks of lines and texts.
//
// Page data, the JSON in <script id="figure-data" type="application/json">:
//   {"width": W, "height": H (figure pixels),
//    "color": CSS colour or null,
//    "data": [base64 of little-endian doubles, ...]  (every distinct array once),
//    "axes": [{"plotBox": [x, y, w, h] (figure pixels from the top left),
//              "xlim", "ylim", "xticks", "yticks" (the model's effective values),
//              "xtickAuto", "ytickAuto", "tickBudget": [x, y],
//              "equal": DataAspectRatio when it is manual, else null,
//              "visible", "color", "boxed", "xgrid", "ygrid", "xcolor", "ycolor",
//              "frameWidth", "fontSize" (pixels), "tickMetrics",
//              "ytickWidest" (the widest y tick label at these limits),
//              "lines": [{"x", "y" (indexes into data), "visible", "color",
//                         "width" (pixels, null: no stroke), "dashes", "marker",
//                         "name" (its legend entry or null)}],
//              "texts": [text with "at": [x, y] in data units],
//              "title", "xlabel", "ylabel": text or null}],
//    "legends": [{"axes": index, "location", "fontSize", "metrics", "widest",
//                 "color", "edge" (null: no box), "textColor",
//                 "entries": [{"text", "color", "width", "dashes", "marker"}]}]}
//   text: {"lines": [...], "size" (pixels), "bold", "metrics", "color", "halign",
//          "valign", "rotation" (degrees)}
//   metrics: [ascent, descent] of the font; widths and metrics are the PNG
//   renderer's, so that the page lays texts out as the PNG does (the browser
//   measures for itself only what the PNG never drew, such as zoomed ticks).
//   marker: null or {"shape", "size" (pixels), "edge", "face" (null: hollow)}
// Line data are stored exactly (base64 keeps every bit, NaN and -0 included);
// every other number is written so that it reads back to the same double.
#include <algorithm>
#include <bit>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <nlohmann/json.hpp>

#include "messages.hpp"
#include "mexhost/graphics_canvas.hpp"
#include "properties.hpp"

namespace mh::gfx {

// html_resources.cpp, made by the build from html/figure_page.js and .css.
extern const char kFigurePageScript[];
extern const char kFigurePageStyle[];

namespace {

using nlohmann::json;

// Control characters are drawn as spaces.
std::string printable(std::string_view utf8) {
  std::string out(utf8);
  for (char& c : out) {
    const auto u = static_cast<unsigned char>(c);
    if (u < 0x20 || u == 0x7f) c = ' ';
  }
  return out;
}

std::string cssColor(const Rgb& c) {
  const auto byte = [](double v) {
    return static_cast<int>(std::lround(std::clamp(v, 0.0, 1.0) * 255.0));
  };
  char buffer[8];
  std::snprintf(buffer, sizeof buffer, "#%02x%02x%02x", byte(c.r), byte(c.g), byte(c.b));
  return buffer;
}

// A colour property: an RGB triple, or null for 'none' (and the like).
json colorJson(const rt::Array& v) {
  if (v.isChar() || v.numel() != 3) return nullptr;
  return cssColor({v.re()[0], v.re()[1], v.re()[2]});
}

std::string base64(const std::vector<double>& values) {
  static constexpr char kDigits[] =
      "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
  std::vector<unsigned char> bytes;
  bytes.reserve(values.size() * 8);
  for (double v : values) {
    const auto bits = std::bit_cast<std::uint64_t>(v);
    for (int k = 0; k < 8; ++k) bytes.push_back(static_cast<unsigned char>(bits >> (8 * k)));
  }
  std::string out;
  out.reserve((bytes.size() + 2) / 3 * 4);
  for (std::size_t i = 0; i < bytes.size(); i += 3) {
    const std::size_t n = std::min<std::size_t>(3, bytes.size() - i);
    std::uint32_t chunk = static_cast<std::uint32_t>(bytes[i]) << 16;
    if (n > 1) chunk |= static_cast<std::uint32_t>(bytes[i + 1]) << 8;
    if (n > 2) chunk |= bytes[i + 2];
    out += kDigits[(chunk >> 18) & 63];
    out += kDigits[(chunk >> 12) & 63];
    out += n > 1 ? kDigits[(chunk >> 6) & 63] : '=';
    out += n > 2 ? kDigits[chunk & 63] : '=';
  }
  return out;
}

// The line data of a page, each distinct array stored once (the lines of one
// plot call share their x data).
class DataTable {
 public:
  std::size_t add(std::vector<double> values) {
    for (std::size_t k = 0; k < arrays_.size(); ++k) {
      const auto& a = arrays_[k];
      if (a.size() == values.size() &&
          std::memcmp(a.data(), values.data(), a.size() * sizeof(double)) == 0) {
        return k;
      }
    }
    arrays_.push_back(std::move(values));
    return arrays_.size() - 1;
  }
  json toJson() const {
    json out = json::array();
    for (const auto& a : arrays_) out.push_back(base64(a));
    return out;
  }

 private:
  std::vector<std::vector<double>> arrays_;
};

json numbers(const std::vector<double>& values) {
  json out = json::array();
  for (double v : values) out.push_back(v);
  return out;
}

json markerJson(const MarkerStyle& m) {
  if (m.shape.empty()) return nullptr;
  return {{"shape", m.shape},
          {"size", m.size},
          {"edge", cssColor(m.edge)},
          {"face", m.face ? json(cssColor(*m.face)) : json(nullptr)}};
}

// The stroke and markers of a line, as lines and legend samples need them.
json lookJson(const LineLook& look) {
  json out = json::object();
  out["color"] = look.stroke ? cssColor(look.stroke->color) : cssColor(look.marker.edge);
  out["width"] = look.stroke ? json(look.stroke->width) : json(nullptr);
  out["dashes"] = look.stroke ? numbers(look.stroke->dashes) : json::array();
  out["marker"] = markerJson(look.marker);
  return out;
}

// The renderer's ascent and descent of a font (whole pixels, as the PNG's
// hinted font has them), so that the page places texts where the PNG has them.
json metricsJson(const Font& font) {
  const FontMetrics m = fontMetrics(font);
  return numbers({m.ascent, m.descent});
}

// The width of the widest text, as the renderer measures it.
double widest(const std::vector<std::string>& texts, const Font& font) {
  double out = 0;
  for (const auto& t : texts) out = std::max(out, textWidth(t, font));
  return out;
}

// A text object; null when it shows nothing.
json textJson(const Graphics& g, double text) {
  if (!g.isOn(text, "Visible")) return nullptr;
  const auto lines = detail::textLines(g.get(text, "String"));
  if (lines.empty()) return nullptr;
  const Font font{pointsToPixels(g.numberProperty(text, "FontSize")),
                  g.stringProperty(text, "FontWeight") == "bold"};
  return {{"lines", lines},
          {"size", font.size},
          {"bold", font.bold},
          {"metrics", metricsJson(font)},
          {"color", colorJson(g.get(text, "Color"))},
          {"halign", g.stringProperty(text, "HorizontalAlignment")},
          {"valign", g.stringProperty(text, "VerticalAlignment")},
          {"rotation", g.numberProperty(text, "Rotation")}};
}

json axesJson(const Graphics& g, double ax, DataTable& data, std::vector<double>& lineHandles) {
  const AxesLayout l = g.layout(ax);
  const bool equal = g.stringProperty(ax, "DataAspectRatioMode") == "manual";
  const Font tickFont{pointsToPixels(g.numberProperty(ax, "FontSize")), false};
  // The y tick labels drawn (ticks inside the limits): the y label stands left of them.
  std::vector<std::string> yLabels;
  const double slack = (l.ylim[1] - l.ylim[0]) * 1e-9;
  for (double t : l.yticks) {
    if (t >= l.ylim[0] - slack && t <= l.ylim[1] + slack) yLabels.push_back(formatTick(t));
  }
  json out = {
      {"plotBox", numbers({l.plotBox.x, l.plotBox.y, l.plotBox.w, l.plotBox.h})},
      {"xlim", numbers({l.xlim[0], l.xlim[1]})},
      {"ylim", numbers({l.ylim[0], l.ylim[1]})},
      {"xticks", numbers(l.xticks)},
      {"yticks", numbers(l.yticks)},
      {"xtickAuto", g.stringProperty(ax, "XTickMode") == "auto"},
      {"ytickAuto", g.stringProperty(ax, "YTickMode") == "auto"},
      {"tickBudget", {tickBudget(l.plotBox.w, false), tickBudget(l.plotBox.h, true)}},
      {"equal", equal ? numbers(g.numbersProperty(ax, "DataAspectRatio")) : json(nullptr)},
      {"visible", g.isOn(ax, "Visible")},
      {"color", colorJson(g.get(ax, "Color"))},
      {"boxed", g.isOn(ax, "Box")},
      {"xgrid", g.isOn(ax, "XGrid")},
      {"ygrid", g.isOn(ax, "YGrid")},
      {"xcolor", colorJson(g.get(ax, "XColor"))},
      {"ycolor", colorJson(g.get(ax, "YColor"))},
      {"frameWidth", std::max(1.0, pointsToPixels(g.numberProperty(ax, "LineWidth")))},
      {"fontSize", tickFont.size},
      {"tickMetrics", metricsJson(tickFont)},
      {"ytickWidest", widest(yLabels, tickFont)},
  };
  for (const auto& label : detail::labelTable()) {
    out[label.function] = textJson(g, g.label(ax, label.which));
  }
  json lines = json::array();
  json texts = json::array();
  for (double child : g.children(ax)) {
    if (g.type(child) == ObjectType::Line) {
      std::vector<double> xs = g.numbersProperty(child, "XData");
      std::vector<double> ys = g.numbersProperty(child, "YData");
      if (xs.size() != ys.size()) {  // not drawn, as in the PNG
        xs.clear();
        ys.clear();
      }
      json line = lookJson(lineLook(g, child));
      line["x"] = data.add(std::move(xs));
      line["y"] = data.add(std::move(ys));
      line["visible"] = g.isOn(child, "Visible");
      line["name"] = nullptr;
      lines.push_back(std::move(line));
      lineHandles.push_back(child);
    } else if (g.type(child) == ObjectType::Text) {
      json text = textJson(g, child);
      const auto at = g.numbersProperty(child, "Position");
      if (text.is_null() || !std::isfinite(at[0]) || !std::isfinite(at[1])) continue;
      text["at"] = numbers({at[0], at[1]});
      texts.push_back(std::move(text));
    }
  }
  out["lines"] = std::move(lines);
  out["texts"] = std::move(texts);
  return out;
}

json legendJson(const Graphics& g, double legend, std::size_t axesIndex, json& axes,
                const std::vector<double>& lineHandles) {
  const rt::Array strings = g.get(legend, "String");
  const std::vector<double> lines = g.legendLines(legend);
  const Font font{pointsToPixels(g.numberProperty(legend, "FontSize")), false};
  json entries = json::array();
  std::vector<std::string> texts;
  for (std::size_t k = 0; k < lines.size() && k < strings.numel(); ++k) {
    if (!g.isHandle(lines[k])) continue;
    const std::string text = strings.cells()[k].utf8();
    json entry = lookJson(lineLook(g, lines[k]));
    entry["text"] = text;
    entries.push_back(std::move(entry));
    texts.push_back(printable(text));
    const auto at = std::find(lineHandles.begin(), lineHandles.end(), lines[k]);
    if (at != lineHandles.end()) axes["lines"][at - lineHandles.begin()]["name"] = text;
  }
  return {{"axes", axesIndex},
          {"location", g.stringProperty(legend, "Location")},
          {"fontSize", font.size},
          {"metrics", metricsJson(font)},
          {"widest", widest(texts, font)},
          {"color", colorJson(g.get(legend, "Color"))},
          {"edge", g.isOn(legend, "Box") ? colorJson(g.get(legend, "EdgeColor")) : json(nullptr)},
          {"textColor", colorJson(g.get(legend, "TextColor"))},
          {"entries", std::move(entries)}};
}

std::string pageTitle(const Graphics& g, double figure) {
  std::string title = "Figure " + std::to_string(static_cast<long long>(figure));
  const std::string name = g.stringProperty(figure, "Name");
  if (!name.empty()) title += ": " + name;
  return title;
}

json pageData(const Graphics& g, double figure) {
  const auto [width, height] = figurePixelSize(g, figure);
  DataTable data;
  json axes = json::array();
  json legends = json::array();
  std::vector<double> axesHandles;
  std::vector<std::vector<double>> lineHandles;
  const std::vector<double> kids = g.children(figure);
  for (double child : kids) {
    if (g.type(child) != ObjectType::Axes) continue;
    lineHandles.emplace_back();
    axes.push_back(axesJson(g, child, data, lineHandles.back()));
    axesHandles.push_back(child);
  }
  for (double child : kids) {
    if (g.type(child) != ObjectType::Legend || !g.isOn(child, "Visible")) continue;
    const auto at = std::find(axesHandles.begin(), axesHandles.end(), g.legendAxes(child));
    if (at == axesHandles.end()) continue;
    const auto index = static_cast<std::size_t>(at - axesHandles.begin());
    legends.push_back(legendJson(g, child, index, axes[index], lineHandles[index]));
  }
  return {{"width", width},
          {"height", height},
          {"color", colorJson(g.get(figure, "Color"))},
          {"data", data.toJson()},
          {"axes", std::move(axes)},
          {"legends", std::move(legends)}};
}

// JSON that can stand inside a <script> element: '<' only occurs in strings,
// where \u003c means the same and cannot close the element.
std::string scriptSafe(const json& value) {
  const std::string text = value.dump(-1, ' ', false, json::error_handler_t::replace);
  std::string out;
  out.reserve(text.size());
  for (char c : text) {
    if (c == '<') {
      out += "\\u003c";
    } else {
      out += c;
    }
  }
  return out;
}

std::string htmlEscaped(std::string_view text) {
  std::string out;
  for (char c : text) {
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
      default:
        out += (static_cast<unsigned char>(c) < 0x20) ? ' ' : c;
    }
  }
  return out;
}

}  // namespace

std::string figureHtml(const Graphics& graphics, double figure) {
  if (!graphics.isHandle(figure) || graphics.type(figure) != ObjectType::Figure) {
    msg::wrongObject(figure, "a figure");
  }
  std::string page;
  page += "<!DOCTYPE html>\n<html>\n<head>\n<meta charset=\"utf-8\">\n";
  page += "<meta name=\"generator\" content=\"mexhost\">\n";
  page += "<title>" + htmlEscaped(pageTitle(graphics, figure)) + "</title>\n";
  page += "<style>\n";
  page += kFigurePageStyle;
  page += "</style>\n</head>\n<body>\n";
  page += "<noscript>This figure is drawn by a script; allow scripts to see it.</noscript>\n";
  page += "<script id=\"figure-data\" type=\"application/json\">";
  page += scriptSafe(pageData(graphics, figure));
  page += "</script>\n<script>\n";
  page += kFigurePageScript;
  page += "</script>\n</body>\n</html>\n";
  return page;
}

void writeFigureHtml(const Graphics& graphics, double figure, const std::filesystem::path& file) {
  const std::string page = figureHtml(graphics, figure);
  std::ofstream out(file, std::ios::binary | std::ios::trunc);
  if (!out) msg::writeFailed(file.string(), "the file cannot be opened");
  out.write(page.data(), static_cast<std::streamsize>(page.size()));
  out.close();
  if (!out) msg::writeFailed(file.string(), "writing failed");
}

}  // namespace mh::gfx
