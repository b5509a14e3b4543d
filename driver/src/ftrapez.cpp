#include "driver/ftrapez.hpp"

#include <cmath>
#include <limits>
#include <optional>
#include <utility>
#include <vector>

#include "host/literals.hpp"
#include "runtime/error.hpp"
#include "runtime/ops.hpp"

namespace xt {
namespace {

// x(:)' of a parameter: a row of all its entries.
rt::Array asRow(const rt::Array& x) {
  return rt::transpose(x(rt::all));
}

// A zero-length edge would make sin(pi f t)/t equal to 0/0; eps keeps it finite and
// within rounding equal to pi f, the limit of an ideal step.
rt::Array withoutZeros(rt::Array t) {
  t.assign({rt::eq(t, lit(Lit::Zero))}, lit(Lit::Eps));
  return t;
}

// exp(z) with the bits of the library's complex exponential: with a real part of zero
// that is cos(y) + i sin(y) (exp(0) = 1 multiplies both exactly), without the exp.
rt::Complex expOf(double re, double im) {
  if (re == 0 && std::isfinite(im)) {
    if (std::abs(im) > std::numeric_limits<double>::min()) return {std::cos(im), std::sin(im)};
    return {1.0, im};
  }
  return std::exp(rt::Complex(re, im));
}

bool isRealScalar(const rt::Array& x) {
  return x.isDouble() && !x.isComplex() && x.numel() == 1;
}

// The steps below in one pass over a real f with real scalar times, each element with
// the same operations in the same order (a product of a real and a complex value
// multiplies the real one into each part, as the runtime's .* does). Nothing for other
// inputs, which take the steps on Arrays.
std::optional<rt::Array> spectrumInOnePass(const rt::Array& f, const rt::Array& tpl,
                                           const rt::Array& t1, const rt::Array& t2) {
  if (!f.isDouble() || f.isComplex() || f.isEmpty() || !isRealScalar(tpl) || !isRealScalar(t1) ||
      !isRealScalar(t2)) {
    return std::nullopt;
  }
  const double eps = lit(Lit::Eps).scalar();
  const double rise = t1.scalar() == 0 ? eps : t1.scalar();
  const double fall = t2.scalar() == 0 ? eps : t2.scalar();
  const double width = tpl.scalar();
  const double twoPi = lit(Lit::TwoPi).scalar(), pi = lit(Lit::Pi).scalar();
  const rt::Complex minusPiI = lit(Lit::MinusPiI).complexScalar();
  const rt::Complex minusTwoPiI = lit(Lit::MinusTwoPiI).complexScalar();
  const rt::Complex unit = lit(Lit::I).complexScalar();
  const double delay = rise + 2.0 * 0.0;  // t1 + 2*td, td = 0
  const std::size_t nf = f.numel();
  std::vector<double> re(nf), im(nf);
  const std::vector<double>& fv = f.re();
  for (std::size_t k = 0; k < nf; ++k) {
    const double fk = fv[k];
    // P = ((1 ./ (2 pi f).^2) * 2) * i * A, A = 1.
    const double scale = (1.0 / std::pow(twoPi * fk, 2.0)) * 2.0;
    rt::Complex P(scale * unit.real() * 1.0, scale * unit.imag() * 1.0);
    const rt::Complex E = expOf(minusPiI.real() * fk * delay, minusPiI.imag() * fk * delay);
    P = {P.real() * E.real() - P.imag() * E.imag(), P.real() * E.imag() + P.imag() * E.real()};
    // Equal edges (the usual pulse) share one sine.
    const double riseSine = std::sin((pi * fk) * rise);
    const double S = fall == rise ? riseSine : std::sin((pi * fk) * fall);
    const double K = -riseSine / rise;
    const rt::Complex R1 = expOf(minusTwoPiI.real() * fk * width, minusTwoPiI.imag() * fk * width);
    const rt::Complex R((R1.real() * S) / fall, (R1.imag() * S) / fall);
    const rt::Complex sum(K + R.real(), 0.0 + R.imag());
    re[k] = P.real() * sum.real() - P.imag() * sum.imag();
    im[k] = P.real() * sum.imag() + P.imag() * sum.real();
  }
  const bool row = f.size(2) == nf;
  rt::Array y =
      rt::Array::fromData(row ? rt::Dims{1, nf} : rt::Dims{nf, 1}, std::move(re), std::move(im));
  y.narrow();
  return y;
}

}  // namespace

rt::Array ftrapezBody(rt::Array f, rt::Array tpl, rt::Array t1, rt::Array t2) {
  rt::Array td = lit(Lit::Zero);  // start of the rising edge, s
  rt::checkDefined(f, "f");
  if (tpl.isDefined() && t1.isDefined() && t2.isDefined()) {
    if (auto y = spectrumInOnePass(f, tpl, t1, t2)) return std::move(*y);
  }
  const rt::Array sf = rt::size(f);
  f = f(rt::all);
  const double nf = rt::length(f);
  tpl = asRow(rt::checkDefined(tpl, "tpl"));
  t1 = withoutZeros(asRow(rt::checkDefined(t1, "t1")));
  t2 = withoutZeros(asRow(rt::checkDefined(t2, "t2")));
  td = asRow(td);
  const rt::Array A = lit(Lit::One);  // amplitude

  // Products of the column f with the (scalar) time parameters are matrix products,
  // so every frequency is evaluated in one pass.
  rt::Array P =
      ((rt::rdivide(lit(Lit::One), rt::power(lit(Lit::TwoPi) * f, lit(Lit::Two))) * lit(Lit::Two)) *
       lit(Lit::I)) *
      A;
  P = rt::times(P, rt::exp((lit(Lit::MinusPiI) * f) * (t1 + lit(Lit::Two) * td)));
  const rt::Array ones = rt::ones(static_cast<std::size_t>(nf), dim(Lit::One));
  const rt::Array K = rt::rdivide(-rt::sin((lit(Lit::Pi) * f) * t1), ones * t1);
  rt::Array R =
      rt::times(rt::exp((lit(Lit::MinusTwoPiI) * f) * tpl), rt::sin((lit(Lit::Pi) * f) * t2));
  R = rt::rdivide(R, ones * t2);
  rt::Array y = rt::times(P, K + R);

  if (rt::isTrue(rt::eq(sf(2), nf))) {
    y = rt::transpose(y);
  }
  return y;
}

}  // namespace xt
