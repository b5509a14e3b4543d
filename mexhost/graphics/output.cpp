// Writing figures: the JSON document of the model, and the files of every format.
//
// JSON layout of a figure:
//   {"type": "figure", "handle": 1, "properties": {...}, "children": [...]}
// Every object has "type", "handle" and "properties" (every property of its
// type, as get returns it); figures and axes list "children" in creation order
// (the Children property itself is newest first, as get gives it). An axes also
// has "layout" (effective XLim, YLim, XTick, YTick and the plot box in figure
// pixels [x y width height] from the top left) and its "title", "xlabel" and
// "ylabel" text objects; a legend has "lines", the handles of its entries.
// Numbers are written so that they read back to the same double; NaN and
// infinities, which JSON lacks, are the strings "NaN", "Inf" and "-Inf".
#include <algorithm>
#include <atomic>
#include <cmath>
#include <cstdio>
#include <exception>
#include <fstream>
#include <functional>
#include <nlohmann/json.hpp>
#include <system_error>
#include <thread>

#include "messages.hpp"
#include "mexhost/graphics_canvas.hpp"
#include "properties.hpp"

namespace mh::gfx {
namespace {

using nlohmann::json;

json number(double v) {
  if (std::isnan(v)) return "NaN";
  if (std::isinf(v)) return v > 0 ? "Inf" : "-Inf";
  return v;
}

json numbers(const std::vector<double>& values) {
  json out = json::array();
  for (double v : values) out.push_back(number(v));
  return out;
}

bool alwaysArray(detail::Kind kind) {
  using K = detail::Kind;
  switch (kind) {
    case K::Data:
    case K::Ticks:
    case K::Limits:
    case K::Ratio:
    case K::PixelPosition:
    case K::NormPosition:
    case K::TextPosition:
    case K::Color:
    case K::ColorOrNone:
    case K::MarkerColor:
    case K::ColorMatrix:
      return true;
    default:
      return false;
  }
}

json valueJson(const rt::Array& v, bool forceArray) {
  if (!v.isDefined()) return nullptr;
  if (v.isChar()) {
    if (v.rows() <= 1 || v.isEmpty()) return v.utf8();
    return detail::textLines(v);
  }
  if (v.isCell()) {
    json out = json::array();
    for (const auto& c : v.cells()) out.push_back(valueJson(c, false));
    return out;
  }
  if (v.numel() == 1 && !forceArray) return number(v.re()[0]);
  if (v.ndims() == 2 && (v.rows() <= 1 || v.cols() <= 1)) return numbers(v.re());
  json rows = json::array();
  for (std::size_t i = 0; i < v.rows(); ++i) {
    std::vector<double> row;
    for (std::size_t j = 0; j < v.cols(); ++j) row.push_back(v.re()[j * v.rows() + i]);
    rows.push_back(numbers(row));
  }
  return rows;
}

json objectJson(const Graphics& g, double h) {
  const ObjectType type = g.type(h);
  json props = json::object();
  for (const auto& name : Graphics::propertyNames(type)) {
    const auto* info = detail::findProperty(type, name);
    props[name] = valueJson(g.get(h, name), alwaysArray(info->kind) || name == "Children");
  }
  json out = {{"type", std::string(typeName(type))}, {"handle", h}, {"properties", props}};
  if (type == ObjectType::Axes) {
    const AxesLayout l = g.layout(h);
    out["layout"] = {
        {"XLim", numbers({l.xlim[0], l.xlim[1]})},
        {"YLim", numbers({l.ylim[0], l.ylim[1]})},
        {"XTick", numbers(l.xticks)},
        {"YTick", numbers(l.yticks)},
        {"PlotBox", numbers({l.plotBox.x, l.plotBox.y, l.plotBox.w, l.plotBox.h})},
    };
    for (const auto& label : detail::labelTable()) {
      out[label.function] = objectJson(g, g.label(h, label.which));
    }
  }
  if (type == ObjectType::Legend) out["lines"] = numbers(g.legendLines(h));
  if (type == ObjectType::Figure || type == ObjectType::Axes) {
    json kids = json::array();
    for (double child : g.children(h)) kids.push_back(objectJson(g, child));
    out["children"] = kids;
  }
  return out;
}

void writeText(const std::filesystem::path& file, const std::string& text) {
  std::ofstream out(file, std::ios::binary | std::ios::trunc);
  if (!out) msg::writeFailed(file.string(), "the file cannot be opened");
  out.write(text.data(), static_cast<std::streamsize>(text.size()));
  out.close();
  if (!out) msg::writeFailed(file.string(), "writing failed");
}

std::filesystem::path withExtension(const std::filesystem::path& stem, const char* ext) {
  std::filesystem::path p = stem;
  p += ext;
  return p;
}

// Runs the jobs, on as many threads as there are processors (this one among
// them), and then raises the error of the first job in the list that failed.
// Each job writes its own file and only reads the model; text is measured with a
// context of each thread's own (cairo_canvas.cpp).
void runJobs(const std::vector<std::function<void()>>& jobs) {
  std::vector<std::exception_ptr> errors(jobs.size());
  std::atomic<std::size_t> next{0};
  const auto work = [&] {
    for (std::size_t k = next++; k < jobs.size(); k = next++) {
      try {
        jobs[k]();
      } catch (...) {
        errors[k] = std::current_exception();
      }
    }
  };
  const std::size_t processors = std::max(1u, std::thread::hardware_concurrency());
  std::vector<std::thread> helpers;
  for (std::size_t k = 1; k < std::min(processors, jobs.size()); ++k) {
    try {
      helpers.emplace_back(work);
    } catch (const std::system_error&) {
      break;  // no more threads to be had: the ones there do the rest
    }
  }
  work();
  for (std::thread& helper : helpers) helper.join();
  for (const std::exception_ptr& error : errors) {
    if (error) std::rethrow_exception(error);
  }
}

}  // namespace

std::string figureJson(const Graphics& graphics, double figure) {
  if (!graphics.isHandle(figure) || graphics.type(figure) != ObjectType::Figure) {
    msg::wrongObject(figure, "a figure");
  }
  return objectJson(graphics, figure).dump(2);
}

Formats Formats::parse(std::string_view list) {
  Formats f = none();
  std::size_t start = 0;
  while (start <= list.size()) {
    std::size_t end = list.find(',', start);
    if (end == std::string_view::npos) end = list.size();
    const std::string item = detail::lower(list.substr(start, end - start));
    if (item == "png") {
      f.png = true;
    } else if (item == "svg") {
      f.svg = true;
    } else if (item == "pdf") {
      f.pdf = true;
    } else if (item == "json") {
      f.json = true;
    } else if (item == "html") {
      f.html = true;
    } else if (item == "csv") {
      f.csv = true;
    } else if (item == "all") {
      const bool html = f.html;
      const bool csv = f.csv;
      f = all();
      f.html = html;
      f.csv = csv;
    } else if (!item.empty()) {
      rt::raise(msg::kBadArgument,
                "Unknown figure format '" + item +
                    "' (the formats are png, svg, pdf, json, html, csv and all).");
    }
    start = end + 1;
  }
  return f;
}

void writeFigure(const Graphics& graphics, double figure, const std::filesystem::path& stem,
                 Formats formats) {
  const auto [width, height] = figurePixelSize(graphics, figure);
  const std::pair<bool, std::pair<CanvasKind, const char*>> images[] = {
      {formats.png, {CanvasKind::Png, ".png"}},
      {formats.svg, {CanvasKind::Svg, ".svg"}},
      {formats.pdf, {CanvasKind::Pdf, ".pdf"}},
  };
  // The formats are written side by side; an error is that of the first failing
  // format in this order.
  std::vector<std::function<void()>> jobs;
  for (const auto& [wanted, what] : images) {
    if (!wanted) continue;
    jobs.emplace_back([&, kind = what.first, ext = what.second, w = width, h = height] {
      auto canvas = makeCanvas(kind, w, h, withExtension(stem, ext));
      drawFigure(graphics, figure, *canvas);
      canvas->finish();
    });
  }
  if (formats.json) {
    jobs.emplace_back(
        [&] { writeText(withExtension(stem, ".json"), figureJson(graphics, figure) + "\n"); });
  }
  if (formats.html) {
    jobs.emplace_back([&] { writeFigureHtml(graphics, figure, withExtension(stem, ".html")); });
  }
  if (formats.csv) {
    jobs.emplace_back([&] { writeText(withExtension(stem, ".csv"), figureCsv(graphics, figure)); });
  }
  runJobs(jobs);
}

std::vector<std::string> Formats::extensions() const {
  std::vector<std::string> out;
  const std::pair<bool, const char*> all[] = {{png, "png"},   {svg, "svg"},   {pdf, "pdf"},
                                              {json, "json"}, {html, "html"}, {csv, "csv"}};
  for (const auto& [wanted, name] : all) {
    if (wanted) out.emplace_back(name);
  }
  return out;
}

void writeFigureFile(const Graphics& graphics, double figure, const std::filesystem::path& file,
                     std::string_view format) {
  if (!graphics.isHandle(figure) || graphics.type(figure) != ObjectType::Figure) {
    msg::wrongObject(figure, "a figure");
  }
  const std::string name = detail::lower(format);
  const std::pair<const char*, CanvasKind> images[] = {
      {"png", CanvasKind::Png}, {"svg", CanvasKind::Svg}, {"pdf", CanvasKind::Pdf}};
  for (const auto& [kind, canvasKind] : images) {
    if (name != kind) continue;
    const auto [width, height] = figurePixelSize(graphics, figure);
    auto canvas = makeCanvas(canvasKind, width, height, file);
    drawFigure(graphics, figure, *canvas);
    canvas->finish();
    return;
  }
  if (name == "json") {
    writeText(file, figureJson(graphics, figure) + "\n");
  } else if (name == "csv") {
    writeText(file, figureCsv(graphics, figure));
  } else if (name == "html") {
    writeFigureHtml(graphics, figure, file);
  } else {
    rt::raise(msg::kBadArgument, "Unknown figure format '" + name +
                                     "' (the formats are png, svg, pdf, json, html and csv).");
  }
}

std::string figureCsv(const Graphics& graphics, double figure) {
  if (!graphics.isHandle(figure) || graphics.type(figure) != ObjectType::Figure) {
    msg::wrongObject(figure, "a figure");
  }
  struct Column {
    std::string name;
    std::vector<double> values;
  };
  std::vector<std::vector<double>> xs;
  std::vector<Column> ys;
  std::string xName = "x";
  for (double axes : graphics.children(figure)) {
    if (graphics.type(axes) != ObjectType::Axes) continue;
    for (double line : graphics.children(axes)) {
      if (graphics.type(line) != ObjectType::Line) continue;
      if (xs.empty()) {
        const std::string label =
            graphics.stringProperty(graphics.label(axes, Label::XLabel), "String");
        if (!label.empty()) xName = label;
      }
      std::string name = graphics.stringProperty(line, "DisplayName");
      if (name.empty()) name = "line" + std::to_string(ys.size() + 1);
      xs.push_back(graphics.numbersProperty(line, "XData"));
      ys.push_back({name, graphics.numbersProperty(line, "YData")});
    }
  }
  const bool sharedX =
      !xs.empty() && std::all_of(xs.begin(), xs.end(), [&](const auto& x) { return x == xs[0]; });
  std::vector<Column> columns;
  if (sharedX) {
    columns.push_back({xName, xs[0]});
    for (auto& y : ys) columns.push_back(std::move(y));
  } else {
    for (std::size_t k = 0; k < ys.size(); ++k) {
      columns.push_back({ys[k].name + " x", std::move(xs[k])});
      columns.push_back({ys[k].name + " y", std::move(ys[k].values)});
    }
  }
  auto quoted = [](const std::string& text) {
    if (text.find_first_of(",\"\n") == std::string::npos) return text;
    std::string out = "\"";
    for (char c : text) out += c == '"' ? std::string("\"\"") : std::string(1, c);
    return out + "\"";
  };
  std::string out;
  std::size_t rows = 0;
  for (std::size_t k = 0; k < columns.size(); ++k) {
    out += (k ? "," : "") + quoted(columns[k].name);
    rows = std::max(rows, columns[k].values.size());
  }
  out += "\n";
  char number[40];
  for (std::size_t r = 0; r < rows; ++r) {
    for (std::size_t k = 0; k < columns.size(); ++k) {
      if (k) out += ',';
      if (r < columns[k].values.size()) {
        std::snprintf(number, sizeof number, "%.17g", columns[k].values[r]);
        out += number;
      }
    }
    out += "\n";
  }
  return out;
}

std::vector<std::filesystem::path> writeChangedFigures(Graphics& graphics,
                                                       const std::filesystem::path& folder,
                                                       Formats formats) {
  std::vector<std::filesystem::path> written;
  const auto changed = graphics.changedFigures();
  if (changed.empty()) return written;
  std::error_code error;
  std::filesystem::create_directories(folder, error);
  if (error) msg::writeFailed(folder.string(), error.message());
  for (double figure : changed) {
    const auto stem = folder / ("figure" + std::to_string(static_cast<long long>(figure)));
    writeFigure(graphics, figure, stem, formats);
    graphics.markWritten(figure);
    written.push_back(stem);
  }
  return written;
}

}  // namespace mh::gfx
