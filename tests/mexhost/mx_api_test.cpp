// libmx: array creation and destruction (counted), data access, char text in
// UTF-16, complex parts, cells and structs, the error functions, and the
// conversion to and from rt::Array.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "mex.h"
#include "mexhost/mxhost.hpp"
#include "runtime/error.hpp"
#include "runtime/mexlibrary.h"
#include "runtime/mxconvert.hpp"
#include "runtime/ops.hpp"

namespace mh {
namespace {

using rt::Array;
namespace mx = rt::mx;

// Checks that a test leaves no array alive.
class MxApi : public ::testing::Test {
 protected:
  void SetUp() override { baseline_ = liveArrayCount(); }
  void TearDown() override { EXPECT_EQ(liveArrayCount(), baseline_) << "arrays leaked"; }
  std::size_t baseline_ = 0;
};

TEST_F(MxApi, CreateAndDestroyAreCounted) {
  mxArray* a = mxCreateDoubleMatrix(2, 3, mxREAL);
  EXPECT_EQ(liveArrayCount(), baseline_ + 1);
  EXPECT_TRUE(isLiveArray(a));
  mxDestroyArray(a);
  EXPECT_FALSE(isLiveArray(a));
  EXPECT_EQ(liveArrayCount(), baseline_);
  mxDestroyArray(nullptr);
}

TEST_F(MxApi, DestroyingTwiceIsIgnored) {
  mxArray* a = mxCreateDoubleScalar(1);
  mxDestroyArray(a);
  mxDestroyArray(a);
  EXPECT_EQ(liveArrayCount(), baseline_);
}

TEST_F(MxApi, RealMatrixHasNoImaginaryPart) {
  mx::Owned a(mxCreateDoubleMatrix(2, 3, mxREAL));
  EXPECT_EQ(mxGetM(a.get()), 2u);
  EXPECT_EQ(mxGetN(a.get()), 3u);
  EXPECT_EQ(mxGetNumberOfElements(a.get()), 6u);
  EXPECT_EQ(mxGetPi(a.get()), nullptr);
  EXPECT_FALSE(mxIsComplex(a.get()));
  EXPECT_TRUE(mxIsDouble(a.get()) && mxIsNumeric(a.get()));
  EXPECT_STREQ(mxGetClassName(a.get()), "double");
  for (std::size_t i = 0; i < 6; ++i) EXPECT_EQ(mxGetPr(a.get())[i], 0.0);
}

TEST_F(MxApi, ComplexPartsAreSeparate) {
  mx::Owned z(mxCreateDoubleMatrix(1, 2, mxCOMPLEX));
  ASSERT_NE(mxGetPi(z.get()), nullptr);
  mxGetPr(z.get())[1] = 3;
  mxGetPi(z.get())[1] = -4;
  const Array v = mx::toArray(z.get());
  EXPECT_TRUE(v.isComplex());
  EXPECT_EQ(v.at(1), rt::Complex(3, -4));
}

TEST_F(MxApi, DimensionsDropTrailingSingletons) {
  const mwSize three[3] = {2, 1, 4};
  mx::Owned a(mxCreateNumericArray(3, three, mxDOUBLE_CLASS, mxREAL));
  EXPECT_EQ(mxGetNumberOfDimensions(a.get()), 3u);
  EXPECT_EQ(mxGetN(a.get()), 4u);
  const mwSize trailing[3] = {2, 3, 1};
  mx::Owned b(mxCreateNumericArray(3, trailing, mxDOUBLE_CLASS, mxREAL));
  EXPECT_EQ(mxGetNumberOfDimensions(b.get()), 2u);
  const mwSize grown[2] = {3, 3};
  EXPECT_EQ(mxSetDimensions(b.get(), grown, 2), 0);
  EXPECT_EQ(mxGetNumberOfElements(b.get()), 9u);
  mxGetPr(b.get())[8] = 1;  // the storage followed the new size
  // Sizes whose product wraps are refused before anything is made or changed.
  const mwSize wrapped[4] = {65536, 65536, 65536, 65536};
  const std::size_t live = mh::liveArrayCount();
  EXPECT_THROW(mxCreateNumericArray(4, wrapped, mxDOUBLE_CLASS, mxREAL), MexError);
  EXPECT_THROW(mxCreateCellArray(4, wrapped), MexError);
  EXPECT_THROW(mxCreateDoubleMatrix(std::size_t{1} << 32, std::size_t{1} << 32, mxREAL), MexError);
  EXPECT_EQ(mh::liveArrayCount(), live);
  EXPECT_THROW(mxSetDimensions(b.get(), wrapped, 4), MexError);
  EXPECT_EQ(mxGetNumberOfElements(b.get()), 9u);
}

TEST_F(MxApi, OnlyDoubleNumericArraysExist) {
  const mwSize dims[2] = {1, 1};
  EXPECT_THROW(mxCreateNumericArray(2, dims, mxINT32_CLASS, mxREAL), MexError);
}

TEST_F(MxApi, CharTextRoundTripsThroughUtf16) {
  mx::Owned s(mxCreateString("åäö Spänning"));
  EXPECT_TRUE(mxIsChar(s.get()));
  EXPECT_EQ(mxGetM(s.get()), 1u);
  EXPECT_EQ(mxGetN(s.get()), 12u);  // one unit per character
  EXPECT_EQ(mxGetChars(s.get())[0], 0x00E5);
  EXPECT_EQ(mxGetChars(s.get())[2], 0x00F6);
  char* back = mxArrayToString(s.get());
  EXPECT_STREQ(back, "åäö Spänning");
  mxFree(back);
  EXPECT_EQ(mx::toArray(s.get()).utf8(), "åäö Spänning");
  mx::Owned empty(mxCreateString(""));
  EXPECT_EQ(mxGetM(empty.get()), 0u);
  EXPECT_EQ(mxArrayToString(mxGetCell(nullptr, 0)), nullptr);
}

TEST_F(MxApi, LogicalsAndScalars) {
  mx::Owned t(mxCreateLogicalScalar(true));
  EXPECT_TRUE(mxIsLogical(t.get()));
  EXPECT_TRUE(mxGetLogicals(t.get())[0]);
  EXPECT_EQ(mxGetScalar(t.get()), 1.0);
  mx::Owned c(mxCreateString("A"));
  EXPECT_EQ(mxGetScalar(c.get()), 65.0);
  EXPECT_EQ(mxGetPr(c.get()), nullptr);  // not a double array
}

TEST_F(MxApi, CellsOwnTheirElements) {
  mxArray* c = mxCreateCellMatrix(1, 2);
  EXPECT_EQ(mxGetCell(c, 0), nullptr);
  mxSetCell(c, 0, mxCreateDoubleScalar(1));
  mxSetCell(c, 1, mxCreateString("två"));
  EXPECT_EQ(liveArrayCount(), baseline_ + 3);
  EXPECT_EQ(mxGetScalar(mxGetCell(c, 0)), 1.0);
  EXPECT_THROW(mxSetCell(c, 2, nullptr), MexError);
  mxArray* copy = mxDuplicateArray(c);
  EXPECT_EQ(liveArrayCount(), baseline_ + 6);
  mxGetPr(mxGetCell(copy, 0))[0] = 5;
  EXPECT_EQ(mxGetScalar(mxGetCell(c, 0)), 1.0);  // a deep copy
  mxDestroyArray(copy);
  mxDestroyArray(c);
}

TEST_F(MxApi, StructsHaveNamedFields) {
  const char* names[2] = {"message", "identifier"};
  mx::Owned s(mxCreateStructMatrix(1, 1, 2, names));
  EXPECT_TRUE(mxIsStruct(s.get()));
  EXPECT_EQ(mxGetField(s.get(), 0, "message"), nullptr);
  mxSetField(s.get(), 0, "message", mxCreateString("m"));
  mxSetField(s.get(), 0, "extra", mxCreateDoubleScalar(2));
  EXPECT_EQ(mxGetScalar(mxGetField(s.get(), 0, "extra")), 2.0);
  EXPECT_EQ(mxGetField(s.get(), 0, "missing"), nullptr);
  EXPECT_THROW(mx::toArray(s.get()), rt::Error);
}

TEST_F(MxApi, ErrorsAreThrownWithIdentifierAndFormattedText) {
  try {
    mexErrMsgIdAndTxt("pkg:id", "värde %d av %s", 3, "fem");
    FAIL() << "no exception";
  } catch (const MexError& e) {
    EXPECT_EQ(e.identifier(), "pkg:id");
    EXPECT_STREQ(e.what(), "värde 3 av fem");
  }
  try {
    mexErrMsgTxt("100% plain");
    FAIL() << "no exception";
  } catch (const MexError& e) {
    EXPECT_EQ(e.identifier(), "");
    EXPECT_STREQ(e.what(), "100% plain");
  }
}

TEST_F(MxApi, CallsByNameNeedAHost) {
  ASSERT_EQ(mexServices(), nullptr);
  mx::Owned error(mexCallMATLABWithTrap(0, nullptr, 0, nullptr, "disp"));
  ASSERT_NE(error, nullptr);
  char* message = mxArrayToString(mxGetField(error.get(), 0, "message"));
  EXPECT_STREQ(message, "No host is running.");
  mxFree(message);
  EXPECT_EQ(mexEvalString("x = 1"), 1);
}

TEST_F(MxApi, TheLocalFunctionTableServiceSwapsTables) {
  const mexLocalFunctionTable table = {0, nullptr};
  EXPECT_EQ(mexhostSetLocalFunctionTable(&table), nullptr);
  EXPECT_EQ(currentLocalFunctionTable(), &table);
  EXPECT_EQ(mexhostSetLocalFunctionTable(nullptr), &table);
}

// ---- conversion ----------------------------------------------------------------------

void expectRoundTrip(const Array& value) {
  const mx::Owned m = mx::fromArray(value);
  const Array back = mx::toArray(m.get());
  EXPECT_EQ(back.classId(), value.classId());
  EXPECT_EQ(back.dims(), value.dims());
  EXPECT_EQ(back.re(), value.re());
  EXPECT_EQ(back.im(), value.im());
  EXPECT_EQ(back.isComplex(), value.isComplex());
}

TEST_F(MxApi, ConversionRoundTripsEveryClass) {
  expectRoundTrip(rt::matrix(2, 2, {1, 2, 3, 4}));
  expectRoundTrip(Array::fromData({1, 2}, {1, 2}, {0, -1}));
  expectRoundTrip(Array::str("Beräkning pågår!"));
  expectRoundTrip(Array::logical({1, 3}, {1, 0, 1}));
  expectRoundTrip(rt::zeros(0, 0));
  expectRoundTrip(rt::zeros({2, 1, 3}));
  const Array c = Array::cell({2, 1}, {Array::str("å"), rt::row({1, 2})});
  const mx::Owned m = mx::fromArray(c);
  const Array back = mx::toArray(m.get());
  ASSERT_TRUE(back.isCell());
  EXPECT_EQ(back.cells()[0].utf8(), "å");
  EXPECT_EQ(back.cells()[1].re(), (std::vector<double>{1, 2}));
}

// A sparse array from its stored entries (row, column, real, imaginary), given
// column by column; nzmax is room for one more entry than stored.
struct Entry {
  mwIndex row, col;
  double re, im;
};
enum class Storage { Real, Complex, Logical };

mx::Owned sparse(mwSize m, mwSize n, Storage storage, const std::vector<Entry>& entries) {
  mx::Owned a(storage == Storage::Logical
                  ? mxCreateSparseLogicalMatrix(m, n, entries.size() + 1)
                  : mxCreateSparse(m, n, entries.size() + 1,
                                   storage == Storage::Complex ? mxCOMPLEX : mxREAL));
  mwIndex* jc = mxGetJc(a.get());
  for (std::size_t k = 0; k < entries.size(); ++k) {
    const Entry& e = entries[k];
    mxGetIr(a.get())[k] = e.row;
    if (storage == Storage::Logical) {
      mxGetLogicals(a.get())[k] = e.re != 0;
    } else {
      mxGetPr(a.get())[k] = e.re;
      if (storage == Storage::Complex) mxGetPi(a.get())[k] = e.im;
    }
    for (mwIndex j = e.col + 1; j <= n; ++j) jc[j] = k + 1;
  }
  // Garbage beyond the stored entries must never be read.
  const std::size_t spare = entries.size();
  if (storage == Storage::Logical) {
    mxGetLogicals(a.get())[spare] = true;
  } else {
    mxGetPr(a.get())[spare] = 999;
  }
  return a;
}

TEST_F(MxApi, SparseArraysAreNotReadAsDense) {
  struct Case {
    const char* name;
    mx::Owned value;
    Array expected;
  };
  Case cases[] = {
      // sparse([0 50]): one stored entry, in column 2.
      {"row with a zero first", sparse(1, 2, Storage::Real, {{0, 1, 50, 0}}), rt::row({0, 50})},
      // sparse([0 0.1]) as a height: the order of the entries must survive.
      {"second column only", sparse(1, 2, Storage::Real, {{0, 1, 0.1, 0}}), rt::row({0, 0.1})},
      {"scattered 3-by-2", sparse(3, 2, Storage::Real, {{2, 0, 1, 0}, {0, 1, 2, 0}, {1, 1, 3, 0}}),
       rt::matrix(3, 2, {0, 0, 1, 2, 3, 0})},
      {"complex", sparse(2, 1, Storage::Complex, {{1, 0, 1, -2}}),
       Array::fromData({2, 1}, {0, 1}, {0, -2})},
      {"logical", sparse(1, 3, Storage::Logical, {{0, 2, 1, 0}}),
       Array::logical({1, 3}, {0, 0, 1})},
      {"all zero", sparse(2, 2, Storage::Real, {}), rt::zeros(2, 2)},
      {"empty 0-by-0", sparse(0, 0, Storage::Real, {}), rt::zeros(0, 0)},
      {"empty 0-by-3", sparse(0, 3, Storage::Complex, {}), rt::zeros(0, 3)},
      {"empty logical 2-by-0", sparse(2, 0, Storage::Logical, {}), Array::logical({2, 0}, {})},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const Array got = mx::toArray(c.value.get());
    EXPECT_EQ(got.classId(), c.expected.classId());
    EXPECT_EQ(got.dims(), c.expected.dims());
    EXPECT_EQ(got.re(), c.expected.re());
    EXPECT_EQ(got.isComplex(), c.expected.isComplex());
    if (c.expected.isComplex()) {
      EXPECT_EQ(got.im(), c.expected.im());
    }
  }
}

TEST_F(MxApi, ValuesThatCannotBeReadSafelyAreRefused) {
  struct Case {
    const char* name;
    mx::Owned value;
    std::string identifier;
  };
  const auto corrupt = [](mx::Owned a, mwIndex at, mwIndex jc, mwIndex ir) {
    mxGetJc(a.get())[at] = jc;
    mxGetIr(a.get())[0] = ir;
    return a;
  };
  const auto nested = [](int depth) {
    mx::Owned inner(mxCreateDoubleScalar(1));
    for (int k = 0; k < depth; ++k) {
      mx::Owned cell(mxCreateCellMatrix(1, 1));
      mxSetCell(cell.get(), 0, inner.release());
      inner = std::move(cell);
    }
    return inner;
  };
  const char* names[] = {"f"};
  Case cases[] = {
      {"column starts beyond the stored entries",
       corrupt(sparse(1, 2, Storage::Real, {{0, 1, 1, 0}}), 2, 5, 0), "rt:badArgument"},
      {"row beyond the rows", corrupt(sparse(2, 1, Storage::Real, {{0, 0, 1, 0}}), 1, 1, 2),
       "rt:badArgument"},
      {"column starts decreasing",
       corrupt(sparse(1, 3, Storage::Real, {{0, 0, 1, 0}, {0, 2, 1, 0}}), 2, 0, 0),
       "rt:badArgument"},
      {"struct", mx::Owned(mxCreateStructMatrix(1, 1, 1, names)), "rt:wrongType"},
      {"cells nested too deep", nested(201), "rt:badArgument"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    try {
      mx::toArray(c.value.get());
      ADD_FAILURE() << "no error";
    } catch (const rt::Error& e) {
      EXPECT_EQ(e.identifier(), c.identifier) << e.message();
    }
  }
  // The full array of a sparse size that no memory holds, or that wraps.
  for (const mwSize rows : {mwSize{1} << 40, mwSize{1} << 63}) {
    const mx::Owned huge(mxCreateSparse(rows, 2, 1, mxREAL));
    try {
      mx::toArray(huge.get());
      ADD_FAILURE() << rows << "-by-2: no error";
    } catch (const rt::Error& e) {
      EXPECT_TRUE(e.identifier() == rt::errid::kOutOfMemory ||
                  e.identifier() == rt::errid::kMaxSize)
          << e.identifier();
    }
  }
  // 200 levels are still read.
  EXPECT_TRUE(mx::toArray(nested(200).get()).isCell());
}

TEST_F(MxApi, UndefinedIsTheNullArray) {
  EXPECT_EQ(mx::fromArray(Array()), nullptr);
  EXPECT_FALSE(mx::toArray(nullptr).isDefined());
  mx::Owned c(mxCreateCellMatrix(1, 1));
  const Array v = mx::toArray(c.get());
  EXPECT_TRUE(v.cells()[0].isEmpty());  // an unset element reads as []
}

}  // namespace
}  // namespace mh
