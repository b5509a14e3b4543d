// libFuzzer target: the entries through which a host calls the plug-ins, fed with
// host arrays of random class, shape and values. Each input picks an entry (the
// feval entries of vextrab and of its four local functions, or vextral's
// mexFunction), the number of outputs asked for, and up to 16 arguments:
// double (real or complex), char, logical, cell, struct, sparse double
// (real or complex) and sparse logical arrays, with index arrays that are
// sometimes inconsistent with their size, dimensions that wrap when multiplied,
// and values from a palette of edge cases (NaN, Inf, -0, 1e300, eps, the
// program's own constants) or small integers.
//
// A call may fail with the host's error; it must not crash, leak arrays of the
// host's MEX API, or leave outputs that are not live arrays. The plug-ins run in
// the embedded host (graphics included, nothing written to files).
#include <dlfcn.h>

#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <limits>
#include <sstream>
#include <stdexcept>
#include <string>
#include <vector>

#include "mex.h"
#include "mexhost/graphics.hpp"
#include "mexhost/mexhost.hpp"
#include "mexhost/mxhost.hpp"
#include "runtime/error.hpp"
#include "runtime/mexlibrary.h"

namespace {

// The fuzzer's bytes as a stream of choices, taken from the front; past the end
// every choice is its smallest value.
class Bytes {
 public:
  Bytes(const uint8_t* data, std::size_t size) : data_(data), size_(size) {}

  template <typename T>
  T inRange(T low, T high) {
    const auto span = static_cast<uint64_t>(high) - static_cast<uint64_t>(low);
    uint64_t raw = 0;
    for (uint64_t reach = 0; reach < span && at_ < size_; reach = (reach << 8) | 0xff) {
      raw = (raw << 8) | data_[at_++];
    }
    return span == UINT64_MAX ? static_cast<T>(raw)
                              : static_cast<T>(static_cast<uint64_t>(low) + raw % (span + 1));
  }
  template <typename T>
  T any() {
    return inRange<T>(std::numeric_limits<T>::min(), std::numeric_limits<T>::max());
  }
  bool flag() { return (any<uint8_t>() & 1) != 0; }
  std::string text(std::size_t most) {
    std::string s;
    while (s.size() < most && at_ < size_) {
      const char c = static_cast<char>(data_[at_++]);
      if (c == '\\' && at_ < size_ && data_[at_++] != '\\') break;
      s += c;
    }
    return s;
  }

 private:
  const uint8_t* data_;
  std::size_t size_;
  std::size_t at_ = 0;
};

using MexFunction = void (*)(int, mxArray*[], int, const mxArray*[]);

// The host and the entries, made once.
struct Host {
  std::ostringstream out;
  std::ostringstream err;
  mh::Graphics graphics;
  mh::Interpreter interpreter;
  std::vector<mexFevalEntry> entries;  // vextrab, ftrapez, plattm, mtlfd, iffts
  MexFunction vextral = nullptr;

  static mh::HostOptions options() {
    mh::HostOptions o;
    o.noPause = true;
    return o;
  }

  Host() : interpreter(out, err, options()) {
    mh::registerGraphicsBuiltins(interpreter.builtins(), graphics);
    interpreter.loadPlugin(XT_VEXTRAB_PLUGIN);
    interpreter.loadPlugin(XT_VEXTRAL_PLUGIN);
    // The loader keeps both open; these handles only look up the entries.
    void* library = dlopen(XT_VEXTRAB_PLUGIN, RTLD_NOW | RTLD_NOLOAD);
    void* classic = dlopen(XT_VEXTRAL_PLUGIN, RTLD_NOW | RTLD_NOLOAD);
    if (library == nullptr || classic == nullptr) std::abort();
    const auto describe = reinterpret_cast<mexLibraryFunction>(dlsym(library, "_mexLibrary"));
    vextral = reinterpret_cast<MexFunction>(dlsym(classic, "mexFunction"));
    if (describe == nullptr || vextral == nullptr) std::abort();
    const mexFunctionEntry& top = describe()->functions[0];
    entries.push_back(top.feval);
    for (intptr_t k = 0; k < top.local->count; ++k) entries.push_back(top.local->rows[k].feval);
  }
};

const double kPalette[] = {0.0,
                           -0.0,
                           1.0,
                           -1.0,
                           0.1,
                           0.2,
                           -0.2,
                           0.5,
                           2.0,
                           3.0,
                           50.0,
                           100.0,
                           200.0,
                           0.0,
                           1e-300,
                           1e300,
                           -1e300,
                           2.220446049250313e-16,
                           2.5e-08,
                           1e-08,
                           5e-10,
                           1e7,
                           4.9e-324,
                           std::numeric_limits<double>::quiet_NaN(),
                           std::numeric_limits<double>::infinity(),
                           -std::numeric_limits<double>::infinity()};

double value(Bytes& in) {
  if (in.flag()) return static_cast<double>(in.inRange<int>(-4, 250));
  return kPalette[in.inRange<std::size_t>(0, std::size(kPalette) - 1)];
}

// Dimensions of at most kMaxElements elements, or (rarely) ones whose product
// wraps around 2^64.
constexpr std::size_t kMaxElements = 4200;

std::vector<mwSize> dimensions(Bytes& in) {
  static const mwSize kSizes[] = {0, 1, 1, 1, 2, 2, 3, 4, 5, 8, 2049};
  std::vector<mwSize> dims(in.inRange<std::size_t>(1, 4));
  if (in.inRange<int>(0, 31) == 0) {
    // 2^32 * 2^32 * ... wraps to 0; with a 3 in front it stays small.
    for (mwSize& d : dims) d = mwSize{1} << 32;
    dims[0] = in.flag() ? 3 : dims[0];
    if (dims.size() < 3) dims.push_back(mwSize{1} << 32);
    return dims;
  }
  std::size_t total = 1;
  for (mwSize& d : dims) {
    d = kSizes[in.inRange<std::size_t>(0, std::size(kSizes) - 1)];
    if (total * d > kMaxElements) d = 1;
    total *= d == 0 ? 1 : d;
  }
  return dims;
}

std::size_t count(const std::vector<mwSize>& dims) {
  std::size_t n = 1;
  for (mwSize d : dims) n *= d;
  return n;
}

mxArray* makeArray(Bytes& in, int depth);

// An array the host may refuse to make (a size beyond its limits): then none.
template <typename Make>
mxArray* refusedAsNull(Make make) {
  try {
    return make();
  } catch (const std::exception&) {
    return nullptr;
  }
}

mxArray* makeSparse(Bytes& in, int kind) {
  const mwSize m = in.inRange<mwSize>(0, 6);
  const mwSize n = in.inRange<mwSize>(0, 6);
  const mwSize nzmax = in.inRange<mwSize>(0, 8);
  mxArray* a = kind == 2 ? mxCreateSparseLogicalMatrix(m, n, nzmax)
                         : mxCreateSparse(m, n, nzmax, kind == 1 ? mxCOMPLEX : mxREAL);
  const mwSize room = mxGetNzmax(a);
  mwIndex* jc = mxGetJc(a);
  mwIndex* ir = mxGetIr(a);
  // Entries column by column, rows increasing; sometimes an index that does not fit.
  mwIndex stored = 0;
  for (mwSize j = 0; j < n; ++j) {
    jc[j] = stored;
    for (mwIndex row = 0; row < m && stored < room; ++row) {
      if (!in.flag()) continue;
      ir[stored] = row;
      if (kind == 2) {
        mxGetLogicals(a)[stored] = in.flag();
      } else {
        mxGetPr(a)[stored] = value(in);
        if (kind == 1) mxGetPi(a)[stored] = value(in);
      }
      ++stored;
    }
  }
  jc[n] = stored;
  if (in.inRange<int>(0, 15) == 0) {
    switch (in.inRange<int>(0, 3)) {
      case 0:
        jc[n] = room + in.inRange<mwIndex>(1, 1000);
        break;
      case 1:
        ir[0] = m + in.inRange<mwIndex>(0, 1000);
        break;
      case 2:
        if (n > 0) jc[n - 1] = jc[n] + 1;
        break;
      default:
        jc[0] = 1;
        break;
    }
  }
  return a;
}

mxArray* makeArray(Bytes& in, int depth) {
  const int kind = in.inRange<int>(0, 10);
  switch (kind) {
    case 0:
      return nullptr;
    case 1:
    case 2: {
      const std::vector<mwSize> dims = dimensions(in);
      mxArray* a = refusedAsNull([&] {
        return mxCreateNumericArray(dims.size(), dims.data(), mxDOUBLE_CLASS,
                                    kind == 2 ? mxCOMPLEX : mxREAL);
      });
      const std::size_t n = std::min(count(dims), kMaxElements);
      for (std::size_t i = 0; i < n && mxGetPr(a) != nullptr; ++i) {
        mxGetPr(a)[i] = value(in);
        if (kind == 2) mxGetPi(a)[i] = value(in);
      }
      return a;
    }
    case 3: {
      if (in.flag()) return mxCreateString(in.text(40).c_str());
      const std::vector<mwSize> dims = dimensions(in);
      mxArray* a = refusedAsNull([&] { return mxCreateCharArray(dims.size(), dims.data()); });
      const std::size_t n = std::min(count(dims), kMaxElements);
      for (std::size_t i = 0; i < n && mxGetChars(a) != nullptr; ++i) {
        mxGetChars(a)[i] = in.any<mxChar>();
      }
      return a;
    }
    case 4: {
      const std::vector<mwSize> dims = dimensions(in);
      mxArray* a = refusedAsNull([&] { return mxCreateLogicalArray(dims.size(), dims.data()); });
      const std::size_t n = std::min(count(dims), kMaxElements);
      for (std::size_t i = 0; i < n && mxGetLogicals(a) != nullptr; ++i) {
        mxGetLogicals(a)[i] = in.flag();
      }
      return a;
    }
    case 5: {
      const mwSize m = in.inRange<mwSize>(0, 3);
      const mwSize n = in.inRange<mwSize>(0, 3);
      mxArray* a = mxCreateCellMatrix(m, n);
      for (mwIndex i = 0; i < m * n; ++i) {
        mxSetCell(a, i, depth < 3 ? makeArray(in, depth + 1) : mxCreateDoubleScalar(value(in)));
      }
      return a;
    }
    case 6: {
      const char* names[] = {"hh"};
      mxArray* a = mxCreateStructMatrix(1, 1, 1, names);
      mxSetField(a, 0, "hh", mxCreateDoubleScalar(value(in)));
      return a;
    }
    case 7:
    case 8:
    case 9:
      return makeSparse(in, kind - 7);
    default:
      return mxCreateDoubleScalar(value(in));
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static Host* host = new Host();  // lives to the end of the process
  Bytes in(data, size);
  const std::size_t baseline = mh::liveArrayCount();

  const int which = in.inRange<int>(0, 5);
  const int nlhs = in.inRange<int>(0, 3);
  const int nrhs = in.inRange<int>(0, 16);
  std::vector<mxArray*> prhs;
  for (int k = 0; k < nrhs; ++k) prhs.push_back(makeArray(in, 0));
  const std::size_t inputs = mh::liveArrayCount();
  std::vector<mxArray*> plhs(8, nullptr);

  try {
    if (which == 5) {
      host->vextral(nlhs, plhs.data(), nrhs, const_cast<const mxArray**>(prhs.data()));
    } else {
      host->entries[static_cast<std::size_t>(which)](nlhs, reinterpret_cast<void**>(plhs.data()),
                                                     nrhs, reinterpret_cast<void**>(prhs.data()));
    }
  } catch (const mh::MexError&) {
    // The host's error, raised by the entry: the call ended as it should.
  } catch (const rt::Error&) {
  }

  // The inputs are untouched; every output is a live array of the host.
  if (mh::liveArrayCount() < inputs) __builtin_trap();
  for (mxArray* a : plhs) {
    if (a != nullptr && !mh::isLiveArray(a)) __builtin_trap();
    mxDestroyArray(a);
  }
  for (mxArray* a : prhs) mxDestroyArray(a);
  if (mh::liveArrayCount() != baseline) __builtin_trap();
  host->out.str("");
  host->err.str("");
  return 0;
}
