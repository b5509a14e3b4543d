// Array: the value type of the host language.
//
// An Array is a value (copying copies the data). It is one of
//   - undefined: "no value", an input that was not given or a variable not yet set;
//   - double: real or complex numbers;
//   - char: UTF-16 code units ("Beräkning pågår!" has 16 elements);
//   - logical: 0 or 1;
//   - cell: an array of Arrays.
// Data is stored column-major. Dimensions are kept with at least two entries and
// without trailing singleton dimensions beyond the second. The empty array is 0-by-0.
// Subscripts are 1-based at this API, as in the host language.
#pragma once

#include <complex>
#include <cstddef>
#include <initializer_list>
#include <string>
#include <string_view>
#include <vector>

#include "runtime/dims.hpp"

namespace rt {

using Complex = std::complex<double>;

enum class ClassId { Undefined, Double, Char, Logical, Cell };

class Array;

// Sizes. No array has more than kMaxElements elements (the product of its
// non-zero dimensions included, so that no count derived from its dimensions can
// wrap) nor more than kMaxDims dimensions.
inline constexpr std::size_t kMaxElements = (std::size_t{1} << 48) - 1;
inline constexpr std::size_t kMaxDims = 1024;

// The number of elements of an array of these dimensions. Raises rt:maxVariableSize
// when the product of the non-zero dimensions passes kMaxElements (or would wrap)
// or there are more than kMaxDims dimensions.
std::size_t checkedNumel(const Dims& dims);

// Raises rt:outOfMemory when `count` elements of `bytesEach` bytes cannot fit in the
// memory limit (the machine's physical memory), before anything is allocated.
void checkMemory(std::size_t count, std::size_t bytesEach = sizeof(double));
// Sets the memory limit of checkMemory in bytes (0: the machine's physical memory)
// and returns the previous one. For harnesses that run under a smaller budget.
std::size_t setMemoryLimit(std::size_t bytes);

// One subscript: a number, a numeric or logical array, or ':' (rt::all).
struct AllTag {};
inline constexpr AllTag all{};

class Index;

class Array {
 public:
  // "No value".
  Array() = default;
  // A real double scalar; implicit so that literals mix with arrays in expressions.
  Array(double value);   // NOLINT(google-explicit-constructor)
  Array(Complex value);  // NOLINT(google-explicit-constructor)

  // Real double array of the given size, filled with zeros.
  static Array zeros(const Dims& dims);
  // Real or complex double array from column-major data; `im` empty means real.
  static Array fromData(const Dims& dims, std::vector<double> re, std::vector<double> im = {});
  static Array logical(const Dims& dims, std::vector<double> values);
  static Array logicalScalar(bool value);
  // Char row from UTF-8 text.
  static Array str(std::string_view utf8);
  static Array fromUtf16(std::u16string_view units, const Dims& dims);
  static Array cell(const Dims& dims);
  // Cell array of the given size from its elements, column-major.
  static Array cell(const Dims& dims, std::vector<Array> elements);
  // Array of a numeric class (double, char or logical) with every element `value`.
  static Array filled(const Dims& dims, double value, ClassId c = ClassId::Double);
  // Array of a numeric class from column-major data, the values taken as they are
  // (char: UTF-16 code units; logical: expected to be 0 or 1).
  static Array ofClass(ClassId c, const Dims& dims, std::vector<double> re,
                       std::vector<double> im = {});

  ClassId classId() const { return class_; }
  bool isDefined() const { return class_ != ClassId::Undefined; }
  bool isDouble() const { return class_ == ClassId::Double; }
  bool isChar() const { return class_ == ClassId::Char; }
  bool isLogical() const { return class_ == ClassId::Logical; }
  bool isCell() const { return class_ == ClassId::Cell; }
  // Double, char or logical: usable in arithmetic. Wider than the host language's
  // isnumeric, which is true for double only (isDouble).
  bool isArithmetic() const { return isDouble() || isChar() || isLogical(); }
  bool isComplex() const { return !im_.empty(); }
  bool isEmpty() const { return numel() == 0; }
  bool isScalar() const { return numel() == 1; }
  bool isVector() const;  // two dimensions, one of them 1

  const Dims& dims() const { return dims_; }
  std::size_t ndims() const { return dims_.size(); }
  // Size along dimension d (1-based); 1 beyond the stored dimensions.
  std::size_t size(std::size_t d) const;
  std::size_t rows() const { return dims_[0]; }
  std::size_t cols() const;  // product of all dimensions after the first
  std::size_t numel() const;

  // Numeric data (double, char and logical keep their values as doubles).
  const std::vector<double>& re() const { return re_; }
  const std::vector<double>& im() const { return im_; }
  double reAt(std::size_t linear) const { return re_[linear]; }
  double imAt(std::size_t linear) const { return im_.empty() ? 0.0 : im_[linear]; }
  Complex at(std::size_t linear) const { return {reAt(linear), imAt(linear)}; }

  // The value of a numeric scalar (the real part); an error if not a scalar.
  double scalar() const;
  Complex complexScalar() const;

  // Char data.
  std::u16string utf16() const;
  std::string utf8() const;

  // Cell data.
  const std::vector<Array>& cells() const { return cells_; }

  // Drops an all-zero imaginary part (the host's narrowing of complex results).
  Array& narrow();
  // The same data with other dimensions (numel must agree).
  Array withDims(Dims dims) const;
  // The same numbers as another numeric class, values unchanged (for example a
  // logical array as double).
  Array asClass(ClassId c) const;

  // Indexing, 1-based: x(i), x(i, j), x(i, j, k), ...
  Array operator()(const Index& i) const;
  Array operator()(const Index& i, const Index& j) const;
  Array operator()(const Index& i, const Index& j, const Index& k) const;
  Array index(const std::vector<Index>& subs) const;
  // Indexed assignment with growth (zero fill): x(subs) = value.
  void assign(const std::vector<Index>& subs, const Array& value);

  // The value of `end` in subscript k (1-based) of n subscripts.
  std::size_t endOf(std::size_t k, std::size_t n) const;

 private:
  // The runtime's own translation units build arrays in place through
  // ArrayAccess (runtime/src/internal.hpp); nothing outside runtime/ does.
  friend struct ArrayAccess;
  std::vector<double>& reMut() { return re_; }
  // Makes the array complex (zero imaginary parts) if it is not, and returns them.
  std::vector<double>& imMut();
  std::vector<Array>& cellsMut() { return cells_; }
  void setDims(Dims dims);
  void setClass(ClassId c) { class_ = c; }

  ClassId class_ = ClassId::Undefined;
  Dims dims_{0, 0};
  std::vector<double> re_;
  std::vector<double> im_;
  std::vector<Array> cells_;
};

class Index {
 public:
  Index(AllTag) : kind_(Kind::All) {}  // NOLINT(google-explicit-constructor)
  Index(double v) : kind_(Kind::Values), values_(Array(v)) {}  // NOLINT
  Index(int v) : Index(static_cast<double>(v)) {}              // NOLINT
  Index(long v) : Index(static_cast<double>(v)) {}             // NOLINT
  Index(unsigned v) : Index(static_cast<double>(v)) {}         // NOLINT
  Index(unsigned long v) : Index(static_cast<double>(v)) {}    // NOLINT
  Index(const Array& a) : kind_(Kind::Values), values_(a) {}   // NOLINT

  bool isAll() const { return kind_ == Kind::All; }
  const Array& values() const { return values_; }

 private:
  enum class Kind { All, Values };
  Kind kind_;
  Array values_;
};

// Text conversions at the edges.
std::u16string utf8ToUtf16(std::string_view utf8);
std::string utf16ToUtf8(std::u16string_view utf16);

// "2x3" or "2x1x2049".
std::string dimsToString(const Dims& dims);

}  // namespace rt
