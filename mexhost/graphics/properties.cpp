#include "properties.hpp"

#include <algorithm>
#include <cmath>
#include <cstdio>

#include "messages.hpp"
#include "runtime/ops.hpp"

namespace mh::gfx::detail {
namespace {

using T = ObjectType;
using K = Kind;

rt::Array none() {
  return rt::Array::str("none");
}
rt::Array emptyText() {
  return rt::Array::str("");
}
rt::Array on() {
  return rt::Array::str("on");
}
rt::Array off() {
  return rt::Array::str("off");
}
rt::Array autoMode() {
  return rt::Array::str("auto");
}

// The default line colours, one row each.
rt::Array defaultColorOrder() {
  return rt::matrix(7, 3, {0, 0,   1, 0,    0.75, 0.75, 0.25,    // red
                           0, 0.5, 0, 0.75, 0,    0.75, 0.25,    // green
                           1, 0,   0, 0.75, 0.75, 0,    0.25});  // blue
}

constexpr const char* kOnOff = "on|off";
constexpr const char* kAutoManual = "auto|manual";

constexpr LabelInfo kLabels[] = {
    {Label::Title, "Title", "title"},
    {Label::XLabel, "XLabel", "xlabel"},
    {Label::YLabel, "YLabel", "ylabel"},
};

// clang-format off
const PropertyInfo kTable[] = {
  // ---- root
  {T::Root, "Type", K::ReadOnly, nullptr, nullptr, nullptr},
  {T::Root, "Children", K::ReadOnly, nullptr, nullptr, nullptr},
  {T::Root, prop::kCurrentFigure, K::Handle, nullptr, nullptr, nullptr},

  // ---- figure
  {T::Figure, "Type", K::ReadOnly, nullptr, nullptr, nullptr},
  {T::Figure, "Parent", K::ReadOnly, nullptr, nullptr, nullptr},
  {T::Figure, "Children", K::ReadOnly, nullptr, nullptr, nullptr},
  {T::Figure, "Number", K::ReadOnly, nullptr, nullptr, nullptr},
  {T::Figure, "Name", K::Name, emptyText, nullptr, nullptr},
  {T::Figure, "NumberTitle", K::Choice, on, kOnOff, nullptr},
  {T::Figure, "Color", K::Color, [] { return rt::row({1, 1, 1}); }, nullptr, nullptr},
  {T::Figure, "Position", K::PixelPosition, [] { return rt::row({100, 100, 800, 600}); }, nullptr, nullptr},
  {T::Figure, prop::kCurrentAxes, K::Handle, nullptr, nullptr, nullptr},
  {T::Figure, "NextPlot", K::Choice, [] { return rt::Array::str("add"); }, "add|new|replace|replacechildren", nullptr},
  {T::Figure, "Visible", K::Choice, on, kOnOff, nullptr},
  {T::Figure, "Tag", K::Name, emptyText, nullptr, nullptr},

  // ---- axes
  {T::Axes, "Type", K::ReadOnly, nullptr, nullptr, nullptr},
  {T::Axes, "Parent", K::ReadOnly, nullptr, nullptr, nullptr},
  {T::Axes, "Children", K::ReadOnly, nullptr, nullptr, nullptr},
  {T::Axes, kLabels[0].property, K::ReadOnly, nullptr, nullptr, nullptr},
  {T::Axes, kLabels[1].property, K::ReadOnly, nullptr, nullptr, nullptr},
  {T::Axes, kLabels[2].property, K::ReadOnly, nullptr, nullptr, nullptr},
  {T::Axes, "Legend", K::ReadOnly, nullptr, nullptr, nullptr},
  {T::Axes, "Position", K::NormPosition, [] { return rt::row({0.13, 0.11, 0.775, 0.815}); }, nullptr, nullptr},
  {T::Axes, "XLim", K::Limits, [] { return rt::row({0, 1}); }, nullptr, "XLimMode"},
  {T::Axes, "YLim", K::Limits, [] { return rt::row({0, 1}); }, nullptr, "YLimMode"},
  {T::Axes, "XLimMode", K::Choice, autoMode, kAutoManual, nullptr},
  {T::Axes, "YLimMode", K::Choice, autoMode, kAutoManual, nullptr},
  {T::Axes, "XTick", K::Ticks, [] { return rt::zeros(1, 0); }, nullptr, "XTickMode"},
  {T::Axes, "YTick", K::Ticks, [] { return rt::zeros(1, 0); }, nullptr, "YTickMode"},
  {T::Axes, "XTickMode", K::Choice, autoMode, kAutoManual, nullptr},
  {T::Axes, "YTickMode", K::Choice, autoMode, kAutoManual, nullptr},
  {T::Axes, "XGrid", K::Choice, off, kOnOff, nullptr},
  {T::Axes, "YGrid", K::Choice, off, kOnOff, nullptr},
  {T::Axes, "Box", K::Choice, on, kOnOff, nullptr},
  {T::Axes, "Color", K::ColorOrNone, [] { return rt::row({1, 1, 1}); }, nullptr, nullptr},
  {T::Axes, "XColor", K::Color, [] { return rt::row({0.15, 0.15, 0.15}); }, nullptr, nullptr},
  {T::Axes, "YColor", K::Color, [] { return rt::row({0.15, 0.15, 0.15}); }, nullptr, nullptr},
  {T::Axes, "FontSize", K::Positive, [] { return rt::Array(10.0); }, nullptr, nullptr},
  {T::Axes, "LineWidth", K::Positive, [] { return rt::Array(0.5); }, nullptr, nullptr},
  {T::Axes, "ColorOrder", K::ColorMatrix, defaultColorOrder, nullptr, nullptr},
  {T::Axes, "ColorOrderIndex", K::Integer, [] { return rt::Array(1.0); }, nullptr, nullptr},
  {T::Axes, "NextPlot", K::Choice, [] { return rt::Array::str("replace"); }, "replace|add|replacechildren|replaceall", nullptr},
  {T::Axes, "DataAspectRatio", K::Ratio, [] { return rt::row({1, 1, 1}); }, nullptr, "DataAspectRatioMode"},
  {T::Axes, "DataAspectRatioMode", K::Choice, autoMode, kAutoManual, nullptr},
  {T::Axes, "PlotBoxAspectRatio", K::Ratio, [] { return rt::row({1, 1, 1}); }, nullptr, "PlotBoxAspectRatioMode"},
  {T::Axes, "PlotBoxAspectRatioMode", K::Choice, autoMode, kAutoManual, nullptr},
  {T::Axes, "Visible", K::Choice, on, kOnOff, nullptr},
  {T::Axes, "Tag", K::Name, emptyText, nullptr, nullptr},

  // ---- line
  {T::Line, "Type", K::ReadOnly, nullptr, nullptr, nullptr},
  {T::Line, "Parent", K::ReadOnly, nullptr, nullptr, nullptr},
  {T::Line, "XData", K::Data, [] { return rt::row({0, 1}); }, nullptr, nullptr},
  {T::Line, "YData", K::Data, [] { return rt::row({0, 1}); }, nullptr, nullptr},
  {T::Line, "Color", K::Color, [] { return rt::row({0, 0, 1}); }, nullptr, nullptr},
  {T::Line, "LineWidth", K::Positive, [] { return rt::Array(0.5); }, nullptr, nullptr},
  {T::Line, "LineStyle", K::Choice, [] { return rt::Array::str("-"); }, "-|--|:|-.|none", nullptr},
  {T::Line, "Marker", K::Choice, none, "none|o|+|*|.|x|s|d|^|v|<|>|p|h|square|diamond|pentagram|hexagram", nullptr},
  {T::Line, "MarkerSize", K::Positive, [] { return rt::Array(6.0); }, nullptr, nullptr},
  {T::Line, "MarkerEdgeColor", K::MarkerColor, autoMode, nullptr, nullptr},
  {T::Line, "MarkerFaceColor", K::MarkerColor, none, nullptr, nullptr},
  {T::Line, "DisplayName", K::Name, emptyText, nullptr, nullptr},
  {T::Line, "Visible", K::Choice, on, kOnOff, nullptr},
  {T::Line, "Tag", K::Name, emptyText, nullptr, nullptr},

  // ---- text
  {T::Text, "Type", K::ReadOnly, nullptr, nullptr, nullptr},
  {T::Text, "Parent", K::ReadOnly, nullptr, nullptr, nullptr},
  {T::Text, "String", K::Text, emptyText, nullptr, nullptr},
  {T::Text, "Position", K::TextPosition, [] { return rt::row({0, 0, 0}); }, nullptr, nullptr},
  {T::Text, "FontSize", K::Positive, [] { return rt::Array(10.0); }, nullptr, nullptr},
  {T::Text, "FontWeight", K::Choice, [] { return rt::Array::str("normal"); }, "normal|bold|light|demi", nullptr},
  {T::Text, "Color", K::Color, [] { return rt::row({0, 0, 0}); }, nullptr, nullptr},
  {T::Text, "HorizontalAlignment", K::Choice, [] { return rt::Array::str("left"); }, "left|center|right", nullptr},
  {T::Text, "VerticalAlignment", K::Choice, [] { return rt::Array::str("middle"); }, "middle|top|bottom|baseline|cap", nullptr},
  {T::Text, "Rotation", K::Scalar, [] { return rt::Array(0.0); }, nullptr, nullptr},
  {T::Text, "Visible", K::Choice, on, kOnOff, nullptr},
  {T::Text, "Tag", K::Name, emptyText, nullptr, nullptr},

  // ---- legend (a child of the figure, tied to one axes)
  {T::Legend, "Type", K::ReadOnly, nullptr, nullptr, nullptr},
  {T::Legend, "Parent", K::ReadOnly, nullptr, nullptr, nullptr},
  {T::Legend, "String", K::StringList, [] { return rt::Array::cell({1, 0}); }, nullptr, nullptr},
  {T::Legend, "Location", K::Choice, [] { return rt::Array::str("northeast"); }, "northeast|northwest|southeast|southwest|north|south|east|west|best", nullptr},
  {T::Legend, "FontSize", K::Positive, [] { return rt::Array(9.0); }, nullptr, nullptr},
  {T::Legend, "TextColor", K::Color, [] { return rt::row({0, 0, 0}); }, nullptr, nullptr},
  {T::Legend, "Color", K::Color, [] { return rt::row({1, 1, 1}); }, nullptr, nullptr},
  {T::Legend, "EdgeColor", K::Color, [] { return rt::row({0.15, 0.15, 0.15}); }, nullptr, nullptr},
  {T::Legend, "Box", K::Choice, on, kOnOff, nullptr},
  {T::Legend, "Visible", K::Choice, on, kOnOff, nullptr},
  {T::Legend, "Tag", K::Name, emptyText, nullptr, nullptr},
};
// clang-format on

struct NamedColor {
  const char* shortName;
  const char* longName;
  double rgb[3];
};
constexpr NamedColor kColors[] = {
    {"y", "yellow", {1, 1, 0}}, {"m", "magenta", {1, 0, 1}}, {"c", "cyan", {0, 1, 1}},
    {"r", "red", {1, 0, 0}},    {"g", "green", {0, 1, 0}},   {"b", "blue", {0, 0, 1}},
    {"w", "white", {1, 1, 1}},  {"k", "black", {0, 0, 0}},
};

bool isRealNumeric(const rt::Array& v) {
  return (v.isDouble() || v.isLogical()) && !v.isComplex();
}

// The real numbers of a numeric value, or an error naming the property.
const std::vector<double>& numbers(const PropertyInfo& info, const rt::Array& v,
                                   std::string_view what) {
  if (!isRealNumeric(v)) msg::badValue(info.name, what);
  return v.re();
}

bool allFinite(const std::vector<double>& x) {
  return std::all_of(x.begin(), x.end(), [](double d) { return std::isfinite(d); });
}

bool isVectorOrEmpty(const rt::Array& v) {
  return v.ndims() == 2 && (v.rows() <= 1 || v.cols() <= 1);
}

rt::Array rowOf(const std::vector<double>& x) {
  return rt::Array::fromData({1, x.size()}, x);
}

std::string charRow(const rt::Array& text, std::size_t row) {
  std::u16string units;
  const std::size_t rows = text.rows();
  const std::size_t cols = text.cols();
  for (std::size_t c = 0; c < cols; ++c) {
    units.push_back(static_cast<char16_t>(text.re()[c * rows + row]));
  }
  return rt::utf16ToUtf8(units);
}

bool isCharRowOrEmpty(const rt::Array& v) {
  return v.isChar() && v.ndims() == 2 && (v.rows() <= 1 || v.isEmpty());
}

std::string numbersAsText(const std::vector<double>& x) {
  std::string out;
  for (double d : x) {
    char buffer[32];
    std::snprintf(buffer, sizeof buffer, "%g", d);
    if (!out.empty()) out += "  ";
    out += buffer;
  }
  return out;
}

rt::Array normalizeColor(const PropertyInfo& info, const rt::Array& v, bool allowNone,
                         bool allowAuto) {
  std::string what = "a colour name or an RGB triple of values in [0, 1]";
  if (allowNone) what += allowAuto ? ", 'none' or 'auto'" : " or 'none'";
  if (v.isChar()) {
    const std::string name = lower(v.utf8());
    if (allowNone && name == "none") return none();
    if (allowAuto && name == "auto") return autoMode();
    double rgb[3];
    if (!namedColor(name, rgb)) msg::badValue(info.name, what);
    return rt::row({rgb[0], rgb[1], rgb[2]});
  }
  const auto& x = numbers(info, v, what);
  if (x.size() != 3 || !isVectorOrEmpty(v)) msg::badValue(info.name, what);
  for (double d : x) {
    if (!(d >= 0.0 && d <= 1.0)) msg::badValue(info.name, what);
  }
  return rowOf(x);
}

std::string choiceList(const char* choices) {
  std::string out = "'";
  for (const char* p = choices; *p; ++p)
    out += (*p == '|') ? std::string("', '") : std::string(1, *p);
  return out + "'";
}

rt::Array normalizeChoice(const PropertyInfo& info, const rt::Array& v) {
  const std::string what = "one of " + choiceList(info.choices);
  if (!isCharRowOrEmpty(v)) msg::badValue(info.name, what);
  const std::string given = lower(v.utf8());
  std::string_view all(info.choices);
  std::size_t start = 0;
  while (start <= all.size()) {
    std::size_t end = all.find('|', start);
    if (end == std::string_view::npos) end = all.size();
    if (all.substr(start, end - start) == given) return rt::Array::str(given);
    start = end + 1;
  }
  msg::badValue(info.name, what);
}

rt::Array normalizeText(const PropertyInfo& info, const rt::Array& v) {
  const char* what = "text (a char array, a cell array of char rows, or numbers)";
  if (v.isChar()) {
    if (v.ndims() != 2) msg::badValue(info.name, what);
    return v;
  }
  if (v.isCell()) {
    for (const auto& c : v.cells()) {
      if (!(c.isChar() && c.ndims() == 2) && !(c.isDouble() && c.isEmpty())) {
        msg::badValue(info.name, what);
      }
    }
    return v;
  }
  if (isRealNumeric(v)) return rt::Array::str(numbersAsText(v.re()));
  msg::badValue(info.name, what);
}

rt::Array normalizeStringList(const PropertyInfo& info, const rt::Array& v) {
  const char* what = "a cell array of strings";
  std::vector<std::string> items;
  if (v.isChar()) {
    if (v.ndims() != 2) msg::badValue(info.name, what);
    for (std::size_t r = 0; r < v.rows() && !v.isEmpty(); ++r) items.push_back(charRow(v, r));
  } else if (v.isCell()) {
    for (const auto& c : v.cells()) {
      if (c.isDouble() && c.isEmpty()) {
        items.emplace_back();
      } else if (isCharRowOrEmpty(c)) {
        items.push_back(c.utf8());
      } else {
        msg::badValue(info.name, what);
      }
    }
  } else if (isRealNumeric(v) && v.isEmpty()) {
    // [] clears the list
  } else {
    msg::badValue(info.name, what);
  }
  std::vector<rt::Array> cells;
  for (const std::string& item : items) cells.push_back(rt::Array::str(item));
  return rt::Array::cell({1, items.size()}, std::move(cells));
}

rt::Array normalizePosition(const PropertyInfo& info, const rt::Array& v, double maxSize) {
  // Normalized positions stay within 100 figure sizes of the figure.
  const std::string what =
      maxSize > 0 ? "[left bottom width height] with width and height in (0, 10000] pixels"
                  : "[left bottom width height] of numbers in [-100, 100], width and height > 0";
  const auto& x = numbers(info, v, what);
  if (x.size() != 4 || !isVectorOrEmpty(v) || !allFinite(x) || x[2] <= 0 || x[3] <= 0 ||
      (maxSize > 0 && (x[2] > maxSize || x[3] > maxSize))) {
    msg::badValue(info.name, what);
  }
  if (maxSize <= 0 && std::any_of(x.begin(), x.end(), [](double d) { return std::abs(d) > 100; })) {
    msg::badValue(info.name, what);
  }
  return rowOf(x);
}

}  // namespace

std::span<const LabelInfo> labelTable() {
  return kLabels;
}

const LabelInfo& labelInfo(Label which) {
  return kLabels[static_cast<std::size_t>(which)];
}

std::span<const PropertyInfo> propertyTable() {
  return kTable;
}

std::string lower(std::string_view s) {
  std::string out(s);
  for (char& c : out) {
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  }
  return out;
}

const PropertyInfo* findProperty(ObjectType type, std::string_view name) {
  const std::string wanted = lower(name);
  for (const auto& info : kTable) {
    if (info.type == type && lower(info.name) == wanted) return &info;
  }
  return nullptr;
}

bool namedColor(std::string_view name, double rgb[3]) {
  const std::string wanted = lower(name);
  for (const auto& c : kColors) {
    if (wanted == c.shortName || wanted == c.longName) {
      std::copy(std::begin(c.rgb), std::end(c.rgb), rgb);
      return true;
    }
  }
  return false;
}

std::vector<std::string> textLines(const rt::Array& value) {
  std::vector<std::string> raw;
  if (value.isChar()) {
    if (!value.isEmpty()) {
      for (std::size_t r = 0; r < value.rows(); ++r) raw.push_back(charRow(value, r));
    }
  } else if (value.isCell()) {
    for (const auto& c : value.cells()) {
      if (c.isChar() && !c.isEmpty()) {
        for (std::size_t r = 0; r < c.rows(); ++r) raw.push_back(charRow(c, r));
      } else {
        raw.emplace_back();
      }
    }
  }
  std::vector<std::string> lines;
  for (const auto& s : raw) {
    std::size_t start = 0;
    while (true) {
      const std::size_t nl = s.find('\n', start);
      lines.push_back(s.substr(start, nl == std::string::npos ? std::string::npos : nl - start));
      if (nl == std::string::npos) break;
      start = nl + 1;
    }
  }
  return lines;
}

rt::Array normalize(const PropertyInfo& info, const rt::Array& v) {
  if (!v.isDefined()) msg::badValue(info.name, "a defined value");
  switch (info.kind) {
    case Kind::Color:
      return normalizeColor(info, v, false, false);
    case Kind::ColorOrNone:
      return normalizeColor(info, v, true, false);
    case Kind::MarkerColor:
      return normalizeColor(info, v, true, true);
    case Kind::ColorMatrix: {
      const char* what = "an n-by-3 matrix of RGB values in [0, 1] with n >= 1";
      const auto& x = numbers(info, v, what);
      if (v.ndims() != 2 || v.cols() != 3 || v.rows() == 0) msg::badValue(info.name, what);
      for (double d : x) {
        if (!(d >= 0.0 && d <= 1.0)) msg::badValue(info.name, what);
      }
      return v.asClass(rt::ClassId::Double);
    }
    case Kind::Limits: {
      const char* what = "a vector [min max] of finite numbers with min < max";
      const auto& x = numbers(info, v, what);
      if (x.size() != 2 || !allFinite(x) || !(x[0] < x[1])) msg::badValue(info.name, what);
      return rowOf(x);
    }
    case Kind::Ticks: {
      const char* what = "a vector of increasing finite numbers";
      const auto& x = numbers(info, v, what);
      if (!isVectorOrEmpty(v) || !allFinite(x)) msg::badValue(info.name, what);
      for (std::size_t i = 1; i < x.size(); ++i) {
        if (!(x[i - 1] < x[i])) msg::badValue(info.name, what);
      }
      return rowOf(x);
    }
    case Kind::Positive: {
      const char* what = "a finite number greater than 0";
      const auto& x = numbers(info, v, what);
      if (x.size() != 1 || !std::isfinite(x[0]) || x[0] <= 0) msg::badValue(info.name, what);
      return rt::Array(x[0]);
    }
    case Kind::Integer: {
      const char* what = "a positive integer";
      const auto& x = numbers(info, v, what);
      if (x.size() != 1 || !(x[0] >= 1 && x[0] <= 1e9) || std::floor(x[0]) != x[0]) {
        msg::badValue(info.name, what);
      }
      return rt::Array(x[0]);
    }
    case Kind::Scalar: {
      const char* what = "a finite number";
      const auto& x = numbers(info, v, what);
      if (x.size() != 1 || !std::isfinite(x[0])) msg::badValue(info.name, what);
      return rt::Array(x[0]);
    }
    case Kind::Data: {
      const char* what = "a real vector";
      const auto& x = numbers(info, v, what);
      if (!isVectorOrEmpty(v)) msg::badValue(info.name, what);
      return rowOf(x);
    }
    case Kind::Ratio: {
      const char* what = "three finite numbers greater than 0";
      const auto& x = numbers(info, v, what);
      if (x.size() != 3 || !isVectorOrEmpty(v) || !allFinite(x) ||
          !std::all_of(x.begin(), x.end(), [](double d) { return d > 0; })) {
        msg::badValue(info.name, what);
      }
      return rowOf(x);
    }
    case Kind::PixelPosition:
      return normalizePosition(info, v, 10000.0);
    case Kind::NormPosition:
      return normalizePosition(info, v, 0.0);
    case Kind::TextPosition: {
      const char* what = "[x y] or [x y z] of finite numbers";
      const auto& x = numbers(info, v, what);
      if ((x.size() != 2 && x.size() != 3) || !isVectorOrEmpty(v) || !allFinite(x)) {
        msg::badValue(info.name, what);
      }
      return rt::row({x[0], x[1], x.size() == 3 ? x[2] : 0.0});
    }
    case Kind::Choice:
      return normalizeChoice(info, v);
    case Kind::Text:
      return normalizeText(info, v);
    case Kind::StringList:
      return normalizeStringList(info, v);
    case Kind::Name: {
      if (isRealNumeric(v) && v.isEmpty()) return emptyText();
      if (!isCharRowOrEmpty(v)) msg::badValue(info.name, "a character row");
      return v.isEmpty() ? emptyText() : v;
    }
    case Kind::Handle:
    case Kind::ReadOnly:
      break;
  }
  msg::badValue(info.name, "set through the graphics model");
}

}  // namespace mh::gfx::detail
