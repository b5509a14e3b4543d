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
#include <mutex>
#include <nlohmann/json.hpp>
#include <system_error>
#include <thread>

#include "messages.hpp"
#include "mexhost/graphics_canvas.hpp"
#include "properties.hpp"
#include "runtime/ops.hpp"

namespace mh::gfx {
namespace {

// The document is written as text straight from the model, exactly as
// nlohmann::json's dump(2) writes the same document (members in byte order of their
// keys, two spaces of indent per level, a value per line in arrays, numbers through
// its shortest round-trip digits, strings escaped by it), into one buffer and
// without building the document first: a figure's data arrays are most of the text
// and would otherwise be a tree of thousands of nodes.
using nlohmann::json;

// Writes values at one nesting depth (that of the line a value starts on) to `out`.
class JsonText {
 public:
  JsonText(std::string& out, int depth) : out_(out), depth_(depth) {}

  void null() const { out_ += "null"; }
  void string(const std::string& s) const { out_ += json(s).dump(); }
  void number(double v) const {
    if (std::isnan(v)) return string("NaN");
    if (std::isinf(v)) return string(v > 0 ? "Inf" : "-Inf");
    char digits[64];
    out_.append(digits, nlohmann::detail::to_chars(digits, digits + sizeof digits, v));
  }

  // Arrays: "[]" when empty, else one element per line, one level in.
  template <typename Each>
  void array(std::size_t count, const Each& element) const {
    if (count == 0) {
      out_ += "[]";
      return;
    }
    out_ += '[';
    const JsonText in(out_, depth_ + 1);
    for (std::size_t i = 0; i < count; ++i) {
      out_ += i > 0 ? ",\n" : "\n";
      in.indent();
      element(i, in);
    }
    out_ += '\n';
    indent();
    out_ += ']';
  }
  void numbers(const std::vector<double>& values) const {
    array(values.size(), [&](std::size_t i, const JsonText& in) { in.number(values[i]); });
  }
  void strings(const std::vector<std::string>& values) const {
    array(values.size(), [&](std::size_t i, const JsonText& in) { in.string(values[i]); });
  }

  // Objects: each member a key and what writes its value, one level in. A later
  // member of the same key replaces an earlier one, as assignment to a document's
  // member does.
  struct Member {
    std::string key;
    std::function<void(const JsonText&)> write;
  };
  using Members = std::vector<Member>;
  void object(Members members) const {
    if (members.empty()) {
      out_ += "{}";
      return;
    }
    std::stable_sort(members.begin(), members.end(),
                     [](const Member& a, const Member& b) { return a.key < b.key; });
    out_ += '{';
    const JsonText in(out_, depth_ + 1);
    bool first = true;
    for (std::size_t i = 0; i < members.size(); ++i) {
      if (i + 1 < members.size() && members[i + 1].key == members[i].key) continue;
      out_ += first ? "\n" : ",\n";
      first = false;
      in.indent();
      in.string(members[i].key);
      out_ += ": ";
      members[i].write(in);
    }
    out_ += '\n';
    indent();
    out_ += '}';
  }

 private:
  void indent() const { out_.append(static_cast<std::size_t>(2 * depth_), ' '); }

  std::string& out_;
  int depth_;
};

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

void valueJson(const rt::Array& v, bool forceArray, const JsonText& at) {
  if (!v.isDefined()) return at.null();
  if (v.isChar()) {
    if (v.rows() <= 1 || v.isEmpty()) return at.string(v.utf8());
    return at.strings(detail::textLines(v));
  }
  if (v.isCell()) {
    return at.array(v.cells().size(),
                    [&](std::size_t i, const JsonText& in) { valueJson(v.cells()[i], false, in); });
  }
  if (v.numel() == 1 && !forceArray) return at.number(v.re()[0]);
  if (v.ndims() == 2 && (v.rows() <= 1 || v.cols() <= 1)) return at.numbers(v.re());
  at.array(v.rows(), [&](std::size_t i, const JsonText& in) {
    std::vector<double> row;
    for (std::size_t j = 0; j < v.cols(); ++j) row.push_back(v.re()[j * v.rows() + i]);
    in.numbers(row);
  });
}

void objectJson(const Graphics& g, double h, const JsonText& at) {
  using Member = JsonText::Member;
  const ObjectType type = g.type(h);
  JsonText::Members out;
  out.reserve(8);
  out.push_back(
      Member{"type", [&](const JsonText& in) { in.string(std::string(typeName(type))); }});
  out.push_back(Member{"handle", [&](const JsonText& in) { in.number(h); }});
  out.push_back(Member{"properties", [&](const JsonText& in) {
                         JsonText::Members props;
                         for (const auto& name : Graphics::propertyNames(type)) {
                           props.push_back(Member{
                               // By value: the list of names is gone when this runs.
                               name, [&g, h, type, name](const JsonText& value) {
                                 const auto* info = detail::findProperty(type, name);
                                 valueJson(g.get(h, name),
                                           alwaysArray(info->kind) || name == "Children", value);
                               }});
                         }
                         in.object(std::move(props));
                       }});
  if (type == ObjectType::Axes) {
    out.push_back(Member{
        "layout", [&](const JsonText& in) {
          const AxesLayout l = g.layout(h);
          JsonText::Members fields;
          fields.reserve(5);
          fields.push_back(Member{"XLim", [&](const JsonText& v) {
                                    v.numbers({l.xlim[0], l.xlim[1]});
                                  }});
          fields.push_back(Member{"YLim", [&](const JsonText& v) {
                                    v.numbers({l.ylim[0], l.ylim[1]});
                                  }});
          fields.push_back(Member{"XTick", [&](const JsonText& v) { v.numbers(l.xticks); }});
          fields.push_back(Member{"YTick", [&](const JsonText& v) { v.numbers(l.yticks); }});
          fields.push_back(Member{"PlotBox", [&](const JsonText& v) {
                                    v.numbers({l.plotBox.x, l.plotBox.y, l.plotBox.w, l.plotBox.h});
                                  }});
          in.object(std::move(fields));
        }});
    for (const auto& label : detail::labelTable()) {
      out.push_back(Member{
          label.function, [&](const JsonText& in) { objectJson(g, g.label(h, label.which), in); }});
    }
  }
  if (type == ObjectType::Legend) {
    out.push_back(Member{"lines", [&](const JsonText& in) { in.numbers(g.legendLines(h)); }});
  }
  if (type == ObjectType::Figure || type == ObjectType::Axes) {
    out.push_back(Member{"children", [&](const JsonText& in) {
                           const std::vector<double> children = g.children(h);
                           in.array(children.size(), [&](std::size_t i, const JsonText& kid) {
                             objectJson(g, children[i], kid);
                           });
                         }});
  }
  at.object(std::move(out));
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

// Draws a figure on a new canvas of the given kind and size, and finishes the file.
void drawToFile(const Graphics& graphics, double figure, CanvasKind kind, int width, int height,
                const std::filesystem::path& file) {
  auto canvas = makeCanvas(kind, width, height, file);
  drawFigure(graphics, figure, *canvas);
  canvas->finish();
}

// A file to write: what writes it, the figure it belongs to, and its rank in the
// order the jobs are started in (the longest first, so that the threads end
// together).
struct Job {
  std::function<void()> write;
  double figure;
  int rank;
};

// The jobs that write one figure in the formats asked for, in the order their
// errors are reported in: PNG, SVG, PDF, JSON, HTML, CSV. Each job only reads the
// model and writes its own file.
void addFigureJobs(const Graphics& graphics, double figure, const std::filesystem::path& stem,
                   Formats formats, std::vector<Job>& jobs) {
  const auto [width, height] = figurePixelSize(graphics, figure);
  struct Image {
    bool wanted;
    CanvasKind kind;
    const char* extension;
    int rank;
  };
  const Image images[] = {{formats.png, CanvasKind::Png, ".png", 0},
                          {formats.svg, CanvasKind::Svg, ".svg", 5},
                          {formats.pdf, CanvasKind::Pdf, ".pdf", 1}};
  for (const Image& image : images) {
    if (!image.wanted) continue;
    jobs.push_back({[&graphics, figure, kind = image.kind, w = width, h = height,
                     file = withExtension(stem, image.extension)] {
                      drawToFile(graphics, figure, kind, w, h, file);
                    },
                    figure, image.rank});
  }
  if (formats.json) {
    jobs.push_back({[&graphics, figure, file = withExtension(stem, ".json")] {
                      writeText(file, figureJson(graphics, figure) + "\n");
                    },
                    figure, 3});
  }
  if (formats.html) {
    jobs.push_back({[&graphics, figure, file = withExtension(stem, ".html")] {
                      writeFigureHtml(graphics, figure, file);
                    },
                    figure, 2});
  }
  if (formats.csv) {
    jobs.push_back({[&graphics, figure, file = withExtension(stem, ".csv")] {
                      writeText(file, figureCsv(graphics, figure));
                    },
                    figure, 4});
  }
}

// Runs the jobs, on as many threads as there are processors (this one among
// them), and returns each job's error (null when it succeeded). Text is measured
// with a context of each thread's own (cairo_canvas.cpp).
std::vector<std::exception_ptr> runJobs(const std::vector<Job>& jobs) {
  std::vector<std::size_t> order(jobs.size());
  for (std::size_t k = 0; k < jobs.size(); ++k) order[k] = k;
  std::stable_sort(order.begin(), order.end(),
                   [&](std::size_t a, std::size_t b) { return jobs[a].rank < jobs[b].rank; });
  std::vector<std::exception_ptr> errors(jobs.size());
  std::atomic<std::size_t> next{0};
  const auto work = [&] {
    for (std::size_t k = next++; k < jobs.size(); k = next++) {
      try {
        jobs[order[k]].write();
      } catch (...) {
        errors[order[k]] = std::current_exception();
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
  return errors;
}

void raiseFirst(const std::vector<std::exception_ptr>& errors) {
  for (const std::exception_ptr& error : errors) {
    if (error) std::rethrow_exception(error);
  }
}

}  // namespace

std::string figureJson(const Graphics& graphics, double figure) {
  if (!graphics.isHandle(figure) || graphics.type(figure) != ObjectType::Figure) {
    msg::wrongObject(figure, "a figure");
  }
  std::string text;
  objectJson(graphics, figure, JsonText(text, 0));
  return text;
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
  // The formats are written side by side; an error is that of the first failing
  // format in the order above.
  std::vector<Job> jobs;
  addFigureJobs(graphics, figure, stem, formats, jobs);
  raiseFirst(runJobs(jobs));
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
    drawToFile(graphics, figure, canvasKind, width, height, file);
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

void prepareDrawing(Formats formats) {
  const std::pair<bool, CanvasKind> kinds[] = {{formats.png, CanvasKind::Png},
                                               {formats.svg, CanvasKind::Svg},
                                               {formats.pdf, CanvasKind::Pdf}};
  if (!formats.png && !formats.svg && !formats.pdf) return;  // no text to draw
  static std::once_flag prepared;
  std::call_once(prepared, [&] {
    // A small figure with the usual objects and characters, drawn once in each format
    // and thrown away: the font configuration is read, the faces are found, the
    // glyphs of the usual sizes are made and the drawing code is paged in. Best
    // effort: whatever fails here fails again, and is reported, when a figure is
    // written.
    try {
      fontMetrics(Font{13, false});
      fontMetrics(Font{13, true});
      Graphics g;
      const double figure = g.newFigure();
      g.set(figure, "Position", rt::row({0, 0, 200, 150}));
      const double axes = g.createAxes(figure);
      const double line = g.createLine(axes);
      g.set(line, "XData", rt::row({0, 1, 2, 3}));
      g.set(line, "YData", rt::row({0.5, -1.5, 2.25, 1e3}));
      const std::string letters =
          "0123456789 +-.,:()[]% abcdefghijklmnopqrstuvwxyz ABCDEFGHIJKLMNOPQRSTUVWXYZ "
          "\xc3\xa5\xc3\xa4\xc3\xb6\xc3\x85\xc3\x84\xc3\x96";
      for (Label which : {Label::Title, Label::XLabel, Label::YLabel}) {
        g.set(g.label(axes, which), "String", rt::Array::str(letters));
      }
      const double text = g.createText(axes);
      g.set(text, "String", rt::Array::str(letters));
      g.set(text, "FontSize", rt::Array(18.0));
      g.setLegend(axes, {line}, {letters});
      for (const auto& [wanted, kind] : kinds) {
        if (wanted) drawToFile(g, figure, kind, 200, 150, "/dev/null");
      }
    } catch (...) {
    }
  });
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
  // Every file of every figure is written side by side. As when the figures are
  // written one after the other, those before the first figure that failed are
  // marked written, and its first error is raised; the files of the figures after it
  // are written again at the next chance.
  std::vector<Job> jobs;
  std::vector<std::filesystem::path> stems;
  for (double figure : changed) {
    stems.push_back(folder / ("figure" + std::to_string(static_cast<long long>(figure))));
    addFigureJobs(graphics, figure, stems.back(), formats, jobs);
  }
  const std::vector<std::exception_ptr> errors = runJobs(jobs);
  std::size_t job = 0;
  for (std::size_t k = 0; k < changed.size(); ++k) {
    for (; job < jobs.size() && jobs[job].figure == changed[k]; ++job) {
      if (errors[job]) std::rethrow_exception(errors[job]);
    }
    graphics.markWritten(changed[k]);
    written.push_back(stems[k]);
  }
  return written;
}

}  // namespace mh::gfx
