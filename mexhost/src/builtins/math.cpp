#include <algorithm>
#include <cmath>
#include <limits>
#include <string>
#include <utility>
#include <vector>

#include "builtins/common.hpp"
#include "operators.hpp"
#include "runtime/error.hpp"
#include "runtime/ops.hpp"

namespace mh::builtins {
namespace {

using rt::Array;

Array elementwise(const Array& x, const std::string& name, double (*f)(double)) {
  if (!x.isArithmetic()) rt::raise(kArgId, name + ": the argument must be numeric.");
  std::vector<double> v(x.numel());
  for (std::size_t i = 0; i < x.numel(); ++i) v[i] = f(x.reAt(i));
  return Array::fromData(x.dims(), std::move(v));
}

// mod and rem with scalar expansion (real values).
Array modRem(const Array& a, const Array& b, bool isMod, const std::string& name) {
  if (!a.isArithmetic() || !b.isArithmetic() || a.isComplex() || b.isComplex()) {
    rt::raise(kArgId, name + ": arguments must be real numbers.");
  }
  const bool as = a.numel() == 1;
  const bool bs = b.numel() == 1;
  if (!as && !bs && a.dims() != b.dims()) {
    rt::raise(rt::errid::kNonconformant, name + ": nonconformant arguments (" +
                                             rt::dimsToString(a.dims()) + " and " +
                                             rt::dimsToString(b.dims()) + ").");
  }
  const rt::Dims dims = as ? b.dims() : a.dims();
  std::vector<double> out(as ? b.numel() : a.numel());
  for (std::size_t i = 0; i < out.size(); ++i) {
    const double x = a.reAt(as ? 0 : i);
    const double y = b.reAt(bs ? 0 : i);
    double r;
    if (isMod) {
      r = y == 0 ? x : x - std::floor(x / y) * y;
    } else {
      r = y == 0 ? std::numeric_limits<double>::quiet_NaN() : x - std::trunc(x / y) * y;
    }
    out[i] = r;
  }
  return Array::fromData(dims, std::move(out));
}

// max/min along dimension `dim` (1-based), with the positions of the extremes.
std::pair<Array, Array> extremeAlong(const Array& x, std::size_t dim, bool wantMax) {
  if (dim > x.ndims() || x.size(dim) == 1) {
    return {x, Array::filled(x.dims(), 1.0)};
  }
  std::vector<std::size_t> order{dim};
  for (std::size_t d = 1; d <= x.ndims(); ++d) {
    if (d != dim) order.push_back(d);
  }
  const Array moved = rt::permute(x, order);
  const std::size_t n = moved.rows();
  const std::size_t rest = moved.numel() / std::max<std::size_t>(1, n);
  const Array flat = rt::reshape(moved, {n, rest});
  auto [value, index] = wantMax ? rt::maxWithIndex(flat) : rt::minWithIndex(flat);
  rt::Dims movedDims = moved.dims();
  movedDims[0] = 1;
  std::vector<std::size_t> inverse(order.size());
  for (std::size_t k = 0; k < order.size(); ++k) inverse[order[k] - 1] = k + 1;
  return {rt::permute(rt::reshape(value, movedDims), inverse),
          rt::permute(rt::reshape(index, movedDims), inverse)};
}

void extreme(BuiltinTable& t, const std::string& name, bool wantMax) {
  t.add(name, [name, wantMax](const Args& args, int nargout) -> Results {
    checkCount(args, 1, 3, name);
    if (args.size() == 2) {
      if (nargout > 1) rt::raise(kArgId, name + ": two outputs need the one-argument form.");
      return one(wantMax ? rt::max(args[0], args[1]) : rt::min(args[0], args[1]));
    }
    if (args.size() == 3) {
      if (!args[1].isEmpty()) rt::raise(kArgId, name + ": the second argument must be [].");
      const std::size_t dim = countOf(scalarOf(args[2], name), name);
      if (dim == 0) rt::raise(kArgId, name + ": the dimension must be a positive integer.");
      auto [v, i] = extremeAlong(args[0], dim, wantMax);
      return {v, i};
    }
    auto [v, i] = wantMax ? rt::maxWithIndex(args[0]) : rt::minWithIndex(args[0]);
    if (nargout < 2) return one(v);
    return {v, i};
  });
}

}  // namespace

void registerMath(Interpreter& host, BuiltinTable& t) {
  // The operators' function forms.
  for (const OperatorRow& row : operatorTable()) {
    if (row.function == nullptr) continue;
    if (row.operands == 2) {
      binaryFn(t, row.function, row.binary);
    } else {
      unary(t, row.function, row.unary);
    }
  }
  struct UnaryRow {
    const char* name;
    Array (*fn)(const Array&);
  };
  static const UnaryRow kUnary[] = {
      {"sqrt", rt::sqrt},     {"exp", rt::exp},   {"log", rt::log},     {"sin", rt::sin},
      {"cos", rt::cos},       {"atan", rt::atan}, {"abs", rt::abs},     {"real", rt::real},
      {"imag", rt::imag},     {"conj", rt::conj}, {"round", rt::round}, {"floor", rt::floor},
      {"ceil", rt::ceil},     {"prod", rt::prod}, {"diff", rt::diff},   {"fliplr", rt::fliplr},
      {"flipud", rt::flipud}, {"any", rt::anyOf}, {"all", rt::allOf},   {"inv", rt::inv},
      {"ifft", rt::ifft},     {"fft", rt::fft},
  };
  for (const UnaryRow& row : kUnary) unary(t, row.name, row.fn);
  static const Builtin kRows[] = {
      {"fix",
       [](Interpreter&, const std::string& fname, const Args& args, int) -> Results {
         checkCount(args, 1, 1, fname);
         return one(elementwise(args[0], fname, [](double v) { return std::trunc(v); }));
       }},
      {"sign",
       [](Interpreter&, const std::string& fname, const Args& args, int) -> Results {
         checkCount(args, 1, 1, fname);
         return one(elementwise(args[0], fname, [](double v) {
           return std::isnan(v) ? v : static_cast<double>((v > 0) - (v < 0));
         }));
       }},
      {"mod",
       [](Interpreter&, const std::string& fname, const Args& args, int) -> Results {
         checkCount(args, 2, 2, fname);
         return one(modRem(args[0], args[1], true, fname));
       }},
      {"rem",
       [](Interpreter&, const std::string& fname, const Args& args, int) -> Results {
         checkCount(args, 2, 2, fname);
         return one(modRem(args[0], args[1], false, fname));
       }},
      {"sum",
       [](Interpreter&, const std::string& fname, const Args& args, int) -> Results {
         checkCount(args, 1, 2, fname);
         if (args.size() == 2) {
           const std::size_t d = countOf(scalarOf(args[1], fname), fname);
           if (d == 0) rt::raise(kArgId, "sum: the dimension must be a positive integer.");
           return one(rt::sum(args[0], d));
         }
         return one(rt::sum(args[0]));
       }},
      {"rcond",
       [](Interpreter&, const std::string& fname, const Args& args, int) -> Results {
         checkCount(args, 1, 1, fname);
         return one(rt::rcond(args[0]));
       }},
      {"eig",
       [](Interpreter&, const std::string& fname, const Args& args, int nargout) -> Results {
         checkCount(args, 1, 1, fname);
         if (nargout < 2) return one(rt::eigenvalues(args[0]));
         auto [v, d] = rt::eig(args[0]);
         return {v, d};
       }},
  };
  addAll(host, t, kRows);
  extreme(t, "max", true);
  extreme(t, "min", false);
}

}  // namespace mh::builtins
