// What the host's own builtins share: argument checks that name the
// builtin in their messages, and registration from tables of rows.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

#include "mexhost/builtins.hpp"
#include "mexhost/mexhost.hpp"
#include "runtime/array.hpp"

namespace mh::builtins {

using Args = std::vector<rt::Array>;
using Results = std::vector<rt::Array>;

// The identifier of a bad argument.
inline constexpr const char* kArgId = "mexhost:badArgument";

// Between `least` and `most` arguments, each with a value.
void checkCount(const Args& args, std::size_t least, std::size_t most, const std::string& name);
// A character string's text.
std::string text(const rt::Array& a, const std::string& name);
// A numeric (double, char or logical) scalar's value.
double scalarOf(const rt::Array& a, const std::string& name);
// A size: an integer up to 1e9; negative sizes are 0.
std::size_t countOf(double v, const std::string& name);
// The dimensions given as f(n), f(m, n, ...) or f([m n ...]) from argument
// `first` on; f() is 1-by-1.
rt::Dims dimsFrom(const Args& args, std::size_t first, const std::string& name);
Results one(rt::Array a);

// A row of a builtins table: the name, and the body, which is given the host
// and that name (for its messages).
struct Builtin {
  const char* name;
  Results (*body)(Interpreter& host, const std::string& fname, const Args& args, int nargout);
};

template <std::size_t N>
void addAll(Interpreter& host, BuiltinTable& t, const Builtin (&rows)[N]) {
  for (const Builtin& row : rows) {
    t.add(row.name,
          [&host, fname = std::string(row.name), body = row.body](const Args& args, int nargout) {
            return body(host, fname, args, nargout);
          });
  }
}

// f(x) and f(x, y) with the argument count checked.
void unary(BuiltinTable& t, const std::string& name, rt::Array (*fn)(const rt::Array&));
void binaryFn(BuiltinTable& t, const std::string& name,
              rt::Array (*fn)(const rt::Array&, const rt::Array&));

// The groups of builtins, registered by registerCoreBuiltins.
void registerOutput(Interpreter& host, BuiltinTable& t);     // output.cpp
void registerWorkspace(Interpreter& host, BuiltinTable& t);  // output.cpp
void registerConstants(BuiltinTable& t);                     // values.cpp
void registerConstruction(Interpreter& host, BuiltinTable& t);
void registerQueries(Interpreter& host, BuiltinTable& t);
void registerMath(Interpreter& host, BuiltinTable& t);  // math.cpp

}  // namespace mh::builtins
