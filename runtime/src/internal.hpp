// Helpers shared by the runtime's translation units.
#pragma once

#include <string>
#include <utility>
#include <vector>

#include "runtime/array.hpp"
#include "runtime/error.hpp"

namespace rt {

// In-place construction of arrays, for the runtime's own translation units only:
// everything outside runtime/ builds arrays with Array's factories.
struct ArrayAccess {
  static std::vector<double>& re(Array& a) { return a.reMut(); }
  // Makes `a` complex (zero imaginary parts) if it is not.
  static std::vector<double>& im(Array& a) { return a.imMut(); }
  static std::vector<Array>& cells(Array& a) { return a.cellsMut(); }
  static void setClass(Array& a, ClassId c) { a.setClass(c); }
  // Numel must agree.
  static void setDims(Array& a, Dims dims) { a.setDims(std::move(dims)); }
};

// At least two dimensions, no trailing singletons beyond the second.
Dims normalizeDims(Dims d);

// A numeric operand (double, char, logical); raises for undefined and cell.
const Array& numericOperand(const Array& a, const char* operation);

// The dimensions of the result of a binary element-wise operation: equal sizes,
// or one scalar operand. Raises rt:nonconformant naming both sizes otherwise.
Dims broadcastDims(const Array& a, const Array& b, const char* operation);

// A real double array with the given dimensions and data.
Array makeReal(const Dims& dims, std::vector<double> re);
Array makeComplex(const Dims& dims, std::vector<double> re, std::vector<double> im);

}  // namespace rt
