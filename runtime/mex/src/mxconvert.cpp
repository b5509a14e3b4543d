#include "runtime/mxconvert.hpp"

#include <string>
#include <type_traits>
#include <vector>

#include "runtime/error.hpp"

namespace rt::mx {
namespace {

std::vector<mwSize> mxDims(const Array& a) {
  return {a.dims().begin(), a.dims().end()};
}

Dims arrayDims(const mxArray* a) {
  const mwSize* d = mxGetDimensions(a);
  const mwSize n = mxGetNumberOfDimensions(a);
  Dims out;
  for (mwSize k = 0; k < n; ++k) out.push_back(static_cast<std::size_t>(d[k]));
  return out;
}

Owned checked(mxArray* a) {
  if (a == nullptr) raise(errid::kArgument, "The host could not make an array.");
  return Owned(a);
}

// Cells nested deeper than this are refused: conversion, copies and destruction
// of a value all recurse once per level.
constexpr int kMaxCellDepth = 200;

// Elements of the full array of `dims`, through the runtime's one checked count:
// a product that wraps or passes the largest array raises rt:maxVariableSize, one
// that cannot fit in memory rt:outOfMemory, before anything is allocated.
std::size_t fullCount(const Dims& dims) {
  const std::size_t n = checkedNumel(dims);
  checkMemory(n);
  return n;
}

[[noreturn]] void malformedSparse() {
  raise(errid::kArgument, "The host passed a sparse array whose indices do not fit its size.");
}

// An entry of a sparse array's index arrays (mwIndex is signed in some hosts;
// where it is not, an entry beyond the signed range is just as impossible).
std::size_t sparseIndex(mwIndex value) {
  if (static_cast<std::make_signed_t<mwIndex>>(value) < 0) malformedSparse();
  return static_cast<std::size_t>(value);
}

// Where the stored entries of a sparse m-by-n array go in its full column-major
// storage. Only ir[0..nnz) and jc[0..n] are read, after checking that they fit.
std::vector<std::size_t> sparsePositions(const mxArray* value, std::size_t m, std::size_t n) {
  const mwIndex* jc = mxGetJc(value);
  const mwIndex* ir = mxGetIr(value);
  const std::size_t nzmax = static_cast<std::size_t>(mxGetNzmax(value));
  if (jc == nullptr) malformedSparse();
  const std::size_t nnz = sparseIndex(jc[n]);
  if (sparseIndex(jc[0]) != 0 || nnz > nzmax || (nnz > 0 && ir == nullptr)) malformedSparse();
  std::vector<std::size_t> positions;
  positions.reserve(nnz);
  for (std::size_t j = 0; j < n; ++j) {
    const std::size_t first = sparseIndex(jc[j]);
    const std::size_t end = sparseIndex(jc[j + 1]);
    if (end < first || end > nnz) malformedSparse();
    for (std::size_t k = first; k < end; ++k) {
      const std::size_t row = sparseIndex(ir[k]);
      if (row >= m) malformedSparse();
      positions.push_back(j * m + row);
    }
  }
  return positions;
}

// A sparse double (real or complex) or logical array becomes the full array it
// stands for: the host language computes the same values from either storage,
// and every operation of the runtime works on full storage.
Array fromSparse(const mxArray* value, const Dims& dims) {
  if (dims.size() != 2) malformedSparse();
  const std::size_t n = fullCount(dims);
  const std::vector<std::size_t> positions = sparsePositions(value, dims[0], dims[1]);
  if (mxGetClassID(value) == mxLOGICAL_CLASS) {
    const mxLogical* bits = mxGetLogicals(value);
    if (!positions.empty() && bits == nullptr) malformedSparse();
    std::vector<double> values(n, 0.0);
    for (std::size_t k = 0; k < positions.size(); ++k) values[positions[k]] = bits[k] ? 1.0 : 0.0;
    return Array::logical(dims, std::move(values));
  }
  const double* pr = mxGetPr(value);
  const double* pi = mxIsComplex(value) ? mxGetPi(value) : nullptr;
  if (!positions.empty() && (pr == nullptr || (mxIsComplex(value) && pi == nullptr))) {
    malformedSparse();
  }
  std::vector<double> re(n, 0.0);
  std::vector<double> im(pi != nullptr ? n : 0, 0.0);
  for (std::size_t k = 0; k < positions.size(); ++k) {
    re[positions[k]] = pr[k];
    if (pi != nullptr) im[positions[k]] = pi[k];
  }
  return Array::fromData(dims, std::move(re), std::move(im));
}

Array valueOf(const mxArray* value, int depth) {
  if (value == nullptr) return Array();
  const Dims dims = arrayDims(value);
  const mxClassID classId = mxGetClassID(value);
  if (mxIsSparse(value) && (classId == mxDOUBLE_CLASS || classId == mxLOGICAL_CLASS)) {
    return fromSparse(value, dims);
  }
  // The elements its dimensions say it has; a host whose own count wraps would
  // hand over less storage than that.
  const std::size_t n = fullCount(dims);
  if (n != static_cast<std::size_t>(mxGetNumberOfElements(value))) {
    raise(errid::kArgument, "The host passed an array whose size does not fit its dimensions.");
  }
  switch (classId) {
    case mxDOUBLE_CLASS: {
      const double* pr = mxGetPr(value);
      const double* pi = mxIsComplex(value) ? mxGetPi(value) : nullptr;
      std::vector<double> re(n, 0.0);
      std::vector<double> im;
      for (std::size_t i = 0; i < n && pr != nullptr; ++i) re[i] = pr[i];
      if (pi != nullptr) im.assign(pi, pi + n);
      return Array::fromData(dims, std::move(re), std::move(im));
    }
    case mxCHAR_CLASS: {
      if constexpr (sizeof(mxChar) >= sizeof(char16_t)) {
        const mxChar* units = mxGetChars(value);
        std::u16string text(n, u'\0');
        for (std::size_t i = 0; i < n && units != nullptr; ++i) {
          text[i] = static_cast<char16_t>(units[i]);
        }
        return Array::fromUtf16(text, dims);
      } else {
        char* utf8 = mxArrayToString(value);
        Array out = Array::str(utf8 != nullptr ? utf8 : "");
        mxFree(utf8);
        return out;
      }
    }
    case mxLOGICAL_CLASS: {
      const mxLogical* bits = mxGetLogicals(value);
      std::vector<double> values(n, 0.0);
      for (std::size_t i = 0; i < n && bits != nullptr; ++i) values[i] = bits[i] ? 1.0 : 0.0;
      return Array::logical(dims, std::move(values));
    }
    case mxCELL_CLASS: {
      if (depth >= kMaxCellDepth) {
        raise(errid::kArgument, "Cell arrays nested more than " + std::to_string(kMaxCellDepth) +
                                    " deep are not supported here.");
      }
      checkMemory(n, sizeof(Array));
      std::vector<Array> elements;
      elements.reserve(n);
      for (std::size_t i = 0; i < n; ++i) {
        const mxArray* element = mxGetCell(value, i);
        elements.push_back(element != nullptr ? valueOf(element, depth + 1) : Array::zeros({0, 0}));
      }
      return Array::cell(dims, std::move(elements));
    }
    default:
      break;
  }
  // Integer, single, struct, function handle and object values (sparse or not):
  // the program's arithmetic is defined for double, char and logical values only.
  raise(errid::kType,
        std::string("Values of class '") + mxGetClassName(value) + "' are not supported here.");
}

}  // namespace

Owned fromArray(const Array& value) {
  const std::vector<mwSize> dims = mxDims(value);
  const std::size_t n = value.numel();
  switch (value.classId()) {
    case ClassId::Undefined:
      return Owned();
    case ClassId::Double: {
      Owned out = checked(mxCreateNumericArray(dims.size(), dims.data(), mxDOUBLE_CLASS,
                                               value.isComplex() ? mxCOMPLEX : mxREAL));
      double* pr = mxGetPr(out.get());
      double* pi = mxGetPi(out.get());
      for (std::size_t i = 0; i < n; ++i) {
        pr[i] = value.reAt(i);
        if (pi != nullptr) pi[i] = value.imAt(i);
      }
      return out;
    }
    case ClassId::Char: {
      if constexpr (sizeof(mxChar) >= sizeof(char16_t)) {
        Owned out = checked(mxCreateCharArray(dims.size(), dims.data()));
        mxChar* units = mxGetChars(out.get());
        for (std::size_t i = 0; i < n; ++i) units[i] = static_cast<mxChar>(value.reAt(i));
        return out;
      } else {
        // A host with 8-bit characters: text goes through UTF-8 as one row.
        return checked(mxCreateString(value.utf8().c_str()));
      }
    }
    case ClassId::Logical: {
      Owned out = checked(mxCreateLogicalArray(dims.size(), dims.data()));
      mxLogical* bits = mxGetLogicals(out.get());
      for (std::size_t i = 0; i < n; ++i) bits[i] = value.reAt(i) != 0.0;
      return out;
    }
    case ClassId::Cell: {
      Owned out = checked(mxCreateCellArray(dims.size(), dims.data()));
      for (std::size_t i = 0; i < n; ++i) {
        Owned element = fromArray(value.cells()[i]);
        mxSetCell(out.get(), i, element.release());
      }
      return out;
    }
  }
  return Owned();
}

Array toArray(const mxArray* value) {
  return valueOf(value, 0);
}

}  // namespace rt::mx
