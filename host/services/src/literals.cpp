#include "host/literals.hpp"

#include "runtime/error.hpp"
#include "runtime/ops.hpp"

namespace xt {
namespace {

using K = LiteralDefinition::Kind;

constexpr LiteralDefinition D(double v) {
  return {K::Double, 1, 1, {v, 0, 0}, {}};
}
constexpr LiteralDefinition C(double re, double im) {
  return {K::Complex, 1, 1, {re, im, 0}, {}};
}
constexpr LiteralDefinition M(std::size_t m, std::size_t n, std::array<double, 3> v) {
  return {K::Matrix, m, n, v, {}};
}
constexpr LiteralDefinition S(std::string_view s) {
  return {K::String, 1, 0, {0, 0, 0}, s};
}

// Numbers 1..60 in order; index 0 is unused.
const std::array<LiteralDefinition, kLiteralCount + 1> kTable = {{
    D(0),
    M(1, 3, {3, 1, 2}),
    M(1, 3, {3, 2, 1}),
    C(0, 6.283185307179586),
    D(8.987554305625e+16),
    D(8.8541853e-12),
    D(6.0),
    S("equal"),
    {K::Empty, 0, 0, {0, 0, 0}, {}},
    D(0.05),
    D(4.0),
    D(3.0),
    S("linewidth"),
    S("b"),
    S("color"),
    S("inmatningsfel antal höjder"),
    S("inmatningsfel antal centrumavstånd"),
    C(0, -6.283185307179586),
    D(3.141592653589793),
    C(0, -3.141592653589793),
    C(0, 1),
    D(6.283185307179586),
    S("Spänning på ledare 2"),
    S("Amplitud [mV]"),
    D(1000.0),
    D(1e-16),
    D(20.0),
    S("Spänning i källändan"),
    S("Spänning i laständan"),
    S("Spänning i laständan på ledare 1"),
    S("Amplitud [V]"),
    S("Tid [ns]"),
    D(1000000000.0),
    D(0.1),
    M(2, 1, {0, 0, 0}),
    M(1, 3, {1, 3, 2}),
    M(2, 1, {1, 0, 0}),
    D(300000000.0),
    D(0.01),
    D(18.0),
    S("FontSize"),
    S("Beräkning pågår!"),
    D(0.5),
    D(0.25),
    S("off"),
    M(1, 2, {-0.5, 0.5, 0}),
    S("xlim"),
    S("ylim"),
    M(1, 3, {1, 0.3, 1}),
    S("plotboxaspectratio"),
    D(200.0),
    M(1, 2, {-0.2, 0.2, 0}),
    M(1, 3, {1, 0.2, 0.2}),
    D(5e-10),
    D(1e-08),
    D(2.0),
    D(2.220446049250313e-16),
    D(1.0),
    D(0.0),
    D(2.5e-08),
    D(4096.0),
}};

}  // namespace

const LiteralDefinition& literalDefinition(int n) {
  if (n < 1 || n > kLiteralCount) {
    rt::raise(rt::errid::kArgument, "literal number out of range");
  }
  return kTable[static_cast<std::size_t>(n)];
}

rt::Array makeLiteral(int n) {
  const LiteralDefinition& s = literalDefinition(n);
  switch (s.kind) {
    case K::Double:
      return rt::Array(s.values[0]);
    case K::Complex:
      return rt::Array(rt::Complex(s.values[0], s.values[1]));
    case K::Matrix:
      return rt::Array::fromData(
          {s.rows, s.cols},
          std::vector<double>(s.values.begin(), s.values.begin() + s.rows * s.cols));
    case K::Empty:
      return rt::zeros(0, 0);
    case K::String:
      return rt::Array::str(s.text);
  }
  return {};
}

}  // namespace xt
