// The graphics builtins. Each returns what the host language's function returns
// for the number of outputs asked; the table at the end is the one list of names.
//
// Arguments are checked before anything is created, so a call that fails leaves
// the figures as they were (except for the axes reset a plot makes first).
#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "messages.hpp"
#include "mexhost/graphics.hpp"
#include "properties.hpp"
#include "runtime/error.hpp"
#include "runtime/ops.hpp"

namespace mh::gfx {
namespace {

using Args = std::vector<rt::Array>;
using Result = std::vector<rt::Array>;

// ---- argument helpers ----------------------------------------------------------

bool isNumber(const rt::Array& a) {
  return a.isDouble() || a.isLogical();
}

bool isWord(const rt::Array& a) {
  return a.isChar() && a.ndims() == 2 && (a.rows() == 1 || a.isEmpty());
}

std::string word(const rt::Array& a) {
  return detail::lower(a.utf8());
}

bool isHandleOf(const Graphics& g, const rt::Array& a, ObjectType type) {
  return isNumber(a) && a.isScalar() && !a.isComplex() && g.isHandle(a.scalar()) &&
         g.type(a.scalar()) == type;
}

rt::Array column(const std::vector<double>& handles) {
  if (handles.empty()) return rt::zeros(0, 0);
  return rt::Array::fromData({handles.size(), 1}, handles);
}

// Property/value pairs args[start...] for objects of `type`: names must be words
// and every pair must be valid; nothing is set.
void checkPairs(std::string_view fn, ObjectType type, const Args& args, std::size_t start) {
  for (std::size_t i = start; i < args.size(); i += 2) {
    if (!isWord(args[i])) msg::badArgument(fn, "property names must be character strings.");
    if (i + 1 >= args.size()) msg::missingValue(fn, args[i].utf8());
    Graphics::checkProperty(type, args[i].utf8(), args[i + 1]);
  }
}

void applyPairs(Graphics& g, double h, const Args& args, std::size_t start) {
  for (std::size_t i = start; i + 1 < args.size(); i += 2) g.set(h, args[i].utf8(), args[i + 1]);
}

// A numeric argument of a plotting function as a real matrix.
struct Matrix {
  std::size_t rows = 0;
  std::size_t cols = 0;
  std::vector<double> values;  // column-major
  bool isVector() const { return rows <= 1 || cols <= 1; }
  std::size_t length() const { return values.size(); }
  std::vector<double> column(std::size_t j) const {
    return {values.begin() + static_cast<long>(j * rows),
            values.begin() + static_cast<long>((j + 1) * rows)};
  }
  std::vector<double> row(std::size_t i) const {
    std::vector<double> out(cols);
    for (std::size_t j = 0; j < cols; ++j) out[j] = values[j * rows + i];
    return out;
  }
};

Matrix matrixOf(std::string_view fn, const rt::Array& a, bool imaginary = false) {
  if (!isNumber(a)) msg::badArgument(fn, "data must be numeric.");
  if (a.ndims() != 2) msg::badArgument(fn, "data must be vectors or two-dimensional matrices.");
  Matrix m{a.rows(), a.cols(), imaginary ? std::vector<double>(a.numel()) : a.re()};
  if (imaginary) {
    for (std::size_t k = 0; k < a.numel(); ++k) m.values[k] = a.imAt(k);
  }
  return m;
}

struct Series {
  std::vector<double> x;
  std::vector<double> y;
};

// Pairs x and y into lines as plot and line do: vectors of equal length give one
// line; a vector and a matrix give one line per matrix column (or row) that
// matches the vector's length; two matrices of equal size pair column by column.
std::vector<Series> pairUp(std::string_view fn, const Matrix& x, const Matrix& y) {
  std::vector<Series> out;
  if (x.isVector() && y.isVector()) {
    if (x.length() != y.length()) msg::badArgument(fn, "vectors must be the same length.");
    out.push_back({x.values, y.values});
  } else if (x.isVector()) {
    if (x.length() == y.rows) {
      for (std::size_t j = 0; j < y.cols; ++j) out.push_back({x.values, y.column(j)});
    } else if (x.length() == y.cols) {
      for (std::size_t i = 0; i < y.rows; ++i) out.push_back({x.values, y.row(i)});
    } else {
      msg::badArgument(fn, "vector length must match a matrix dimension.");
    }
  } else if (y.isVector()) {
    if (y.length() == x.rows) {
      for (std::size_t j = 0; j < x.cols; ++j) out.push_back({x.column(j), y.values});
    } else if (y.length() == x.cols) {
      for (std::size_t i = 0; i < x.rows; ++i) out.push_back({x.row(i), y.values});
    } else {
      msg::badArgument(fn, "vector length must match a matrix dimension.");
    }
  } else {
    if (x.rows != y.rows || x.cols != y.cols) msg::badArgument(fn, "matrix dimensions must agree.");
    for (std::size_t j = 0; j < x.cols; ++j) out.push_back({x.column(j), y.column(j)});
  }
  return out;
}

rt::Array rowOf(const std::vector<double>& v) {
  return rt::Array::fromData({1, v.size()}, v);
}

// ---- line formats ('r--o') ------------------------------------------------

struct LineFormat {
  std::string style;   // "" when not given
  std::string marker;  // "" when not given
  std::optional<rt::Array> color;
};

std::optional<LineFormat> parseLineFormat(std::string_view s) {
  LineFormat format;
  std::size_t i = 0;
  while (i < s.size()) {
    const char c = s[i];
    if (c == '-' || c == ':') {
      if (!format.style.empty()) return std::nullopt;
      if (c == '-' && i + 1 < s.size() && (s[i + 1] == '-' || s[i + 1] == '.')) {
        format.style = std::string(s.substr(i, 2));
        i += 2;
      } else {
        format.style = std::string(1, c);
        i += 1;
      }
      continue;
    }
    double rgb[3];
    if (std::string_view("rgbcmykw").find(c) != std::string_view::npos &&
        detail::namedColor(std::string(1, c), rgb)) {
      if (format.color) return std::nullopt;
      format.color = rt::row({rgb[0], rgb[1], rgb[2]});
    } else if (std::string_view("o+*.xsd^v<>ph").find(c) != std::string_view::npos) {
      if (!format.marker.empty()) return std::nullopt;
      format.marker = std::string(1, c);
    } else {
      return std::nullopt;
    }
    ++i;
  }
  return format;
}

void applyLineFormat(Graphics& g, double line, const LineFormat& format) {
  if (!format.marker.empty()) {
    g.set(line, "Marker", rt::Array::str(format.marker));
    g.set(line, "LineStyle", rt::Array::str(format.style.empty() ? "none" : format.style));
  } else if (!format.style.empty()) {
    g.set(line, "LineStyle", rt::Array::str(format.style));
  }
}

// ---- figures -----------------------------------------------------------------------

Result figureFn(Graphics& g, const Args& args, int nargout) {
  double h = 0;
  if (!args.empty() && isNumber(args[0])) {
    if (!args[0].isScalar() || args[0].isComplex()) {
      msg::badArgument("figure", "the figure number must be a real scalar.");
    }
    checkPairs("figure", ObjectType::Figure, args, 1);
    h = g.selectFigure(args[0].scalar());
    applyPairs(g, h, args, 1);
  } else {
    checkPairs("figure", ObjectType::Figure, args, 0);
    h = g.newFigure();
    applyPairs(g, h, args, 0);
  }
  if (nargout >= 1) return {rt::Array(h)};
  return {};
}

Result clfFn(Graphics& g, const Args& args, int nargout) {
  std::size_t i = 0;
  std::optional<double> fig;
  if (!args.empty() && isNumber(args[0])) {
    if (!isHandleOf(g, args[0], ObjectType::Figure)) {
      msg::badArgument("clf", "the argument must be a figure handle.");
    }
    fig = args[0].scalar();
    i = 1;
  }
  bool reset = false;
  if (i < args.size()) {
    if (!isWord(args[i]) || word(args[i]) != "reset" || i + 1 != args.size()) {
      msg::badArgument("clf", "the only option is 'reset'.");
    }
    reset = true;
  }
  const double f = fig ? *fig : g.gcf();
  g.clearFigure(f, reset);
  if (nargout >= 1) return {rt::Array(f)};
  return {};
}

Result closeFn(Graphics& g, const Args& args, int nargout) {
  if (args.empty()) {
    if (const auto f = g.currentFigure()) g.closeFigure(*f);
  } else if (isWord(args[0]) && word(args[0]) == "all") {
    for (std::size_t i = 1; i < args.size(); ++i) {
      if (!isWord(args[i]) || (word(args[i]) != "hidden" && word(args[i]) != "force")) {
        msg::badArgument("close", "options after 'all' are 'hidden' and 'force'.");
      }
    }
    g.closeAll();
  } else if (isNumber(args[0])) {
    if (args.size() > 1) msg::tooManyInputs("close");
    for (double h : args[0].re()) {
      if (!g.isHandle(h) || g.type(h) != ObjectType::Figure) msg::wrongObject(h, "a figure");
    }
    for (double h : args[0].re()) {
      if (g.isHandle(h)) g.closeFigure(h);
    }
  } else if (isWord(args[0])) {
    const std::string name = args[0].utf8();
    bool found = false;
    for (double f : g.figures()) {
      if (g.stringProperty(f, "Name") == name) {
        g.closeFigure(f);
        found = true;
      }
    }
    if (!found) msg::badArgument("close", "there is no figure named '" + name + "'.");
  } else {
    msg::badArgument("close", "the argument must be a figure handle, a name or 'all'.");
  }
  if (nargout >= 1) return {rt::Array(1.0)};
  return {};
}

// The figure that holds handle h (h itself for a figure).
double figureOf(const Graphics& g, std::string_view function, const rt::Array& h) {
  if (!isNumber(h) || h.numel() != 1) {
    msg::badArgument(function, "the first argument must be a graphics handle.");
  }
  double object = h.scalar();
  if (!g.isHandle(object)) msg::invalidHandle(object);
  while (g.type(object) != ObjectType::Figure) object = g.parent(object);
  return object;
}

// Formats that print and saveas write, as devices and extensions.
bool knownFileFormat(const std::string& format) {
  for (const char* known : {"png", "svg", "pdf", "json", "html", "csv"}) {
    if (format == known) return true;
  }
  return false;
}

// The extension of a file name, lower case, without the dot ("" when none).
std::string extensionOf(const std::string& file) {
  const std::string ext = std::filesystem::path(file).extension().string();
  return ext.empty() ? "" : detail::lower(ext.substr(1));
}

// The file name with the format's extension added when it has another or none.
std::string withFormat(const std::string& file, const std::string& format) {
  return extensionOf(file) == format ? file : file + "." + format;
}

// print(fig, '-dpng', 'name.png'), print('-f2', '-dsvg', 'name'), print name.pdf:
// the figure (the current one by default) written to one file, its format given by
// -d<format> or else by the file's extension (png without either).
Result printFn(Graphics& g, const Args& args, int) {
  std::optional<double> figure;
  std::string device;
  std::string file;
  for (const rt::Array& a : args) {
    if (isNumber(a)) {
      if (figure) msg::badArgument("print", "give one figure.");
      figure = figureOf(g, "print", a);
      continue;
    }
    if (!isWord(a)) msg::badArgument("print", "the arguments must be a figure and strings.");
    const std::string w = a.utf8();  // a file name keeps its case
    if (w.rfind("-d", 0) == 0) {
      device = detail::lower(w.substr(2));
      if (!knownFileFormat(device)) {
        msg::badArgument("print", "unknown device '" + w +
                                      "' (use -dpng, -dsvg, -dpdf, -djson, -dhtml or -dcsv).");
      }
    } else if (w.rfind("-f", 0) == 0 && w.size() > 2) {
      char* end = nullptr;
      const double h = std::strtod(w.c_str() + 2, &end);
      if (*end != '\0' || !g.isHandle(h) || g.type(h) != ObjectType::Figure) {
        msg::badArgument("print", "'" + w + "' names no figure.");
      }
      figure = h;
    } else if (w.rfind("-", 0) == 0) {
      msg::badArgument("print", "unknown option '" + w + "'.");
    } else {
      if (!file.empty()) msg::badArgument("print", "give one file name.");
      file = w;
    }
  }
  if (file.empty()) msg::badArgument("print", "give the name of the file to write.");
  if (!figure) {
    const auto current = g.currentFigure();
    if (!current) msg::badArgument("print", "there is no figure to print.");
    figure = *current;
  }
  if (device.empty()) {
    device = knownFileFormat(extensionOf(file)) ? extensionOf(file) : "png";
  }
  writeFigureFile(g, *figure, withFormat(file, device), device);
  return {};
}

// saveas(h, 'name.ext') or saveas(h, 'name', 'ext'): the figure that holds h.
Result saveasFn(Graphics& g, const Args& args, int) {
  if (args.size() < 2) msg::notEnoughInputs("saveas");
  if (args.size() > 3) msg::tooManyInputs("saveas");
  const double figure = figureOf(g, "saveas", args[0]);
  if (!isWord(args[1])) msg::badArgument("saveas", "the file name must be a string.");
  const std::string file = args[1].utf8();
  std::string format = extensionOf(file);
  if (args.size() == 3) {
    if (!isWord(args[2])) msg::badArgument("saveas", "the format must be a string.");
    format = detail::lower(word(args[2]));
  }
  if (format.empty()) format = "png";
  if (!knownFileFormat(format)) {
    msg::badArgument("saveas",
                     "unknown format '" + format + "' (use png, svg, pdf, json, html or csv).");
  }
  writeFigureFile(g, figure, withFormat(file, format), format);
  return {};
}

Result gcfFn(Graphics& g, const Args& args, int) {
  if (!args.empty()) msg::tooManyInputs("gcf");
  return {rt::Array(g.gcf())};
}

Result gcaFn(Graphics& g, const Args& args, int) {
  if (!args.empty()) msg::tooManyInputs("gca");
  return {rt::Array(g.gca())};
}

Result drawnowFn(Graphics& g, const Args& args, int) {
  for (const auto& a : args) {
    if (!isWord(a)) msg::badArgument("drawnow", "options must be character strings.");
  }
  g.drawnow();
  return {};
}

// ---- plotting ------------------------------------------------------------------------

// Makes `axes` the current axes of the current figure.
void makeCurrent(Graphics& g, double axes) {
  const double fig = g.parent(axes);
  g.selectFigure(fig);
  g.set(fig, detail::prop::kCurrentAxes, rt::Array(axes));
}

Result plotFn(Graphics& g, const Args& args, int nargout) {
  std::size_t i = 0;
  std::optional<double> target;
  if (args.size() >= 2 && isHandleOf(g, args[0], ObjectType::Axes)) {
    target = args[0].scalar();
    i = 1;
  }
  struct Group {
    std::vector<Series> series;
    LineFormat format;
  };
  std::vector<Group> groups;
  while (i < args.size() && !args[i].isChar()) {
    const rt::Array& first = args[i];
    std::vector<Series> series;
    if (i + 1 < args.size() && !args[i + 1].isChar()) {
      const rt::Array& second = args[i + 1];
      if (first.isComplex() || second.isComplex()) {
        rt::warning(msg::kComplexIgnored,
                    "plot: imaginary parts of complex X and/or Y arguments ignored.");
      }
      series = pairUp("plot", matrixOf("plot", first), matrixOf("plot", second));
      i += 2;
    } else {
      const Matrix y = matrixOf("plot", first);
      if (first.isComplex()) {
        series = pairUp("plot", y, matrixOf("plot", first, true));
      } else {
        Matrix x{y.isVector() ? y.length() : y.rows, 1, {}};
        for (std::size_t k = 1; k <= x.rows; ++k) x.values.push_back(static_cast<double>(k));
        series = pairUp("plot", x, y);
      }
      i += 1;
    }
    LineFormat format;
    if (i < args.size() && isWord(args[i])) {
      if (auto parsed = parseLineFormat(args[i].utf8())) {
        format = *parsed;
        ++i;
      }
    }
    groups.push_back({std::move(series), format});
  }
  if (groups.empty()) {
    if (i < args.size()) msg::badArgument("plot", "data must be numeric.");
    msg::notEnoughInputs("plot");
  }
  checkPairs("plot", ObjectType::Line, args, i);

  if (target) makeCurrent(g, *target);
  const double ax = g.axesForPlot();
  std::vector<double> handles;
  for (const auto& group : groups) {
    for (const auto& s : group.series) {
      const double h = g.createLine(ax);
      handles.push_back(h);
      g.set(h, "XData", rowOf(s.x));
      g.set(h, "YData", rowOf(s.y));
      g.set(h, "Color", group.format.color ? *group.format.color : g.nextLineColor(ax));
      applyLineFormat(g, h, group.format);
      applyPairs(g, h, args, i);
    }
  }
  if (nargout >= 1) return {column(handles)};
  return {};
}

Result lineFn(Graphics& g, const Args& args, int) {
  std::size_t i = 0;
  std::vector<Series> series;
  if (!args.empty() && !args[0].isChar()) {
    if (args.size() < 2 || args[1].isChar()) msg::badArgument("line", "give both x and y data.");
    if (args.size() > 2 && !args[2].isChar()) {
      msg::badArgument("line", "three-dimensional lines are not supported.");
    }
    if (args[0].isComplex() || args[1].isComplex()) {
      rt::warning(msg::kComplexIgnored,
                  "line: imaginary parts of complex X and/or Y arguments ignored.");
    }
    series = pairUp("line", matrixOf("line", args[0]), matrixOf("line", args[1]));
    i = 2;
  }
  checkPairs("line", ObjectType::Line, args, i);
  const double ax = g.gca();
  std::vector<double> handles;
  if (series.empty() && i == 0) {
    const double h = g.createLine(ax);
    handles.push_back(h);
    applyPairs(g, h, args, i);
  }
  for (const auto& s : series) {
    const double h = g.createLine(ax);
    handles.push_back(h);
    g.set(h, "XData", rowOf(s.x));
    g.set(h, "YData", rowOf(s.y));
    applyPairs(g, h, args, i);
  }
  return {column(handles)};
}

Result textFn(Graphics& g, const Args& args, int) {
  if (args.size() < 3) msg::notEnoughInputs("text");
  std::size_t k = 2;
  std::vector<const rt::Array*> coords{&args[0], &args[1]};
  if (isNumber(args[2]) && args.size() >= 4 && (args[3].isChar() || args[3].isCell())) {
    coords.push_back(&args[2]);
    k = 3;
  }
  for (const auto* c : coords) {
    if (!isNumber(*c) || c->isComplex())
      msg::badArgument("text", "positions must be real numbers.");
    if (c->numel() != args[0].numel()) {
      msg::badArgument("text", "x, y (and z) must have the same number of elements.");
    }
    for (double v : c->re()) {
      if (!std::isfinite(v)) msg::badArgument("text", "positions must be finite.");
    }
  }
  const rt::Array& s = args[k];
  const std::size_t n = args[0].numel();
  Graphics::checkProperty(ObjectType::Text, "String", s);
  const bool perText = n > 1 && s.isCell() && s.numel() == n;
  checkPairs("text", ObjectType::Text, args, k + 1);

  const double ax = g.gca();
  std::vector<double> handles;
  for (std::size_t j = 0; j < n; ++j) {
    const double h = g.createText(ax);
    handles.push_back(h);
    const double z = coords.size() == 3 ? coords[2]->re()[j] : 0.0;
    g.set(h, "Position", rt::row({coords[0]->re()[j], coords[1]->re()[j], z}));
    g.set(h, "String", perText ? s.cells()[j] : s);
    applyPairs(g, h, args, k + 1);
  }
  return {column(handles)};
}

// ---- properties ------------------------------------------------------------------------

std::vector<double> handlesOf(const Graphics& g, std::string_view fn, const rt::Array& a) {
  if (!isNumber(a) || a.isComplex()) msg::badArgument(fn, "the first argument must be handles.");
  if (a.isEmpty()) msg::badArgument(fn, "no handles given.");
  for (double h : a.re()) {
    if (!g.isHandle(h)) msg::invalidHandle(h);
  }
  return a.re();
}

Result setFn(Graphics& g, const Args& args, int) {
  if (args.size() < 2) msg::notEnoughInputs("set");
  const std::vector<double> handles = handlesOf(g, "set", args[0]);
  for (std::size_t i = 1; i < args.size(); i += 2) {
    if (!isWord(args[i])) msg::badArgument("set", "property names must be character strings.");
    if (i + 1 >= args.size()) msg::missingValue("set", args[i].utf8());
  }
  for (std::size_t i = 1; i + 1 < args.size(); i += 2) {
    for (double h : handles) g.set(h, args[i].utf8(), args[i + 1]);
  }
  return {};
}

Result getFn(Graphics& g, const Args& args, int) {
  if (args.size() < 2) {
    msg::badArgument("get", "give a handle and a property name.");
  }
  if (args.size() > 2) msg::tooManyInputs("get");
  const std::vector<double> handles = handlesOf(g, "get", args[0]);
  if (!isWord(args[1])) msg::badArgument("get", "the property name must be a character string.");
  const std::string name = args[1].utf8();
  if (handles.size() == 1) return {g.get(handles[0], name)};
  std::vector<rt::Array> values;
  for (const double handle : handles) values.push_back(g.get(handle, name));
  return {rt::Array::cell({handles.size(), 1}, std::move(values))};
}

// ---- axes ------------------------------------------------------------------------------

// The axes a function works on: a leading axes handle (when more arguments
// follow, or when `alone` allows a lone handle), or the current axes.
double targetAxes(Graphics& g, const Args& args, std::size_t& i, bool alone) {
  if (!args.empty() && (args.size() >= 2 || alone) && isHandleOf(g, args[0], ObjectType::Axes)) {
    i = 1;
    return args[0].scalar();
  }
  i = 0;
  return g.gca();
}

rt::Array limitsRow(const AxesLayout& l) {
  return rt::row({l.xlim[0], l.xlim[1], l.ylim[0], l.ylim[1]});
}

void tightLimits(Graphics& g, double ax) {
  for (const bool y : {false, true}) {
    const char* lim = y ? "YLim" : "XLim";
    if (const auto extent = g.dataExtent(ax, y)) {
      const auto nice = niceLimits(extent);
      const auto& e = *extent;
      g.set(ax, lim, e[0] < e[1] ? rt::row({e[0], e[1]}) : rt::row({nice[0], nice[1]}));
    } else {
      g.set(ax, y ? "YLimMode" : "XLimMode", rt::Array::str("auto"));
    }
  }
}

Result axisFn(Graphics& g, const Args& args, int nargout) {
  std::size_t i = 0;
  const double ax = targetAxes(g, args, i, true);
  if (i == args.size()) return {limitsRow(g.layout(ax))};
  for (; i < args.size(); ++i) {
    const rt::Array& a = args[i];
    if (isNumber(a)) {
      if ((a.numel() != 4 && a.numel() != 6) || a.isComplex()) {
        msg::badArgument("axis", "limits must be [xmin xmax ymin ymax].");
      }
      const auto& v = a.re();
      Graphics::checkProperty(ObjectType::Axes, "XLim", rt::row({v[0], v[1]}));
      Graphics::checkProperty(ObjectType::Axes, "YLim", rt::row({v[2], v[3]}));
      g.set(ax, "XLim", rt::row({v[0], v[1]}));
      g.set(ax, "YLim", rt::row({v[2], v[3]}));
      continue;
    }
    if (!isWord(a)) msg::badArgument("axis", "options must be character strings.");
    const std::string option = word(a);
    const auto setMode = [&](const char* name, const char* value) {
      g.set(ax, name, rt::Array::str(value));
    };
    if (option == "equal" || option == "image") {
      g.set(ax, "DataAspectRatio", rt::row({1, 1, 1}));
      setMode("PlotBoxAspectRatioMode", "auto");
      if (option == "image") tightLimits(g, ax);
    } else if (option == "square") {
      g.set(ax, "PlotBoxAspectRatio", rt::row({1, 1, 1}));
      setMode("DataAspectRatioMode", "auto");
    } else if (option == "normal") {
      setMode("DataAspectRatioMode", "auto");
      setMode("PlotBoxAspectRatioMode", "auto");
    } else if (option == "auto") {
      setMode("XLimMode", "auto");
      setMode("YLimMode", "auto");
    } else if (option == "manual") {
      setMode("XLimMode", "manual");
      setMode("YLimMode", "manual");
    } else if (option == "tight") {
      tightLimits(g, ax);
    } else if (option == "on" || option == "off") {
      setMode("Visible", option.c_str());
    } else if (option == "xy") {
      // the normal direction; nothing to change
    } else {
      msg::badArgument("axis", "unknown option '" + a.utf8() + "'.");
    }
  }
  if (nargout >= 1) return {limitsRow(g.layout(ax))};
  return {};
}

Result gridFn(Graphics& g, const Args& args, int) {
  std::size_t i = 0;
  const double ax = targetAxes(g, args, i, true);
  if (args.size() > i + 1) msg::tooManyInputs("grid");
  std::string option = "toggle";
  if (i < args.size()) {
    if (!isWord(args[i])) msg::badArgument("grid", "the option must be 'on', 'off' or 'minor'.");
    option = word(args[i]);
  }
  if (option == "minor") return {};  // minor grid lines are not drawn
  if (option == "toggle") option = (g.isOn(ax, "XGrid") || g.isOn(ax, "YGrid")) ? "off" : "on";
  if (option != "on" && option != "off") {
    msg::badArgument("grid", "the option must be 'on', 'off' or 'minor'.");
  }
  g.set(ax, "XGrid", rt::Array::str(option));
  g.set(ax, "YGrid", rt::Array::str(option));
  return {};
}

bool holdIsOn(const Graphics& g, double ax) {
  const auto fig = g.figureOf(ax);
  return g.stringProperty(ax, "NextPlot") == "add" && g.stringProperty(*fig, "NextPlot") == "add";
}

Result holdFn(Graphics& g, const Args& args, int) {
  std::size_t i = 0;
  const double ax = targetAxes(g, args, i, true);
  if (args.size() > i + 1) msg::tooManyInputs("hold");
  bool on = !holdIsOn(g, ax);
  if (i < args.size()) {
    const std::string option = isWord(args[i]) ? word(args[i]) : std::string();
    if (option == "on" || option == "all") {
      on = true;
    } else if (option == "off") {
      on = false;
    } else {
      msg::badArgument("hold", "the option must be 'on' or 'off'.");
    }
  }
  if (on) {
    g.set(*g.figureOf(ax), "NextPlot", rt::Array::str("add"));
    g.set(ax, "NextPlot", rt::Array::str("add"));
  } else {
    g.set(ax, "NextPlot", rt::Array::str("replace"));
  }
  return {};
}

// Never creates a figure or axes.
Result isholdFn(Graphics& g, const Args& args, int) {
  if (args.size() > 1) msg::tooManyInputs("ishold");
  std::optional<double> ax;
  if (!args.empty()) {
    if (!isHandleOf(g, args[0], ObjectType::Axes)) {
      msg::badArgument("ishold", "the argument must be an axes handle.");
    }
    ax = args[0].scalar();
  } else {
    ax = g.currentAxes();
  }
  return {rt::Array::logicalScalar(ax && holdIsOn(g, *ax))};
}

Result labelFn(Graphics& g, const Args& args, int nargout, Label which, const char* fn) {
  if (args.empty()) msg::notEnoughInputs(fn);
  std::size_t i = 0;
  const double ax = targetAxes(g, args, i, false);
  if (i >= args.size()) msg::notEnoughInputs(fn);
  Graphics::checkProperty(ObjectType::Text, "String", args[i]);
  checkPairs(fn, ObjectType::Text, args, i + 1);
  const double t = g.label(ax, which);
  g.set(t, "String", args[i]);
  applyPairs(g, t, args, i + 1);
  if (nargout >= 1) return {rt::Array(t)};
  return {};
}

template <Label which>
Result labelBuiltin(Graphics& g, const Args& args, int n) {
  return labelFn(g, args, n, which, detail::labelInfo(which).function);
}

// ---- legend ------------------------------------------------------------------------------

std::vector<double> linesOf(const Graphics& g, double ax) {
  std::vector<double> out;
  for (double child : g.children(ax)) {
    if (g.type(child) == ObjectType::Line) out.push_back(child);
  }
  return out;
}

Result legendFn(Graphics& g, const Args& args, int nargout) {
  const auto done = [&](std::optional<double> h) -> Result {
    if (nargout < 1) return {};
    return {h ? rt::Array(*h) : rt::zeros(0, 0)};
  };
  std::size_t i = 0;
  const double ax = targetAxes(g, args, i, true);

  if (i + 1 == args.size() && isWord(args[i])) {
    const std::string option = word(args[i]);
    const auto lg = g.legendOf(ax);
    if (option == "off") {
      if (lg) g.deleteObject(*lg);
      return done(std::nullopt);
    }
    if (option == "hide" || option == "boxoff" || option == "boxon") {
      if (lg) {
        g.set(*lg, option == "hide" ? "Visible" : "Box",
              rt::Array::str(option == "boxon" ? "on" : "off"));
      }
      return done(lg);
    }
    if (option == "show" || option == "toggle") {
      if (lg && option == "toggle") {
        g.set(*lg, "Visible", rt::Array::str(g.isOn(*lg, "Visible") ? "off" : "on"));
        return done(lg);
      }
      if (lg) {
        g.set(*lg, "Visible", rt::Array::str("on"));
        return done(lg);
      }
      ++i;  // no legend yet: make the default one
    }
  }

  std::vector<double> lines;
  bool linesGiven = false;
  if (i < args.size() && isNumber(args[i])) {
    for (double h : args[i].re()) {
      if (!g.isHandle(h) || g.type(h) != ObjectType::Line) msg::wrongObject(h, "a line");
      lines.push_back(h);
    }
    linesGiven = true;
    ++i;
  }
  std::vector<std::string> strings;
  for (; i < args.size(); ++i) {
    const rt::Array& a = args[i];
    if (isWord(a) && i + 1 < args.size() && Graphics::canonicalName(ObjectType::Legend, a.utf8())) {
      break;  // property/value pairs follow
    }
    if (!a.isChar() && !a.isCell()) msg::badArgument("legend", "entries must be text.");
    const rt::Array list =
        detail::normalize(*detail::findProperty(ObjectType::Legend, "String"), a);
    for (const auto& c : list.cells()) strings.push_back(c.utf8());
  }
  checkPairs("legend", ObjectType::Legend, args, i);

  if (!linesGiven) lines = linesOf(g, ax);
  if (lines.empty()) {
    rt::warning(msg::kIgnoredEntries, "legend: the axes have no lines to label.");
    return done(std::nullopt);
  }
  if (strings.empty()) {
    for (std::size_t k = 0; k < lines.size(); ++k) {
      std::string name = g.stringProperty(lines[k], "DisplayName");
      if (name.empty()) name = "data" + std::to_string(k + 1);
      strings.push_back(name);
    }
  }
  if (strings.size() > lines.size()) {
    rt::warning(msg::kIgnoredEntries, "legend: ignoring extra legend entries.");
    strings.resize(lines.size());
  }
  lines.resize(strings.size());
  const double lg = g.setLegend(ax, lines, strings);
  applyPairs(g, lg, args, i);
  return done(lg);
}

// ---- the table -------------------------------------------------------------------------

struct Entry {
  const char* name;
  int maxOutputs;
  Result (*fn)(Graphics&, const Args&, int);
};

const Entry kBuiltins[] = {
    {"figure", 1, figureFn},
    {"clf", 1, clfFn},
    {"close", 1, closeFn},
    {"gcf", 1, gcfFn},
    {"gca", 1, gcaFn},
    {"drawnow", 0, drawnowFn},
    {"plot", 1, plotFn},
    {"line", 1, lineFn},
    {"text", 1, textFn},
    {"set", 0, setFn},
    {"get", 1, getFn},
    {"axis", 1, axisFn},
    {"grid", 0, gridFn},
    {"hold", 0, holdFn},
    {"ishold", 1, isholdFn},
    {detail::labelInfo(Label::Title).function, 1, labelBuiltin<Label::Title>},
    {detail::labelInfo(Label::XLabel).function, 1, labelBuiltin<Label::XLabel>},
    {detail::labelInfo(Label::YLabel).function, 1, labelBuiltin<Label::YLabel>},
    {"legend", 1, legendFn},
    {"print", 0, printFn},
    {"saveas", 0, saveasFn},
};

}  // namespace
}  // namespace mh::gfx

namespace mh {

void registerGraphicsBuiltins(BuiltinTable& table, Graphics& graphics) {
  for (const auto& entry : gfx::kBuiltins) {
    table.add(entry.name, [&graphics, entry](const std::vector<rt::Array>& args, int nargout) {
      if (nargout > entry.maxOutputs) gfx::msg::tooManyOutputs(entry.name);
      return entry.fn(graphics, args, nargout);
    });
  }
}

}  // namespace mh
