// The top-level function and its result plots.
#include "driver/vextrab.hpp"

#include "driver/cleaning.hpp"
#include "driver/ftrapez.hpp"
#include "driver/termination.hpp"
#include "host/literals.hpp"
#include "host/stubs.hpp"
#include "line/cross_section.hpp"
#include "line/plattm.hpp"
#include "runtime/error.hpp"
#include "runtime/ops.hpp"
#include "solver/iffts.hpp"
#include "solver/mtlfd.hpp"

namespace xt {
namespace {

using rt::Array;

// Adds eps to a numeric termination (the driver's own copy), so that a resistance
// of 0 becomes a finite conductance; reading it raises if it was not given.
Array numericTermination(Array& value, const char* name) {
  value = rt::checkDefined(value, name) + lit(Lit::Eps);
  return value;
}

}  // namespace

void drawResults(const Array& t, Array vf, Array vn, const Array& nt) {
  const Array ns = rt::times(t, lit(Lit::Giga));
  const Array one = lit(Lit::One);
  const Array two = lit(Lit::Two);

  // Figure 1: the driven conductor, in volts.
  byname::plotSilent({ns, vf(rt::all, one), ns, vn(rt::all, one)});
  byname::xlabelDisplayed(lit(Lit::LabelTime));
  byname::ylabelDisplayed(lit(Lit::LabelVolt));
  byname::titleDisplayed(lit(Lit::TitleConductor1));
  byname::legendDisplayed({lit(Lit::LegendFar), lit(Lit::LegendNear)});
  Array aa = byname::get(byname::gca(), lit(Lit::Xlim));
  Array a = aa(one);
  byname::setDisplayed(byname::gca(), lit(Lit::Xlim), rt::horzcat({a, lit(Lit::Twenty)}));

  // Figure 2: the victim conductor, in millivolts; not cleared.
  byname::figureSilent(two);
  // A column that is zero in all but rounding is drawn as exact zeros. The test is
  // on magnitudes: a genuine waveform below the threshold in sign only (a
  // negative crosstalk pulse) is drawn as it is.
  const Array threshold = lit(Lit::CleanThreshold);
  const std::size_t samples = static_cast<std::size_t>(nt.scalar());
  if (isRoundingNoise(vf(rt::all, two), threshold)) {
    vf.assign({rt::all, two}, rt::zeros(samples, static_cast<std::size_t>(one.scalar())));
  }
  if (isRoundingNoise(vn(rt::all, two), threshold)) {
    vn.assign({rt::all, two}, rt::zeros(samples, static_cast<std::size_t>(one.scalar())));
  }
  const Array milli = lit(Lit::Thousand);
  byname::plotSilent(
      {ns, rt::times(vf(rt::all, two), milli), ns, rt::times(vn(rt::all, two), milli)});
  byname::xlabelDisplayed(lit(Lit::LabelTime));
  byname::ylabelDisplayed(lit(Lit::LabelMillivolt));
  byname::titleDisplayed(lit(Lit::TitleConductor2));
  aa = byname::get(byname::gca(), lit(Lit::Xlim));
  a = aa(one);
  byname::setDisplayed(byname::gca(), lit(Lit::Xlim), rt::horzcat({a, lit(Lit::Twenty)}));
  byname::legendDisplayed({lit(Lit::LegendFar), lit(Lit::LegendNear)});
}

void vextrabBody(int nargin, Array hh, Array Rs1112, Array Rl1112) {
  // Grids and excitation, in both modes.
  const Array nt = lit(Lit::SampleCount);
  const Array tmax = lit(Lit::Tmax);
  const Array t = rt::colon(lit(Lit::Zero), tmax / (nt - lit(Lit::One)), tmax);
  const Array f =
      rt::horzcat({lit(Lit::Eps), rt::colon(lit(Lit::One), lit(Lit::One), nt / lit(Lit::Two))}) /
      tmax;
  const Array v0 = ftrapez(f, lit(Lit::PulseWidth), lit(Lit::RiseTime), lit(Lit::RiseTime));
  const Array b = lit(Lit::Widths);
  const Array dd = lit(Lit::Centres);
  const Array Nj = lit(Lit::TwoHundred);

  if (nargin == 1) {
    // Geometry mode: the cross-section, then the axes of the picture.
    plattmBody(3, b, dd, hh, Array(), Array(), Array(), drawCrossSection);
    byname::setDisplayed(byname::gca(), lit(Lit::PlotBoxAspectRatio), lit(Lit::AspectRatio));
    byname::setDisplayed(byname::gca(), lit(Lit::Xlim), lit(Lit::XlimGeometry));
    byname::grid(lit(Lit::Off));
    return;
  }

  // Simulation mode: the banner first, so that it shows during the computation.
  byname::figureSilent(lit(Lit::One));
  byname::clfDisplayed();
  byname::textSilent({lit(Lit::Quarter), lit(Lit::Half), lit(Lit::Banner), lit(Lit::FontSize),
                      lit(Lit::Eighteen)});
  byname::drawnow();
  byname::pause(lit(Lit::PauseTime));

  const PlattmResult line = plattmBody(4, b, dd, hh, Nj, Array(), Array());
  const Array& ct = line.Ctr;
  const Array& lt = line.Ltr;
  const Array Zc = lit(Lit::LightSpeed) * lt;

  // Terminations: the first test that holds decides; Rl1112 is read only when needed.
  Array Zs;
  Array Zl;
  if (rt::isstr(rt::checkDefined(Rs1112, "Rs1112")) &&
      rt::isstr(rt::checkDefined(Rl1112, "Rl1112"))) {
    Zs = Zc;
    Zl = Zc;
  } else if (rt::isstr(Rs1112)) {
    Zs = Zc;
    Zl = terminationImpedance(numericTermination(Rl1112, "Rl1112"));
  } else if (rt::isstr(rt::checkDefined(Rl1112, "Rl1112"))) {
    Zl = Zc;
    Zs = terminationImpedance(numericTermination(Rs1112, "Rs1112"));
  } else {
    numericTermination(Rl1112, "Rl1112");
    numericTermination(Rs1112, "Rs1112");
    Zl = terminationImpedance(Rl1112);
    Zs = terminationImpedance(Rs1112);
  }

  // The pulse drives conductor 1 at the source end: VS(:,1,k) = [v0(k); 0].
  const Array VS = rt::permute(lit(Lit::UnitColumn) * v0, lit(Lit::Perm132));
  const Array VL = lit(Lit::ZeroColumn);
  const Array Lgd = lit(Lit::PointOne);
  const MtlfdResult spectra = mtlfdBody(f, Lgd, VS, Zs, VL, Zl, ct, lt);
  const Array vf = iffts(spectra.VFE, tmax);
  const Array vn = iffts(spectra.VNE, tmax);

  drawResults(t, vf, vn, nt);
}

}  // namespace xt
