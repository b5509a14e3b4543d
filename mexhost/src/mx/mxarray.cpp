// libmx: the array half of the MEX C API (matrix.h).
//
// An mxArray owns its storage: dimensions, separate real and imaginary parts
// for doubles (the imaginary part exists only for a complex array), 16-bit
// units for char, one byte per element for logical, element pointers for cells
// and structs (owned, NULL until set). Every array made here is registered in a
// set of live arrays, so that the host can count them and so that destroying an
// array twice is reported instead of corrupting memory.
//
// Misuse that cannot be ignored safely (an unsupported class, an index out of
// range when storing) raises the host's error (MexError); queries on NULL give
// neutral answers (0, NULL, false).
#include <cfloat>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <memory>
#include <string>
#include <unordered_set>
#include <utility>
#include <vector>

#include "matrix.h"
#include "mexhost/mxhost.hpp"
#include "runtime/array.hpp"
#include "runtime/error.hpp"

// Logical storage: std::vector<bool> packs bits and cannot hand out an mxLogical*.
class LogicalStore {
 public:
  std::size_t size() const { return size_; }
  bool empty() const { return size_ == 0; }
  mxLogical* data() const { return data_.get(); }
  mxLogical& operator[](std::size_t i) { return data_[i]; }
  mxLogical operator[](std::size_t i) const { return data_[i]; }
  void resize(std::size_t n, mxLogical fill) {
    std::unique_ptr<mxLogical[]> grown(new mxLogical[n]);
    for (std::size_t i = 0; i < n; ++i) grown[i] = i < size_ ? data_[i] : fill;
    data_ = std::move(grown);
    size_ = n;
  }
  LogicalStore() = default;
  LogicalStore(const LogicalStore& other) { *this = other; }
  LogicalStore& operator=(const LogicalStore& other) {
    if (this != &other) {
      size_ = 0;
      data_.reset();
      resize(other.size_, false);
      for (std::size_t i = 0; i < size_; ++i) data_[i] = other.data_[i];
    }
    return *this;
  }

 private:
  std::unique_ptr<mxLogical[]> data_;
  std::size_t size_ = 0;
};

struct mxArray_tag {
  mxClassID classId = mxDOUBLE_CLASS;
  std::vector<mwSize> dims{0, 0};
  bool complex = false;
  std::vector<double> re;
  std::vector<double> im;
  std::vector<mxChar> chars;
  LogicalStore logicals;
  std::vector<mxArray*> elements;  // cells; structs: element-major, field-minor
  std::vector<std::string> fieldNames;
  // Sparse (double or logical, two dimensions): re/im/logicals hold nzmax stored
  // entries, ir their rows, jc the dims[1] + 1 column starts.
  bool sparse = false;
  std::vector<mwIndex> ir;
  std::vector<mwIndex> jc;
};

namespace mh {
namespace {

// Never destroyed: arrays may still be released while static objects go away.
std::unordered_set<const mxArray*>& liveSet() {
  static auto* set = new std::unordered_set<const mxArray*>();
  return *set;
}

std::size_t product(const std::vector<mwSize>& dims) {
  std::size_t n = 1;
  for (mwSize d : dims) n *= d;
  return n;
}

// At least two dimensions, no trailing singleton beyond the second.
std::vector<mwSize> normalDims(mwSize ndim, const mwSize* dims) {
  std::vector<mwSize> d;
  for (mwSize k = 0; k < ndim; ++k) d.push_back(dims != nullptr ? dims[k] : 0);
  while (d.size() < 2) d.push_back(d.empty() ? 0 : 1);
  while (d.size() > 2 && d.back() == 1) d.pop_back();
  return d;
}

// The test hook of setArrayObserver; NULL unless a test sets one.
ArrayObserver* arrayObserver = nullptr;

[[noreturn]] void misuse(const std::string& message) {
  throw MexError("mexhost:mxArray", message);
}

// The dimensions of every array pass here before its storage is sized, so that
// no element count wraps and no size beyond memory reaches the allocator.
void checkSize(const std::vector<mwSize>& dims) {
  try {
    rt::checkMemory(rt::checkedNumel(rt::Dims(dims.begin(), dims.end())));
  } catch (const rt::Error& e) {
    throw MexError(e.identifier(), e.message());
  }
}

// `dense`: the storage follows the dimensions (every array but a sparse one,
// whose storage is its nzmax entries).
mxArray* make(mxClassID classId, std::vector<mwSize> dims, bool dense = true) {
  if (dense) checkSize(dims);
  auto* a = new mxArray_tag;
  a->classId = classId;
  a->dims = std::move(dims);
  liveSet().insert(a);
  if (arrayObserver != nullptr) (*arrayObserver)(a, true);
  return a;
}

// Sizes the storage of `a` for its dimensions, keeping existing elements. A
// sparse array's storage follows its nzmax, not its dimensions.
void resizeStorage(mxArray* a) {
  if (a->sparse) return;
  const std::size_t n = product(a->dims);
  switch (a->classId) {
    case mxDOUBLE_CLASS:
      a->re.resize(n, 0.0);
      if (a->complex) a->im.resize(n, 0.0);
      break;
    case mxCHAR_CLASS:
      a->chars.resize(n, 0);
      break;
    case mxLOGICAL_CLASS:
      a->logicals.resize(n, false);
      break;
    case mxCELL_CLASS:
      for (std::size_t i = n; i < a->elements.size(); ++i) mxDestroyArray(a->elements[i]);
      a->elements.resize(n, nullptr);
      break;
    case mxSTRUCT_CLASS: {
      const std::size_t total = n * a->fieldNames.size();
      for (std::size_t i = total; i < a->elements.size(); ++i) mxDestroyArray(a->elements[i]);
      a->elements.resize(total, nullptr);
      break;
    }
    default:
      break;
  }
}

mxArray* makeSized(mxClassID classId, std::vector<mwSize> dims, bool complex = false) {
  mxArray* a = make(classId, std::move(dims));
  a->complex = complex;
  resizeStorage(a);
  return a;
}

int fieldIndex(const mxArray* s, const char* name) {
  if (name == nullptr) return -1;
  for (std::size_t f = 0; f < s->fieldNames.size(); ++f) {
    if (s->fieldNames[f] == name) return static_cast<int>(f);
  }
  return -1;
}

}  // namespace

std::size_t liveArrayCount() {
  return liveSet().size();
}

bool isLiveArray(const mxArray* a) {
  return a != nullptr && liveSet().count(a) != 0;
}

void setArrayObserver(ArrayObserver observer) {
  delete arrayObserver;
  arrayObserver = observer ? new ArrayObserver(std::move(observer)) : nullptr;
}

}  // namespace mh

using mh::makeSized;
using mh::normalDims;

extern "C" {

mxArray* mxCreateDoubleMatrix(mwSize m, mwSize n, mxComplexity complexity) {
  return makeSized(mxDOUBLE_CLASS, {m, n}, complexity == mxCOMPLEX);
}

mxArray* mxCreateDoubleScalar(double value) {
  mxArray* a = makeSized(mxDOUBLE_CLASS, {1, 1});
  a->re[0] = value;
  return a;
}

mxArray* mxCreateNumericArray(mwSize ndim, const mwSize* dims, mxClassID classid,
                              mxComplexity complexity) {
  if (classid != mxDOUBLE_CLASS) {
    mh::misuse("mxCreateNumericArray: only double arrays exist in this host.");
  }
  return makeSized(mxDOUBLE_CLASS, normalDims(ndim, dims), complexity == mxCOMPLEX);
}

mxArray* mxCreateNumericMatrix(mwSize m, mwSize n, mxClassID classid, mxComplexity complexity) {
  const mwSize dims[2] = {m, n};
  return mxCreateNumericArray(2, dims, classid, complexity);
}

mxArray* mxCreateString(const char* utf8) {
  const std::u16string units = rt::utf8ToUtf16(utf8 != nullptr ? utf8 : "");
  // The empty text is 0-by-0, as the literal '' is.
  mxArray* a = makeSized(mxCHAR_CLASS, {units.empty() ? 0u : 1u, units.size()});
  for (std::size_t i = 0; i < units.size(); ++i) a->chars[i] = static_cast<mxChar>(units[i]);
  return a;
}

mxArray* mxCreateCharArray(mwSize ndim, const mwSize* dims) {
  return makeSized(mxCHAR_CLASS, normalDims(ndim, dims));
}

mxArray* mxCreateLogicalScalar(mxLogical value) {
  mxArray* a = makeSized(mxLOGICAL_CLASS, {1, 1});
  a->logicals[0] = value;
  return a;
}

mxArray* mxCreateLogicalMatrix(mwSize m, mwSize n) {
  return makeSized(mxLOGICAL_CLASS, {m, n});
}

mxArray* mxCreateLogicalArray(mwSize ndim, const mwSize* dims) {
  return makeSized(mxLOGICAL_CLASS, normalDims(ndim, dims));
}

mxArray* mxCreateCellMatrix(mwSize m, mwSize n) {
  return makeSized(mxCELL_CLASS, {m, n});
}

mxArray* mxCreateCellArray(mwSize ndim, const mwSize* dims) {
  return makeSized(mxCELL_CLASS, normalDims(ndim, dims));
}

mxArray* mxCreateStructMatrix(mwSize m, mwSize n, int nfields, const char** fieldnames) {
  mxArray* a = mh::make(mxSTRUCT_CLASS, {m, n});
  for (int f = 0; f < nfields; ++f) {
    a->fieldNames.emplace_back(fieldnames != nullptr && fieldnames[f] != nullptr ? fieldnames[f]
                                                                                 : "");
  }
  mh::resizeStorage(a);
  return a;
}

mxArray* mxCreateSparse(mwSize m, mwSize n, mwSize nzmax, mxComplexity complexity) {
  mxArray* a = mh::make(mxDOUBLE_CLASS, {m, n}, false);
  a->sparse = true;
  a->complex = complexity == mxCOMPLEX;
  nzmax = nzmax == 0 ? 1 : nzmax;
  a->re.assign(nzmax, 0.0);
  if (a->complex) a->im.assign(nzmax, 0.0);
  a->ir.assign(nzmax, 0);
  a->jc.assign(n + 1, 0);
  return a;
}

mxArray* mxCreateSparseLogicalMatrix(mwSize m, mwSize n, mwSize nzmax) {
  mxArray* a = mh::make(mxLOGICAL_CLASS, {m, n}, false);
  a->sparse = true;
  nzmax = nzmax == 0 ? 1 : nzmax;
  a->logicals.resize(nzmax, false);
  a->ir.assign(nzmax, 0);
  a->jc.assign(n + 1, 0);
  return a;
}

mxArray* mxDuplicateArray(const mxArray* a) {
  if (a == nullptr) return nullptr;
  mxArray* copy = mh::make(a->classId, a->dims, !a->sparse);
  copy->sparse = a->sparse;
  copy->ir = a->ir;
  copy->jc = a->jc;
  copy->complex = a->complex;
  copy->re = a->re;
  copy->im = a->im;
  copy->chars = a->chars;
  copy->logicals = a->logicals;
  copy->fieldNames = a->fieldNames;
  copy->elements.reserve(a->elements.size());
  for (const mxArray* e : a->elements) copy->elements.push_back(mxDuplicateArray(e));
  return copy;
}

void mxDestroyArray(mxArray* a) {
  if (a == nullptr) return;
  if (mh::liveSet().erase(a) == 0) {
    // Destroying twice (or something libmx never made) would corrupt memory;
    // report it and leave the pointer alone.
    if (mh::mexServices() != nullptr) {
      mh::mexServices()->warning("mexhost:mxDestroyArray",
                                 "mxDestroyArray: ignoring an array that is not alive.");
    }
    return;
  }
  if (mh::arrayObserver != nullptr) (*mh::arrayObserver)(a, false);
  for (mxArray* e : a->elements) mxDestroyArray(e);
  delete a;
}

mxClassID mxGetClassID(const mxArray* a) {
  return a != nullptr ? a->classId : mxUNKNOWN_CLASS;
}

const char* mxGetClassName(const mxArray* a) {
  switch (mxGetClassID(a)) {
    case mxDOUBLE_CLASS:
      return "double";
    case mxCHAR_CLASS:
      return "char";
    case mxLOGICAL_CLASS:
      return "logical";
    case mxCELL_CLASS:
      return "cell";
    case mxSTRUCT_CLASS:
      return "struct";
    default:
      return "unknown";
  }
}

mwSize mxGetM(const mxArray* a) {
  return a != nullptr ? a->dims[0] : 0;
}

mwSize mxGetN(const mxArray* a) {
  if (a == nullptr) return 0;
  mwSize n = 1;
  for (std::size_t k = 1; k < a->dims.size(); ++k) n *= a->dims[k];
  return n;
}

mwSize mxGetNumberOfDimensions(const mxArray* a) {
  return a != nullptr ? a->dims.size() : 0;
}

const mwSize* mxGetDimensions(const mxArray* a) {
  return a != nullptr ? a->dims.data() : nullptr;
}

size_t mxGetNumberOfElements(const mxArray* a) {
  return a != nullptr ? mh::product(a->dims) : 0;
}

bool mxIsChar(const mxArray* a) {
  return mxGetClassID(a) == mxCHAR_CLASS;
}
bool mxIsComplex(const mxArray* a) {
  return a != nullptr && a->complex;
}
bool mxIsDouble(const mxArray* a) {
  return mxGetClassID(a) == mxDOUBLE_CLASS;
}
bool mxIsLogical(const mxArray* a) {
  return mxGetClassID(a) == mxLOGICAL_CLASS;
}
bool mxIsCell(const mxArray* a) {
  return mxGetClassID(a) == mxCELL_CLASS;
}
bool mxIsNumeric(const mxArray* a) {
  return mxGetClassID(a) == mxDOUBLE_CLASS;
}
bool mxIsStruct(const mxArray* a) {
  return mxGetClassID(a) == mxSTRUCT_CLASS;
}
bool mxIsEmpty(const mxArray* a) {
  return mxGetNumberOfElements(a) == 0;
}
bool mxIsSparse(const mxArray* a) {
  return a != nullptr && a->sparse;
}

// NULL for anything but a double array (and for an empty one).
double* mxGetPr(const mxArray* a) {
  if (!mxIsDouble(a) || a->re.empty()) return nullptr;
  return const_cast<double*>(a->re.data());
}

double* mxGetPi(const mxArray* a) {
  if (!mxIsDouble(a) || !a->complex || a->im.empty()) return nullptr;
  return const_cast<double*>(a->im.data());
}

double mxGetScalar(const mxArray* a) {
  if (a == nullptr || mxIsEmpty(a)) return 0.0;
  if (a->sparse) {
    // The element (1,1): stored only if column 1 has an entry in row 1.
    if (a->jc[1] == 0 || a->ir[0] != 0) return 0.0;
    return a->classId == mxLOGICAL_CLASS ? (a->logicals[0] ? 1.0 : 0.0) : a->re[0];
  }
  switch (a->classId) {
    case mxDOUBLE_CLASS:
      return a->re[0];
    case mxCHAR_CLASS:
      return a->chars[0];
    case mxLOGICAL_CLASS:
      return a->logicals[0] ? 1.0 : 0.0;
    default:
      return 0.0;
  }
}

mxChar* mxGetChars(const mxArray* a) {
  if (!mxIsChar(a) || a->chars.empty()) return nullptr;
  return const_cast<mxChar*>(a->chars.data());
}

mxLogical* mxGetLogicals(const mxArray* a) {
  if (!mxIsLogical(a) || a->logicals.empty()) return nullptr;
  return a->logicals.data();
}

mwIndex* mxGetIr(const mxArray* a) {
  return mxIsSparse(a) ? const_cast<mwIndex*>(a->ir.data()) : nullptr;
}

mwIndex* mxGetJc(const mxArray* a) {
  return mxIsSparse(a) ? const_cast<mwIndex*>(a->jc.data()) : nullptr;
}

mwSize mxGetNzmax(const mxArray* a) {
  return mxIsSparse(a) ? a->ir.size() : 0;
}

mxArray* mxGetCell(const mxArray* cell, mwIndex i) {
  if (!mxIsCell(cell) || i >= cell->elements.size()) return nullptr;
  return cell->elements[i];
}

// Like the public API, mxSetCell does not destroy the element it replaces.
void mxSetCell(mxArray* cell, mwIndex i, mxArray* value) {
  if (!mxIsCell(cell)) mh::misuse("mxSetCell: the array is not a cell array.");
  if (i >= cell->elements.size()) {
    mh::misuse("mxSetCell: index " + std::to_string(i) + " is out of range (" +
               std::to_string(cell->elements.size()) + " elements).");
  }
  cell->elements[i] = value;
}

mxArray* mxGetField(const mxArray* s, mwIndex i, const char* name) {
  if (!mxIsStruct(s)) return nullptr;
  const int f = mh::fieldIndex(s, name);
  if (f < 0 || i >= mxGetNumberOfElements(s)) return nullptr;
  return s->elements[i * s->fieldNames.size() + static_cast<std::size_t>(f)];
}

// Stores `value` (taken over) in a field, adding the field if it is new. Like the
// public API, the value it replaces is not destroyed.
void mxSetField(mxArray* s, mwIndex i, const char* name, mxArray* value) {
  if (!mxIsStruct(s)) mh::misuse("mxSetField: the array is not a struct.");
  if (name == nullptr) mh::misuse("mxSetField: no field name.");
  const std::size_t count = mxGetNumberOfElements(s);
  if (i >= count) mh::misuse("mxSetField: index " + std::to_string(i) + " is out of range.");
  int f = mh::fieldIndex(s, name);
  if (f < 0) {
    const std::size_t oldFields = s->fieldNames.size();
    std::vector<mxArray*> grown;
    grown.reserve(count * (oldFields + 1));
    for (std::size_t e = 0; e < count; ++e) {
      for (std::size_t k = 0; k < oldFields; ++k) grown.push_back(s->elements[e * oldFields + k]);
      grown.push_back(nullptr);
    }
    s->elements = std::move(grown);
    s->fieldNames.emplace_back(name);
    f = static_cast<int>(oldFields);
  }
  s->elements[i * s->fieldNames.size() + static_cast<std::size_t>(f)] = value;
}

// Changes the dimensions; when the element count changes, the storage follows
// (elements kept in column order, new ones zero or NULL).
int mxSetDimensions(mxArray* a, const mwSize* dims, mwSize ndim) {
  if (a == nullptr || a->sparse) return 1;
  std::vector<mwSize> normal = mh::normalDims(ndim, dims);
  mh::checkSize(normal);
  a->dims = std::move(normal);
  mh::resizeStorage(a);
  return 0;
}

char* mxArrayToString(const mxArray* a) {
  if (!mxIsChar(a)) return nullptr;
  const std::u16string units(a->chars.begin(), a->chars.end());
  const std::string text = rt::utf16ToUtf8(units);
  auto* out = static_cast<char*>(mxMalloc(text.size() + 1));
  std::memcpy(out, text.c_str(), text.size() + 1);
  return out;
}

void* mxMalloc(size_t n) {
  return std::malloc(n == 0 ? 1 : n);
}
void* mxCalloc(size_t n, size_t size) {
  return std::calloc(n == 0 ? 1 : n, size == 0 ? 1 : size);
}
void* mxRealloc(void* p, size_t n) {
  return std::realloc(p, n == 0 ? 1 : n);
}
void mxFree(void* p) {
  std::free(p);
}

double mxGetEps(void) {
  return DBL_EPSILON;
}
double mxGetInf(void) {
  return std::numeric_limits<double>::infinity();
}
double mxGetNaN(void) {
  return std::numeric_limits<double>::quiet_NaN();
}

}  // extern "C"
