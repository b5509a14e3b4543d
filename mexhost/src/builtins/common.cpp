#include "builtins/common.hpp"

#include <cmath>
#include <utility>

#include "runtime/error.hpp"

namespace mh::builtins {

using rt::Array;

void checkCount(const Args& args, std::size_t least, std::size_t most, const std::string& name) {
  if (args.size() < least) rt::raise(kArgId, name + ": not enough input arguments.");
  if (args.size() > most) rt::raise(kArgId, name + ": too many input arguments.");
  for (const Array& a : args) {
    if (!a.isDefined()) rt::raise(rt::errid::kUndefined, name + ": an argument has no value.");
  }
}

std::string text(const Array& a, const std::string& name) {
  if (!a.isChar()) rt::raise(kArgId, name + ": the argument must be a character string.");
  return a.utf8();
}

double scalarOf(const Array& a, const std::string& name) {
  if (!a.isArithmetic() || a.numel() != 1)
    rt::raise(kArgId, name + ": the argument must be a scalar.");
  return a.reAt(0);
}

std::size_t countOf(double v, const std::string& name) {
  if (std::isnan(v) || v != std::floor(v)) {
    rt::raise(kArgId, name + ": sizes must be integers.");
  }
  if (v > 1e9) rt::raise(kArgId, name + ": the size is too large.");
  return v < 0 ? 0 : static_cast<std::size_t>(v);
}

// The dimensions given as f(n), f(m, n, ...) or f([m n ...]); f() is 1-by-1.
rt::Dims dimsFrom(const Args& args, std::size_t first, const std::string& name) {
  if (args.size() <= first) return {1, 1};
  if (args.size() == first + 1) {
    const Array& a = args[first];
    if (!a.isArithmetic()) rt::raise(kArgId, name + ": sizes must be numeric.");
    if (a.numel() == 1) {
      const std::size_t n = countOf(a.reAt(0), name);
      return {n, n};
    }
    rt::Dims d;
    for (std::size_t i = 0; i < a.numel(); ++i) d.push_back(countOf(a.reAt(i), name));
    if (d.size() < 2) rt::raise(kArgId, name + ": the size vector needs at least two elements.");
    return d;
  }
  rt::Dims d;
  for (std::size_t k = first; k < args.size(); ++k)
    d.push_back(countOf(scalarOf(args[k], name), name));
  return d;
}

Results one(Array a) {
  return {std::move(a)};
}

void unary(BuiltinTable& t, const std::string& name, Array (*fn)(const Array&)) {
  t.add(name, [name, fn](const Args& args, int) {
    checkCount(args, 1, 1, name);
    return one(fn(args[0]));
  });
}

void binaryFn(BuiltinTable& t, const std::string& name, Array (*fn)(const Array&, const Array&)) {
  t.add(name, [name, fn](const Args& args, int) {
    checkCount(args, 2, 2, name);
    return one(fn(args[0], args[1]));
  });
}

}  // namespace mh::builtins
