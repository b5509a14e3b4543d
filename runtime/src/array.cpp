#include "runtime/array.hpp"

#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <limits>
#include <utility>

#include "runtime/error.hpp"

namespace rt {
namespace {

std::size_t product(const Dims& d) {
  std::size_t n = 1;
  for (std::size_t v : d) n *= v;
  return n;
}

std::size_t physicalMemoryBytes() {
  static const std::size_t bytes = [] {
    const long pages = sysconf(_SC_PHYS_PAGES);
    const long pageSize = sysconf(_SC_PAGESIZE);
    if (pages <= 0 || pageSize <= 0) return std::numeric_limits<std::size_t>::max();
    return static_cast<std::size_t>(pages) * static_cast<std::size_t>(pageSize);
  }();
  return bytes;
}

}  // namespace

std::size_t checkedNumel(const Dims& dims) {
  if (dims.size() > kMaxDims) raiseMaxSize();
  std::size_t nonZero = 1;
  bool empty = false;
  for (std::size_t v : dims) {
    if (v == 0) {
      empty = true;
      continue;
    }
    if (v > kMaxElements || nonZero > kMaxElements / v) raiseMaxSize();
    nonZero *= v;
  }
  return empty ? 0 : nonZero;
}

namespace {
std::size_t initialMemoryLimit() {
#ifdef XT_FUZZ_BUILD
  // A fuzzing harness cannot call into the plug-ins' own copy of the runtime, so an
  // instrumented build takes the limit from the environment (in MiB).
  if (const char* mib = std::getenv("XT_FUZZ_MEMORY_LIMIT_MB")) {
    return static_cast<std::size_t>(std::strtoull(mib, nullptr, 10)) << 20;
  }
#endif
  return 0;
}
std::size_t memoryLimit = initialMemoryLimit();  // 0: physical memory
}  // namespace

std::size_t setMemoryLimit(std::size_t bytes) {
  const std::size_t previous = memoryLimit;
  memoryLimit = bytes;
  return previous;
}

void checkMemory(std::size_t count, std::size_t bytesEach) {
  const std::size_t limit = memoryLimit != 0 ? memoryLimit : physicalMemoryBytes();
  if (bytesEach != 0 && count > limit / bytesEach) raiseOutOfMemory();
}

// Every array's dimensions pass through here, so the size checks hold everywhere.
Dims normalizeDims(Dims d) {
  while (d.size() < 2) d.push_back(d.empty() ? 0 : 1);
  while (d.size() > 2 && d.back() == 1) d.pop_back();
  checkedNumel(d);
  return d;
}

std::string dimsToString(const Dims& dims) {
  std::string s;
  for (std::size_t i = 0; i < dims.size(); ++i) {
    if (i > 0) s += 'x';
    s += std::to_string(dims[i]);
  }
  return s;
}

Array::Array(double value) : class_(ClassId::Double), dims_{1, 1}, re_{value} {}

Array::Array(Complex value) : class_(ClassId::Double), dims_{1, 1}, re_{value.real()} {
  if (value.imag() != 0.0) im_.push_back(value.imag());
}

Array Array::zeros(const Dims& dims) {
  Array a;
  a.class_ = ClassId::Double;
  a.dims_ = normalizeDims(dims);
  const std::size_t n = product(a.dims_);
  checkMemory(n);
  a.re_.assign(n, 0.0);
  return a;
}

Array Array::fromData(const Dims& dims, std::vector<double> re, std::vector<double> im) {
  Array a;
  a.class_ = ClassId::Double;
  a.dims_ = normalizeDims(dims);
  if (re.size() != product(a.dims_) || (!im.empty() && im.size() != re.size())) {
    raise(errid::kArgument, "Array data does not match the size " + dimsToString(a.dims_) + ".");
  }
  a.re_ = std::move(re);
  a.im_ = std::move(im);
  return a;
}

Array Array::logical(const Dims& dims, std::vector<double> values) {
  Array a = fromData(dims, std::move(values));
  for (double& v : a.re_) v = (v != 0.0) ? 1.0 : 0.0;
  a.class_ = ClassId::Logical;
  return a;
}

Array Array::logicalScalar(bool value) {
  return logical({1, 1}, {value ? 1.0 : 0.0});
}

Array Array::str(std::string_view utf8) {
  const std::u16string units = utf8ToUtf16(utf8);
  return fromUtf16(units, {units.empty() ? std::size_t{0} : std::size_t{1}, units.size()});
}

Array Array::fromUtf16(std::u16string_view units, const Dims& dims) {
  Array a;
  a.class_ = ClassId::Char;
  a.dims_ = normalizeDims(dims);
  if (product(a.dims_) != units.size()) {
    raise(errid::kArgument,
          "Character data does not match the size " + dimsToString(a.dims_) + ".");
  }
  a.re_.reserve(units.size());
  for (char16_t u : units) a.re_.push_back(static_cast<double>(u));
  return a;
}

Array Array::cell(const Dims& dims) {
  Array a;
  a.class_ = ClassId::Cell;
  a.dims_ = normalizeDims(dims);
  const std::size_t n = product(a.dims_);
  checkMemory(n, sizeof(Array));
  a.cells_.resize(n, zeros({0, 0}));
  return a;
}

bool Array::isVector() const {
  return dims_.size() == 2 && (dims_[0] == 1 || dims_[1] == 1) && numel() >= 1;
}

std::size_t Array::size(std::size_t d) const {
  if (d == 0) raise(errid::kArgument, "Dimension argument must be a positive integer.");
  return d <= dims_.size() ? dims_[d - 1] : 1;
}

std::size_t Array::cols() const {
  std::size_t n = 1;
  for (std::size_t i = 1; i < dims_.size(); ++i) n *= dims_[i];
  return n;
}

std::size_t Array::numel() const {
  return product(dims_);
}

Array Array::cell(const Dims& dims, std::vector<Array> elements) {
  Array a;
  a.class_ = ClassId::Cell;
  a.dims_ = normalizeDims(dims);
  if (elements.size() != product(a.dims_)) {
    raise(errid::kArgument, "Cell elements do not match the size " + dimsToString(a.dims_) + ".");
  }
  a.cells_ = std::move(elements);
  return a;
}

Array Array::filled(const Dims& dims, double value, ClassId c) {
  Array a = zeros(dims);
  std::fill(a.re_.begin(), a.re_.end(), value);
  a.class_ = c;
  return a;
}

Array Array::ofClass(ClassId c, const Dims& dims, std::vector<double> re, std::vector<double> im) {
  Array a = fromData(dims, std::move(re), std::move(im));
  a.class_ = c;
  return a;
}

Array Array::withDims(Dims dims) const {
  Array a = *this;
  a.setDims(std::move(dims));
  return a;
}

Array Array::asClass(ClassId c) const {
  Array a = *this;
  a.class_ = c;
  return a;
}

std::vector<double>& Array::imMut() {
  if (im_.empty()) im_.assign(re_.size(), 0.0);
  return im_;
}

double Array::scalar() const {
  if (!isDefined()) raise(errid::kUndefined, "Value is undefined.");
  if (isCell() || numel() != 1) {
    raise(errid::kArgument, "Expected a scalar, got an array of size " + dimsToString(dims_) + ".");
  }
  return re_[0];
}

Complex Array::complexScalar() const {
  const double r = scalar();
  return {r, imAt(0)};
}

std::u16string Array::utf16() const {
  std::u16string s;
  s.reserve(re_.size());
  for (double v : re_) s.push_back(static_cast<char16_t>(v));
  return s;
}

std::string Array::utf8() const {
  return utf16ToUtf8(utf16());
}

Array& Array::narrow() {
  if (!im_.empty()) {
    bool allZero = true;
    for (double v : im_) {
      if (v != 0.0) {
        allZero = false;
        break;
      }
    }
    if (allZero) im_.clear();
  }
  return *this;
}

void Array::setDims(Dims dims) {
  dims = normalizeDims(std::move(dims));
  if (product(dims) != numel()) {
    raise(errid::kArgument, "To RESHAPE the number of elements must not change (" +
                                dimsToString(dims_) + " to " + dimsToString(dims) + ").");
  }
  dims_ = std::move(dims);
}

}  // namespace rt
