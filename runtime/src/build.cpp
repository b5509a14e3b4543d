// Building arrays: literals, constant matrices, ranges, concatenation, reshaping.
#include <algorithm>
#include <cmath>
#include <limits>

#include "internal.hpp"
#include "runtime/ops.hpp"

namespace rt {

const Array& numericOperand(const Array& a, const char* operation) {
  if (!a.isDefined()) raise(errid::kUndefined, std::string(operation) + ": operand has no value.");
  if (a.isCell()) {
    raise(errid::kType, std::string(operation) + ": not defined for cell arrays.");
  }
  return a;
}

Dims broadcastDims(const Array& a, const Array& b, const char* operation) {
  if (a.dims() == b.dims()) return a.dims();
  if (a.numel() == 1) return b.dims();
  if (b.numel() == 1) return a.dims();
  raise(errid::kNonconformant, std::string(operation) + ": nonconformant arguments (op1 is " +
                                   dimsToString(a.dims()) + ", op2 is " + dimsToString(b.dims()) +
                                   ").");
}

Array makeReal(const Dims& dims, std::vector<double> re) {
  return Array::fromData(dims, std::move(re));
}

Array makeComplex(const Dims& dims, std::vector<double> re, std::vector<double> im) {
  Array a = Array::fromData(dims, std::move(re), std::move(im));
  a.narrow();
  return a;
}

Array row(std::initializer_list<double> values) {
  return makeReal({1, values.size()}, std::vector<double>(values));
}

Array column(std::initializer_list<double> values) {
  return makeReal({values.size(), 1}, std::vector<double>(values));
}

Array matrix(std::size_t m, std::size_t n, std::initializer_list<double> columnMajor) {
  return makeReal({m, n}, std::vector<double>(columnMajor));
}

Array zeros(std::size_t m, std::size_t n) {
  return Array::zeros({m, n});
}
Array zeros(const Dims& dims) {
  return Array::zeros(dims);
}

Array ones(std::size_t m, std::size_t n) {
  return ones(Dims{m, n});
}
Array ones(const Dims& dims) {
  Array a = Array::zeros(dims);
  std::fill(ArrayAccess::re(a).begin(), ArrayAccess::re(a).end(), 1.0);
  return a;
}

Array eye(std::size_t m, std::size_t n) {
  Array a = Array::zeros({m, n});
  for (std::size_t i = 0; i < std::min(m, n); ++i) ArrayAccess::re(a)[i + i * m] = 1.0;
  return a;
}
Array eye(std::size_t n) {
  return eye(n, n);
}

Array colon(double a, double b) {
  return colon(a, 1.0, b);
}

// The host's rule: the number of intervals is chosen with a tolerance of a few
// ulps, the last element is exactly b when it is within that tolerance, and the
// elements are computed from both ends so that the range is symmetric.
Array colon(double a, double d, double b) {
  if (std::isnan(a) || std::isnan(d) || std::isnan(b)) return Array(std::nan(""));
  if (d == 0.0 || (a < b && d < 0.0) || (b < a && d > 0.0)) return zeros(1, 0);
  if (std::isinf(a) || std::isinf(d) || std::isinf(b)) {
    if (std::isinf(d) && !std::isinf(a) && !std::isinf(b)) return Array(a);
    raise(errid::kArgument, "Maximum variable size allowed by the program is exceeded.");
  }
  const double eps = std::numeric_limits<double>::epsilon();
  const double tol = 2.0 * eps * std::max(std::fabs(a), std::fabs(b));
  const double sig = d > 0 ? 1.0 : -1.0;
  double n = 0;
  if (a == std::floor(a) && d == 1.0) {
    n = std::floor(b) - a;
  } else if (a == std::floor(a) && d == std::floor(d)) {
    n = std::floor((b - a) / d);
  } else {
    n = std::round((b - a) / d);
    if (sig * (a + n * d - b) > tol) n -= 1;
  }
  if (n < 0) return zeros(1, 0);
  if (n >= 2.0e9)
    raise(errid::kArgument, "Maximum variable size allowed by the program is exceeded.");
  double c = a + n * d;
  if (sig * (c - b) > -tol) c = b;
  const auto count = static_cast<std::size_t>(n) + 1;
  checkMemory(count);
  std::vector<double> v(count);
  const auto half = static_cast<std::size_t>(n) / 2;
  for (std::size_t k = 0; k <= half; ++k) {
    v[k] = a + static_cast<double>(k) * d;
    v[count - 1 - k] = c - static_cast<double>(k) * d;
  }
  if (static_cast<std::size_t>(n) % 2 == 0) v[half] = (a + c) / 2.0;
  return makeReal({1, count}, std::move(v));
}

Array colon(const Array& a, const Array& b) {
  if (numericOperand(a, "colon").isEmpty() || numericOperand(b, "colon").isEmpty()) {
    return zeros(1, 0);
  }
  return colon(a.reAt(0), b.reAt(0));
}

Array colon(const Array& a, const Array& step, const Array& b) {
  if (numericOperand(a, "colon").isEmpty() || numericOperand(step, "colon").isEmpty() ||
      numericOperand(b, "colon").isEmpty()) {
    return zeros(1, 0);
  }
  return colon(a.reAt(0), step.reAt(0), b.reAt(0));
}

Array cat(std::size_t dim, const std::vector<Array>& parts) {
  if (dim == 0) raise(errid::kArgument, "cat: dimension must be a positive integer.");
  std::vector<const Array*> kept;
  for (const Array& p : parts) {
    if (!p.isDefined()) raise(errid::kUndefined, "Concatenation of a value that is undefined.");
    // The 0-by-0 empty array drops out of any concatenation.
    if (p.ndims() == 2 && p.rows() == 0 && p.cols() == 0) continue;
    kept.push_back(&p);
  }
  if (kept.empty()) {
    if (!parts.empty() && parts[0].isChar()) return Array::str("");
    if (!parts.empty() && parts[0].isCell()) return Array::cell({0, 0});
    return zeros(0, 0);
  }
  // Beyond kMaxDims only a single part can be concatenated: it is its own result.
  if (dim > kMaxDims) {
    if (kept.size() == 1) return *kept[0];
    raiseMaxSize();
  }
  const std::size_t nd = std::max<std::size_t>(dim, 2);
  auto sizeOf = [&](const Array* p, std::size_t k) { return p->size(k + 1); };
  std::size_t maxDims = nd;
  for (const Array* p : kept) maxDims = std::max(maxDims, p->ndims());
  Dims out(maxDims);
  for (std::size_t k = 0; k < maxDims; ++k) out[k] = sizeOf(kept[0], k);
  out[dim - 1] = 0;
  bool anyComplex = false;
  bool anyCell = false;
  bool allCell = true;
  bool anyChar = false;
  bool allLogical = true;
  for (const Array* p : kept) {
    for (std::size_t k = 0; k < maxDims; ++k) {
      if (k == dim - 1) continue;
      if (sizeOf(p, k) != out[k]) {
        raise(errid::kNonconformant,
              std::string(dim == 1 ? "vertical" : (dim == 2 ? "horizontal" : "")) +
                  " dimensions mismatch (" + dimsToString(kept[0]->dims()) + " vs " +
                  dimsToString(p->dims()) + ")");
      }
    }
    out[dim - 1] += sizeOf(p, dim - 1);
    anyComplex = anyComplex || p->isComplex();
    anyCell = anyCell || p->isCell();
    allCell = allCell && p->isCell();
    anyChar = anyChar || p->isChar();
    allLogical = allLogical && p->isLogical();
  }
  if (anyCell && !allCell) {
    raise(errid::kType, "Concatenation of cell arrays with other values is not supported.");
  }
  Array result = anyCell ? Array::cell(out) : Array::zeros(out);
  if (!anyCell) {
    if (anyChar)
      ArrayAccess::setClass(result, ClassId::Char);
    else if (allLogical)
      ArrayAccess::setClass(result, ClassId::Logical);
    if (anyComplex) ArrayAccess::im(result);
  }
  // Copy block by block: below `dim` everything is contiguous.
  std::size_t inner = 1;
  for (std::size_t k = 0; k + 1 < dim; ++k) inner *= out[k];
  std::size_t outer = 1;
  for (std::size_t k = dim; k < maxDims; ++k) outer *= out[k];
  const std::size_t outChunk = inner * out[dim - 1];
  std::size_t offset = 0;
  for (const Array* p : kept) {
    const std::size_t chunk = inner * sizeOf(p, dim - 1);
    for (std::size_t o = 0; o < outer; ++o) {
      for (std::size_t e = 0; e < chunk; ++e) {
        const std::size_t src = o * chunk + e;
        const std::size_t dst = o * outChunk + offset + e;
        if (anyCell) {
          ArrayAccess::cells(result)[dst] = p->cells()[src];
        } else {
          ArrayAccess::re(result)[dst] = p->reAt(src);
          if (anyComplex) ArrayAccess::im(result)[dst] = p->imAt(src);
        }
      }
    }
    offset += chunk;
  }
  if (anyComplex) result.narrow();
  return result;
}

Array horzcat(const std::vector<Array>& parts) {
  return cat(2, parts);
}
Array vertcat(const std::vector<Array>& parts) {
  return cat(1, parts);
}

Array diag(const Array& x) {
  numericOperand(x, "diag");
  if (x.ndims() > 2) raise(errid::kArgument, "diag: the input must be a vector or a matrix.");
  const bool complex = x.isComplex();
  if (x.rows() == 1 || x.cols() == 1) {
    const std::size_t n = x.numel();
    Array out = Array::zeros({n, n});
    if (complex) ArrayAccess::im(out);
    for (std::size_t i = 0; i < n; ++i) {
      ArrayAccess::re(out)[i + i * n] = x.reAt(i);
      if (complex) ArrayAccess::im(out)[i + i * n] = x.imAt(i);
    }
    return out;
  }
  const std::size_t n = std::min(x.rows(), x.cols());
  Array out = Array::zeros({n, 1});
  if (complex) ArrayAccess::im(out);
  for (std::size_t i = 0; i < n; ++i) {
    ArrayAccess::re(out)[i] = x.reAt(i + i * x.rows());
    if (complex) ArrayAccess::im(out)[i] = x.imAt(i + i * x.rows());
  }
  if (complex) out.narrow();
  return out;
}

Array triu(const Array& x, long k) {
  numericOperand(x, "triu");
  if (x.ndims() > 2) raise(errid::kArgument, "triu: the input must be a matrix.");
  Array out = x;
  if (out.isChar() || out.isLogical()) ArrayAccess::setClass(out, ClassId::Double);
  const std::size_t m = x.rows();
  for (std::size_t c = 0; c < x.cols(); ++c) {
    for (std::size_t r = 0; r < m; ++r) {
      if (static_cast<long>(c) - static_cast<long>(r) < k) {
        ArrayAccess::re(out)[r + c * m] = 0.0;
        if (out.isComplex()) ArrayAccess::im(out)[r + c * m] = 0.0;
      }
    }
  }
  if (out.isComplex()) out.narrow();
  return out;
}

Array reshape(const Array& x, const Dims& dims) {
  if (!x.isDefined()) raise(errid::kUndefined, "reshape: operand has no value.");
  Array out = x;
  ArrayAccess::setDims(out, dims);
  return out;
}

Array permute(const Array& x, const std::vector<std::size_t>& order) {
  if (!x.isDefined()) raise(errid::kUndefined, "permute: operand has no value.");
  const std::size_t n = order.size();
  if (n < x.ndims()) {
    raise(errid::kArgument,
          "permute: the order must have at least as many elements as the "
          "array has dimensions.");
  }
  std::vector<bool> seen(n, false);
  for (std::size_t o : order) {
    if (o < 1 || o > n || seen[o - 1]) {
      raise(errid::kArgument,
            "permute: the order must be a permutation of 1 to " + std::to_string(n) + ".");
    }
    seen[o - 1] = true;
  }
  Dims src(n);
  for (std::size_t k = 0; k < n; ++k) src[k] = x.size(k + 1);
  Dims dst(n);
  for (std::size_t k = 0; k < n; ++k) dst[k] = src[order[k] - 1];
  std::vector<std::size_t> srcStride(n, 1);
  for (std::size_t k = 1; k < n; ++k) srcStride[k] = srcStride[k - 1] * src[k - 1];
  Array out = x;
  ArrayAccess::setDims(out, dst);
  const std::size_t total = x.numel();
  std::vector<std::size_t> counter(n, 0);
  for (std::size_t t = 0; t < total; ++t) {
    std::size_t s = 0;
    for (std::size_t k = 0; k < n; ++k) s += counter[k] * srcStride[order[k] - 1];
    if (x.isCell()) {
      ArrayAccess::cells(out)[t] = x.cells()[s];
    } else {
      ArrayAccess::re(out)[t] = x.reAt(s);
      if (x.isComplex()) ArrayAccess::im(out)[t] = x.imAt(s);
    }
    for (std::size_t k = 0; k < n; ++k) {
      if (++counter[k] < dst[k]) break;
      counter[k] = 0;
    }
  }
  return out;
}

Array permute(const Array& x, const Array& order) {
  numericOperand(order, "permute");
  std::vector<std::size_t> o;
  for (std::size_t i = 0; i < order.numel(); ++i) {
    const double v = order.reAt(i);
    if (!(v >= 1.0) || v != std::floor(v)) {
      raise(errid::kArgument, "permute: the order must hold positive integers.");
    }
    o.push_back(static_cast<std::size_t>(v));
  }
  return permute(x, o);
}

Array repmat(const Array& x, std::size_t m, std::size_t n) {
  if (!x.isDefined()) raise(errid::kUndefined, "Concatenation of a value that is undefined.");
  const std::size_t rows = x.rows();
  const std::size_t cols = x.cols();
  if ((m != 0 && rows > kMaxElements / m) || (n != 0 && cols > kMaxElements / n)) raiseMaxSize();
  if (m == 0 || n == 0) return zeros(rows * m, cols * n);
  Dims out = x.dims();
  out[0] *= m;
  out[1] *= n;
  const std::size_t total = checkedNumel(out);
  checkMemory(total, x.isCell() ? sizeof(Array) : sizeof(double));
  if (total == 0) {
    Array empty = x.isCell() ? Array::cell(out) : Array::zeros(out);
    if (!x.isCell()) ArrayAccess::setClass(empty, x.classId());
    return empty;
  }
  // Tiles by subscripts: row k of the result is row (k mod rows) of x, and so on.
  auto tiled = [](std::size_t count, std::size_t period) {
    std::vector<double> v(count);
    for (std::size_t k = 0; k < count; ++k) v[k] = static_cast<double>(k % period + 1);
    return makeReal({1, count}, std::move(v));
  };
  std::vector<Index> subs{tiled(out[0], rows), tiled(out[1], x.size(2))};
  for (std::size_t k = 2; k < x.ndims(); ++k) subs.emplace_back(all);
  return x.index(subs);
}

}  // namespace rt
