#include "builtins_core.hpp"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <iostream>
#include <limits>
#include <numbers>
#include <string>
#include <thread>
#include <vector>

#include "display.hpp"
#include "help.hpp"
#include "loader.hpp"
#include "mexhost/mxhost.hpp"
#include "operators.hpp"
#include "printf.hpp"
#include "runtime/error.hpp"
#include "runtime/ops.hpp"

namespace mh {
namespace {

using rt::Array;
using Args = std::vector<Array>;
using Results = std::vector<Array>;

constexpr const char* kArgId = "mexhost:badArgument";

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

Array elementwise(const Array& x, const std::string& name, double (*f)(double)) {
  if (!x.isArithmetic()) rt::raise(kArgId, name + ": the argument must be numeric.");
  std::vector<double> v(x.numel());
  for (std::size_t i = 0; i < x.numel(); ++i) v[i] = f(x.reAt(i));
  return Array::fromData(x.dims(), std::move(v));
}

Array predicate(const Array& x, const std::string& name, bool (*p)(double, double)) {
  if (!x.isArithmetic()) rt::raise(kArgId, name + ": the argument must be numeric.");
  std::vector<double> v(x.numel());
  for (std::size_t i = 0; i < x.numel(); ++i) v[i] = p(x.reAt(i), x.imAt(i)) ? 1.0 : 0.0;
  return Array::logical(x.dims(), v);
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

std::string num2strScalar(double v, int significant) {
  if (std::isnan(v)) return "NaN";
  if (std::isinf(v)) return v < 0 ? "-Inf" : "Inf";
  char buf[64];
  if (v == std::floor(v) && std::fabs(v) < 1e15) {
    std::snprintf(buf, sizeof buf, "%.0f", v == 0 ? 0.0 : v);
  } else {
    std::snprintf(buf, sizeof buf, "%.*g", significant, v);
  }
  return buf;
}

std::string num2strComplex(double re, double im, int significant) {
  std::string s = num2strScalar(re, significant);
  s += (std::signbit(im) && !std::isnan(im)) ? "-" : "+";
  s += num2strScalar(std::fabs(im), significant) + "i";
  return s;
}

// num2str of a numeric array: significant digits from the largest magnitude, rows
// of elements two spaces apart, right-aligned in columns.
Array num2str(const Array& x, const Args& args) {
  if (x.isChar()) return x;
  if (!x.isArithmetic()) rt::raise(kArgId, "num2str: the argument must be numeric or text.");
  if (args.size() > 1 && args[1].isChar()) return Array::str(formatData(args[1].utf8(), {x}));
  double maxAbs = 0;
  for (std::size_t i = 0; i < x.numel(); ++i) {
    if (std::isfinite(x.reAt(i))) maxAbs = std::max(maxAbs, std::fabs(x.reAt(i)));
  }
  int significant =
      maxAbs > 0 ? std::clamp(static_cast<int>(std::floor(std::log10(maxAbs))) + 5, 5, 16) : 5;
  if (args.size() > 1)
    significant = static_cast<int>(countOf(scalarOf(args[1], "num2str"), "num2str"));
  if (x.isEmpty()) return Array::str("");
  const std::size_t rows = x.rows();
  const std::size_t cols = x.numel() / std::max<std::size_t>(1, rows);
  std::vector<std::string> cells(x.numel());
  std::size_t width = 0;
  for (std::size_t i = 0; i < x.numel(); ++i) {
    cells[i] = x.isComplex() ? num2strComplex(x.reAt(i), x.imAt(i), significant)
                             : num2strScalar(x.reAt(i), significant);
    width = std::max(width, cells[i].size());
  }
  if (x.numel() == 1) return Array::str(cells[0]);
  std::vector<std::string> lines;
  for (std::size_t r = 0; r < rows; ++r) {
    std::string line;
    for (std::size_t c = 0; c < cols; ++c) {
      const std::string& s = cells[c * rows + r];
      if (c > 0) line += "  ";
      line += std::string(width - s.size(), ' ') + s;
    }
    lines.push_back(line);
  }
  // Rows as a char matrix (all of equal length by construction).
  std::u16string units;
  const std::size_t len = lines[0].size();
  for (std::size_t c = 0; c < len; ++c) {
    for (std::size_t r = 0; r < rows; ++r) units.push_back(static_cast<char16_t>(lines[r][c]));
  }
  return Array::fromUtf16(units, {rows, len});
}

std::string mat2str(const Array& x, int precision) {
  auto number = [precision](double re, double im, bool complex) {
    std::string s = num2strScalar(re, precision);
    if (complex) {
      s += (std::signbit(im) && !std::isnan(im)) ? "-" : "+";
      s += num2strScalar(std::fabs(im), precision) + "i";
    }
    return s;
  };
  if (x.ndims() > 2) rt::raise(kArgId, "mat2str: the argument must be two-dimensional.");
  if (x.isChar()) {
    std::string s = x.utf8();
    std::string q;
    for (char c : s) q += c == '\'' ? std::string("''") : std::string(1, c);
    return "'" + q + "'";
  }
  if (!x.isArithmetic())
    rt::raise(kArgId, "mat2str: the argument must be numeric, logical or text.");
  auto element = [&](std::size_t i) {
    if (x.isLogical()) return std::string(x.reAt(i) != 0 ? "true" : "false");
    return number(x.reAt(i), x.imAt(i), x.isComplex());
  };
  if (x.numel() == 1) return element(0);
  std::string s = "[";
  for (std::size_t r = 0; r < x.rows(); ++r) {
    if (r > 0) s += ";";
    for (std::size_t c = 0; c < x.cols(); ++c) {
      if (c > 0) s += " ";
      s += element(c * x.rows() + r);
    }
  }
  return s + "]";
}

// error/warning arguments: (message), (format, args...), (identifier, format, args...).
std::pair<std::string, std::string> messageOf(const Args& args, const std::string& name) {
  const std::string first = text(args[0], name);
  if (args.size() == 1) return {"", first};
  const bool identifier = first.find(':') != std::string::npos &&
                          first.find_first_of(" \t\n") == std::string::npos &&
                          first.back() != ':' && args[1].isChar();
  if (identifier) {
    return {first, formatData(args[1].utf8(), Args(args.begin() + 2, args.end()))};
  }
  return {"", formatData(first, Args(args.begin() + 1, args.end()))};
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

void registerOutput(Interpreter& host, BuiltinTable& t) {
  Interpreter* h = &host;
  static const Builtin kRows[] = {
      {"disp",
       [](Interpreter& host, const std::string& fname, const Args& args, int) -> Results {
         checkCount(args, 1, 1, fname);
         host.out() << dispText(args[0], host.displayFormat());
         return {};
       }},
      {"display",
       [](Interpreter& host, const std::string& fname, const Args& args, int) -> Results {
         checkCount(args, 1, 2, fname);
         host.display(args.size() > 1 ? text(args[1], fname) : "ans", args[0]);
         return {};
       }},
      {"sprintf",
       [](Interpreter&, const std::string& fname, const Args& args, int) -> Results {
         if (args.empty()) rt::raise(kArgId, "sprintf: not enough input arguments.");
         const std::string format = text(args[0], fname);
         return one(Array::str(formatData(format, Args(args.begin() + 1, args.end()))));
       }},
      {"fprintf",
       [](Interpreter& host, const std::string&, const Args& args, int nargout) -> Results {
         if (args.empty()) rt::raise(kArgId, "fprintf: not enough input arguments.");
         std::size_t first = 0;
         int fid = 1;
         if (!args[0].isChar()) {
           if (args.size() < 2 || !args[1].isChar() || args[0].numel() != 1) {
             rt::raise(kArgId, "fprintf: the format must be a character string.");
           }
           const double f = args[0].reAt(0);
           if (f != 1 && f != 2) rt::raise(kArgId, "fprintf: invalid file identifier.");
           fid = static_cast<int>(f);
           first = 1;
         }
         const std::string s =
             formatData(args[first].utf8(), Args(args.begin() + first + 1, args.end()));
         if (fid == 2) {
           host.out().flush();
           host.err() << s;
           host.err().flush();
         } else {
           host.out() << s;
         }
         if (nargout > 0) return one(static_cast<double>(s.size()));
         return {};
       }},
      {"num2str",
       [](Interpreter&, const std::string& fname, const Args& args, int) -> Results {
         checkCount(args, 1, 2, fname);
         return one(num2str(args[0], args));
       }},
      {"int2str",
       [](Interpreter&, const std::string& fname, const Args& args, int) -> Results {
         checkCount(args, 1, 1, fname);
         return one(num2str(rt::round(args[0]), {args[0]}));
       }},
      {"mat2str",
       [](Interpreter&, const std::string& fname, const Args& args, int) -> Results {
         checkCount(args, 1, 2, fname);
         const int precision =
             args.size() > 1 ? static_cast<int>(countOf(scalarOf(args[1], fname), fname)) : 15;
         return one(Array::str(mat2str(args[0], precision)));
       }},
      {"format",
       [](Interpreter& host, const std::string& fname, const Args& args, int) -> Results {
         std::string choice;
         for (const Array& a : args) {
           std::string word = text(a, fname);
           for (char& c : word) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
           choice += word;
         }
         DisplayFormat& f = host.displayFormat();
         if (choice.empty()) {
           f = DisplayFormat{};
         } else if (choice == "short") {
           f.number = NumberFormat::Short;
         } else if (choice == "long") {
           f.number = NumberFormat::Long;
         } else if (choice == "shortg") {
           f.number = NumberFormat::ShortG;
         } else if (choice == "longg") {
           f.number = NumberFormat::LongG;
         } else if (choice == "shorte") {
           f.number = NumberFormat::ShortE;
         } else if (choice == "longe") {
           f.number = NumberFormat::LongE;
         } else if (choice == "compact") {
           f.compact = true;
         } else if (choice == "loose") {
           f.compact = false;
         } else {
           rt::raise(kArgId, "format: unknown format '" + choice + "'.");
         }
         return {};
       }},
      {"error",
       [](Interpreter&, const std::string& fname, const Args& args, int) -> Results {
         if (args.empty()) rt::raise(kArgId, "error: not enough input arguments.");
         const auto [id, message] = messageOf(args, fname);
         if (message.empty() && args.size() == 1) return {};  // error('') does nothing
         rt::raise(id, message);
       }},
      {"warning",
       [](Interpreter& host, const std::string& fname, const Args& args, int) -> Results {
         if (args.empty()) rt::raise(kArgId, "warning: not enough input arguments.");
         const std::string first = text(args[0], fname);
         if (first == "on" || first == "off") {
           WarningSwitches& w = InterpreterAccess::warnings(host);
           const std::string id = args.size() > 1 ? text(args[1], fname) : "all";
           const bool off = first == "off";
           if (id == "all") {
             w = WarningSwitches{};
             w.allOff = off;
           } else if (off) {
             w.off.insert(id);
             w.on.erase(id);
           } else {
             w.on.insert(id);
             w.off.erase(id);
           }
           return {};
         }
         const auto [id, message] = messageOf(args, fname);
         host.reportWarning(id, message);
         return {};
       }},
      {"lasterr",
       [](Interpreter& host, const std::string&, const Args&, int) -> Results {
         return one(Array::str(host.lastError()));
       }},
      {"pause",
       [](Interpreter& host, const std::string& fname, const Args& args, int) -> Results {
         checkCount(args, 0, 1, fname);
         if (args.empty() || args[0].isChar() || host.options().noPause) return {};
         const double seconds = scalarOf(args[0], fname);
         if (!(seconds > 0)) return {};
         const double wait = std::min(seconds, host.options().pauseCap);
         std::this_thread::sleep_for(std::chrono::duration<double>(wait));
         return {};
       }},
  };
  addAll(host, t, kRows);
  for (const char* name : {"exit", "quit"}) {
    t.add(name, [h, name](const Args& args, int) -> Results {
      checkCount(args, 0, 1, name);
      // The status is the process's exit status: an integer from 0 to 255. Anything
      // else (NaN, Inf, fractions, out of range) is an error and the session goes on.
      const double status = args.empty() ? 0.0 : scalarOf(args[0], name);
      if (!(status >= 0 && status <= 255) || status != std::floor(status)) {
        rt::raise(kArgId, std::string(name) +
                              ": the status must be an integer from 0 to 255 (got " +
                              num2strScalar(status, 5) + ").");
      }
      h->requestExit(static_cast<int>(status));
      return {};
    });
  }
}

void registerWorkspace(Interpreter& host, BuiltinTable& t) {
  static const Builtin kRows[] = {
      {"who",
       [](Interpreter& host, const std::string&, const Args&, int nargout) -> Results {
         const std::vector<std::string> names = host.variableNames();
         if (nargout > 0) {
           std::vector<Array> cells;
           for (const std::string& name : names) cells.push_back(Array::str(name));
           return one(Array::cell({names.size(), 1}, std::move(cells)));
         }
         if (names.empty()) return {};
         std::string line;
         for (const std::string& n : names) line += n + "  ";
         host.out() << "Your variables are:\n\n" << line << "\n\n";
         return {};
       }},
      {"clear",
       [](Interpreter& host, const std::string& fname, const Args& args, int) -> Results {
         if (args.empty()) {
           host.clearVariables();
           return {};
         }
         for (const Array& a : args) {
           const std::string name = text(a, fname);
           if (name == "all" || name == "-all") {
             host.clearVariables();
             host.unloadPlugins();
           } else if (name == "mex" || name == "functions" || name == "-mex") {
             host.unloadPlugins();
           } else if (name == "variables" || name == "-variables") {
             host.clearVariables();
           } else {
             host.clearVariable(name);
           }
         }
         return {};
       }},
      {"mexhost_live_arrays",
       [](Interpreter&, const std::string&, const Args&, int) -> Results {
         return one(static_cast<double>(liveArrayCount()));
       }},
  };
  addAll(host, t, kRows);
}

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

}  // namespace

void registerCoreBuiltins(Interpreter& interpreter, BuiltinTable& table) {
  registerOutput(interpreter, table);
  registerWorkspace(interpreter, table);
  registerConstants(table);
  registerConstruction(interpreter, table);
  registerQueries(interpreter, table);
  registerMath(interpreter, table);
  registerHelp(interpreter, table);
}

}  // namespace mh
