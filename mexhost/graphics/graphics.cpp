// The graphics object model: the object tree, current figure and axes, property
// access, and what the host does to axes before a high-level plot.
#include "mexhost/graphics.hpp"

#include <algorithm>
#include <cmath>
#include <cstdio>

#include "messages.hpp"
#include "properties.hpp"
#include "runtime/ops.hpp"

namespace mh::gfx {

namespace msg {
std::string handleText(double h) {
  char buffer[40];
  std::snprintf(buffer, sizeof buffer, "%.15g", h);
  return buffer;
}
}  // namespace msg

namespace {

rt::Array handleColumn(const std::vector<double>& handles) {
  if (handles.empty()) return rt::zeros(0, 0);
  return rt::Array::fromData({handles.size(), 1}, handles);
}

rt::Array handleOrEmpty(double h) {
  return h == 0 ? rt::zeros(0, 0) : rt::Array(h);
}

// The largest figure number accepted: keeps numbers exact and printable.
constexpr double kMaxFigureNumber = 2147483647.0;

}  // namespace

std::string_view typeName(ObjectType type) {
  switch (type) {
    case ObjectType::Root:
      return "root";
    case ObjectType::Figure:
      return "figure";
    case ObjectType::Axes:
      return "axes";
    case ObjectType::Line:
      return "line";
    case ObjectType::Text:
      return "text";
    case ObjectType::Legend:
      return "legend";
  }
  return "unknown";
}

Graphics::Graphics() {
  Object root;
  root.type = ObjectType::Root;
  root.handle = kRootHandle;
  objects_.emplace(kRootHandle, std::move(root));
}

// ---- tree ---------------------------------------------------------------------

Graphics::Object& Graphics::object(double h) {
  const auto it = objects_.find(h);
  if (it == objects_.end()) msg::invalidHandle(h);
  return it->second;
}

const Graphics::Object& Graphics::object(double h) const {
  const auto it = objects_.find(h);
  if (it == objects_.end()) msg::invalidHandle(h);
  return it->second;
}

bool Graphics::isHandle(double h) const {
  return objects_.count(h) != 0;
}

ObjectType Graphics::type(double h) const {
  return object(h).type;
}

double Graphics::parent(double h) const {
  return object(h).parent;
}

std::vector<double> Graphics::children(double h) const {
  const Object& o = object(h);
  if (o.type == ObjectType::Root) return figureOrder_;
  return o.children;
}

std::vector<double> Graphics::figures() const {
  std::vector<double> out = figureOrder_;
  std::sort(out.begin(), out.end());
  return out;
}

std::optional<double> Graphics::figureOf(double h) const {
  const Object* o = &object(h);
  while (o->type != ObjectType::Figure) {
    if (o->type == ObjectType::Root) return std::nullopt;
    o = &object(o->parent);
  }
  return o->handle;
}

double Graphics::allocateHandle() {
  const double h = nextHandle_;
  nextHandle_ += 1.0;
  return h;
}

double Graphics::create(ObjectType type, double parentHandle) {
  const double h = allocateHandle();
  Object o;
  o.type = type;
  o.handle = h;
  o.parent = parentHandle;
  setDefaults(o, false);
  objects_.emplace(h, std::move(o));
  return h;
}

void Graphics::setDefaults(Object& o, bool keepPosition) {
  for (const auto& info : detail::propertyTable()) {
    if (info.type != o.type || info.makeDefault == nullptr) continue;
    if (keepPosition && std::string_view(info.name) == "Position") continue;
    o.props[info.name] = info.makeDefault();
  }
  if (o.type == ObjectType::Figure) o.props[detail::prop::kCurrentAxes] = rt::zeros(0, 0);
}

void Graphics::touch(double h) {
  if (const auto f = figureOf(h)) ++object(*f).revision;
}

void Graphics::store(double h, const std::string& canonical, rt::Array value) {
  object(h).props[canonical] = std::move(value);
}

void Graphics::detachFromParent(double h) {
  Object& o = object(h);
  if (o.type == ObjectType::Figure || o.type == ObjectType::Root) return;
  auto& siblings = object(o.parent).children;
  siblings.erase(std::remove(siblings.begin(), siblings.end(), h), siblings.end());
}

void Graphics::eraseTree(double h) {
  const auto it = objects_.find(h);
  if (it == objects_.end()) return;
  const Object o = it->second;  // copy: erasing below invalidates the reference
  for (double child : o.children) eraseTree(child);
  if (o.type == ObjectType::Axes) {
    for (const auto& label : detail::labelTable()) {
      const auto p = o.props.find(label.property);
      if (p != o.props.end() && !p->second.isEmpty()) objects_.erase(p->second.scalar());
    }
    if (o.link != 0 && isHandle(o.link)) {
      detachFromParent(o.link);
      objects_.erase(o.link);
    }
  }
  if (o.type == ObjectType::Legend && isHandle(o.link)) object(o.link).link = 0;
  objects_.erase(h);
}

// ---- current objects ----------------------------------------------------------

std::optional<double> Graphics::currentFigure() const {
  if (figureOrder_.empty()) return std::nullopt;
  return figureOrder_.front();
}

std::optional<double> Graphics::currentAxes() const {
  const auto f = currentFigure();
  if (!f) return std::nullopt;
  const rt::Array& ax = object(*f).props.at(detail::prop::kCurrentAxes);
  if (ax.isEmpty()) return std::nullopt;
  return ax.scalar();
}

double Graphics::gcf() {
  if (const auto f = currentFigure()) return *f;
  return newFigure();
}

double Graphics::gca() {
  const double f = gcf();
  if (const auto ax = currentAxes()) return *ax;
  return createAxes(f);
}

void Graphics::makeFigureCurrent(double figure) {
  figureOrder_.erase(std::remove(figureOrder_.begin(), figureOrder_.end(), figure),
                     figureOrder_.end());
  figureOrder_.insert(figureOrder_.begin(), figure);
}

// ---- figures --------------------------------------------------------------------

double Graphics::newFigure() {
  double n = 1;
  while (isHandle(n)) n += 1;
  return selectFigure(n);
}

double Graphics::selectFigure(double number) {
  if (isHandle(number) && type(number) == ObjectType::Figure) {
    makeFigureCurrent(number);
    return number;
  }
  const bool figureNumber =
      number >= 1 && number <= kMaxFigureNumber && std::floor(number) == number;
  if (!figureNumber && isHandle(number) && number != kRootHandle) {
    msg::wrongObject(number, "a figure");
  }
  if (!figureNumber) {
    msg::badArgument("figure", "a figure number must be a positive integer (got " +
                                   msg::handleText(number) + ").");
  }
  Object o;
  o.type = ObjectType::Figure;
  o.handle = number;
  o.parent = kRootHandle;
  setDefaults(o, false);
  objects_.emplace(number, std::move(o));
  makeFigureCurrent(number);
  return number;
}

void Graphics::clearFigure(double figure, bool reset) {
  if (type(figure) != ObjectType::Figure) msg::wrongObject(figure, "a figure");
  const std::vector<double> kids = object(figure).children;
  for (double child : kids) eraseTree(child);
  Object& f = object(figure);
  f.children.clear();
  if (reset) setDefaults(f, true);
  f.props[detail::prop::kCurrentAxes] = rt::zeros(0, 0);
  touch(figure);
}

void Graphics::closeFigure(double figure) {
  if (type(figure) != ObjectType::Figure) msg::wrongObject(figure, "a figure");
  eraseTree(figure);
  figureOrder_.erase(std::remove(figureOrder_.begin(), figureOrder_.end(), figure),
                     figureOrder_.end());
}

void Graphics::closeAll() {
  for (double f : figures()) closeFigure(f);
}

// ---- axes and contents -------------------------------------------------------------

double Graphics::createAxes(double figure) {
  if (type(figure) != ObjectType::Figure) msg::wrongObject(figure, "a figure");
  const double ax = create(ObjectType::Axes, figure);
  for (const auto& label : detail::labelTable()) {
    const double t = create(ObjectType::Text, ax);
    initLabel(t, label.which);
    store(ax, label.property, rt::Array(t));
  }
  object(figure).children.push_back(ax);
  store(figure, detail::prop::kCurrentAxes, rt::Array(ax));
  touch(figure);
  return ax;
}

void Graphics::initLabel(double text, Label which) {
  Object& t = object(text);
  setDefaults(t, false);
  t.props["FontSize"] = rt::Array(11.0);
  t.props["HorizontalAlignment"] = rt::Array::str("center");
  switch (which) {
    case Label::Title:
      t.props["FontWeight"] = rt::Array::str("bold");
      t.props["VerticalAlignment"] = rt::Array::str("bottom");
      break;
    case Label::XLabel:
      t.props["VerticalAlignment"] = rt::Array::str("top");
      break;
    case Label::YLabel:
      t.props["VerticalAlignment"] = rt::Array::str("bottom");
      t.props["Rotation"] = rt::Array(90.0);
      break;
  }
}

double Graphics::label(double axes, Label which) const {
  const Object& ax = object(axes);
  if (ax.type != ObjectType::Axes) msg::wrongObject(axes, "an axes");
  return ax.props.at(detail::labelInfo(which).property).scalar();
}

double Graphics::axesForPlot() {
  double fig = gcf();
  const std::string figureNext = stringProperty(fig, "NextPlot");
  if (figureNext == "new") {
    fig = newFigure();
  } else if (figureNext == "replace") {
    clearFigure(fig, true);
  } else if (figureNext == "replacechildren") {
    clearFigure(fig, false);
  }
  double ax = 0;
  if (const auto current = currentAxes()) {
    ax = *current;
  } else {
    return createAxes(fig);
  }
  const std::string next = stringProperty(ax, "NextPlot");
  if (next == "replace" || next == "replaceall") {
    resetAxes(ax);
  } else if (next == "replacechildren") {
    const std::vector<double> kids = object(ax).children;
    for (double child : kids) deleteObject(child);
    if (const auto lg = legendOf(ax)) deleteObject(*lg);
  }
  return ax;
}

void Graphics::resetAxes(double axes) {
  if (type(axes) != ObjectType::Axes) msg::wrongObject(axes, "an axes");
  const std::vector<double> kids = object(axes).children;
  for (double child : kids) deleteObject(child);
  if (const auto lg = legendOf(axes)) deleteObject(*lg);
  setDefaults(object(axes), true);
  initLabel(label(axes, Label::Title), Label::Title);
  initLabel(label(axes, Label::XLabel), Label::XLabel);
  initLabel(label(axes, Label::YLabel), Label::YLabel);
  touch(axes);
}

double Graphics::createLine(double axes) {
  if (type(axes) != ObjectType::Axes) msg::wrongObject(axes, "an axes");
  const double h = create(ObjectType::Line, axes);
  object(axes).children.push_back(h);
  touch(axes);
  return h;
}

double Graphics::createText(double axes) {
  if (type(axes) != ObjectType::Axes) msg::wrongObject(axes, "an axes");
  const double h = create(ObjectType::Text, axes);
  object(axes).children.push_back(h);
  touch(axes);
  return h;
}

rt::Array Graphics::nextLineColor(double axes) {
  Object& ax = object(axes);
  if (ax.type != ObjectType::Axes) msg::wrongObject(axes, "an axes");
  const rt::Array& order = ax.props.at("ColorOrder");
  const double index = ax.props.at("ColorOrderIndex").scalar();
  const std::size_t n = order.rows();
  const std::size_t row = static_cast<std::size_t>(index - 1) % n;
  rt::Array color = rt::row({order.re()[row], order.re()[n + row], order.re()[2 * n + row]});
  ax.props["ColorOrderIndex"] = rt::Array(index >= 1e9 ? 1.0 : index + 1);
  return color;
}

std::optional<double> Graphics::legendOf(double axes) const {
  const Object& ax = object(axes);
  if (ax.type != ObjectType::Axes) msg::wrongObject(axes, "an axes");
  if (ax.link == 0 || !isHandle(ax.link)) return std::nullopt;
  return ax.link;
}

double Graphics::setLegend(double axes, const std::vector<double>& lines,
                           const std::vector<std::string>& strings) {
  if (lines.size() != strings.size()) {
    msg::badArgument("legend", "the number of entries and of lines differ.");
  }
  for (double line : lines) {
    if (!isHandle(line) || type(line) != ObjectType::Line) msg::wrongObject(line, "a line");
  }
  double lg = 0;
  if (const auto existing = legendOf(axes)) {
    lg = *existing;
  } else {
    const auto fig = figureOf(axes);
    lg = create(ObjectType::Legend, *fig);
    object(*fig).children.push_back(lg);
    object(lg).link = axes;
    object(axes).link = lg;
  }
  std::vector<rt::Array> cells;
  for (std::size_t i = 0; i < strings.size(); ++i) {
    cells.push_back(rt::Array::str(strings[i]));
    object(lines[i]).props["DisplayName"] = rt::Array::str(strings[i]);
  }
  object(lg).props["String"] = rt::Array::cell({1, strings.size()}, std::move(cells));
  object(lg).legendLines = lines;
  touch(lg);
  return lg;
}

std::vector<double> Graphics::legendLines(double legend) const {
  const Object& lg = object(legend);
  if (lg.type != ObjectType::Legend) msg::wrongObject(legend, "a legend");
  return lg.legendLines;
}

double Graphics::legendAxes(double legend) const {
  const Object& lg = object(legend);
  if (lg.type != ObjectType::Legend) msg::wrongObject(legend, "a legend");
  return lg.link;
}

void Graphics::deleteObject(double h) {
  const Object& o = object(h);
  if (o.type == ObjectType::Root) msg::badArgument("delete", "the root cannot be deleted.");
  if (o.type == ObjectType::Figure) {
    closeFigure(h);
    return;
  }
  const double fig = *figureOf(h);
  if (o.type == ObjectType::Text && object(o.parent).type == ObjectType::Axes) {
    // An axes' own title and labels cannot go; their text can be cleared instead.
    const Object& ax = object(o.parent);
    for (const auto& label : detail::labelTable()) {
      if (ax.props.at(label.property).scalar() == h) {
        msg::badArgument("delete", "the title and labels of an axes cannot be deleted.");
      }
    }
  }
  if (o.type == ObjectType::Line) {
    // Drop the entries that stand for this line from the legends of its figure.
    for (double child : object(fig).children) {
      Object& lg = object(child);
      if (lg.type != ObjectType::Legend) continue;
      auto& lines = lg.legendLines;
      const auto it = std::find(lines.begin(), lines.end(), h);
      if (it == lines.end()) continue;
      const auto index = static_cast<std::size_t>(it - lines.begin());
      lines.erase(it);
      const rt::Array old = lg.props.at("String");
      std::vector<rt::Array> kept(lines.size(), rt::Array::zeros({0, 0}));
      for (std::size_t i = 0, k = 0; i < old.cells().size(); ++i) {
        if (i != index && k < lines.size()) kept[k++] = old.cells()[i];
      }
      lg.props["String"] = rt::Array::cell({1, lines.size()}, std::move(kept));
    }
  }
  const bool wasCurrentAxes = o.type == ObjectType::Axes &&
                              !object(fig).props.at(detail::prop::kCurrentAxes).isEmpty() &&
                              object(fig).props.at(detail::prop::kCurrentAxes).scalar() == h;
  detachFromParent(h);
  eraseTree(h);
  if (wasCurrentAxes) {
    rt::Array next = rt::zeros(0, 0);
    for (double child : object(fig).children) {
      if (object(child).type == ObjectType::Axes) next = rt::Array(child);
    }
    object(fig).props[detail::prop::kCurrentAxes] = next;
  }
  touch(fig);
}

// ---- properties -------------------------------------------------------------------

std::optional<std::string> Graphics::canonicalName(ObjectType type, std::string_view property) {
  const auto* info = detail::findProperty(type, property);
  if (info == nullptr) return std::nullopt;
  return std::string(info->name);
}

std::vector<std::string> Graphics::propertyNames(ObjectType type) {
  std::vector<std::string> out;
  for (const auto& info : detail::propertyTable()) {
    if (info.type == type) out.emplace_back(info.name);
  }
  return out;
}

void Graphics::checkProperty(ObjectType type, std::string_view property, const rt::Array& value) {
  const auto* info = detail::findProperty(type, property);
  if (info == nullptr) msg::unknownProperty(typeName(type), property);
  if (info->kind == detail::Kind::ReadOnly) msg::readOnly(typeName(type), info->name);
  if (info->kind == detail::Kind::Handle) return;
  detail::normalize(*info, value);
}

rt::Array Graphics::get(double h, std::string_view property) const {
  const Object& o = object(h);
  const auto* info = detail::findProperty(o.type, property);
  if (info == nullptr) msg::unknownProperty(typeName(o.type), property);
  const std::string_view name = info->name;
  if (name == "Type") return rt::Array::str(typeName(o.type));
  if (name == "Parent") return rt::Array(o.parent);
  if (name == "Number") return rt::Array(o.handle);
  if (name == "Children") {
    std::vector<double> kids = children(h);
    if (o.type != ObjectType::Root) std::reverse(kids.begin(), kids.end());
    return handleColumn(kids);
  }
  if (name == detail::prop::kCurrentFigure) return handleOrEmpty(currentFigure().value_or(0));
  if (o.type == ObjectType::Axes) {
    if (name == "Legend") return handleOrEmpty(legendOf(h).value_or(0));
    if (name == "XLim" || name == "YLim") {
      const AxesLayout l = layout(h);
      const auto& lim = name == "XLim" ? l.xlim : l.ylim;
      return rt::row({lim[0], lim[1]});
    }
    if ((name == "XTick" && o.props.at("XTickMode").utf8() == "auto") ||
        (name == "YTick" && o.props.at("YTickMode").utf8() == "auto")) {
      const AxesLayout l = layout(h);
      const auto& ticks = name == "XTick" ? l.xticks : l.yticks;
      return rt::Array::fromData({1, ticks.size()}, ticks);
    }
  }
  const auto it = o.props.find(info->name);
  if (it == o.props.end()) return rt::zeros(0, 0);
  return it->second;
}

void Graphics::set(double h, std::string_view property, const rt::Array& value) {
  const Object& o = object(h);
  const ObjectType t = o.type;
  const auto* info = detail::findProperty(t, property);
  if (info == nullptr) msg::unknownProperty(typeName(t), property);
  const std::string name = info->name;
  if (info->kind == detail::Kind::ReadOnly) msg::readOnly(typeName(t), name);

  if (info->kind == detail::Kind::Handle) {
    const bool empty = (value.isDouble() || value.isLogical()) && value.isEmpty();
    const bool scalar = (value.isDouble() || value.isLogical()) && value.isScalar();
    if (name == detail::prop::kCurrentFigure) {
      if (!scalar || !isHandle(value.scalar()) || type(value.scalar()) != ObjectType::Figure) {
        msg::badValue(name, "a figure handle");
      }
      makeFigureCurrent(value.scalar());
      return;
    }
    // CurrentAxes: an axes of this figure, or [].
    if (empty) {
      store(h, name, rt::zeros(0, 0));
    } else {
      if (!scalar || !isHandle(value.scalar()) || type(value.scalar()) != ObjectType::Axes ||
          parent(value.scalar()) != h) {
        msg::badValue(name, "an axes of this figure or []");
      }
      store(h, name, rt::Array(value.scalar()));
    }
    touch(h);
    return;
  }

  rt::Array normalized = detail::normalize(*info, value);
  if (t == ObjectType::Axes && normalized.isChar() && normalized.utf8() == "manual") {
    // Switching a mode to manual keeps what is shown now.
    const bool wasAuto = o.props.at(name).utf8() == "auto";
    if (wasAuto &&
        (name == "XLimMode" || name == "YLimMode" || name == "XTickMode" || name == "YTickMode")) {
      const std::string frozen = name.substr(0, name.size() - 4);
      store(h, frozen, get(h, frozen));
    }
  }
  store(h, name, std::move(normalized));
  if (info->mode != nullptr) store(h, info->mode, rt::Array::str("manual"));
  touch(h);
}

std::string Graphics::stringProperty(double h, std::string_view property) const {
  const rt::Array v = get(h, property);
  return v.isChar() ? v.utf8() : std::string();
}

double Graphics::numberProperty(double h, std::string_view property) const {
  const rt::Array v = get(h, property);
  if (v.isEmpty() || v.isCell() || v.isChar()) {
    msg::badValue(property, "a number (reading it)");
  }
  return v.re()[0];
}

std::vector<double> Graphics::numbersProperty(double h, std::string_view property) const {
  const rt::Array v = get(h, property);
  if (v.isCell() || v.isChar()) return {};
  return v.re();
}

bool Graphics::isOn(double h, std::string_view property) const {
  return stringProperty(h, property) == "on";
}

// ---- changes ------------------------------------------------------------------------

std::vector<double> Graphics::changedFigures() const {
  std::vector<double> out;
  for (double f : figures()) {
    const Object& o = object(f);
    if (o.revision != o.written) out.push_back(f);
  }
  return out;
}

void Graphics::markWritten(double figure) {
  Object& o = object(figure);
  if (o.type != ObjectType::Figure) msg::wrongObject(figure, "a figure");
  o.written = o.revision;
}

void Graphics::drawnow() {
  if (drawnowHook_) drawnowHook_();
}

}  // namespace mh::gfx
