// Size queries, element-wise functions, reductions and reorderings.
#include <algorithm>
#include <cmath>
#include <limits>

#include "internal.hpp"
#include "runtime/ops.hpp"

namespace rt {
namespace {

template <typename RealF, typename ComplexF>
Array unary(const Array& x, const char* name, RealF realF, ComplexF complexF,
            bool (*needsComplex)(double) = nullptr) {
  numericOperand(x, name);
  bool complex = x.isComplex();
  if (!complex && needsComplex != nullptr) {
    for (double v : x.re()) {
      if (needsComplex(v)) {
        complex = true;
        break;
      }
    }
  }
  Array out = Array::zeros(x.dims());
  const std::size_t n = x.numel();
  if (!complex) {
    for (std::size_t i = 0; i < n; ++i) ArrayAccess::re(out)[i] = realF(x.reAt(i));
    return out;
  }
  auto& re = ArrayAccess::re(out);
  auto& im = ArrayAccess::im(out);
  for (std::size_t i = 0; i < n; ++i) {
    const Complex v = complexF(x.at(i));
    re[i] = v.real();
    im[i] = v.imag();
  }
  out.narrow();
  return out;
}

// The first dimension (1-based) whose length is not 1; 1 for a scalar.
std::size_t firstNonSingleton(const Array& x) {
  for (std::size_t d = 0; d < x.ndims(); ++d) {
    if (x.dims()[d] != 1) return d + 1;
  }
  return 1;
}

// Calls f(outIndex, inIndices...) for each slice along dimension dim.
struct Slices {
  std::size_t inner = 1;   // product of dimensions before dim
  std::size_t extent = 1;  // length along dim
  std::size_t outer = 1;   // product of dimensions after dim
  Dims outDims;
};

Slices slicesAlong(const Array& x, std::size_t dim) {
  Slices s;
  for (std::size_t d = 1; d < dim; ++d) s.inner *= x.size(d);
  s.extent = x.size(dim);
  for (std::size_t d = dim + 1; d <= x.ndims(); ++d) s.outer *= x.size(d);
  s.outDims = x.dims();
  while (s.outDims.size() < dim) s.outDims.push_back(1);
  s.outDims[dim - 1] = 1;
  return s;
}

Array reduce(const Array& x, std::size_t dim, const char* name, Complex init,
             Complex (*op)(Complex, Complex), double (*opReal)(double, double)) {
  numericOperand(x, name);
  if (dim == 0) raise(errid::kArgument, std::string(name) + ": dimension must be positive.");
  // Every dimension past the last is a singleton: the first of them stands for all.
  dim = std::min(dim, x.ndims() + 1);
  const Slices s = slicesAlong(x, dim);
  Array out = Array::zeros(s.outDims);
  const bool complex = x.isComplex();
  if (complex) ArrayAccess::im(out);
  for (std::size_t o = 0; o < s.outer; ++o) {
    for (std::size_t i = 0; i < s.inner; ++i) {
      const std::size_t base = i + o * s.inner * s.extent;
      const std::size_t dst = i + o * s.inner;
      if (!complex) {
        double acc = init.real();
        for (std::size_t e = 0; e < s.extent; ++e) acc = opReal(acc, x.reAt(base + e * s.inner));
        ArrayAccess::re(out)[dst] = acc;
      } else {
        Complex acc = init;
        for (std::size_t e = 0; e < s.extent; ++e) acc = op(acc, x.at(base + e * s.inner));
        ArrayAccess::re(out)[dst] = acc.real();
        ArrayAccess::im(out)[dst] = acc.imag();
      }
    }
  }
  out.narrow();
  return out;
}

std::pair<Array, Array> extreme(const Array& x, bool wantMax, const char* name) {
  numericOperand(x, name);
  if (x.ndims() == 2 && x.rows() == 0 && x.cols() == 0) return {zeros(0, 0), zeros(0, 0)};
  const std::size_t dim = firstNonSingleton(x);
  const Slices s = slicesAlong(x, dim);
  Array values = Array::zeros(s.outDims);
  Array where = Array::zeros(s.outDims);
  const bool complex = x.isComplex();
  if (complex) ArrayAccess::im(values);
  for (std::size_t o = 0; o < s.outer; ++o) {
    for (std::size_t i = 0; i < s.inner; ++i) {
      const std::size_t base = i + o * s.inner * s.extent;
      const std::size_t dst = i + o * s.inner;
      std::size_t best = s.extent;  // none yet
      double bestKey = 0.0;
      for (std::size_t e = 0; e < s.extent; ++e) {
        const std::size_t at = base + e * s.inner;
        const double key = complex ? std::abs(x.at(at)) : x.reAt(at);
        if (std::isnan(key) || std::isnan(x.imAt(at))) continue;
        if (best == s.extent || (wantMax ? key > bestKey : key < bestKey)) {
          best = e;
          bestKey = key;
        }
      }
      if (best == s.extent) {
        ArrayAccess::re(values)[dst] =
            s.extent == 0 ? 0.0 : std::numeric_limits<double>::quiet_NaN();
        ArrayAccess::re(where)[dst] = s.extent == 0 ? 0.0 : 1.0;
      } else {
        ArrayAccess::re(values)[dst] = x.reAt(base + best * s.inner);
        if (complex) ArrayAccess::im(values)[dst] = x.imAt(base + best * s.inner);
        ArrayAccess::re(where)[dst] = static_cast<double>(best + 1);
      }
    }
  }
  values.narrow();
  return {values, where};
}

Array elementwiseExtreme(const Array& a, const Array& b, bool wantMax, const char* name) {
  numericOperand(a, name);
  numericOperand(b, name);
  const Dims dims = broadcastDims(a, b, name);
  Array out = Array::zeros(dims);
  const bool complex = a.isComplex() || b.isComplex();
  if (complex) ArrayAccess::im(out);
  for (std::size_t i = 0; i < out.numel(); ++i) {
    const std::size_t ia = a.numel() == 1 ? 0 : i;
    const std::size_t ib = b.numel() == 1 ? 0 : i;
    const double ka = complex ? std::abs(a.at(ia)) : a.reAt(ia);
    const double kb = complex ? std::abs(b.at(ib)) : b.reAt(ib);
    bool takeA;
    if (std::isnan(ka))
      takeA = false;
    else if (std::isnan(kb))
      takeA = true;
    else
      takeA = wantMax ? ka >= kb : ka <= kb;
    const Complex v = takeA ? a.at(ia) : b.at(ib);
    ArrayAccess::re(out)[i] = v.real();
    if (complex) ArrayAccess::im(out)[i] = v.imag();
  }
  out.narrow();
  return out;
}

Array flip(const Array& x, std::size_t dim, const char* name) {
  if (!x.isDefined()) raise(errid::kUndefined, std::string(name) + ": operand has no value.");
  const Slices s = slicesAlong(x, dim);
  Array out = x;
  for (std::size_t o = 0; o < s.outer; ++o) {
    for (std::size_t i = 0; i < s.inner; ++i) {
      const std::size_t base = i + o * s.inner * s.extent;
      for (std::size_t e = 0; e < s.extent; ++e) {
        const std::size_t src = base + e * s.inner;
        const std::size_t dst = base + (s.extent - 1 - e) * s.inner;
        if (x.isCell()) {
          ArrayAccess::cells(out)[dst] = x.cells()[src];
        } else {
          ArrayAccess::re(out)[dst] = x.reAt(src);
          if (x.isComplex()) ArrayAccess::im(out)[dst] = x.imAt(src);
        }
      }
    }
  }
  return out;
}

}  // namespace

Array size(const Array& x) {
  if (!x.isDefined()) raise(errid::kUndefined, "size: operand has no value.");
  std::vector<double> v;
  for (std::size_t d : x.dims()) v.push_back(static_cast<double>(d));
  return Array::fromData({1, v.size()}, v);
}

double size(const Array& x, std::size_t d) {
  if (!x.isDefined()) raise(errid::kUndefined, "size: operand has no value.");
  return static_cast<double>(x.size(d));
}

std::vector<double> sizeOutputs(const Array& x, std::size_t nout) {
  if (!x.isDefined()) raise(errid::kUndefined, "size: operand has no value.");
  std::vector<double> out(nout, 1.0);
  for (std::size_t k = 0; k < nout; ++k) {
    if (k + 1 < nout) {
      out[k] = static_cast<double>(x.size(k + 1));
    } else {
      std::size_t p = 1;
      for (std::size_t d = k + 1; d <= x.ndims(); ++d) p *= x.size(d);
      out[k] = static_cast<double>(k + 1 <= x.ndims() ? p : 1);
    }
  }
  return out;
}

double length(const Array& x) {
  if (!x.isDefined()) raise(errid::kUndefined, "length: operand has no value.");
  if (x.isEmpty()) return 0.0;
  std::size_t m = 0;
  for (std::size_t d : x.dims()) m = std::max(m, d);
  return static_cast<double>(m);
}

double numel(const Array& x) {
  if (!x.isDefined()) raise(errid::kUndefined, "numel: operand has no value.");
  return static_cast<double>(x.numel());
}

bool isempty(const Array& x) {
  if (!x.isDefined()) raise(errid::kUndefined, "isempty: operand has no value.");
  return x.isEmpty();
}

bool ischar(const Array& x) {
  if (!x.isDefined()) raise(errid::kUndefined, "ischar: operand has no value.");
  return x.isChar();
}

Array sqrt(const Array& x) {
  return unary(
      x, "sqrt", [](double v) { return std::sqrt(v); }, [](Complex z) { return std::sqrt(z); },
      [](double v) { return v < 0.0; });
}

Array exp(const Array& x) {
  return unary(
      x, "exp", [](double v) { return std::exp(v); }, [](Complex z) { return std::exp(z); });
}

Array log(const Array& x) {
  return unary(
      x, "log", [](double v) { return std::log(v); }, [](Complex z) { return std::log(z); },
      [](double v) { return v < 0.0; });
}

Array sin(const Array& x) {
  return unary(
      x, "sin", [](double v) { return std::sin(v); }, [](Complex z) { return std::sin(z); });
}

Array cos(const Array& x) {
  return unary(
      x, "cos", [](double v) { return std::cos(v); }, [](Complex z) { return std::cos(z); });
}

Array atan(const Array& x) {
  return unary(
      x, "atan", [](double v) { return std::atan(v); }, [](Complex z) { return std::atan(z); });
}

Array abs(const Array& x) {
  numericOperand(x, "abs");
  Array out = Array::zeros(x.dims());
  for (std::size_t i = 0; i < x.numel(); ++i) {
    ArrayAccess::re(out)[i] = x.isComplex() ? std::abs(x.at(i)) : std::fabs(x.reAt(i));
  }
  return out;
}

Array real(const Array& x) {
  numericOperand(x, "real");
  return Array::fromData(x.dims(), x.re());
}

Array imag(const Array& x) {
  numericOperand(x, "imag");
  if (!x.isComplex()) return Array::zeros(x.dims());
  return Array::fromData(x.dims(), x.im());
}

Array conj(const Array& x) {
  numericOperand(x, "conj");
  Array out = Array::fromData(x.dims(), x.re(), x.im());
  if (out.isComplex()) {
    for (double& v : ArrayAccess::im(out)) v = -v;
  }
  return out;
}

Array round(const Array& x) {
  return unary(
      x, "round", [](double v) { return std::round(v); },
      [](Complex z) { return Complex(std::round(z.real()), std::round(z.imag())); });
}

Array floor(const Array& x) {
  return unary(
      x, "floor", [](double v) { return std::floor(v); },
      [](Complex z) { return Complex(std::floor(z.real()), std::floor(z.imag())); });
}

Array ceil(const Array& x) {
  return unary(
      x, "ceil", [](double v) { return std::ceil(v); },
      [](Complex z) { return Complex(std::ceil(z.real()), std::ceil(z.imag())); });
}

Array sum(const Array& x) {
  numericOperand(x, "sum");
  if (x.ndims() == 2 && x.rows() == 0 && x.cols() == 0) return Array(0.0);
  return sum(x, firstNonSingleton(x));
}

Array sum(const Array& x, std::size_t dim) {
  return reduce(
      x, dim, "sum", Complex(0.0, 0.0), [](Complex a, Complex b) { return a + b; },
      [](double a, double b) { return a + b; });
}

Array prod(const Array& x) {
  numericOperand(x, "prod");
  if (x.ndims() == 2 && x.rows() == 0 && x.cols() == 0) return Array(1.0);
  return reduce(
      x, firstNonSingleton(x), "prod", Complex(1.0, 0.0),
      [](Complex a, Complex b) { return a * b; }, [](double a, double b) { return a * b; });
}

std::pair<Array, Array> maxWithIndex(const Array& x) {
  return extreme(x, true, "max");
}
std::pair<Array, Array> minWithIndex(const Array& x) {
  return extreme(x, false, "min");
}
Array max(const Array& x) {
  return extreme(x, true, "max").first;
}
Array min(const Array& x) {
  return extreme(x, false, "min").first;
}
Array max(const Array& a, const Array& b) {
  return elementwiseExtreme(a, b, true, "max");
}
Array min(const Array& a, const Array& b) {
  return elementwiseExtreme(a, b, false, "min");
}

Array diff(const Array& x) {
  numericOperand(x, "diff");
  const std::size_t dim = firstNonSingleton(x);
  const Slices s = slicesAlong(x, dim);
  Dims outDims = x.dims();
  while (outDims.size() < dim) outDims.push_back(1);
  outDims[dim - 1] = s.extent == 0 ? 0 : s.extent - 1;
  Array out = Array::zeros(outDims);
  if (x.isComplex()) ArrayAccess::im(out);
  const std::size_t m = outDims[dim - 1];
  for (std::size_t o = 0; o < s.outer; ++o) {
    for (std::size_t i = 0; i < s.inner; ++i) {
      for (std::size_t e = 0; e < m; ++e) {
        const std::size_t a = i + (e + 1) * s.inner + o * s.inner * s.extent;
        const std::size_t b = i + e * s.inner + o * s.inner * s.extent;
        const std::size_t d = i + e * s.inner + o * s.inner * m;
        ArrayAccess::re(out)[d] = x.reAt(a) - x.reAt(b);
        if (x.isComplex()) ArrayAccess::im(out)[d] = x.imAt(a) - x.imAt(b);
      }
    }
  }
  out.narrow();
  return out;
}

Array fliplr(const Array& x) {
  return flip(x, 2, "fliplr");
}
Array flipud(const Array& x) {
  return flip(x, 1, "flipud");
}

Array anyOf(const Array& a) {
  numericOperand(a, "any");
  Array t = ne(a, Array(0.0));
  if (t.ndims() == 2 && t.rows() == 0 && t.cols() == 0) return Array::logicalScalar(false);
  Array s = reduce(t, firstNonSingleton(t), "any", Complex(0.0, 0.0), nullptr,
                   [](double x, double y) { return (x != 0.0 || y != 0.0) ? 1.0 : 0.0; });
  ArrayAccess::setClass(s, ClassId::Logical);
  return s;
}

Array allOf(const Array& a) {
  numericOperand(a, "all");
  Array t = ne(a, Array(0.0));
  if (t.ndims() == 2 && t.rows() == 0 && t.cols() == 0) return Array::logicalScalar(true);
  Array s = reduce(t, firstNonSingleton(t), "all", Complex(1.0, 0.0), nullptr,
                   [](double x, double y) { return (x != 0.0 && y != 0.0) ? 1.0 : 0.0; });
  ArrayAccess::setClass(s, ClassId::Logical);
  return s;
}

}  // namespace rt
