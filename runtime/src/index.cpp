// Subscripted reference and assignment, 1-based, as in the host language.
#include <algorithm>
#include <cmath>
#include <string>

#include "internal.hpp"
#include "runtime/ops.hpp"

namespace rt {
namespace {

// Element loops look for an interrupt once every 2^20 elements.
constexpr std::size_t kInterruptStride = (std::size_t{1} << 20) - 1;

std::string formatIndex(double v) {
  char buf[64];
  std::snprintf(buf, sizeof buf, "%.15g", v);
  return buf;
}

// The 0-based positions that a subscript selects within an extent.
std::vector<std::size_t> resolve(const Index& idx, std::size_t extent) {
  std::vector<std::size_t> out;
  if (idx.isAll()) {
    out.resize(extent);
    for (std::size_t i = 0; i < extent; ++i) out[i] = i;
    return out;
  }
  const Array& v = idx.values();
  if (!v.isDefined()) raise(errid::kUndefined, "Subscript has no value.");
  if (v.isCell()) raise(errid::kBadIndex, "Subscript indices must not be cell arrays.");
  if (v.isLogical()) {
    for (std::size_t i = 0; i < v.numel(); ++i) {
      if (v.reAt(i) != 0.0) out.push_back(i);
    }
    return out;
  }
  out.reserve(v.numel());
  for (std::size_t i = 0; i < v.numel(); ++i) {
    const double x = v.reAt(i);
    if (!(x >= 1.0) || x != std::floor(x) || v.imAt(i) != 0.0) {
      raise(errid::kBadIndex,
            "Subscript indices must either be real positive integers or logicals (got " +
                formatIndex(x) + ").");
    }
    if (x > 9.0e15) raise(errid::kBadIndex, "Subscript " + formatIndex(x) + " is too large.");
    out.push_back(static_cast<std::size_t>(x) - 1);
  }
  return out;
}

// The dimensions a single subscript array gives to the result of x(i).
Dims linearResultDims(const Array& x, const Index& idx, std::size_t count) {
  if (idx.isAll()) return {count, 1};
  const Array& v = idx.values();
  Dims shape = v.dims();
  if (v.isLogical()) {
    shape = (v.rows() == 1 && v.ndims() == 2) ? Dims{1, count} : Dims{count, 1};
  }
  const bool sourceIsVector = x.ndims() == 2 && (x.rows() == 1 || x.cols() == 1) && x.numel() != 1;
  const bool indexIsVector = shape.size() == 2 && (shape[0] == 1 || shape[1] == 1);
  if (sourceIsVector && indexIsVector) {
    return x.rows() == 1 ? Dims{1, count} : Dims{count, 1};
  }
  return shape;
}

// The extents seen by n subscripts: the last one covers all remaining dimensions.
Dims extentsFor(const Dims& dims, std::size_t n) {
  Dims e(n, 1);
  for (std::size_t k = 0; k < n; ++k) {
    if (k + 1 < n) {
      e[k] = k < dims.size() ? dims[k] : 1;
    } else {
      std::size_t p = 1;
      for (std::size_t r = k; r < dims.size(); ++r) p *= dims[r];
      e[k] = k < dims.size() ? p : 1;
    }
  }
  return e;
}

void copyElement(Array& dst, std::size_t di, const Array& src, std::size_t si) {
  if (src.isCell()) {
    ArrayAccess::cells(dst)[di] = src.cells()[si];
    return;
  }
  ArrayAccess::re(dst)[di] = src.reAt(si);
  if (src.isComplex()) ArrayAccess::im(dst)[di] = src.imAt(si);
}

[[noreturn]] void outOfBounds(std::size_t index, const Dims& dims) {
  raise(errid::kIndexOutOfBounds, "Index exceeds matrix dimensions (index " +
                                      std::to_string(index + 1) + ", size " + dimsToString(dims) +
                                      ").");
}

}  // namespace

Array Array::operator()(const Index& i) const {
  return index({i});
}
Array Array::operator()(const Index& i, const Index& j) const {
  return index({i, j});
}
Array Array::operator()(const Index& i, const Index& j, const Index& k) const {
  return index({i, j, k});
}

std::size_t Array::endOf(std::size_t k, std::size_t n) const {
  if (!isDefined()) raise(errid::kUndefined, "Value is undefined.");
  return extentsFor(dims_, n).at(k - 1);
}

Array Array::index(const std::vector<Index>& subs) const {
  if (!isDefined()) raise(errid::kUndefined, "Cannot index a value that is undefined.");
  if (subs.empty()) return *this;
  Array out;
  out.class_ = class_;
  const bool complex = isComplex();
  if (subs.size() == 1) {
    const std::vector<std::size_t> pos = resolve(subs[0], numel());
    for (std::size_t p : pos) {
      if (p >= numel()) outOfBounds(p, dims_);
    }
    out.dims_ = normalizeDims(linearResultDims(*this, subs[0], pos.size()));
    if (isCell()) {
      out.cells_.reserve(pos.size());
      for (std::size_t p : pos) out.cells_.push_back(cells_[p]);
    } else {
      out.re_.reserve(pos.size());
      for (std::size_t p : pos) out.re_.push_back(re_[p]);
      if (complex) {
        out.im_.reserve(pos.size());
        for (std::size_t p : pos) out.im_.push_back(im_[p]);
      }
    }
    if (complex) out.narrow();
    return out;
  }
  const std::size_t n = subs.size();
  const Dims extents = extentsFor(dims_, n);
  std::vector<std::vector<std::size_t>> pos(n);
  Dims resultDims(n);
  std::size_t total = 1;
  for (std::size_t k = 0; k < n; ++k) {
    pos[k] = resolve(subs[k], extents[k]);
    for (std::size_t p : pos[k]) {
      if (p >= extents[k]) {
        raise(errid::kIndexOutOfBounds,
              "Index exceeds matrix dimensions (index " + std::to_string(p + 1) + " in position " +
                  std::to_string(k + 1) + ", size " + dimsToString(dims_) + ").");
      }
    }
    resultDims[k] = pos[k].size();
    total *= resultDims[k];
  }
  out.dims_ = normalizeDims(resultDims);
  checkMemory(total, isCell() ? sizeof(Array) : sizeof(double));
  if (isCell()) {
    out.cells_.resize(total);
  } else {
    out.re_.resize(total);
    if (complex) out.im_.resize(total);
  }
  std::vector<std::size_t> stride(n, 1);
  for (std::size_t k = 1; k < n; ++k) stride[k] = stride[k - 1] * extents[k - 1];
  std::vector<std::size_t> counter(n, 0);
  for (std::size_t t = 0; t < total; ++t) {
    if ((t & kInterruptStride) == kInterruptStride) checkInterrupt();
    std::size_t src = 0;
    for (std::size_t k = 0; k < n; ++k) src += pos[k][counter[k]] * stride[k];
    if (isCell()) {
      out.cells_[t] = cells_[src];
    } else {
      out.re_[t] = re_[src];
      if (complex) out.im_[t] = im_[src];
    }
    for (std::size_t k = 0; k < n; ++k) {
      if (++counter[k] < resultDims[k]) break;
      counter[k] = 0;
    }
  }
  if (complex) out.narrow();
  return out;
}

void Array::assign(const std::vector<Index>& subs, const Array& value) {
  if (!value.isDefined()) raise(errid::kUndefined, "The value assigned has no value.");
  if (subs.empty()) {
    *this = value;
    return;
  }
  if (!isDefined()) {
    class_ = value.isCell() ? ClassId::Cell : (value.isChar() ? ClassId::Char : ClassId::Double);
    dims_ = {0, 0};
  }
  if (isCell() != value.isCell()) {
    raise(errid::kType,
          "Conversion between cell arrays and other values is not possible in an "
          "indexed assignment.");
  }
  // The result class: a double value turns a char or logical target into double.
  if (!isCell() && class_ != value.classId() && value.isDouble()) class_ = ClassId::Double;

  const std::size_t n = subs.size();
  std::vector<std::vector<std::size_t>> pos(n);
  Dims newDims;
  std::size_t count = 1;
  if (n == 1) {
    std::size_t extent = numel();
    if (subs[0].isAll() && numel() == 0) extent = value.numel();
    pos[0] = resolve(subs[0], extent);
    count = pos[0].size();
    std::size_t needed = numel();
    for (std::size_t p : pos[0]) needed = std::max(needed, p + 1);
    newDims = dims_;
    if (needed > numel()) {
      if (numel() == 0 && dims_.size() == 2 && dims_[1] != 0 && dims_[0] != 1 && dims_[1] == 1) {
        newDims = {needed, 1};
      } else if (numel() == 0) {
        newDims = {1, needed};
      } else if (dims_.size() == 2 && dims_[0] == 1) {
        newDims = {1, needed};
      } else if (dims_.size() == 2 && dims_[1] == 1) {
        newDims = {needed, 1};
      } else {
        raise(errid::kIndexOutOfBounds,
              "In an assignment A(I) = B, a matrix A cannot be resized (size " +
                  dimsToString(dims_) + ", index " + std::to_string(needed) + ").");
      }
    }
  } else {
    const Dims extents = extentsFor(dims_, n);
    newDims.assign(std::max(n, dims_.size()), 1);
    for (std::size_t k = 0; k < dims_.size(); ++k) newDims[k] = dims_[k];
    const bool collapsed = n < dims_.size();
    for (std::size_t k = 0; k < n; ++k) {
      std::size_t extent = extents[k];
      if (subs[k].isAll() && numel() == 0) extent = std::max(extent, value.size(k + 1));
      pos[k] = resolve(subs[k], extent);
      if (!pos[k].empty() && count > kMaxElements / pos[k].size()) raiseMaxSize();
      count *= pos[k].size();
      std::size_t needed = extent;
      for (std::size_t p : pos[k]) needed = std::max(needed, p + 1);
      if (needed > extents[k]) {
        if (collapsed && k + 1 == n) {
          raise(errid::kIndexOutOfBounds,
                "Index exceeds matrix dimensions in an assignment (size " + dimsToString(dims_) +
                    ").");
        }
        newDims[k] = needed;
      } else if (k + 1 < n || !collapsed) {
        newDims[k] = std::max(newDims[k], extent);
      }
    }
  }
  newDims = normalizeDims(newDims);

  if (!value.isCell() && value.numel() != 1 && value.numel() != count) {
    raise(errid::kNonconformant,
          "In an assignment A(I) = B, the number of elements in B and I must be the same (" +
              std::to_string(count) + " and " + std::to_string(value.numel()) + ").");
  }
  if (value.isCell() && value.numel() != 1 && value.numel() != count) {
    raise(errid::kNonconformant,
          "In an assignment A(I) = B, the number of elements in B and I "
          "must be the same.");
  }

  // Grow with zero fill, keeping existing elements in place.
  if (newDims != dims_) {
    Array grown;
    grown.class_ = class_;
    grown.dims_ = newDims;
    const std::size_t total = checkedNumel(newDims);
    checkMemory(total, isCell() ? sizeof(Array) : sizeof(double));
    if (isCell()) {
      grown.cells_.assign(total, Array::zeros({0, 0}));
    } else {
      grown.re_.assign(total, 0.0);
      if (isComplex()) grown.im_.assign(total, 0.0);
    }
    const std::size_t nd = dims_.size();
    std::vector<std::size_t> counter(nd, 0);
    for (std::size_t t = 0; t < numel(); ++t) {
      std::size_t dst = 0;
      std::size_t stride = 1;
      for (std::size_t k = 0; k < newDims.size(); ++k) {
        const std::size_t c = k < nd ? counter[k] : 0;
        dst += c * stride;
        stride *= newDims[k];
      }
      copyElement(grown, dst, *this, t);
      for (std::size_t k = 0; k < nd; ++k) {
        if (++counter[k] < dims_[k]) break;
        counter[k] = 0;
      }
    }
    *this = std::move(grown);
  }
  if (!isCell() && value.isComplex() && im_.empty()) im_.assign(re_.size(), 0.0);

  if (n == 1) {
    for (std::size_t t = 0; t < count; ++t) {
      if ((t & kInterruptStride) == kInterruptStride) checkInterrupt();
      const std::size_t si = value.numel() == 1 ? 0 : t;
      if (isCell()) {
        cells_[pos[0][t]] = value.cells()[si];
      } else {
        re_[pos[0][t]] = value.reAt(si);
        if (!im_.empty()) im_[pos[0][t]] = value.imAt(si);
      }
    }
  } else {
    const Dims extents = extentsFor(dims_, n);
    std::vector<std::size_t> stride(n, 1);
    for (std::size_t k = 1; k < n; ++k) stride[k] = stride[k - 1] * extents[k - 1];
    std::vector<std::size_t> counter(n, 0);
    for (std::size_t t = 0; t < count; ++t) {
      if ((t & kInterruptStride) == kInterruptStride) checkInterrupt();
      std::size_t dst = 0;
      for (std::size_t k = 0; k < n; ++k) dst += pos[k][counter[k]] * stride[k];
      const std::size_t si = value.numel() == 1 ? 0 : t;
      if (isCell()) {
        cells_[dst] = value.cells()[si];
      } else {
        re_[dst] = value.reAt(si);
        if (!im_.empty()) im_[dst] = value.imAt(si);
      }
      for (std::size_t k = 0; k < n; ++k) {
        if (++counter[k] < pos[k].size()) break;
        counter[k] = 0;
      }
    }
  }
  if (isComplex()) narrow();
}

}  // namespace rt
