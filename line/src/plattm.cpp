// Strip charge (moment) method for the per-unit-length matrices of flat conductors.
//
// Every conductor is cut into narrow strips of uniform charge density. Dtot holds the
// potential coefficient of every source strip (column) at every observation strip
// (row), without the factor 1/(2 pi eps0); its inverse, summed block by block and
// scaled by the strip widths, gives the conductor capacitances with potentials
// measured from infinity, which are then reduced to the ground strip as return.
// A dielectric layer is represented by the polarisation charges of interface strips
// on its top surface, eliminated before the inversion.
#include "line/plattm.hpp"

#include <cmath>
#include <cstddef>
#include <string>
#include <utility>
#include <vector>

#include "host/literals.hpp"
#include "runtime/error.hpp"
#include "runtime/ops.hpp"

namespace xt {
namespace {

// A count held in an Array, as a size. Negative counts (negative widths) give 0, as
// the host's size arguments do. A count that is not finite (all widths zero, or Nj
// NaN or infinite) is no size at all: an error that says so, as the host's size
// arguments do, rather than a wrapped size or a mismatch of empty operands later.
std::size_t toCount(const rt::Array& x) {
  const double v = x.scalar();
  if (!std::isfinite(v)) {
    rt::raise(rt::errid::kArgument,
              "plattm: the strip count " +
                  std::string(std::isnan(v) ? "NaN" : (v > 0 ? "Inf" : "-Inf")) +
                  " is not a size; sizes must be finite integers "
                  "(the widths b must not sum to 0 and Nj must be finite).");
  }
  return v > 0 ? static_cast<std::size_t>(v) : 0;
}

// One input of the per-signal-conductor lists (dd or hh) for N >= 3 conductors: a
// single value applies to every signal conductor, otherwise there must be N-1.
rt::Array expandPerSignal(rt::Array x, const char* name, const rt::Array& b, Lit message) {
  const rt::Array signals = rt::length(b) - lit(Lit::One);
  rt::checkDefined(x, name);
  if (rt::isTrue(rt::eq(rt::length(x), lit(Lit::One)))) {
    return x * rt::ones(dim(Lit::One), toCount(signals));
  }
  if (rt::isTrue(rt::ne(rt::length(x), signals))) {
    rt::raise(kPlattmGeometryErrorId, literal(message).utf8());
  }
  return x;
}

// The strip integral: for a source strip of width w centred at horizontal offset u
// from the observation point and height difference h, 0.5*(G(u - w/2) - G(u + w/2))
// is minus the integral of log(distance) across the strip. `flat` selects the h = 0
// form, whose atan term vanishes and would otherwise be 0/0.
rt::Array G(const rt::Array& u, const rt::Array& h, bool flat) {
  const rt::Array two = lit(Lit::Two);
  if (flat) {
    return rt::times(u, rt::log(rt::power(u, two))) - two * u;
  }
  return rt::times(u, rt::log(rt::power(u, two) + rt::mpower(h, two))) - two * u +
         two * h * rt::atan(u / h);
}

// Potential coefficients of source strips of width w at offsets xxd.
rt::Array stripPotential(const rt::Array& xxd, const rt::Array& w, const rt::Array& h, bool flat) {
  const rt::Array halfWidth = w / lit(Lit::Two);
  return lit(Lit::Half) * (G(xxd - halfWidth, h, flat) - G(xxd + halfWidth, h, flat));
}

// Horizontal offsets between two rows of strips: element (m, q) is the centre of
// source strip q (count nq, width aq) minus the centre of observation strip m
// (count nm, width am), both rows starting at their left edge.
rt::Array stripOffsets(const rt::Array& nm, const rt::Array& am, const rt::Array& nq,
                       const rt::Array& aq) {
  const rt::Array one = lit(Lit::One);
  const rt::Array half = lit(Lit::Half);
  return rt::ones(toCount(nm), dim(Lit::One)) * (rt::colon(one, nq) - half) * aq -
         rt::transpose(rt::colon(one, nm) - half) * rt::ones(dim(Lit::One), toCount(nq)) * am;
}

// Field coefficient of the interface condition: the angle that a strip of width w at
// offsets xxd subtends at the surface, height h above it.
rt::Array subtendedAngle(const rt::Array& xxd, const rt::Array& w, const rt::Array& h) {
  const rt::Array halfWidth = w / lit(Lit::Two);
  return rt::atan((xxd + halfWidth) / h) - rt::atan((xxd - halfWidth) / h);
}

}  // namespace

rt::Array plattmStripCounts(const rt::Array& b, const rt::Array& Nj) {
  return rt::round(b / rt::sum(b) * Nj) + lit(Lit::Two);
}

PlattmResult plattmBody(int nargin, rt::Array b, rt::Array dd, rt::Array hh, rt::Array Nj,
                        rt::Array diel, rt::Array hd, const CrossSectionDrawer& drawer) {
  // Checks and expansions, shared by both modes; only for three or more conductors.
  // Centre positions are checked before heights.
  if (rt::isTrue(rt::gt(rt::length(rt::checkDefined(b, "b")), lit(Lit::Two)))) {
    dd = expandPerSignal(std::move(dd), "dd", b, Lit::MsgCentres);
    hh = expandPerSignal(std::move(hh), "hh", b, Lit::MsgHeights);
  }

  if (nargin <= 3) {
    if (!drawer) {
      rt::raise(kPlattmNoDrawerErrorId, "plattm: no cross-section drawer is installed");
    }
    drawer(b, dd, hh);
    return {lit(Lit::Empty), lit(Lit::Empty)};
  }

  // Layout: the ground strip is conductor 1, at height 0 and position 0.
  hh = rt::horzcat({lit(Lit::Zero), rt::checkDefined(hh, "hh")});
  dd = rt::horzcat({lit(Lit::Zero), rt::checkDefined(dd, "dd")});
  Nj = plattmStripCounts(b, rt::checkDefined(Nj, "Nj"));
  const rt::Array a = rt::rdivide(b, Nj);  // strip width of each conductor

  // Dielectric surface: Nd interface strips of width ad over the ground strip.
  bool dielectric = false;
  rt::Array D12, D21, D22, bd, ad;
  if (nargin >= 5 && rt::isTrue(rt::ne(rt::checkDefined(diel, "diel"), lit(Lit::One)))) {
    dielectric = true;
    const rt::Array Nd = Nj(1);
    D12 = rt::zeros(toCount(rt::sum(Nj)), toCount(Nd));
    D21 = rt::ctranspose(D12);
    D22 = rt::zeros(toCount(Nd), toCount(Nj(1)));
    bd = b(1);
    ad = bd / Nd;
  }
  if (nargin == 4) {
    diel = lit(Lit::One);
    hd = lit(Lit::Zero);
  }
  // Relative permittivity around each conductor: diel below the surface, else 1.
  const rt::Array diek =
      rt::lt(hh, rt::checkDefined(hd, "hd")) * (rt::checkDefined(diel, "diel") - lit(Lit::One)) +
      lit(Lit::One);

  // Strip index range of each conductor (its block), in the order of b.
  const std::size_t N = static_cast<std::size_t>(rt::length(b));
  std::vector<std::size_t> count(N + 1);
  std::vector<rt::Array> block(N + 1);
  std::size_t S = 0;
  for (std::size_t j = 1; j <= N; ++j) {
    count[j] = toCount(Nj(j));
    block[j] = rt::colon(static_cast<double>(S + 1), static_cast<double>(S + count[j]));
    S += count[j];
  }

  rt::Array Dtot = rt::zeros(S, S);
  for (std::size_t i = 1; i <= N; ++i) {
    const rt::Array ai = a(i);
    const rt::Array Nji = Nj(i);
    // Self block: symmetric Toeplitz, Dj(r, c) = x(|r - c|) off the diagonal.
    rt::Array Dj =
        rt::eye(count[i], count[i]) * (ai * (rt::log(ai / lit(Lit::Two)) - lit(Lit::One)));
    if (rt::isTrue(rt::gt(Nji, lit(Lit::One)))) {
      rt::Array x = rt::colon(lit(Lit::One), Nji - lit(Lit::One));
      const rt::Array edge = ai / lit(Lit::Two);
      x = ai * (rt::times(x + lit(Lit::Half), rt::log(x * ai + edge)) -
                rt::times(x - lit(Lit::Half), rt::log(x * ai - edge)) - lit(Lit::One));
      for (std::size_t m = 2; m <= count[i]; ++m) {
        rt::checkInterrupt();  // between strip rows
        const rt::Array md = static_cast<double>(m);
        Dj.assign({m - 1, rt::colon(md, Nji)},
                  x(rt::colon(lit(Lit::One), Nji + lit(Lit::One) - md)));
      }
      Dj = Dj + rt::transpose(rt::triu(Dj, static_cast<long>(dim(Lit::One))));
    }
    Dtot.assign({block[i], block[i]}, -Dj);

    for (std::size_t k = i + 1; k <= N; ++k) {
      rt::checkInterrupt();  // between blocks of strips
      const rt::Array d = -dd(i) + dd(k);
      rt::Array h = -hh(i) + hh(k);
      rt::Array xxd = stripOffsets(Nji, ai, Nj(k), a(k)) + d + (b(i) - b(k)) / lit(Lit::Two);
      const bool flat = rt::isTrue(rt::eq(h, lit(Lit::Zero)));
      const rt::Array x12 = stripPotential(xxd, a(k), h, flat);
      const rt::Array x21 = rt::ctranspose(stripPotential(xxd, ai, h, flat));
      Dtot.assign({block[i], block[k]}, x12);
      Dtot.assign({block[k], block[i]}, x21);

      if (i == 1 && dielectric) {
        // Interface strips (rows) against the strips of conductor k (columns); h is
        // now the height of the surface above conductor k.
        h = hd - h;
        xxd = stripOffsets(Nj(1), ad, Nj(k), a(k)) + d + (bd - b(k)) / lit(Lit::Two);
        D12.assign({block[k], rt::all}, rt::ctranspose(stripPotential(xxd, ad, h, false)));
        D21.assign({rt::all, block[k]}, diek(k) * subtendedAngle(xxd, a(k), h));
      }
    }

    if (i == 1 && dielectric) {
      // The interface's own condition, and its coupling to the ground strip, whose
      // strips lie directly under the interface strips (Nd = Nj(1), ad = a(1)).
      D22 = rt::eye(toCount(Nj(1)), toCount(Nj(1))) * lit(Lit::Two) * lit(Lit::Pi) * diel /
            (lit(Lit::One) - diel);
      const rt::Array xxd = stripOffsets(Nj(1), ad, Nj(1), a(1));
      D12.assign({block[1], rt::all}, rt::ctranspose(stripPotential(xxd, ad, hd, false)));
      D21.assign({rt::all, block[1]}, diek(1) * subtendedAngle(xxd, a(1), hd));
    }
  }

  if (!dielectric) {
    Dtot = rt::inv(Dtot);
  } else {
    const rt::Array DC = rt::inv(D22) * D21;
    Dtot = rt::inv(Dtot - D12 * DC);
  }

  // Conductor capacitances, potentials from infinity: s(p, q) sums the charge
  // densities on the strips of conductor p for unit potential on the strips of q;
  // times p's strip width (and permittivity) it is a charge.
  auto s = [&](std::size_t p, std::size_t q) { return rt::sum(rt::sum(Dtot(block[p], block[q]))); };
  rt::Array C = rt::zeros(N, N);
  for (std::size_t i = 1; i <= N; ++i) {
    C.assign({i, i}, a(i) * diek(i) * s(i, i));
    for (std::size_t k = i + 1; k <= N; ++k) {
      C.assign({i, k}, a(i) * diek(i) * s(i, k));
      C.assign({k, i}, a(k) * diek(k) * s(k, i));
    }
  }
  C = C * lit(Lit::Two) * lit(Lit::Pi) * lit(Lit::Eps0);

  // Reduction to the ground strip as return: conductor 1 carries the opposite of
  // the total charge of the others.
  const rt::Array n = rt::size(C, dim(Lit::Two));
  const rt::Array incap = rt::colon(lit(Lit::Two), n);
  const rt::Array ct = rt::ctranspose(rt::sum(rt::ctranspose(C))) * rt::sum(C);
  PlattmResult result;
  result.Ctr = C(incap, incap) - ct(incap, incap) / rt::sum(C(rt::all));
  result.Ltr =
      rt::inv(C(incap, incap) - ct(incap, incap) / rt::sum(C(rt::all))) / lit(Lit::LightSpeedSq);
  return result;
}

}  // namespace xt
