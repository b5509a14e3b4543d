#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "builtins/common.hpp"
#include "display.hpp"
#include "interpreter_access.hpp"
#include "mexhost/mxhost.hpp"
#include "printf.hpp"
#include "runtime/error.hpp"
#include "runtime/ops.hpp"

namespace mh::builtins {
namespace {

using rt::Array;

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

}  // namespace

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
         const auto until = std::chrono::steady_clock::now() +
                            std::chrono::duration_cast<std::chrono::steady_clock::duration>(
                                std::chrono::duration<double>(wait));
         if (host.onPause) host.onPause();
         std::this_thread::sleep_until(until);
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

}  // namespace mh::builtins
