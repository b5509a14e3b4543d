// The embedded host's graphics: the object model (root, figures, axes, lines,
// texts, legends), the graphics builtins, automatic axis limits, and writing a
// figure as PNG, SVG, PDF and JSON.
//
// Handles are doubles, as in the host language: the root is 0, a figure's handle
// is its number (1, 2, ...), every other object gets a non-integer handle
// (100.5, 101.5, ...) that is never reused. Property names are case-insensitive;
// the names, value kinds and defaults of every property live in one table
// (mexhost/graphics/properties.cpp). Every failure is an rt::Error.
//
// Ownership: a Graphics object owns every graphics object; the builtins that
// registerGraphicsBuiltins installs keep a reference to it, so it must outlive
// the builtin table. Everything runs on the host thread; nothing here is
// thread-safe.
#pragma once

#include <array>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "mexhost/builtins.hpp"
#include "runtime/array.hpp"

namespace mh::gfx {

enum class ObjectType { Root, Figure, Axes, Line, Text, Legend };

// "root", "figure", "axes", "line", "text", "legend" (the value of the Type property).
std::string_view typeName(ObjectType type);

inline constexpr double kRootHandle = 0.0;

// A rectangle in figure pixels, origin at the top left corner, y downwards.
struct Rect {
  double x = 0, y = 0, w = 0, h = 0;
};

// Where an axes is drawn and what it shows, as the renderer, `axis` and
// get(ax, 'XLim') see it: the effective limits (automatic ones computed, and
// widened where equal data units require it), the plot box, and the ticks.
struct AxesLayout {
  Rect position;  // the axes' Position rectangle
  Rect plotBox;   // the data area, inside `position`
  std::array<double, 2> xlim{0, 1};
  std::array<double, 2> ylim{0, 1};
  std::vector<double> xticks;
  std::vector<double> yticks;
};

// The axes texts kept by every axes (not among its Children).
enum class Label { Title, XLabel, YLabel };

class Graphics {
 public:
  Graphics();
  Graphics(const Graphics&) = delete;
  Graphics& operator=(const Graphics&) = delete;

  // ---- handles and the object tree --------------------------------------
  bool isHandle(double h) const;
  // The type of a handle; an error if h is not a graphics handle.
  ObjectType type(double h) const;
  double parent(double h) const;
  // Children in creation order (oldest first). An axes' title and labels are not
  // among them. (The Children property lists them newest first, as the host does.)
  std::vector<double> children(double h) const;
  // Open figures, ascending by number.
  std::vector<double> figures() const;
  // The figure that h belongs to (h itself for a figure); nullopt for the root.
  std::optional<double> figureOf(double h) const;

  // ---- current objects ----------------------------------------------------
  // Never create anything.
  std::optional<double> currentFigure() const;
  std::optional<double> currentAxes() const;
  // gcf and gca: create a figure (and axes) when there is none.
  double gcf();
  double gca();

  // ---- figures ------------------------------------------------------------
  // Creates the figure with the lowest free number and makes it current.
  double newFigure();
  // figure(n): makes figure n current, creating it when n is a free positive integer.
  double selectFigure(double number);
  // Deletes the figure's axes and legends; with `reset`, its properties return
  // to their defaults too (Position stays).
  void clearFigure(double figure, bool reset = false);
  void closeFigure(double figure);
  void closeAll();

  // ---- axes and their contents ---------------------------------------------
  // Creates default axes in a figure and makes them the figure's current axes.
  double createAxes(double figure);
  // The axes a high-level plot draws into, prepared as the host prepares them:
  // the current axes (created when absent); unless hold is on (NextPlot 'add'),
  // their lines, texts and legend are deleted and their properties reset
  // (Position stays, the title and labels become empty).
  double axesForPlot();
  // Deletes the axes' children and legend and resets their properties.
  void resetAxes(double axes);
  double createLine(double axes);
  double createText(double axes);
  double label(double axes, Label which) const;
  // The next colour of the axes' ColorOrder (1-by-3), advancing ColorOrderIndex.
  rt::Array nextLineColor(double axes);

  // The axes' legend, if it has one.
  std::optional<double> legendOf(double axes) const;
  // Creates or updates the legend of an axes: entry i stands for lines[i] with
  // strings[i] (the two lists have the same length).
  double setLegend(double axes, const std::vector<double>& lines,
                   const std::vector<std::string>& strings);
  // The lines a legend's entries stand for, in entry order.
  std::vector<double> legendLines(double legend) const;
  // The axes a legend belongs to.
  double legendAxes(double legend) const;

  // Deletes an object and its descendants (a figure is closed).
  void deleteObject(double h);

  // ---- properties ---------------------------------------------------------
  // get: the value as the host returns it (XLim and YLim effective; Children
  // newest first; empty when there is none).
  rt::Array get(double h, std::string_view property) const;
  // set: validates (unknown property, read-only property, wrong value: an error
  // naming the property) and marks the figure changed. Setting XLim, YLim, XTick,
  // YTick, DataAspectRatio or PlotBoxAspectRatio makes its mode 'manual'.
  void set(double h, std::string_view property, const rt::Array& value);
  // Checks a property/value pair for an object type without setting anything,
  // so that a builtin can refuse bad arguments before it creates objects.
  static void checkProperty(ObjectType type, std::string_view property, const rt::Array& value);
  // The canonical spelling of a property name of a type; nullopt if unknown.
  static std::optional<std::string> canonicalName(ObjectType type, std::string_view property);
  // Canonical names of every property of a type, in table order.
  static std::vector<std::string> propertyNames(ObjectType type);

  // Convenience readers for stored values (no computation).
  std::string stringProperty(double h, std::string_view property) const;
  double numberProperty(double h, std::string_view property) const;
  std::vector<double> numbersProperty(double h, std::string_view property) const;
  bool isOn(double h, std::string_view property) const;

  // ---- limits -------------------------------------------------------------
  AxesLayout layout(double axes) const;
  // Extent of the finite x (or y) data of the axes' lines; nullopt without data.
  std::optional<std::array<double, 2>> dataExtent(double axes, bool y) const;

  // ---- changes and drawnow --------------------------------------------------
  // Figures changed (created or modified) since they were last marked written.
  std::vector<double> changedFigures() const;
  void markWritten(double figure);
  // drawnow calls this hook (the host uses it to write intermediate snapshots).
  void setDrawnowHook(std::function<void()> hook) { drawnowHook_ = std::move(hook); }
  void drawnow();

 private:
  struct Object {
    ObjectType type = ObjectType::Root;
    double handle = 0;
    double parent = 0;
    std::vector<double> children;            // creation order
    std::map<std::string, rt::Array> props;  // canonical name -> value
    std::vector<double> legendLines;         // legend: the lines of its entries
    double link = 0;                         // legend: its axes; axes: its legend (0 = none)
    std::uint64_t revision = 1;              // figure: bumped on every change
    std::uint64_t written = 0;               // figure: revision last written
  };

  Object& object(double h);
  const Object& object(double h) const;
  double allocateHandle();
  double create(ObjectType type, double parent);
  void setDefaults(Object& o, bool keepPosition);
  void initLabel(double text, Label which);
  void touch(double h);
  void store(double h, const std::string& canonical, rt::Array value);
  void detachFromParent(double h);
  void eraseTree(double h);
  void makeFigureCurrent(double figure);

  std::map<double, Object> objects_;
  std::vector<double> figureOrder_;  // open figures, most recently current first
  double nextHandle_ = 100.5;
  std::function<void()> drawnowHook_;
};

// ---- axis scaling ------------------------------------------------------------
// Automatic limits for data spanning [lo, hi]: the range rounded outward to the
// smallest tick step of the form {1, 2, 5} x 10^k that covers it in at most 10
// steps. Equal ends give [v-1, v+1]; no data (nullopt) gives [0 1].
std::array<double, 2> niceLimits(std::optional<std::array<double, 2>> extent);
// Tick positions inside [lo, hi]: multiples of the smallest step {1, 2, 5} x 10^k
// that puts at most maxTicks (at least 2) ticks in the range. Values are
// correctly rounded decimals (0.1, not 0.30000000000000004 - 0.2).
std::vector<double> tickValues(double lo, double hi, int maxTicks);
// A tick label: %g, with "-0" written as "0".
std::string formatTick(double value);
// How many automatic ticks an axis of `pixels` length gets (2 to 11): room for
// a label every 55 pixels across (x) or every 28 pixels up (y, `vertical`).
int tickBudget(double pixels, bool vertical);

// ---- output --------------------------------------------------------------------
struct Formats {
  bool png = true;
  bool svg = true;
  bool pdf = true;
  bool json = true;
  bool html = false;  // the interactive page: only when asked for by name
  bool csv = false;   // the line data: only when asked for by name
  static Formats all() { return {}; }
  static Formats none() { return {false, false, false, false, false, false}; }
  // A comma-separated list such as "png,svg,json" (case-insensitive; "all" for
  // png, svg, pdf and json, "html" for the interactive page, "csv" for the line
  // data); an error naming an unknown entry.
  static Formats parse(std::string_view list);
  // The extensions selected, in the order above, without the dot.
  std::vector<std::string> extensions() const;
};

// Writes figure `figure` to stem.png, stem.svg, stem.pdf, stem.json, stem.html
// and stem.csv (those selected). The PNG has the figure's pixel size (Position(3:4)); the PDF page
// is the same at 96 pixels per inch. An error if the figure does not exist or a file cannot be
// written.
void writeFigure(const Graphics& graphics, double figure, const std::filesystem::path& stem,
                 Formats formats);
// Makes drawing in the image formats among `formats` (PNG, SVG, PDF) ready, as
// the first figure written would otherwise do: the font configuration read, the
// faces found, the usual glyphs made, the drawing code paged in. At most once a
// process; nothing is written. The host calls this while it waits anyway.
void prepareDrawing(Formats formats);
// Writes every changed figure as <folder>/figure<N>.<ext>, marks it written and
// returns the stems written. The host calls this when a statement ends (and from
// the drawnow hook).
std::vector<std::filesystem::path> writeChangedFigures(Graphics& graphics,
                                                       const std::filesystem::path& folder,
                                                       Formats formats);
// Writes one file, its format named by `format` (png, svg, pdf, json, html or
// csv): what print and saveas do.
void writeFigureFile(const Graphics& graphics, double figure, const std::filesystem::path& file,
                     std::string_view format);
// The line data of a figure (what stem.csv holds), comma-separated, one row per
// sample. The header names each line by its DisplayName (the legend's text), or
// "line<k>" without one. When every line has the same XData the first column is
// that x, headed by the axes' x label ("x" without one); otherwise each line has
// its own two columns "<name> x" and "<name> y", and shorter lines leave their
// cells empty. Numbers are written with 17 significant digits.
std::string figureCsv(const Graphics& graphics, double figure);
// The JSON document of a figure (what stem.json holds).
std::string figureJson(const Graphics& graphics, double figure);
// The interactive page of a figure (what stem.html holds): one self-contained
// HTML file (UTF-8, its script, style and line data inline, nothing fetched)
// that draws the figure as the PNG shows it and lets the user zoom, pan, reset
// and read samples off the lines. writeFigureHtml writes it to `file` (the
// whole name, extension included); an error if the figure does not exist or
// the file cannot be written.
std::string figureHtml(const Graphics& graphics, double figure);
void writeFigureHtml(const Graphics& graphics, double figure, const std::filesystem::path& file);

}  // namespace mh::gfx

namespace mh {

using gfx::Graphics;

// Installs figure, clf, close, text, plot, line, set, get, gca, gcf, axis, grid,
// ishold, hold, xlabel, ylabel, title, legend and drawnow, each working on
// `graphics` (which must outlive `table`).
void registerGraphicsBuiltins(BuiltinTable& table, Graphics& graphics);

}  // namespace mh
