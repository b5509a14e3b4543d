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

#include <Eigen/Dense>
#include <algorithm>
#include <cmath>
#include <cstddef>
#include <limits>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "host/literals.hpp"
#include "runtime/error.hpp"
#include "runtime/ops.hpp"
#include "runtime/system_lu.hpp"
#include "strip_lu.hpp"

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

// ---- compiled assembly and block sums -------------------------------------------

bool isRealDouble(const rt::Array& x, std::size_t atLeast) {
  return x.isDouble() && !x.isComplex() && x.numel() >= atLeast;
}

// The strip integral of `G` on an array of offsets, element by element in the same
// order of operations.
Eigen::ArrayXXd stripIntegral(const Eigen::ArrayXXd& u, double h, bool flat) {
  if (flat) return u * (u * u).log() - 2.0 * u;
  return u * (u * u + h * h).log() - 2.0 * u + (2.0 * h) * (u / h).atan();
}

// The strip layout the compiled path reads: per conductor (0-based) its first strip,
// strip count, strip width, centre, height, width and permittivity factor.
struct Strips {
  std::vector<std::size_t> first, count;
  std::vector<double> a, dd, hh, b, diek;
  std::size_t S = 0;
};

// Dtot: the potential coefficients of every source strip (column) at every
// observation strip (row), as the steps on Arrays build it. Conductor pairs are
// whole blocks of array expressions; a safe point for an interrupt between blocks.
void assemble(const Strips& st, Eigen::MatrixXd& Dtot) {
  const std::size_t N = st.count.size();
  for (std::size_t i = 0; i < N; ++i) {
    const double ai = st.a[i];
    const Eigen::Index ni = static_cast<Eigen::Index>(st.count[i]);
    const Eigen::Index fi = static_cast<Eigen::Index>(st.first[i]);
    // Self block, symmetric Toeplitz: x(p) for strips p apart, v on the diagonal.
    // The lower triangle is 0*v + x(p), as eye(n)*v plus the transposed upper one.
    rt::checkInterrupt();  // between blocks of strips
    const double v = ai * (std::log(ai / 2.0) - 1.0);
    std::vector<double> x(static_cast<std::size_t>(std::max<Eigen::Index>(ni, 1)));
    const double edge = ai / 2.0;
    for (Eigen::Index p = 1; p < ni; ++p) {
      const double pd = static_cast<double>(p);
      x[static_cast<std::size_t>(p)] = ai * ((pd + 0.5) * std::log(pd * ai + edge) -
                                             (pd - 0.5) * std::log(pd * ai - edge) - 1.0);
    }
    for (Eigen::Index c = 0; c < ni; ++c) {
      for (Eigen::Index r = 0; r < ni; ++r) {
        const double xp = x[static_cast<std::size_t>(r > c ? r - c : c - r)];
        const double value = r == c ? v + 0.0 : (r < c ? xp : 0.0 * v + xp);
        Dtot(fi + r, fi + c) = -value;
      }
    }

    for (std::size_t k = i + 1; k < N; ++k) {
      rt::checkInterrupt();  // between blocks of strips
      const double ak = st.a[k];
      const Eigen::Index nk = static_cast<Eigen::Index>(st.count[k]);
      const Eigen::Index fk = static_cast<Eigen::Index>(st.first[k]);
      const double d = -st.dd[i] + st.dd[k];
      const double h = -st.hh[i] + st.hh[k];
      const double shift = (st.b[i] - st.b[k]) / 2.0;
      const bool flat = h == 0;
      // Neighbouring strips share an edge, so G is taken once per edge. Row m of
      // `atSources` holds G at the edges j*ak (j = 0..nk) of conductor k's strips seen
      // from the centre of strip m of conductor i; column q of `atObservers` holds G
      // at the edges j*ai (j = 0..ni) of conductor i's strips seen from the centre of
      // strip q of conductor k (offsets taken from i's edges, so with their sign).
      Eigen::ArrayXXd atSources(ni, nk + 1);
      for (Eigen::Index j = 0; j <= nk; ++j) {
        const double sourceEdge = static_cast<double>(j) * ak;
        for (Eigen::Index m = 0; m < ni; ++m) {
          atSources(m, j) = sourceEdge - (static_cast<double>(m + 1) - 0.5) * ai + d + shift;
        }
      }
      Eigen::ArrayXXd atObservers(ni + 1, nk);
      for (Eigen::Index q = 0; q < nk; ++q) {
        const double sourceCentre = (static_cast<double>(q + 1) - 0.5) * ak;
        for (Eigen::Index j = 0; j <= ni; ++j) {
          atObservers(j, q) = sourceCentre - static_cast<double>(j) * ai + d + shift;
        }
      }
      atSources = stripIntegral(atSources, h, flat);
      atObservers = stripIntegral(atObservers, h, flat);
      Dtot.block(fi, fk, ni, nk) =
          (0.5 * (atSources.leftCols(nk) - atSources.rightCols(nk))).matrix();
      Dtot.block(fk, fi, nk, ni) =
          (0.5 * (atObservers.bottomRows(ni) - atObservers.topRows(ni))).matrix().transpose();
    }
  }
}

// s(p, q) from the whole inverse, each block summed as the sum of its column sums
// (in order). The inverse is formed a block of columns at a time, with a safe point
// for an interrupt between blocks, as the runtime forms a large one.
template <typename Lu>
void blockSumsOfInverse(const Strips& st, const Lu& lu, Eigen::MatrixXd& sums) {
  const std::size_t N = st.count.size();
  const Eigen::Index S = static_cast<Eigen::Index>(st.S);
  Eigen::MatrixXd inverse;
  if (S < 1024) {
    inverse = lu.inverse();
  } else {
    inverse.resize(S, S);
    for (Eigen::Index c = 0; c < S; c += 256) {
      rt::checkInterrupt();
      const Eigen::Index w = std::min<Eigen::Index>(256, S - c);
      inverse.middleCols(c, w) = lu.solve(Eigen::MatrixXd::Identity(S, S).middleCols(c, w));
    }
  }
  for (std::size_t p = 0; p < N; ++p) {
    for (std::size_t q = 0; q < N; ++q) {
      double total = 0;
      for (std::size_t col = st.first[q]; col < st.first[q] + st.count[q]; ++col) {
        double columnSum = 0;
        for (std::size_t row = st.first[p]; row < st.first[p] + st.count[p]; ++row) {
          columnSum += inverse(static_cast<Eigen::Index>(row), static_cast<Eigen::Index>(col));
        }
        total += columnSum;
      }
      sums(static_cast<Eigen::Index>(p), static_cast<Eigen::Index>(q)) = total;
    }
  }
}

// s(p, q) from the factors of Dtot: a solve against one column per conductor (ones
// on its strips), X = inv(Dtot)*E, so that s(p, q) is the sum of X over the strips
// of p. The warnings and the non-finite results are those of the runtime's inv.
template <typename Lu, typename Fill>
void sumsFromFactors(const Strips& st, const Lu& lu, bool zeroPivot, Eigen::MatrixXd& sums,
                     const Fill& fillSums) {
  const std::size_t N = st.count.size();
  const Eigen::Index S = static_cast<Eigen::Index>(st.S);
  if (zeroPivot) {
    rt::warnSingularMatrix();
    fillSums(std::numeric_limits<double>::infinity());
    return;
  }
  const double rc = lu.rcond();
  rt::warnIfBadlyConditioned(rc);
  if (rc < std::numeric_limits<double>::epsilon()) {
    // A matrix singular to working precision: its block sums are rounding noise, and
    // the inverse summed column by column keeps the noise the steps on Arrays give
    // (so that the reduced matrix is as near singular).
    blockSumsOfInverse(st, lu, sums);
    return;
  }
  Eigen::MatrixXd X = Eigen::MatrixXd::Zero(S, static_cast<Eigen::Index>(N));
  for (std::size_t q = 0; q < N; ++q) {
    X.col(static_cast<Eigen::Index>(q))
        .segment(static_cast<Eigen::Index>(st.first[q]), static_cast<Eigen::Index>(st.count[q]))
        .setOnes();
  }
  X = lu.solve(X);
  for (std::size_t p = 0; p < N; ++p) {
    for (std::size_t q = 0; q < N; ++q) {
      if (st.count[p] > 0 && st.count[q] > 0) {
        sums(static_cast<Eigen::Index>(p), static_cast<Eigen::Index>(q)) =
            X.col(static_cast<Eigen::Index>(q))
                .segment(static_cast<Eigen::Index>(st.first[p]),
                         static_cast<Eigen::Index>(st.count[p]))
                .sum();
      }
    }
  }
}

// Systems of this many strips and more are factorised by the machine's optimised
// LAPACK when it has one (several times faster there; the last bits of C and L may
// differ from Eigen's). Smaller ones, the default strip count among them, keep
// Eigen's LU, so that the figures do not move by a bit.
constexpr Eigen::Index kSystemLuFrom = 512;

// Eigen's LU of the strip system in place, its factors made by stripLu where that
// applies (the same bits in less time), else by Eigen; solves, inverse and condition
// estimate are Eigen's. It is Eigen's in-place LU (factors held by reference, so that
// the condition estimate copies no matrix): the base is made on an empty corner of A,
// where it has nothing to factorise, and then bound to the whole of A.
class StripSystemLu : public Eigen::PartialPivLU<Eigen::Ref<Eigen::MatrixXd>> {
  using Base = Eigen::PartialPivLU<Eigen::Ref<Eigen::MatrixXd>>;

 public:
  explicit StripSystemLu(Eigen::MatrixXd& A) : StripSystemLu(A, A.topLeftCorner(0, 0)) {}

 private:
  StripSystemLu(Eigen::MatrixXd& A, Eigen::Ref<Eigen::MatrixXd> none) : Base(none) {
    std::destroy_at(&m_lu);
    std::construct_at(&m_lu, A);
    const Eigen::Index n = m_lu.rows();
    m_l1_norm = n > 0 ? m_lu.cwiseAbs().colwise().sum().maxCoeff() : 0.0;
    m_rowsTranspositions.resize(n);
    std::ptrdiff_t swaps = 0, firstZeroPivot = -1;
    if (!detail::stripLu(m_lu.data(), n, m_rowsTranspositions.indices().data(), swaps,
                         firstZeroPivot)) {
      compute();  // Eigen's own
      return;
    }
    m_det_p = swaps % 2 != 0 ? -1 : 1;
    m_p = m_rowsTranspositions;
    m_isInitialized = true;
  }
};

// C(p, q) = a(p)*diek(p)*s(p, q), s(p, q) the sum of all elements of block (p, q) of
// inv(Dtot), without forming the inverse: one LU factorisation of Dtot, in place.
rt::Array conductorMatrix(const Strips& st, Eigen::MatrixXd& Dtot) {
  const std::size_t N = st.count.size();
  const Eigen::Index S = static_cast<Eigen::Index>(st.S);
  // s(p, q) for every pair; blocks without strips sum to 0.
  Eigen::MatrixXd sums =
      Eigen::MatrixXd::Zero(static_cast<Eigen::Index>(N), static_cast<Eigen::Index>(N));
  auto fillSums = [&](double value) {
    for (std::size_t p = 0; p < N; ++p) {
      for (std::size_t q = 0; q < N; ++q) {
        if (st.count[p] > 0 && st.count[q] > 0) {
          sums(static_cast<Eigen::Index>(p), static_cast<Eigen::Index>(q)) = value;
        }
      }
    }
  };
  if (S > 0) {
    if (!Dtot.allFinite()) {
      rt::warnSingularMatrix();
      fillSums(std::numeric_limits<double>::quiet_NaN());
    } else {
      rt::checkInterrupt();
      if (S >= kSystemLuFrom && rt::SystemLu::available(S)) {
        const rt::SystemLu lu(Dtot);
        sumsFromFactors(st, lu, lu.singular(), sums, fillSums);
      } else {
        const StripSystemLu lu(Dtot);
        bool zeroPivot = false;
        for (Eigen::Index i = 0; i < S; ++i) zeroPivot = zeroPivot || lu.matrixLU()(i, i) == 0.0;
        sumsFromFactors(st, lu, zeroPivot, sums, fillSums);
      }
    }
  }
  std::vector<double> c(N * N);
  for (std::size_t p = 0; p < N; ++p) {
    for (std::size_t q = 0; q < N; ++q) {
      c[p + q * N] =
          st.a[p] * st.diek[p] * sums(static_cast<Eigen::Index>(p), static_cast<Eigen::Index>(q));
    }
  }
  return rt::Array::fromData({N, N}, std::move(c));
}

// Reduction to the ground strip as return: conductor 1 carries the opposite of the
// total charge of the others.
PlattmResult reduceToGround(const rt::Array& C) {
  const rt::Array n = rt::size(C, dim(Lit::Two));
  const rt::Array incap = rt::colon(lit(Lit::Two), n);
  const rt::Array ct = rt::ctranspose(rt::sum(rt::ctranspose(C))) * rt::sum(C);
  PlattmResult result;
  result.Ctr = C(incap, incap) - ct(incap, incap) / rt::sum(C(rt::all));
  result.Ltr =
      rt::inv(C(incap, incap) - ct(incap, incap) / rt::sum(C(rt::all))) / lit(Lit::LightSpeedSq);
  return result;
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

  // Compiled path for real geometry; complex or otherwise unusual inputs keep the steps
  // on Arrays below.
  if (isRealDouble(b, N) && isRealDouble(dd, N) && isRealDouble(hh, N) && isRealDouble(a, N) &&
      isRealDouble(diek, N)) {
    Strips st;
    st.first.resize(N);
    st.count.resize(N);
    for (std::size_t j = 0; j < N; ++j) {
      st.first[j] = st.S;
      st.count[j] = count[j + 1];
      st.S += count[j + 1];
      st.a.push_back(a.reAt(j));
      st.dd.push_back(dd.reAt(j));
      st.hh.push_back(hh.reAt(j));
      st.b.push_back(b.reAt(j));
      st.diek.push_back(diek.reAt(j));
    }
    rt::checkMemory(st.S * st.S);
    Eigen::MatrixXd Dtot(static_cast<Eigen::Index>(S), static_cast<Eigen::Index>(S));
    assemble(st, Dtot);
    bool compiled = true;
    if (dielectric) {
      // The interface blocks of conductors 2..N and of the ground strip, as below.
      for (std::size_t k = 2; k <= N; ++k) {
        const rt::Array d = -dd(1) + dd(k);
        const rt::Array h = hd - (-hh(1) + hh(k));
        const rt::Array xxd =
            stripOffsets(Nj(1), ad, Nj(k), a(k)) + d + (bd - b(k)) / lit(Lit::Two);
        D12.assign({block[k], rt::all}, rt::ctranspose(stripPotential(xxd, ad, h, false)));
        D21.assign({rt::all, block[k]}, diek(k) * subtendedAngle(xxd, a(k), h));
      }
      D22 = rt::eye(toCount(Nj(1)), toCount(Nj(1))) * lit(Lit::Two) * lit(Lit::Pi) * diel /
            (lit(Lit::One) - diel);
      const rt::Array xxd = stripOffsets(Nj(1), ad, Nj(1), a(1));
      D12.assign({block[1], rt::all}, rt::ctranspose(stripPotential(xxd, ad, hd, false)));
      D21.assign({rt::all, block[1]}, diek(1) * subtendedAngle(xxd, a(1), hd));
      const rt::Array DC = rt::inv(D22) * D21;
      const rt::Array correction = D12 * DC;
      if (correction.isComplex() || correction.rows() != S || correction.cols() != S) {
        compiled = false;
      } else {
        Dtot -= Eigen::Map<const Eigen::MatrixXd>(
            correction.re().data(), static_cast<Eigen::Index>(S), static_cast<Eigen::Index>(S));
      }
    }
    if (compiled) {
      rt::Array C = conductorMatrix(st, Dtot) * lit(Lit::Two) * lit(Lit::Pi) * lit(Lit::Eps0);
      return reduceToGround(C);
    }
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
  return reduceToGround(C);
}

}  // namespace xt
