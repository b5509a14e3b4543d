#include "host/constant_table.hpp"

#include <array>
#include <string>

#include "host/literals.hpp"
#include "runtime/array.hpp"
#include "runtime/error.hpp"
#include "runtime/mxconvert.hpp"

namespace xt {
namespace {

std::array<mxArray*, kLiteralCount + 1> table{};

mxArray* makeConstant(int n) {
  const LiteralDefinition& s = literalDefinition(n);
  switch (s.kind) {
    case LiteralDefinition::Kind::Double:
      return mxCreateDoubleScalar(s.values[0]);
    case LiteralDefinition::Kind::Complex: {
      mxArray* a = mxCreateDoubleMatrix(1, 1, mxCOMPLEX);
      mxGetPr(a)[0] = s.values[0];
      mxGetPi(a)[0] = s.values[1];
      return a;
    }
    case LiteralDefinition::Kind::Matrix: {
      mxArray* a =
          mxCreateDoubleMatrix(static_cast<mwSize>(s.rows), static_cast<mwSize>(s.cols), mxREAL);
      for (std::size_t i = 0; i < s.rows * s.cols; ++i) mxGetPr(a)[i] = s.values[i];
      return a;
    }
    case LiteralDefinition::Kind::Empty:
      return mxCreateDoubleMatrix(0, 0, mxREAL);
    case LiteralDefinition::Kind::String: {
      if constexpr (sizeof(mxChar) < sizeof(char16_t)) {
        // A host whose characters are bytes (GNU Octave) holds text as UTF-8.
        return mxCreateString(std::string(s.text).c_str());
      }
      // Stored as 16-bit characters with their length.
      const std::u16string units = rt::utf8ToUtf16(s.text);
      const mwSize dims[2] = {1, static_cast<mwSize>(units.size())};
      mxArray* a = mxCreateCharArray(2, dims);
      mxChar* chars = mxGetChars(a);
      for (std::size_t i = 0; i < units.size(); ++i) chars[i] = static_cast<mxChar>(units[i]);
      return a;
    }
  }
  return nullptr;
}

}  // namespace

extern "C" void initializeConstantTable(void) {
  for (int n = kLiteralCount; n >= 1; --n) {
    mxArray* a = makeConstant(n);
    // A host may free the arrays made during one of its calls when the call ends,
    // unless they are persistent; these must live until the finaliser.
    if (a != nullptr) mexMakeArrayPersistent(a);
    table[static_cast<std::size_t>(n)] = a;
  }
}

extern "C" void terminateConstantTable(void) {
  for (int n = 1; n <= kLiteralCount; ++n) {
    mxDestroyArray(table[static_cast<std::size_t>(n)]);
    table[static_cast<std::size_t>(n)] = nullptr;
  }
}

const mxArray* constantTableEntry(int n) {
  if (n < 1 || n > kLiteralCount || table[static_cast<std::size_t>(n)] == nullptr) {
    rt::raise("vextrab:constantTable",
              "The constant table of vextrab has not been made (was the library initialised?).");
  }
  return table[static_cast<std::size_t>(n)];
}

// The library plug-in's literals: read from the constant table, never assigned to.
rt::Array literal(Lit id) {
  return rt::mx::toArray(constantTableEntry(static_cast<int>(id)));
}

}  // namespace xt
