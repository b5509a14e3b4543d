// The built plug-ins as a host loads them: vextrab's library descriptor, its local
// function table and its constant table of 60 literals (made from number 60 down
// to 1 by the initialiser, destroyed from 1 up to 60 by the finaliser, untouched by
// calls); what each deliverable exports.
#include <dlfcn.h>
#include <gtest/gtest.h>
#include <mex.h>

#include <array>
#include <cmath>
#include <cstring>
#include <string>
#include <utility>
#include <vector>

#include "host/literals.hpp"
#include "mexhost/mxhost.hpp"
#include "runtime/mexlibrary.h"

namespace {

// ---- the 60 constants, written out here independently of the program -------------

struct Constant {
  char kind;  // 'd' double, 'c' complex scalar, 'm' real matrix, 'e' empty, 's' string
  std::size_t rows = 1;
  std::size_t cols = 1;
  std::vector<double> re;
  double im = 0;
  std::string text;
};

Constant d(double v) {
  return {'d', 1, 1, {v}, 0, {}};
}
Constant c(double re, double im) {
  return {'c', 1, 1, {re}, im, {}};
}
Constant m(std::size_t rows, std::size_t cols, std::vector<double> v) {
  return {'m', rows, cols, std::move(v), 0, {}};
}
Constant s(std::string text) {
  return {'s', 1, 0, {}, 0, std::move(text)};
}

const std::array<Constant, 61>& expectedConstants() {
  static const std::array<Constant, 61> table = {{
      {'-', 0, 0, {}, 0, {}},
      /*  1 */ m(1, 3, {3, 1, 2}),
      /*  2 */ m(1, 3, {3, 2, 1}),
      /*  3 */ c(0, 6.283185307179586),
      /*  4 */ d(8.987554305625e+16),
      /*  5 */ d(8.8541853e-12),
      /*  6 */ d(6.0),
      /*  7 */ s("equal"),
      /*  8 */ {'e', 0, 0, {}, 0, {}},
      /*  9 */ d(0.05),
      /* 10 */ d(4.0),
      /* 11 */ d(3.0),
      /* 12 */ s("linewidth"),
      /* 13 */ s("b"),
      /* 14 */ s("color"),
      /* 15 */ s("inmatningsfel antal höjder"),
      /* 16 */ s("inmatningsfel antal centrumavstånd"),
      /* 17 */ c(0, -6.283185307179586),
      /* 18 */ d(3.141592653589793),
      /* 19 */ c(0, -3.141592653589793),
      /* 20 */ c(0, 1),
      /* 21 */ d(6.283185307179586),
      /* 22 */ s("Spänning på ledare 2"),
      /* 23 */ s("Amplitud [mV]"),
      /* 24 */ d(1000.0),
      /* 25 */ d(1e-16),
      /* 26 */ d(20.0),
      /* 27 */ s("Spänning i källändan"),
      /* 28 */ s("Spänning i laständan"),
      /* 29 */ s("Spänning i laständan på ledare 1"),
      /* 30 */ s("Amplitud [V]"),
      /* 31 */ s("Tid [ns]"),
      /* 32 */ d(1000000000.0),
      /* 33 */ d(0.1),
      /* 34 */ m(2, 1, {0, 0}),
      /* 35 */ m(1, 3, {1, 3, 2}),
      /* 36 */ m(2, 1, {1, 0}),
      /* 37 */ d(300000000.0),
      /* 38 */ d(0.01),
      /* 39 */ d(18.0),
      /* 40 */ s("FontSize"),
      /* 41 */ s("Beräkning pågår!"),
      /* 42 */ d(0.5),
      /* 43 */ d(0.25),
      /* 44 */ s("off"),
      /* 45 */ m(1, 2, {-0.5, 0.5}),
      /* 46 */ s("xlim"),
      /* 47 */ s("ylim"),
      /* 48 */ m(1, 3, {1, 0.3, 1}),
      /* 49 */ s("plotboxaspectratio"),
      /* 50 */ d(200.0),
      /* 51 */ m(1, 2, {-0.2, 0.2}),
      /* 52 */ m(1, 3, {1, 0.2, 0.2}),
      /* 53 */ d(5e-10),
      /* 54 */ d(1e-08),
      /* 55 */ d(2.0),
      /* 56 */ d(2.220446049250313e-16),
      /* 57 */ d(1.0),
      /* 58 */ d(0.0),
      /* 59 */ d(2.5e-08),
      /* 60 */ d(4096.0),
  }};
  return table;
}

// UTF-8 (letters of the Basic Multilingual Plane only) to 16-bit units.
std::u16string utf16(const std::string& utf8) {
  std::u16string out;
  for (std::size_t k = 0; k < utf8.size();) {
    const auto b = static_cast<unsigned char>(utf8[k]);
    if (b < 0x80) {
      out.push_back(b);
      k += 1;
    } else if ((b & 0xE0) == 0xC0) {
      out.push_back(static_cast<char16_t>(((b & 0x1F) << 6) | (utf8[k + 1] & 0x3F)));
      k += 2;
    } else {
      out.push_back(static_cast<char16_t>(((b & 0x0F) << 12) | ((utf8[k + 1] & 0x3F) << 6) |
                                          (utf8[k + 2] & 0x3F)));
      k += 3;
    }
  }
  return out;
}

std::u16string charsOf(const mxArray* a) {
  const mxChar* chars = mxGetChars(a);
  return std::u16string(chars, chars + mxGetNumberOfElements(a));
}

// Checks the array of constant n against its expected value.
void expectConstant(int n, const mxArray* a, const Constant& want) {
  SCOPED_TRACE("constant " + std::to_string(n));
  ASSERT_NE(a, nullptr);
  ASSERT_EQ(mxGetNumberOfDimensions(a), 2u);
  if (want.kind == 's') {
    ASSERT_TRUE(mxIsChar(a));
    const std::u16string units = utf16(want.text);
    EXPECT_EQ(mxGetM(a), 1u);
    EXPECT_EQ(mxGetN(a), units.size());
    EXPECT_TRUE(charsOf(a) == units);
    return;
  }
  ASSERT_TRUE(mxIsDouble(a));
  EXPECT_EQ(mxGetM(a), want.rows);
  EXPECT_EQ(mxGetN(a), want.rows == 0 ? 0u : want.cols);
  EXPECT_EQ(mxIsComplex(a), want.kind == 'c');
  ASSERT_EQ(mxGetNumberOfElements(a), want.re.size());
  for (std::size_t k = 0; k < want.re.size(); ++k) EXPECT_EQ(mxGetPr(a)[k], want.re[k]) << k;
  if (want.kind == 'c') {
    ASSERT_NE(mxGetPi(a), nullptr);
    EXPECT_EQ(mxGetPi(a)[0], want.im);
  }
}

// The same against the program's own definition of the literal.
void expectLiteral(int n, const mxArray* a) {
  SCOPED_TRACE("literal " + std::to_string(n));
  const xt::LiteralDefinition& def = xt::literalDefinition(n);
  using K = xt::LiteralDefinition::Kind;
  ASSERT_NE(a, nullptr);
  switch (def.kind) {
    case K::String:
      ASSERT_TRUE(mxIsChar(a));
      EXPECT_TRUE(charsOf(a) == utf16(std::string(def.text)));
      return;
    case K::Empty:
      EXPECT_TRUE(mxIsDouble(a));
      EXPECT_EQ(mxGetM(a), 0u);
      EXPECT_EQ(mxGetN(a), 0u);
      return;
    case K::Double:
    case K::Complex:
    case K::Matrix: {
      ASSERT_TRUE(mxIsDouble(a));
      EXPECT_EQ(mxIsComplex(a), def.kind == K::Complex);
      EXPECT_EQ(mxGetM(a), def.rows);
      EXPECT_EQ(mxGetN(a), def.cols);
      const std::size_t count = def.rows * def.cols;
      ASSERT_EQ(mxGetNumberOfElements(a), count);
      for (std::size_t k = 0; k < count; ++k) {
        EXPECT_EQ(mxGetPr(a)[k], def.kind == K::Complex ? def.values[0] : def.values[k]);
      }
      if (def.kind == K::Complex) {
        EXPECT_EQ(mxGetPi(a)[0], def.values[1]);
      }
      return;
    }
  }
}

// ---- loading -------------------------------------------------------------------------

void* load(const char* path) {
  void* handle = dlopen(path, RTLD_NOW | RTLD_LOCAL);
  if (handle == nullptr) ADD_FAILURE() << "dlopen " << path << ": " << dlerror();
  return handle;
}

void* vextrab() {
  static void* handle = load(XT_VEXTRAB_PLUGIN);
  return handle;
}
void* vextral() {
  static void* handle = load(XT_VEXTRAL_PLUGIN);
  return handle;
}

const mexLibraryDescriptor* descriptor() {
  if (vextrab() == nullptr) return nullptr;
  const auto entry = reinterpret_cast<mexLibraryFunction>(dlsym(vextrab(), "_mexLibrary"));
  return entry != nullptr ? entry() : nullptr;
}

// Array events seen by libmx while `f` runs: (array, created).
template <typename F>
std::vector<std::pair<const mxArray*, bool>> observe(F&& f) {
  std::vector<std::pair<const mxArray*, bool>> events;
  mh::setArrayObserver([&](const mxArray* a, bool created) { events.emplace_back(a, created); });
  f();
  mh::setArrayObserver({});
  return events;
}

// The constant table while it exists: made by the initialiser in the constructor,
// destroyed by the finaliser in the destructor (unless a test did it first).
class ConstantTable {
 public:
  explicit ConstantTable(const mexInitTermPair& pair) : pair_(pair) {
    const auto events = observe([&] { pair_.initialize(); });
    made_ = events;
    for (std::size_t k = 0; k < events.size() && k < 60; ++k) {
      constants_[60 - k] = events[k].first;
    }
  }
  ~ConstantTable() {
    if (!finalised_) finalise();
  }
  std::vector<std::pair<const mxArray*, bool>> finalise() {
    finalised_ = true;
    return observe([&] { pair_.terminate(); });
  }
  const std::vector<std::pair<const mxArray*, bool>>& made() const { return made_; }
  // Constant n, as the order of making tells it: the first array made is number 60.
  const mxArray* operator[](int n) const { return constants_[static_cast<std::size_t>(n)]; }

 private:
  mexInitTermPair pair_;
  std::vector<std::pair<const mxArray*, bool>> made_;
  std::array<const mxArray*, 61> constants_{};
  bool finalised_ = false;
};

// ---- the descriptor ------------------------------------------------------------------

TEST(VextrabDescriptor, MexLibraryReturnsTheSameRecordOnEveryCall) {
  const mexLibraryDescriptor* first = descriptor();
  ASSERT_NE(first, nullptr);
  const mexLibraryDescriptor* second = descriptor();
  EXPECT_EQ(first, second);
}

TEST(VextrabDescriptor, RegistersVextrabWithFourLocalFunctionsAndOneInitialiserPair) {
  const mexLibraryDescriptor* lib = descriptor();
  ASSERT_NE(lib, nullptr);
  EXPECT_EQ(lib->version, 1);
  ASSERT_EQ(lib->functionCount, 1);
  for (intptr_t word : lib->reserved) EXPECT_EQ(word, 0);
  ASSERT_EQ(lib->initTermCount, 1);
  ASSERT_NE(lib->initTerm, nullptr);
  EXPECT_NE(lib->initTerm[0].initialize, nullptr);
  EXPECT_NE(lib->initTerm[0].terminate, nullptr);

  const mexFunctionEntry& top = lib->functions[0];
  EXPECT_STREQ(top.name, "vextrab");
  EXPECT_NE(top.feval, nullptr);
  EXPECT_EQ(top.inputs, 3);
  EXPECT_EQ(top.outputs, 0);
  ASSERT_NE(top.local, nullptr);
  ASSERT_EQ(top.local->count, 4);

  struct Row {
    const char* name;
    intptr_t inputs;
    intptr_t outputs;
  };
  const Row rows[4] = {{"ftrapez", 4, 1}, {"plattm", 15, 2}, {"mtlfd", 8, 2}, {"iffts", 2, 1}};
  std::vector<mexFevalEntry> entries = {top.feval};
  for (std::size_t k = 0; k < 4; ++k) {
    const mexFunctionEntry& row = top.local->rows[k];
    SCOPED_TRACE(rows[k].name);
    EXPECT_STREQ(row.name, rows[k].name);
    EXPECT_EQ(row.inputs, rows[k].inputs);
    EXPECT_EQ(row.outputs, rows[k].outputs);
    EXPECT_EQ(row.local, nullptr);
    EXPECT_NE(row.feval, nullptr);
    for (mexFevalEntry other : entries) EXPECT_NE(row.feval, other);
    entries.push_back(row.feval);
  }
}

TEST(Deliverables, EachExportsOnlyItsOwnEntry) {
  ASSERT_NE(vextrab(), nullptr);
  ASSERT_NE(vextral(), nullptr);
  EXPECT_NE(dlsym(vextrab(), "_mexLibrary"), nullptr);
  EXPECT_EQ(dlsym(vextrab(), "mexFunction"), nullptr);
  EXPECT_EQ(dlsym(vextrab(), "mexStringResources"), nullptr);
  EXPECT_EQ(dlsym(vextrab(), "initializeConstantTable"), nullptr);

  EXPECT_NE(dlsym(vextral(), "mexFunction"), nullptr);
  EXPECT_EQ(dlsym(vextral(), "_mexLibrary"), nullptr);
  const auto* resources =
      static_cast<const mexStringResource*>(dlsym(vextral(), "mexStringResources"));
  ASSERT_NE(resources, nullptr);
  std::vector<std::pair<int, std::string>> found;
  for (const mexStringResource* r = resources; r->text != nullptr; ++r) {
    found.emplace_back(r->id, r->text);
  }
  EXPECT_EQ(found, (std::vector<std::pair<int, std::string>>{{100, "MATLAB R11 native"},
                                                             {101, "not inlined"}}));
}

// ---- the constant table --------------------------------------------------------------

class VextrabConstants : public ::testing::Test {
 protected:
  void SetUp() override {
    lib = descriptor();
    ASSERT_NE(lib, nullptr);
    ASSERT_EQ(lib->initTermCount, 1);
    before = mh::liveArrayCount();
  }
  const mexLibraryDescriptor* lib = nullptr;
  std::size_t before = 0;
};

TEST_F(VextrabConstants, InitialiserMakesSixtyArraysFromNumber60DownToNumber1) {
  ConstantTable table(lib->initTerm[0]);
  const auto& made = table.made();
  ASSERT_EQ(made.size(), 60u) << "one array per constant, nothing else";
  for (const auto& [array, created] : made) EXPECT_TRUE(created);
  EXPECT_EQ(mh::liveArrayCount(), before + 60);
  // Number 60 (4096) is made first and number 1 ([3 1 2]) last: the values tell
  // that the order of making is the order of the numbers, downwards.
  for (int n = 1; n <= 60; ++n) expectConstant(n, table[n], expectedConstants()[n]);
}

TEST_F(VextrabConstants, ConstantsHaveTheProgramsLiteralValues) {
  ConstantTable table(lib->initTerm[0]);
  ASSERT_EQ(table.made().size(), 60u);
  for (int n = 1; n <= 60; ++n) expectLiteral(n, table[n]);
}

TEST_F(VextrabConstants, KindsAndSizesOfNotableConstants) {
  ConstantTable table(lib->initTerm[0]);
  ASSERT_EQ(table.made().size(), 60u);
  // 3: 0+2*pi*i, complex.
  ASSERT_TRUE(mxIsComplex(table[3]));
  EXPECT_EQ(mxGetPr(table[3])[0], 0.0);
  EXPECT_EQ(mxGetPi(table[3])[0], 6.283185307179586);
  // 8: the 0-by-0 empty matrix.
  EXPECT_TRUE(mxIsEmpty(table[8]));
  EXPECT_EQ(mxGetM(table[8]), 0u);
  EXPECT_EQ(mxGetN(table[8]), 0u);
  // 34: [0; 0], 2-by-1.
  EXPECT_EQ(mxGetM(table[34]), 2u);
  EXPECT_EQ(mxGetN(table[34]), 1u);
  // 41: the banner, 16 characters of 16 bits.
  ASSERT_TRUE(mxIsChar(table[41]));
  EXPECT_EQ(mxGetN(table[41]), 16u);
  EXPECT_EQ(mxGetChars(table[41])[3], 0x00E4);   // ä
  EXPECT_EQ(mxGetChars(table[41])[11], 0x00E5);  // å
  // 16: the longest message, with å.
  EXPECT_EQ(mxGetN(table[16]), 34u);
}

TEST_F(VextrabConstants, FinaliserDestroysThemFromNumber1UpToNumber60) {
  ConstantTable table(lib->initTerm[0]);
  ASSERT_EQ(table.made().size(), 60u);
  const auto destroyed = table.finalise();
  ASSERT_EQ(destroyed.size(), 60u);
  for (int n = 1; n <= 60; ++n) {
    EXPECT_EQ(destroyed[static_cast<std::size_t>(n - 1)].first, table[n]) << "constant " << n;
    EXPECT_FALSE(destroyed[static_cast<std::size_t>(n - 1)].second);
  }
  EXPECT_EQ(mh::liveArrayCount(), before);
}

TEST_F(VextrabConstants, CallsReadTheConstantsAndLeaveThemAsTheyWere) {
  ConstantTable table(lib->initTerm[0]);
  ASSERT_EQ(table.made().size(), 60u);
  const mexLocalFunctionTable* local = lib->functions[0].local;
  ASSERT_NE(local, nullptr);
  const mexFevalEntry ftrapez = local->rows[0].feval;
  const mexFevalEntry plattm = local->rows[1].feval;

  const std::size_t live = mh::liveArrayCount();
  {
    // y = ftrapez([1e6 2e6], 1e-8, 5e-10, 5e-10) with no output asked for: slot 1
    // is filled all the same.
    mxArray* f = mxCreateDoubleMatrix(1, 2, mxREAL);
    mxGetPr(f)[0] = 1e6;
    mxGetPr(f)[1] = 2e6;
    void* in[4] = {f, mxCreateDoubleScalar(1e-8), mxCreateDoubleScalar(5e-10),
                   mxCreateDoubleScalar(5e-10)};
    void* out[2] = {nullptr, nullptr};
    ftrapez(0, out, 4, in);
    ASSERT_NE(out[0], nullptr);
    EXPECT_EQ(mxGetN(static_cast<mxArray*>(out[0])), 2u);
    EXPECT_TRUE(mxIsComplex(static_cast<mxArray*>(out[0])));
    for (void* a : in) mxDestroyArray(static_cast<mxArray*>(a));
    mxDestroyArray(static_cast<mxArray*>(out[0]));
  }
  {
    // Ctr = plattm([1 0.2 0.2], [-0.2 0.2], 0.1, 200): Ctr stored, Ltr released.
    mxArray* b = mxCreateDoubleMatrix(1, 3, mxREAL);
    mxGetPr(b)[0] = 1;
    mxGetPr(b)[1] = 0.2;
    mxGetPr(b)[2] = 0.2;
    mxArray* dd = mxCreateDoubleMatrix(1, 2, mxREAL);
    mxGetPr(dd)[0] = -0.2;
    mxGetPr(dd)[1] = 0.2;
    void* in[4] = {b, dd, mxCreateDoubleScalar(0.1), mxCreateDoubleScalar(200)};
    void* out[2] = {nullptr, nullptr};
    plattm(1, out, 4, in);
    ASSERT_NE(out[0], nullptr);
    EXPECT_EQ(out[1], nullptr);
    EXPECT_EQ(mxGetM(static_cast<mxArray*>(out[0])), 2u);
    EXPECT_EQ(mxGetN(static_cast<mxArray*>(out[0])), 2u);
    for (void* a : in) mxDestroyArray(static_cast<mxArray*>(a));
    mxDestroyArray(static_cast<mxArray*>(out[0]));
  }
  // Nothing left behind, and the 60 constants as they were made.
  EXPECT_EQ(mh::liveArrayCount(), live);
  for (int n = 1; n <= 60; ++n) {
    EXPECT_TRUE(mh::isLiveArray(table[n]));
    expectConstant(n, table[n], expectedConstants()[n]);
  }
}

}  // namespace
