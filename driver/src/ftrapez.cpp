#include "driver/ftrapez.hpp"

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

}  // namespace

rt::Array ftrapezBody(rt::Array f, rt::Array tpl, rt::Array t1, rt::Array t2) {
  rt::Array td = lit(Lit::Zero);  // start of the rising edge, s
  const rt::Array sf = rt::size(rt::checkDefined(f, "f"));
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
