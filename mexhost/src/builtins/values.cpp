#include <algorithm>
#include <cmath>
#include <limits>
#include <numbers>
#include <string>
#include <utility>
#include <vector>

#include "builtins/common.hpp"
#include "display.hpp"
#include "runtime/error.hpp"
#include "runtime/ops.hpp"

namespace mh::builtins {
namespace {

using rt::Array;

Array predicate(const Array& x, const std::string& name, bool (*p)(double, double)) {
  if (!x.isArithmetic()) rt::raise(kArgId, name + ": the argument must be numeric.");
  std::vector<double> v(x.numel());
  for (std::size_t i = 0; i < x.numel(); ++i) v[i] = p(x.reAt(i), x.imAt(i)) ? 1.0 : 0.0;
  return Array::logical(x.dims(), v);
}

Array charOf(const Args& args) {
  if (args.size() == 1 && !args[0].isCell()) {
    const Array& c = args[0];
    if (!c.isArithmetic()) rt::raise(kArgId, "char: the argument must be numeric or text.");
    std::vector<double> codes = c.re();
    for (double& v : codes) {
      if (!(v >= 0) || v > 65535) rt::raise(kArgId, "char: codes must be between 0 and 65535.");
      v = std::round(v);
    }
    return Array::ofClass(rt::ClassId::Char, c.dims(), std::move(codes), c.im());
  }
  // Several texts: one row each, padded with blanks.
  std::vector<std::u16string> rows;
  for (const Array& a : args) rows.push_back(a.isChar() ? a.utf16() : Array(charOf({a})).utf16());
  std::size_t width = 0;
  for (const auto& r : rows) width = std::max(width, r.size());
  std::u16string units(rows.size() * width, u' ');
  for (std::size_t r = 0; r < rows.size(); ++r) {
    for (std::size_t c = 0; c < rows[r].size(); ++c) units[c * rows.size() + r] = rows[r][c];
  }
  return Array::fromUtf16(units, {rows.size(), width});
}

bool sameValues(const Array& a, const Array& b) {
  if (a.isCell() != b.isCell()) return false;
  if (a.dims() != b.dims()) return false;
  if (a.isCell()) {
    for (std::size_t i = 0; i < a.numel(); ++i) {
      if (!sameValues(a.cells()[i], b.cells()[i])) return false;
    }
    return true;
  }
  if (!a.isDefined() || !b.isDefined()) return a.isDefined() == b.isDefined();
  for (std::size_t i = 0; i < a.numel(); ++i) {
    if (a.reAt(i) != b.reAt(i) || a.imAt(i) != b.imAt(i)) return false;
  }
  return true;
}

}  // namespace

void registerConstants(BuiltinTable& t) {
  struct Constant {
    const char* name;
    double value;
  };
  const double inf = std::numeric_limits<double>::infinity();
  const double nan = std::numeric_limits<double>::quiet_NaN();
  for (const Constant& c :
       {Constant{"pi", std::numbers::pi}, Constant{"eps", 2.220446049250313e-16},
        Constant{"Inf", inf}, Constant{"inf", inf}, Constant{"NaN", nan}, Constant{"nan", nan}}) {
    const std::string name = c.name;
    const double value = c.value;
    t.add(name, [name, value](const Args& args, int) {
      return one(Array::filled(dimsFrom(args, 0, name), value));
    });
  }
  for (const char* name : {"i", "j"}) {
    t.add(name, [name](const Args& args, int) {
      checkCount(args, 0, 0, name);
      return one(Array(rt::Complex(0.0, 1.0)));
    });
  }
  for (const bool value : {true, false}) {
    const std::string name = value ? "true" : "false";
    t.add(name, [name, value](const Args& args, int) {
      return one(Array::filled(dimsFrom(args, 0, name), value ? 1.0 : 0.0, rt::ClassId::Logical));
    });
  }
}

void registerConstruction(Interpreter& host, BuiltinTable& t) {
  static const Builtin kRows[] = {
      {"zeros",
       [](Interpreter&, const std::string& fname, const Args& args, int) -> Results {
         return one(rt::zeros(dimsFrom(args, 0, fname)));
       }},
      {"ones",
       [](Interpreter&, const std::string& fname, const Args& args, int) -> Results {
         return one(rt::ones(dimsFrom(args, 0, fname)));
       }},
      {"eye",
       [](Interpreter&, const std::string& fname, const Args& args, int) -> Results {
         const rt::Dims d = dimsFrom(args, 0, fname);
         if (d.size() != 2) rt::raise(kArgId, "eye: the size must be two-dimensional.");
         return one(rt::eye(d[0], d[1]));
       }},
      {"cell",
       [](Interpreter&, const std::string& fname, const Args& args, int) -> Results {
         return one(Array::cell(dimsFrom(args, 0, fname)));
       }},
      {"repmat",
       [](Interpreter&, const std::string& fname, const Args& args, int) -> Results {
         checkCount(args, 2, 3, fname);
         const rt::Dims d = dimsFrom(args, 1, fname);
         if (d.size() != 2)
           rt::raise(kArgId, "repmat: only two-dimensional repetition is supported.");
         return one(rt::repmat(args[0], d[0], d[1]));
       }},
      {"reshape",
       [](Interpreter&, const std::string& fname, const Args& args, int) -> Results {
         checkCount(args, 2, 16, fname);
         const Array& x = args[0];
         rt::Dims d;
         if (args.size() == 2) {
           d = dimsFrom(args, 1, fname);
         } else {
           std::size_t known = 1;
           std::size_t open = args.size();
           for (std::size_t k = 1; k < args.size(); ++k) {
             if (args[k].isEmpty()) {
               if (open != args.size()) rt::raise(kArgId, "reshape: only one size may be [].");
               open = k;
               d.push_back(0);
             } else {
               d.push_back(countOf(scalarOf(args[k], fname), fname));
               known *= d.back();
             }
           }
           if (open != args.size()) {
             if (known == 0 || x.numel() % known != 0) {
               rt::raise(kArgId, "reshape: the size is not divisible into " +
                                     std::to_string(x.numel()) + " elements.");
             }
             d[open - 1] = x.numel() / known;
           }
         }
         return one(rt::reshape(x, d));
       }},
      {"permute",
       [](Interpreter&, const std::string& fname, const Args& args, int) -> Results {
         checkCount(args, 2, 2, fname);
         return one(rt::permute(args[0], args[1]));
       }},
      {"cat",
       [](Interpreter&, const std::string& fname, const Args& args, int) -> Results {
         if (args.empty()) rt::raise(kArgId, "cat: not enough input arguments.");
         const std::size_t dim = countOf(scalarOf(args[0], fname), fname);
         return one(rt::cat(dim, Args(args.begin() + 1, args.end())));
       }},
      {"horzcat",
       [](Interpreter&, const std::string&, const Args& args, int) -> Results {
         return one(rt::horzcat(args));
       }},
      {"vertcat",
       [](Interpreter&, const std::string&, const Args& args, int) -> Results {
         return one(rt::vertcat(args));
       }},
      {"triu",
       [](Interpreter&, const std::string& fname, const Args& args, int) -> Results {
         checkCount(args, 1, 2, fname);
         const long k = args.size() > 1 ? static_cast<long>(scalarOf(args[1], fname)) : 0;
         return one(rt::triu(args[0], k));
       }},
      {"linspace",
       [](Interpreter&, const std::string& fname, const Args& args, int) -> Results {
         checkCount(args, 2, 3, fname);
         const double a = scalarOf(args[0], fname);
         const double b = scalarOf(args[1], fname);
         const std::size_t n =
             args.size() > 2 ? countOf(std::floor(scalarOf(args[2], fname)), fname) : 100;
         rt::checkMemory(n);
         std::vector<double> v(n);
         for (std::size_t k = 0; k < n; ++k) {
           v[k] = n == 1 ? b : a + (b - a) * static_cast<double>(k) / static_cast<double>(n - 1);
         }
         if (n > 1) v.back() = b;
         return one(Array::fromData({1, n}, v));
       }},
      {"colon",
       [](Interpreter&, const std::string& fname, const Args& args, int) -> Results {
         checkCount(args, 2, 3, fname);
         return one(args.size() == 2 ? rt::colon(args[0], args[1])
                                     : rt::colon(args[0], args[1], args[2]));
       }},
      {"double",
       [](Interpreter&, const std::string& fname, const Args& args, int) -> Results {
         checkCount(args, 1, 1, fname);
         if (!args[0].isArithmetic())
           rt::raise(kArgId, "double: the argument must be numeric, logical or text.");
         return one(args[0].asClass(rt::ClassId::Double));
       }},
      {"logical",
       [](Interpreter&, const std::string& fname, const Args& args, int) -> Results {
         checkCount(args, 1, 1, fname);
         const Array& x = args[0];
         if (!x.isArithmetic()) rt::raise(kArgId, "logical: the argument must be numeric.");
         std::vector<double> v(x.numel());
         for (std::size_t i = 0; i < x.numel(); ++i) {
           if (std::isnan(x.reAt(i)))
             rt::raise(kArgId, "logical: NaN cannot be converted to logical.");
           v[i] = (x.reAt(i) != 0 || x.imAt(i) != 0) ? 1.0 : 0.0;
         }
         return one(Array::logical(x.dims(), v));
       }},
      {"char",
       [](Interpreter&, const std::string&, const Args& args, int) -> Results {
         if (args.empty()) return one(Array::str(""));
         return one(charOf(args));
       }},
  };
  addAll(host, t, kRows);
  unary(t, "diag", rt::diag);
}

void registerQueries(Interpreter& host, BuiltinTable& t) {
  static const Builtin kRows[] = {
      {"size",
       [](Interpreter&, const std::string& fname, const Args& args, int nargout) -> Results {
         checkCount(args, 1, 2, fname);
         if (args.size() == 2) {
           const std::size_t d = countOf(scalarOf(args[1], fname), fname);
           return one(rt::size(args[0], d));
         }
         if (nargout <= 1) return one(rt::size(args[0]));
         Results out;
         for (double v : rt::sizeOutputs(args[0], static_cast<std::size_t>(nargout)))
           out.emplace_back(v);
         return out;
       }},
      {"numel",
       [](Interpreter&, const std::string& fname, const Args& args, int) -> Results {
         checkCount(args, 1, 1, fname);
         return one(rt::numel(args[0]));
       }},
      {"length",
       [](Interpreter&, const std::string& fname, const Args& args, int) -> Results {
         checkCount(args, 1, 1, fname);
         return one(rt::length(args[0]));
       }},
      {"ndims",
       [](Interpreter&, const std::string& fname, const Args& args, int) -> Results {
         checkCount(args, 1, 1, fname);
         return one(static_cast<double>(args[0].ndims()));
       }},
      {"class",
       [](Interpreter&, const std::string& fname, const Args& args, int) -> Results {
         checkCount(args, 1, 1, fname);
         return one(Array::str(className(args[0])));
       }},
      {"isequal",
       [](Interpreter&, const std::string& fname, const Args& args, int) -> Results {
         checkCount(args, 2, 64, fname);
         bool same = true;
         for (std::size_t k = 1; k < args.size() && same; ++k) same = sameValues(args[0], args[k]);
         return one(Array::logicalScalar(same));
       }},
      {"strcmp",
       [](Interpreter&, const std::string& fname, const Args& args, int) -> Results {
         checkCount(args, 2, 2, fname);
         const bool same = args[0].isChar() && args[1].isChar() && sameValues(args[0], args[1]);
         return one(Array::logicalScalar(same));
       }},
      {"isnan",
       [](Interpreter&, const std::string& fname, const Args& args, int) -> Results {
         checkCount(args, 1, 1, fname);
         return one(predicate(args[0], fname, [](double re, double im) {
           return std::isnan(re) || std::isnan(im);
         }));
       }},
      {"isinf",
       [](Interpreter&, const std::string& fname, const Args& args, int) -> Results {
         checkCount(args, 1, 1, fname);
         return one(predicate(args[0], fname, [](double re, double im) {
           return std::isinf(re) || std::isinf(im);
         }));
       }},
      {"isfinite",
       [](Interpreter&, const std::string& fname, const Args& args, int) -> Results {
         checkCount(args, 1, 1, fname);
         return one(predicate(args[0], fname, [](double re, double im) {
           return std::isfinite(re) && std::isfinite(im);
         }));
       }},
  };
  addAll(host, t, kRows);
  struct Test {
    const char* name;
    bool (*test)(const Array&);
  };
  for (const Test& q : std::initializer_list<Test>{
           {"ischar", [](const Array& a) { return a.isChar(); }},
           {"isstr", [](const Array& a) { return a.isChar(); }},
           {"isempty", [](const Array& a) { return a.isEmpty(); }},
           {"isnumeric", [](const Array& a) { return a.isDouble(); }},
           {"islogical", [](const Array& a) { return a.isLogical(); }},
           {"iscell", [](const Array& a) { return a.isCell(); }},
           {"isreal", [](const Array& a) { return !a.isCell() && !a.isComplex(); }},
           {"isscalar", [](const Array& a) { return a.numel() == 1; }},
           {"isvector", [](const Array& a) { return a.isVector(); }},
       }) {
    const std::string name = q.name;
    auto* test = q.test;
    t.add(name, [name, test](const Args& args, int) {
      checkCount(args, 1, 1, name);
      return one(Array::logicalScalar(test(args[0])));
    });
  }
}

}  // namespace mh::builtins
