// Automatic axis limits, ticks, and where an axes' plot box goes.
//
// Limits. An automatic limit pair is the data range rounded outward to a tick
// step: the smallest step of the form {1, 2, 5} x 10^k for which the rounded
// range holds at most 10 steps. So 0..25 gives [0 25] (step 5), 0..0.1 gives
// [0 0.1] (step 0.01), -0.3..0.3 gives [-0.3 0.3] (step 0.1) and 0..1.05 gives
// [0 1.2] (step 0.2). Equal ends v give [v-1 v+1]; no finite data gives [0 1].
// The rounded ends are n x 10^k computed as correctly rounded decimals, so they
// compare equal to the literals a program writes (0.1 is the double 0.1).
//
// Aspect ratios. With DataAspectRatio and PlotBoxAspectRatio both automatic
// the plot box fills the axes' Position rectangle. A manual PlotBoxAspectRatio
// gives the box that shape (the largest such box, centred in the rectangle). A
// manual DataAspectRatio (axis equal) makes data units equal on screen:
//   - limits that are automatic are widened about their centre until the data
//     range fits the box with equal units (the box keeps the shape the manual
//     PlotBoxAspectRatio gives, or fills the rectangle when it is automatic);
//     with only one automatic axis and an automatic box shape, an axis is never
//     narrowed below its data: the box shrinks instead;
//   - when both limits are manual as well, the three constraints cannot all
//     hold: the limits and the data aspect ratio win and the box takes the
//     shape they give (the plot-box aspect ratio is then not used).
#include <algorithm>
#include <cmath>
#include <cstdio>

#include "messages.hpp"
#include "mexhost/graphics.hpp"

namespace mh::gfx {
namespace {

// Tick counts the renderer has room for: a tick label needs about 55 pixels
// across and 28 pixels up.
constexpr double kPixelsPerXTick = 55.0;
constexpr double kPixelsPerYTick = 28.0;
constexpr int kMaxTicks = 11;
constexpr int kMaxLimitSteps = 10;

double powerOfTen(int k) {
  double p = 1.0;
  for (int i = 0; i < std::abs(k); ++i) p *= 10.0;
  return p;
}

// n x 10^e, rounded once (exact for |e| <= 22 and |n| < 2^53); never -0.
double decimal(double n, int e) {
  return (e >= 0 ? n * powerOfTen(e) : n / powerOfTen(-e)) + 0.0;
}

// Rounding with a tolerance for quotients such as 0.3 / 0.1 = 2.9999999999999996.
double tolerance(double x) {
  return 1e-9 + std::abs(x) * 1e-14;
}
double floorTol(double x) {
  return std::floor(x + tolerance(x));
}
double ceilTol(double x) {
  return std::ceil(x - tolerance(x));
}

Rect fit(const Rect& r, double aspect) {
  if (!(aspect > 0) || !std::isfinite(aspect) || r.w <= 0 || r.h <= 0) return r;
  Rect out = r;
  if (r.w / r.h > aspect) {
    out.w = r.h * aspect;
    out.x = r.x + (r.w - out.w) / 2;
  } else {
    out.h = r.w / aspect;
    out.y = r.y + (r.h - out.h) / 2;
  }
  return out;
}

// Widens or narrows [lo hi] about its centre to `span`.
std::array<double, 2> withSpan(const std::array<double, 2>& lim, double span) {
  const double centre = lim[0] / 2 + lim[1] / 2;
  std::array<double, 2> out{centre - span / 2, centre + span / 2};
  if (!(std::isfinite(out[0]) && std::isfinite(out[1]) && out[0] < out[1])) return lim;
  return out;
}

}  // namespace

int tickBudget(double pixels, bool vertical) {
  const double n = std::floor(pixels / (vertical ? kPixelsPerYTick : kPixelsPerXTick)) + 1.0;
  return static_cast<int>(std::clamp(n, 2.0, static_cast<double>(kMaxTicks)));
}

std::array<double, 2> niceLimits(std::optional<std::array<double, 2>> extent) {
  if (!extent) return {0, 1};
  const double lo = (*extent)[0];
  const double hi = (*extent)[1];
  if (lo == hi) {
    const double d = std::max(1.0, std::abs(lo) * 1e-9);
    return {lo - d, hi + d};
  }
  const double range = hi - lo;
  if (!std::isfinite(range) || !(range > 1e-290)) return {lo, hi};
  int e = static_cast<int>(std::floor(std::log10(range / kMaxLimitSteps)));
  for (int decade = 0; decade < 4; ++decade, ++e) {
    for (double m : {1.0, 2.0, 5.0}) {
      const double step = decimal(m, e);
      double first = floorTol(lo / step);
      double last = ceilTol(hi / step);
      // The tolerance must never cut off data.
      if (decimal(first * m, e) > lo) first -= 1;
      if (decimal(last * m, e) < hi) last += 1;
      if (last - first <= kMaxLimitSteps) {
        const std::array<double, 2> out{decimal(first * m, e), decimal(last * m, e)};
        if (std::isfinite(out[0]) && std::isfinite(out[1]) && out[0] < out[1]) return out;
        return {lo, hi};
      }
    }
  }
  return {lo, hi};
}

std::vector<double> tickValues(double lo, double hi, int maxTicks) {
  maxTicks = std::max(maxTicks, 2);
  const double range = hi - lo;
  if (!std::isfinite(range) || !(range > 1e-290)) return {};
  int e = static_cast<int>(std::floor(std::log10(range / maxTicks))) - 1;
  for (int decade = 0; decade < 6; ++decade, ++e) {
    for (double m : {1.0, 2.0, 5.0}) {
      const double step = decimal(m, e);
      const double first = ceilTol(lo / step);
      const double last = floorTol(hi / step);
      if (last - first + 1 <= maxTicks) {
        std::vector<double> ticks;
        for (double k = first; k <= last; k += 1) ticks.push_back(decimal(k * m, e));
        return ticks;
      }
    }
  }
  return {lo, hi};
}

std::string formatTick(double value) {
  if (value == 0) return "0";
  char buffer[32];
  std::snprintf(buffer, sizeof buffer, "%g", value);
  return buffer;
}

std::optional<std::array<double, 2>> Graphics::dataExtent(double axes, bool y) const {
  const Object& ax = object(axes);
  if (ax.type != ObjectType::Axes) msg::wrongObject(axes, "an axes");
  bool any = false;
  double lo = 0;
  double hi = 0;
  for (double child : ax.children) {
    const Object& o = object(child);
    if (o.type != ObjectType::Line) continue;
    for (double v : o.props.at(y ? "YData" : "XData").re()) {
      if (!std::isfinite(v)) continue;
      if (!any) {
        lo = hi = v;
        any = true;
      } else {
        lo = std::min(lo, v);
        hi = std::max(hi, v);
      }
    }
  }
  if (!any) return std::nullopt;
  return std::array<double, 2>{lo, hi};
}

AxesLayout Graphics::layout(double axes) const {
  const Object& ax = object(axes);
  if (ax.type != ObjectType::Axes) msg::wrongObject(axes, "an axes");
  const auto& figurePosition = object(ax.parent).props.at("Position").re();
  const double width = figurePosition[2];
  const double height = figurePosition[3];
  const auto& pos = ax.props.at("Position").re();

  AxesLayout l;
  l.position = {pos[0] * width, height - (pos[1] + pos[3]) * height, pos[2] * width,
                pos[3] * height};
  l.plotBox = l.position;

  const auto mode = [&](const char* name) { return ax.props.at(name).utf8(); };
  const bool xAuto = mode("XLimMode") == "auto";
  const bool yAuto = mode("YLimMode") == "auto";
  const auto stored = [&](const char* name) {
    const auto& v = ax.props.at(name).re();
    return std::array<double, 2>{v[0], v[1]};
  };
  l.xlim = xAuto ? niceLimits(dataExtent(axes, false)) : stored("XLim");
  l.ylim = yAuto ? niceLimits(dataExtent(axes, true)) : stored("YLim");

  const bool darManual = mode("DataAspectRatioMode") == "manual";
  const bool pbarManual = mode("PlotBoxAspectRatioMode") == "manual";
  const auto& dar = ax.props.at("DataAspectRatio").re();
  const auto& pbar = ax.props.at("PlotBoxAspectRatio").re();

  if (!darManual) {
    if (pbarManual) l.plotBox = fit(l.position, pbar[0] / pbar[1]);
  } else {
    // Spans in equal units: the box's width/height must equal ux/uy.
    const double ux = (l.xlim[1] - l.xlim[0]) / dar[0];
    const double uy = (l.ylim[1] - l.ylim[0]) / dar[1];
    const double target = pbarManual ? pbar[0] / pbar[1] : l.position.w / l.position.h;
    if (!xAuto && !yAuto) {
      l.plotBox = fit(l.position, ux / uy);
    } else {
      l.plotBox = fit(l.position, target);
      if (xAuto && yAuto) {
        if (ux / uy < target) {
          l.xlim = withSpan(l.xlim, target * uy * dar[0]);
        } else {
          l.ylim = withSpan(l.ylim, ux / target * dar[1]);
        }
      } else if (xAuto) {
        const double needed = target * uy;
        if (pbarManual || needed >= ux) {
          l.xlim = withSpan(l.xlim, needed * dar[0]);
        } else {
          l.plotBox = fit(l.position, ux / uy);
        }
      } else {
        const double needed = ux / target;
        if (pbarManual || needed >= uy) {
          l.ylim = withSpan(l.ylim, needed * dar[1]);
        } else {
          l.plotBox = fit(l.position, ux / uy);
        }
      }
    }
  }

  const auto ticks = [&](const char* modeName, const char* name, const std::array<double, 2>& lim,
                         double pixels, bool vertical) {
    if (mode(modeName) == "manual") return ax.props.at(name).re();
    return tickValues(lim[0], lim[1], tickBudget(pixels, vertical));
  };
  l.xticks = ticks("XTickMode", "XTick", l.xlim, l.plotBox.w, false);
  l.yticks = ticks("YTickMode", "YTick", l.ylim, l.plotBox.h, true);
  return l;
}

}  // namespace mh::gfx
