#include "runtime/mxconvert.hpp"

#include <string>
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
  if (value == nullptr) return Array();
  const Dims dims = arrayDims(value);
  const std::size_t n = mxGetNumberOfElements(value);
  switch (mxGetClassID(value)) {
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
      Array out = Array::cell(dims);
      for (std::size_t i = 0; i < n; ++i) {
        const mxArray* element = mxGetCell(value, i);
        out.cellsMut()[i] = element != nullptr ? toArray(element) : Array::zeros({0, 0});
      }
      return out;
    }
    default:
      raise(errid::kType,
            std::string("Values of class '") + mxGetClassName(value) + "' are not supported here.");
  }
}

}  // namespace rt::mx
