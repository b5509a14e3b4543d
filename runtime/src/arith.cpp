// Element-wise arithmetic, relations and logic, with scalar expansion.
#include <Eigen/Dense>
#include <cmath>

#include "internal.hpp"
#include "runtime/ops.hpp"

namespace rt {
namespace {

// Applies a real function element by element with scalar expansion.
template <typename F>
Array binaryReal(const Array& a, const Array& b, const char* name, F f) {
  numericOperand(a, name);
  numericOperand(b, name);
  const Dims dims = broadcastDims(a, b, name);
  Array out = Array::zeros(dims);
  const std::size_t n = out.numel();
  const bool as = a.numel() == 1 && n != 1;
  const bool bs = b.numel() == 1 && n != 1;
  auto& re = ArrayAccess::re(out);
  for (std::size_t i = 0; i < n; ++i) re[i] = f(a.reAt(as ? 0 : i), b.reAt(bs ? 0 : i));
  return out;
}

// Applies a complex function element by element with scalar expansion; the
// result is narrowed to real when every imaginary part is zero.
template <typename F>
Array binaryComplex(const Array& a, const Array& b, const char* name, F f) {
  numericOperand(a, name);
  numericOperand(b, name);
  const Dims dims = broadcastDims(a, b, name);
  Array out = Array::zeros(dims);
  const std::size_t n = out.numel();
  const bool as = a.numel() == 1 && n != 1;
  const bool bs = b.numel() == 1 && n != 1;
  auto& re = ArrayAccess::re(out);
  auto& im = ArrayAccess::im(out);
  for (std::size_t i = 0; i < n; ++i) {
    const Complex v = f(a.at(as ? 0 : i), b.at(bs ? 0 : i), a.isComplex(), b.isComplex());
    re[i] = v.real();
    im[i] = v.imag();
  }
  out.narrow();
  return out;
}

Array logicalResult(Array a) {
  ArrayAccess::setClass(a, ClassId::Logical);
  return a;
}

bool isInteger(double v) {
  return std::isfinite(v) && v == std::floor(v);
}

Complex complexPowerInteger(Complex z, double e) {
  // Small integer powers by repeated multiplication, as exact as the operands allow.
  long n = static_cast<long>(std::fabs(e));
  Complex result(1.0, 0.0);
  Complex base = z;
  while (n > 0) {
    if (n & 1) result *= base;
    base *= base;
    n >>= 1;
  }
  return e < 0 ? Complex(1.0, 0.0) / result : result;
}

}  // namespace

Array plus(const Array& a, const Array& b) {
  if (!a.isComplex() && !b.isComplex()) {
    return binaryReal(a, b, "operator +", [](double x, double y) { return x + y; });
  }
  return binaryComplex(a, b, "operator +", [](Complex x, Complex y, bool, bool) { return x + y; });
}

Array minus(const Array& a, const Array& b) {
  if (!a.isComplex() && !b.isComplex()) {
    return binaryReal(a, b, "operator -", [](double x, double y) { return x - y; });
  }
  return binaryComplex(a, b, "operator -", [](Complex x, Complex y, bool, bool) { return x - y; });
}

Array uminus(const Array& a) {
  numericOperand(a, "unary operator -");
  Array out = a;
  ArrayAccess::setClass(out, ClassId::Double);
  for (double& v : ArrayAccess::re(out)) v = -v;
  if (out.isComplex()) {
    for (double& v : ArrayAccess::im(out)) v = -v;
  }
  return out;
}

Array times(const Array& a, const Array& b) {
  if (!a.isComplex() && !b.isComplex()) {
    return binaryReal(a, b, "operator .*", [](double x, double y) { return x * y; });
  }
  return binaryComplex(a, b, "operator .*", [](Complex x, Complex y, bool cx, bool cy) {
    // A real factor scales both parts (no 0*Inf from a zero imaginary part).
    if (!cx) return Complex(x.real() * y.real(), x.real() * y.imag());
    if (!cy) return Complex(x.real() * y.real(), x.imag() * y.real());
    return Complex(x.real() * y.real() - x.imag() * y.imag(),
                   x.real() * y.imag() + x.imag() * y.real());
  });
}

Array rdivide(const Array& a, const Array& b) {
  if (!a.isComplex() && !b.isComplex()) {
    return binaryReal(a, b, "operator ./", [](double x, double y) { return x / y; });
  }
  return binaryComplex(a, b, "operator ./", [](Complex x, Complex y, bool, bool cy) {
    if (!cy) return Complex(x.real() / y.real(), x.imag() / y.real());
    return x / y;
  });
}

Array ldivide(const Array& a, const Array& b) {
  return rdivide(b, a);
}

Array power(const Array& a, const Array& b) {
  numericOperand(a, "operator .^");
  numericOperand(b, "operator .^");
  bool needComplex = a.isComplex() || b.isComplex();
  if (!needComplex) {
    // A negative base with a non-integer exponent gives a complex result.
    const Dims dims = broadcastDims(a, b, "operator .^");
    Array probe = Array::zeros(dims);
    const std::size_t n = probe.numel();
    for (std::size_t i = 0; i < n && !needComplex; ++i) {
      const double x = a.reAt(a.numel() == 1 ? 0 : i);
      const double y = b.reAt(b.numel() == 1 ? 0 : i);
      if (x < 0.0 && !isInteger(y) && std::isfinite(y)) needComplex = true;
    }
  }
  if (!needComplex) {
    return binaryReal(a, b, "operator .^", [](double x, double y) { return std::pow(x, y); });
  }
  return binaryComplex(a, b, "operator .^", [](Complex x, Complex y, bool, bool) {
    if (y.imag() == 0.0 && isInteger(y.real()) && std::fabs(y.real()) <= 64.0) {
      return complexPowerInteger(x, y.real());
    }
    if (x == Complex(0.0, 0.0)) {
      if (y.real() > 0.0) return Complex(0.0, 0.0);
    }
    return std::pow(x, y);
  });
}

Array mpower(const Array& a, const Array& b) {
  numericOperand(a, "operator ^");
  numericOperand(b, "operator ^");
  if (a.numel() == 1 && b.numel() == 1) return power(a, b);
  if (b.numel() == 1 && a.ndims() == 2 && a.rows() == a.cols() && !b.isComplex() &&
      isInteger(b.reAt(0))) {
    const double e = b.reAt(0);
    Array base = e < 0 ? inv(a) : a;
    long n = static_cast<long>(std::fabs(e));
    Array result = eye(a.rows());
    while (n > 0) {
      if (n & 1) result = mtimes(result, base);
      n >>= 1;
      if (n > 0) base = mtimes(base, base);
    }
    return result;
  }
  raise(errid::kArgument,
        "operator ^: only a square matrix to an integer power, or scalars, "
        "are supported (op1 is " +
            dimsToString(a.dims()) + ", op2 is " + dimsToString(b.dims()) + ").");
}

Array transpose(const Array& a) {
  if (!a.isDefined()) raise(errid::kUndefined, "transpose: operand has no value.");
  if (a.ndims() > 2) raise(errid::kArgument, "transpose not defined for N-D objects.");
  const std::size_t m = a.rows();
  const std::size_t n = a.cols();
  Array out = a;
  ArrayAccess::setDims(out, {n, m});
  for (std::size_t c = 0; c < n; ++c) {
    for (std::size_t r = 0; r < m; ++r) {
      const std::size_t s = r + c * m;
      const std::size_t d = c + r * n;
      if (a.isCell()) {
        ArrayAccess::cells(out)[d] = a.cells()[s];
      } else {
        ArrayAccess::re(out)[d] = a.reAt(s);
        if (a.isComplex()) ArrayAccess::im(out)[d] = a.imAt(s);
      }
    }
  }
  return out;
}

Array ctranspose(const Array& a) {
  Array out = transpose(a);
  if (out.isComplex()) {
    for (double& v : ArrayAccess::im(out)) v = -v;
  }
  return out;
}

Array mtimes(const Array& a, const Array& b) {
  numericOperand(a, "operator *");
  numericOperand(b, "operator *");
  if (a.numel() == 1 || b.numel() == 1) return times(a, b);
  if (a.ndims() > 2 || b.ndims() > 2 || a.cols() != b.rows()) {
    raise(errid::kNonconformant, "operator *: nonconformant arguments (op1 is " +
                                     dimsToString(a.dims()) + ", op2 is " + dimsToString(b.dims()) +
                                     ").");
  }
  const auto m = static_cast<Eigen::Index>(a.rows());
  const auto k = static_cast<Eigen::Index>(a.cols());
  const auto n = static_cast<Eigen::Index>(b.cols());
  using MapR = Eigen::Map<const Eigen::MatrixXd>;
  if (!a.isComplex() && !b.isComplex()) {
    Array out = Array::zeros({a.rows(), b.cols()});
    Eigen::Map<Eigen::MatrixXd>(ArrayAccess::re(out).data(), m, n).noalias() =
        MapR(a.re().data(), m, k) * MapR(b.re().data(), k, n);
    return out;
  }
  const Eigen::MatrixXd zeroA = a.isComplex() ? Eigen::MatrixXd() : Eigen::MatrixXd::Zero(m, k);
  const Eigen::MatrixXd zeroB = b.isComplex() ? Eigen::MatrixXd() : Eigen::MatrixXd::Zero(k, n);
  const MapR ar(a.re().data(), m, k);
  const MapR ai(a.isComplex() ? a.im().data() : zeroA.data(), m, k);
  const MapR br(b.re().data(), k, n);
  const MapR bi(b.isComplex() ? b.im().data() : zeroB.data(), k, n);
  Array out = Array::zeros({a.rows(), b.cols()});
  auto& ore = ArrayAccess::re(out);
  auto& oim = ArrayAccess::im(out);
  Eigen::Map<Eigen::MatrixXd> cr(ore.data(), m, n);
  Eigen::Map<Eigen::MatrixXd> ci(oim.data(), m, n);
  if (!a.isComplex()) {
    cr.noalias() = ar * br;
    ci.noalias() = ar * bi;
  } else if (!b.isComplex()) {
    cr.noalias() = ar * br;
    ci.noalias() = ai * br;
  } else {
    cr.noalias() = ar * br - ai * bi;
    ci.noalias() = ar * bi + ai * br;
  }
  out.narrow();
  return out;
}

Array lt(const Array& a, const Array& b) {
  return logicalResult(
      binaryReal(a, b, "operator <", [](double x, double y) { return x < y ? 1.0 : 0.0; }));
}
Array le(const Array& a, const Array& b) {
  return logicalResult(
      binaryReal(a, b, "operator <=", [](double x, double y) { return x <= y ? 1.0 : 0.0; }));
}
Array gt(const Array& a, const Array& b) {
  return logicalResult(
      binaryReal(a, b, "operator >", [](double x, double y) { return x > y ? 1.0 : 0.0; }));
}
Array ge(const Array& a, const Array& b) {
  return logicalResult(
      binaryReal(a, b, "operator >=", [](double x, double y) { return x >= y ? 1.0 : 0.0; }));
}

Array eq(const Array& a, const Array& b) {
  if (!a.isComplex() && !b.isComplex()) {
    return logicalResult(
        binaryReal(a, b, "operator ==", [](double x, double y) { return x == y ? 1.0 : 0.0; }));
  }
  Array r = binaryComplex(a, b, "operator ==", [](Complex x, Complex y, bool, bool) {
    return Complex(x == y ? 1.0 : 0.0, 0.0);
  });
  return logicalResult(std::move(r));
}

Array ne(const Array& a, const Array& b) {
  Array r = eq(a, b);
  for (double& v : ArrayAccess::re(r)) v = v != 0.0 ? 0.0 : 1.0;
  return r;
}

Array land(const Array& a, const Array& b) {
  return logicalResult(binaryComplex(a, b, "operator &", [](Complex x, Complex y, bool, bool) {
    return Complex(x != 0.0 && y != 0.0 ? 1.0 : 0.0, 0.0);
  }));
}

Array lor(const Array& a, const Array& b) {
  return logicalResult(binaryComplex(a, b, "operator |", [](Complex x, Complex y, bool, bool) {
    return Complex(x != 0.0 || y != 0.0 ? 1.0 : 0.0, 0.0);
  }));
}

Array lnot(const Array& a) {
  numericOperand(a, "operator ~");
  Array out = Array::zeros(a.dims());
  for (std::size_t i = 0; i < a.numel(); ++i) ArrayAccess::re(out)[i] = a.at(i) == 0.0 ? 1.0 : 0.0;
  return logicalResult(std::move(out));
}

bool isTrue(const Array& a) {
  numericOperand(a, "if");
  if (a.isEmpty()) return false;
  for (std::size_t i = 0; i < a.numel(); ++i) {
    if (std::isnan(a.reAt(i)) || std::isnan(a.imAt(i))) {
      raise(errid::kArgument, "NaN's cannot be converted to logicals.");
    }
    if (a.at(i) == 0.0) return false;
  }
  return true;
}

}  // namespace rt
