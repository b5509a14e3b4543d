// The interpreter: evaluation of statements, the workspace, the command window,
// and the host services that libmx forwards to.
#include <signal.h>

#include <algorithm>
#include <cmath>
#include <csignal>
#include <fstream>
#include <iostream>
#include <map>
#include <set>
#include <sstream>
#include <string>

#include "ast.hpp"
#include "builtins_core.hpp"
#include "display.hpp"
#include "lexer.hpp"
#include "loader.hpp"
#include "mexhost/mexhost.hpp"
#include "mexhost/mxhost.hpp"
#include "operators.hpp"
#include "parser.hpp"
#include "runtime/error.hpp"
#include "runtime/mxconvert.hpp"
#include "runtime/ops.hpp"

namespace mh {
namespace {

using rt::Array;
namespace mx = rt::mx;

enum class Flow { Normal, Break, Continue, Return };

// What `end` means inside a subscript: the extent of the subscripted value.
struct EndContext {
  const Array* target;  // nullptr inside a function call's arguments
  std::size_t position;
  std::size_t count;
};

bool isEmptyMatrixLiteral(const Expr& e) {
  return e.kind == Expr::Kind::Matrix && e.rows.size() == 1 && e.rows[0].empty();
}

// Cells nest at most this deep: copying, comparing and freeing a value recurse
// through its nested cells.
constexpr std::size_t kMaxCellNesting = 256;

// How many cells deep `value` nests (0 for a value that is not a cell), found
// without recursion.
std::size_t cellNesting(const Array& value) {
  std::size_t deepest = 0;
  std::vector<std::pair<const Array*, std::size_t>> pending{{&value, 0}};
  while (!pending.empty()) {
    const auto [a, depth] = pending.back();
    pending.pop_back();
    if (!a->isCell()) continue;
    deepest = std::max(deepest, depth + 1);
    for (const Array& element : a->cells()) {
      if (element.isCell()) pending.emplace_back(&element, depth + 1);
    }
  }
  return deepest;
}

Array cellOf(const Array& value) {
  if (value.isCell() && cellNesting(value) >= kMaxCellNesting) {
    rt::raise(rt::errid::kTooDeep, "Nesting too deep: cells nested more than " +
                                       std::to_string(kMaxCellNesting) + " levels.");
  }
  return Array::cell({1, 1}, {value});
}

}  // namespace

struct Interpreter::Impl final : MexServices {
  Impl(Interpreter& owner, std::ostream& o, std::ostream& e, HostOptions opts)
      : self(owner), out(o), err(e), options(opts), loader([this](const std::string& message) {
          self.reportWarning("mexhost:loader", message);
        }) {}

  Interpreter& self;
  std::ostream& out;
  std::ostream& err;
  HostOptions options;
  BuiltinTable builtins;
  Loader loader;
  std::map<std::string, Array> vars;
  DisplayFormat format;
  std::string lastError;
  bool exitRequested = false;
  int exitStatus = 0;
  int depth = 0;  // nesting of execute(): 1 at the prompt, more inside mexEvalString
  std::vector<EndContext> ends;
  int evalNesting = 0;       // nesting of exec/evalSingle/evalMulti
  bool interrupted = false;  // Ctrl-C ended a statement of the current input
  WarningSwitches warningSwitches;
  MexServices* previousServices = nullptr;
  rt::WarningHandler previousWarnings;

  bool isVariable(std::string_view name) const { return vars.count(std::string(name)) != 0; }

  // ---- host services for libmx -------------------------------------------------
  void callFunction(const char* name, int nlhs, mxArray* plhs[], int nrhs,
                    mxArray* prhs[]) override {
    try {
      if (nlhs > 0 && plhs == nullptr) {
        throw MexError("mexhost:callByName",
                       std::string("mexCallMATLAB: no output slots for '") + name + "'.");
      }
      std::vector<Array> args;
      for (int k = 0; k < nrhs; ++k) {
        if (prhs == nullptr || prhs[k] == nullptr) {
          throw MexError("mexhost:callByName", "mexCallMATLAB: input " + std::to_string(k + 1) +
                                                   " of '" + name + "' is NULL.");
        }
        if (!isLiveArray(prhs[k])) {
          throw MexError("mexhost:callByName", "mexCallMATLAB: input " + std::to_string(k + 1) +
                                                   " of '" + name + "' is not a live array.");
        }
        args.push_back(mx::toArray(prhs[k]));
      }
      const std::vector<Array> results = self.call(name, args, std::max(nlhs, 0));
      std::size_t count = static_cast<std::size_t>(std::max(nlhs, 0));
      if (nlhs <= 0) count = (plhs != nullptr && !results.empty()) ? 1 : 0;
      std::vector<mx::Owned> converted;
      for (std::size_t k = 0; k < count; ++k) converted.push_back(mx::fromArray(results[k]));
      for (std::size_t k = 0; k < count; ++k) plhs[k] = converted[k].release();
    } catch (const MexError&) {
      throw;
    } catch (const rt::Error& e) {
      throw MexError(e.identifier(), e.message());
    } catch (const std::exception& e) {
      throw MexError("mexhost:internal", e.what());
    }
  }

  bool evalString(const char* statement) override { return self.execute(statement); }

  void print(std::string_view text) override { out << text; }

  void warning(std::string_view identifier, std::string_view message) override {
    self.reportWarning(identifier, message);
  }

  void atExit(void (*handler)()) override { loader.atExit(handler); }

  const char* functionName() override { return loader.currentFunctionName(); }

  // ---- statements ----------------------------------------------------------------
  Flow execList(const StmtList& list) {
    for (const StmtPtr& s : list) {
      const Flow f = exec(*s);
      if (f != Flow::Normal) return f;
      if (exitRequested) return Flow::Return;
    }
    return Flow::Normal;
  }

  void show(const std::string& name, const Array& value) {
    out << displayText(name, value, format);
  }

  void setAns(const Array& value, bool print) {
    vars["ans"] = value;
    if (print) show("ans", value);
  }

  // Counts one level of evaluation for its lifetime; too many levels are an error.
  class Nesting {
   public:
    explicit Nesting(int& depth) : depth_(depth) {
      if (depth_ >= kMaxEvalNesting) {
        rt::raise(rt::errid::kTooDeep, "Nesting too deep: more than " +
                                           std::to_string(kMaxEvalNesting) +
                                           " levels of evaluation in one statement.");
      }
      ++depth_;
    }
    ~Nesting() { --depth_; }
    Nesting(const Nesting&) = delete;
    Nesting& operator=(const Nesting&) = delete;

   private:
    int& depth_;
  };

  Flow exec(const Stmt& s) {
    const Nesting level(evalNesting);
    rt::checkInterrupt();  // before every statement, loop bodies included
    switch (s.kind) {
      case Stmt::Kind::Expr:
        execExpression(s);
        return Flow::Normal;
      case Stmt::Kind::Assign:
        execAssignment(s);
        return Flow::Normal;
      case Stmt::Kind::Command: {
        std::vector<Array> args;
        for (const std::string& w : s.words) args.push_back(Array::str(w));
        const std::vector<Array> r = self.call(s.name, args, 0);
        if (!r.empty() && r[0].isDefined()) setAns(r[0], s.print);
        return Flow::Normal;
      }
      case Stmt::Kind::If:
        for (const auto& [cond, body] : s.clauses) {
          if (cond == nullptr || rt::isTrue(evalSingle(*cond))) return execList(body);
        }
        return Flow::Normal;
      case Stmt::Kind::For:
        return execFor(s);
      case Stmt::Kind::While:
        while (rt::isTrue(evalSingle(*s.expr))) {
          rt::checkInterrupt();
          const Flow f = execList(s.body);
          if (f == Flow::Break) break;
          if (f == Flow::Return) return f;
          if (exitRequested) break;
        }
        return Flow::Normal;
      case Stmt::Kind::Try:
        try {
          return execList(s.body);
        } catch (const std::exception& e) {
          // The caught error is kept as its message text.
          const auto* error = dynamic_cast<const rt::Error*>(&e);
          lastError = error != nullptr ? error->message() : std::string(e.what());
          if (!s.name.empty()) vars[s.name] = Array::str(lastError);
          return execList(s.otherwise);
        }
      case Stmt::Kind::Break:
        return Flow::Break;
      case Stmt::Kind::Continue:
        return Flow::Continue;
      case Stmt::Kind::Return:
        return Flow::Return;
    }
    return Flow::Normal;
  }

  Flow execFor(const Stmt& s) {
    const Array range = evalSingle(*s.expr);
    const std::size_t rows = range.rows();
    const std::size_t cols = range.isEmpty() ? 0 : range.numel() / std::max<std::size_t>(1, rows);
    Array flat = range;
    if (range.ndims() > 2) flat = rt::reshape(range, {rows, cols});
    for (std::size_t c = 0; c < cols; ++c) {
      rt::checkInterrupt();
      vars[s.name] =
          rows == 1 ? flat(static_cast<double>(c + 1)) : flat(rt::all, static_cast<double>(c + 1));
      const Flow f = execList(s.body);
      if (f == Flow::Break) break;
      if (f == Flow::Return) return f;
      if (exitRequested) break;
    }
    return Flow::Normal;
  }

  void execExpression(const Stmt& s) {
    const Expr& e = *s.expr;
    if (e.kind == Expr::Kind::Ident && isVariable(e.text)) {
      if (s.print) show(e.text, vars[e.text]);
      return;
    }
    const std::vector<Array> values = evalMulti(e, 0);
    // c{:} shows every element as ans; a call shows its first result only.
    const std::size_t shown =
        e.kind == Expr::Kind::CellIndex ? values.size() : std::min<std::size_t>(1, values.size());
    for (std::size_t k = 0; k < shown; ++k) {
      if (values[k].isDefined()) setAns(values[k], s.print);
    }
  }

  void execAssignment(const Stmt& s) {
    const std::size_t n = s.targets.size();
    std::vector<Array> values;
    if (n == 1) {
      values.push_back(evalSingle(*s.expr));
    } else {
      values = evalMulti(*s.expr, static_cast<int>(n));
      if (values.size() < n) {
        rt::raise("mexhost:outputs",
                  "Insufficient number of outputs from right hand side of equal sign to "
                  "satisfy assignment.");
      }
    }
    const bool deletion = n == 1 && isEmptyMatrixLiteral(*s.expr);
    for (std::size_t k = 0; k < n; ++k) {
      const LValue& t = s.targets[k];
      if (t.discard) continue;
      assign(t, values[k], deletion);
      if (s.print) show(t.name, vars[t.name]);
    }
  }

  void assign(const LValue& t, const Array& value, bool deletion) {
    if (!value.isDefined()) rt::raise(rt::errid::kUndefined, "The value assigned has no value.");
    if (t.subscript == LValue::Subscript::None) {
      vars[t.name] = value;
      return;
    }
    const auto found = vars.find(t.name);
    Array target = found != vars.end() ? found->second : Array();
    std::vector<rt::Index> subs = subscripts(t.subs, target);
    if (t.subscript == LValue::Subscript::Brace) {
      if (target.isDefined() && !target.isCell()) {
        if (!target.isEmpty()) {
          rt::raise(rt::errid::kType,
                    "Cell contents assignment to a non-cell array object ('" + t.name + "').");
        }
        target = Array();
      }
      if (!target.isDefined()) target = Array::cell({0, 0});
      target.assign(subs, cellOf(value));
    } else if (deletion && target.isDefined()) {
      target = deleteElements(target, subs);
    } else {
      target.assign(subs, value);
    }
    vars[t.name] = std::move(target);
  }

  // x(subs) = [] : removes elements (one subscript) or whole rows/columns/pages
  // (every subscript but one is ':').
  static Array deleteElements(const Array& x, const std::vector<rt::Index>& subs) {
    auto keepList = [](const rt::Index& idx, std::size_t extent) {
      std::vector<bool> drop(extent, false);
      if (idx.isAll()) {
        drop.assign(extent, true);
      } else {
        const Array& v = idx.values();
        for (std::size_t i = 0; i < v.numel(); ++i) {
          if (v.isLogical()) {
            if (v.reAt(i) != 0.0 && i < extent) drop[i] = true;
            continue;
          }
          const double p = v.reAt(i);
          if (!(p >= 1.0) || p != std::floor(p) || p > static_cast<double>(extent)) {
            rt::raise(rt::errid::kIndexOutOfBounds,
                      "Index to delete is out of range (size " + std::to_string(extent) + ").");
          }
          drop[static_cast<std::size_t>(p) - 1] = true;
        }
      }
      std::vector<double> keep;
      for (std::size_t i = 0; i < extent; ++i) {
        if (!drop[i]) keep.push_back(static_cast<double>(i + 1));
      }
      return Array::fromData({1, keep.size()}, keep);
    };
    if (subs.size() == 1) {
      const Array keep = keepList(subs[0], x.numel());
      const Array r = x(keep);
      // A matrix loses its shape; a column stays a column.
      const bool column = x.ndims() == 2 && x.cols() == 1 && x.rows() != 1;
      return column ? r.withDims({r.numel(), 1}) : r.withDims({1, r.numel()});
    }
    std::size_t nonColon = subs.size();
    for (std::size_t k = 0; k < subs.size(); ++k) {
      if (!subs[k].isAll()) {
        if (nonColon != subs.size()) {
          rt::raise(rt::errid::kBadIndex, "A null assignment can have only one non-colon index.");
        }
        nonColon = k;
      }
    }
    if (nonColon == subs.size()) return Array::zeros({0, x.size(2)});
    std::vector<rt::Index> keepSubs(subs.size(), rt::Index(rt::all));
    keepSubs[nonColon] = keepList(subs[nonColon], x.endOf(nonColon + 1, subs.size()));
    return x.index(keepSubs);
  }

  // ---- expressions ----------------------------------------------------------------
  std::vector<rt::Index> subscripts(const std::vector<ExprPtr>& exprs, const Array& target) {
    std::vector<rt::Index> out;
    out.reserve(exprs.size());
    for (std::size_t k = 0; k < exprs.size(); ++k) {
      const Expr& e = *exprs[k];
      if (e.kind == Expr::Kind::Colon) {
        out.emplace_back(rt::all);
        continue;
      }
      ends.push_back({&target, k + 1, exprs.size()});
      Array v;
      try {
        v = evalSingle(e);
      } catch (...) {
        ends.pop_back();
        throw;
      }
      ends.pop_back();
      if (v.isChar() && v.numel() == 1 && v.reAt(0) == ':') {
        out.emplace_back(rt::all);
      } else {
        out.emplace_back(v);
      }
    }
    return out;
  }

  // Arguments of a function call: c{:} spreads into several arguments; ':' is the text ':'.
  std::vector<Array> callArguments(const std::vector<ExprPtr>& exprs) {
    std::vector<Array> args;
    ends.push_back({nullptr, 0, 0});
    try {
      for (const ExprPtr& e : exprs) {
        if (e->kind == Expr::Kind::Colon) {
          args.push_back(Array::str(":"));
        } else if (e->kind == Expr::Kind::CellIndex) {
          for (Array& v : evalMulti(*e, 1)) args.push_back(std::move(v));
        } else {
          args.push_back(evalSingle(*e));
        }
      }
    } catch (...) {
      ends.pop_back();
      throw;
    }
    ends.pop_back();
    return args;
  }

  std::vector<Array> callNamed(const std::string& name, const std::vector<Array>& args,
                               int nargout) {
    std::vector<Array> r = self.call(name, args, nargout);
    return r;
  }

  // An expression that may give several values: a call (nargout results) or c{...}.
  std::vector<Array> evalMulti(const Expr& e, int nargout) {
    const Nesting level(evalNesting);
    switch (e.kind) {
      case Expr::Kind::Ident:
        if (isVariable(e.text)) return {vars[e.text]};
        return callNamed(e.text, {}, nargout);
      case Expr::Kind::Index: {
        if (e.base->kind == Expr::Kind::Ident && !isVariable(e.base->text)) {
          return callNamed(e.base->text, callArguments(e.args), nargout);
        }
        const Array base = evalSingle(*e.base);
        return {base.index(subscripts(e.args, base))};
      }
      case Expr::Kind::CellIndex: {
        const Array base = evalSingle(*e.base);
        if (!base.isCell()) {
          rt::raise(rt::errid::kType,
                    "Brace indexing is only for cell arrays (the value is not a cell).");
        }
        const Array selected = base.index(subscripts(e.args, base));
        return selected.cells();
      }
      default:
        return {evalSingle(e)};
    }
  }

  Array evalSingle(const Expr& e) {
    const Nesting level(evalNesting);
    switch (e.kind) {
      case Expr::Kind::Number:
        return e.imaginary ? Array(rt::Complex(0.0, e.number)) : Array(e.number);
      case Expr::Kind::String:
        return Array::str(e.text);
      case Expr::Kind::Ident:
      case Expr::Kind::Index:
      case Expr::Kind::CellIndex: {
        std::vector<Array> r = evalMulti(e, 1);
        if (r.empty() || !r[0].isDefined()) {
          if (e.kind == Expr::Kind::CellIndex) {
            rt::raise("mexhost:outputs", "Brace indexing gave no value where one is needed.");
          }
          const std::string name = e.kind == Expr::Kind::Ident ? e.text : e.base->text;
          rt::raise("mexhost:outputs", "Function '" + name + "' did not return a value.");
        }
        return std::move(r[0]);
      }
      case Expr::Kind::Binary: {
        // A chain such as a + b - c + ... is a left-deep tree: walk down its left
        // spine, then apply the operators left to right, one term at a time.
        std::vector<const Expr*> spine;
        const Expr* left = &e;
        while (left->kind == Expr::Kind::Binary) {
          spine.push_back(left);
          left = left->args[0].get();
        }
        Array value = evalSingle(*left);
        for (auto it = spine.rbegin(); it != spine.rend(); ++it) {
          const Array right = evalSingle(*(*it)->args[1]);
          value = applyBinary((*it)->op, value, right);
        }
        return value;
      }
      case Expr::Kind::Unary:
      case Expr::Kind::Postfix:
        return applyUnary(e.op, evalSingle(*e.args[0]));
      case Expr::Kind::AndAnd:
        return Array::logicalScalar(truth(*e.args[0], "&&") && truth(*e.args[1], "&&"));
      case Expr::Kind::OrOr:
        return Array::logicalScalar(truth(*e.args[0], "||") || truth(*e.args[1], "||"));
      case Expr::Kind::Range: {
        const Array a = evalSingle(*e.args[0]);
        const Array b = evalSingle(*e.args[1]);
        if (e.args.size() == 3) return rt::colon(a, b, evalSingle(*e.args[2]));
        return rt::colon(a, b);
      }
      case Expr::Kind::Matrix:
      case Expr::Kind::Cell:
        return matrix(e, e.kind == Expr::Kind::Cell);
      case Expr::Kind::Colon:
        rt::raise("mexhost:syntax", "':' alone is only valid as a subscript.");
      case Expr::Kind::End: {
        if (ends.empty()) rt::raise("mexhost:syntax", "'end' is only valid inside a subscript.");
        const EndContext& c = ends.back();
        if (c.target == nullptr) {
          rt::raise("mexhost:syntax", "'end' cannot be used in the arguments of a function call.");
        }
        if (!c.target->isDefined()) return Array(0.0);
        return Array(static_cast<double>(c.target->endOf(c.position, c.count)));
      }
    }
    rt::raise("mexhost:internal", "Unknown expression.");
  }

  bool truth(const Expr& e, const char* op) {
    const Array v = evalSingle(e);
    if (!v.isArithmetic() || v.numel() != 1) {
      rt::raise(rt::errid::kType, std::string("Operands of ") + op +
                                      " must be convertible to logical scalar values.");
    }
    return rt::isTrue(v);
  }

  Array matrix(const Expr& e, bool cell) {
    std::vector<Array> rows;
    for (const std::vector<ExprPtr>& row : e.rows) {
      std::vector<Array> parts;
      for (const ExprPtr& element : row) {
        std::vector<Array> values;
        if (element->kind == Expr::Kind::CellIndex) {
          values = evalMulti(*element, 1);
        } else {
          values.push_back(evalSingle(*element));
        }
        for (Array& v : values) parts.push_back(cell ? cellOf(v) : std::move(v));
      }
      if (parts.empty()) continue;
      rows.push_back(rt::horzcat(parts));
    }
    if (rows.empty()) return cell ? Array::cell({0, 0}) : Array::zeros({0, 0});
    return rt::vertcat(rows);
  }

  // ---- chunks ------------------------------------------------------------------------
  // Runs one complete input. A failed statement is reported and ends the input.
  bool runChunk(std::string_view text) {
    StmtList statements;
    try {
      statements = parseText(text, [this](std::string_view n) { return isVariable(n); });
    } catch (const rt::Error& e) {
      self.reportError(e.message());
      return false;
    } catch (const std::exception& e) {
      self.reportError(e.what());
      return false;
    }
    for (const StmtPtr& s : statements) {
      bool ok = true;
      Flow flow = Flow::Normal;
      try {
        flow = exec(*s);
      } catch (const rt::Error& e) {
        self.reportError(e.message());
        interrupted = interrupted || interruptPending();
        ok = false;
      } catch (const MexError& e) {
        self.reportError(e.what());
        interrupted = interrupted || interruptPending();
        ok = false;
      } catch (const std::bad_alloc&) {
        self.reportError("Out of memory.");
        ok = false;
      } catch (const std::exception& e) {
        self.reportError(e.what());
        ok = false;
      }
      out.flush();
      if (depth == 1 && self.onStatementEnd) {
        try {
          self.onStatementEnd();
        } catch (const std::exception& e) {
          self.reportError(e.what());
          ok = false;
        }
      }
      if (!ok) return false;
      if (flow == Flow::Return || exitRequested) break;
    }
    return true;
  }

  bool complete(std::string_view text) const {
    try {
      return lex(text, [this](std::string_view n) { return isVariable(n); }).complete();
    } catch (const std::exception&) {
      return true;  // the error shows when the text runs
    }
  }
};

// ---- Interpreter ------------------------------------------------------------------------

Interpreter::Interpreter(std::ostream& out, std::ostream& err, HostOptions options)
    : impl_(std::make_unique<Impl>(*this, out, err, options)) {
  impl_->previousServices = mexServices();
  setMexServices(impl_.get());
  impl_->previousWarnings = rt::setWarningHandler(
      [this](const std::string& id, const std::string& message) { reportWarning(id, message); });
  registerCoreBuiltins(*this, impl_->builtins);
}

Interpreter::~Interpreter() {
  try {
    impl_->loader.unloadAll();
  } catch (const std::exception& e) {
    reportError(e.what());
  }
  impl_->out.flush();
  rt::setWarningHandler(std::move(impl_->previousWarnings));
  if (mexServices() == impl_.get()) setMexServices(impl_->previousServices);
}

BuiltinTable& Interpreter::builtins() {
  return impl_->builtins;
}
const HostOptions& Interpreter::options() const {
  return impl_->options;
}

std::vector<std::string> Interpreter::loadPlugin(const std::string& path) {
  return impl_->loader.load(path, impl_->options.exposeLocal);
}

void Interpreter::unloadPlugins() {
  impl_->loader.unloadAll();
}

namespace {

// Whether a top-level input is running: Ctrl-C at an idle prompt does nothing.
volatile std::sig_atomic_t inputRunning = 0;

void onInterrupt(int) {
  if (inputRunning == 0) return;
  if (interruptPending()) {
    // A second Ctrl-C before the first was seen: the statement has no safe point
    // in reach, so the program ends the way it would without a handler.
    std::signal(SIGINT, SIG_DFL);
    std::raise(SIGINT);
    return;
  }
  requestInterrupt();
}

}  // namespace

void catchInterrupts() {
  struct sigaction action {};
  action.sa_handler = onInterrupt;
  sigemptyset(&action.sa_mask);
  action.sa_flags = SA_RESTART;  // a read at the prompt goes on
  sigaction(SIGINT, &action, nullptr);
}

bool Interpreter::execute(std::string_view text) {
  const bool topLevel = impl_->depth == 0;
  if (topLevel) {
    clearInterrupt();
    impl_->interrupted = false;
    inputRunning = 1;
  }
  ++impl_->depth;
  bool ok = true;
  std::string chunk;
  std::size_t start = 0;
  // A UTF-8 byte order mark at the start is not part of the text.
  if (text.substr(0, 3) == "\xEF\xBB\xBF") start = 3;
  while (start <= text.size() && !impl_->exitRequested && !impl_->interrupted) {
    const std::size_t end = std::min(text.find('\n', start), text.size());
    std::string_view line = text.substr(start, end - start);
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    chunk.append(line);
    chunk.push_back('\n');
    if (impl_->complete(chunk)) {
      ok = impl_->runChunk(chunk) && ok;
      chunk.clear();
    }
    if (end >= text.size()) break;
    start = end + 1;
  }
  if (!chunk.empty() && !impl_->exitRequested && !impl_->interrupted) {
    ok = impl_->runChunk(chunk) && ok;
  }
  --impl_->depth;
  if (topLevel) {
    inputRunning = 0;
    clearInterrupt();
  }
  return ok;
}

bool Interpreter::executeFile(const std::string& path) {
  std::ifstream file(path, std::ios::binary);
  if (!file) {
    reportError("Cannot open the script '" + path + "'.");
    return false;
  }
  std::ostringstream text;
  text << file.rdbuf();
  return execute(text.str());
}

bool Interpreter::isComplete(std::string_view text) const {
  return impl_->complete(text);
}

std::vector<Array> Interpreter::call(const std::string& name, const std::vector<Array>& args,
                                     int nargout) {
  std::vector<Array> results;
  if (!impl_->loader.callLocal(name, args, nargout, results)) {
    if (impl_->loader.has(name)) {
      results = impl_->loader.call(name, args, nargout);
    } else if (const BuiltinFn* fn = impl_->builtins.find(name)) {
      results = (*fn)(args, nargout);
    } else {
      rt::raise("mexhost:undefinedFunction", "Undefined function or variable '" + name + "'.");
    }
  }
  if (nargout == 0 && !results.empty() && !results[0].isDefined()) results.clear();
  std::size_t given = 0;
  while (given < results.size() && results[given].isDefined()) ++given;
  if (nargout > 0 && given < static_cast<std::size_t>(nargout)) {
    rt::raise("mexhost:tooManyOutputs", "Too many output arguments for '" + name + "'.");
  }
  return results;
}

const Array* Interpreter::variable(const std::string& name) const {
  const auto it = impl_->vars.find(name);
  return it == impl_->vars.end() ? nullptr : &it->second;
}

void Interpreter::setVariable(const std::string& name, Array value) {
  impl_->vars[name] = std::move(value);
}

bool Interpreter::clearVariable(const std::string& name) {
  return impl_->vars.erase(name) != 0;
}

void Interpreter::clearVariables() {
  impl_->vars.clear();
}

std::vector<std::string> Interpreter::variableNames() const {
  std::vector<std::string> names;
  for (const auto& [name, value] : impl_->vars) names.push_back(name);
  return names;
}

DisplayFormat& Interpreter::displayFormat() {
  return impl_->format;
}

void Interpreter::display(std::string_view name, const Array& value) {
  impl_->out << displayText(name, value, impl_->format);
}

std::ostream& Interpreter::out() {
  return impl_->out;
}
std::ostream& Interpreter::err() {
  return impl_->err;
}

void Interpreter::reportError(std::string_view message) {
  impl_->out.flush();
  impl_->err << "error: " << message << "\n";
  impl_->err.flush();
  impl_->lastError = std::string(message);
}

void Interpreter::reportWarning(std::string_view identifier, std::string_view message) {
  if (!warningEnabled(*this, identifier)) return;
  impl_->out.flush();
  impl_->err << "warning: " << message << "\n";
  impl_->err.flush();
}

const std::string& Interpreter::lastError() const {
  return impl_->lastError;
}

void Interpreter::requestExit(int status) {
  impl_->exitRequested = true;
  impl_->exitStatus = status;
}
bool Interpreter::exitRequested() const {
  return impl_->exitRequested;
}
int Interpreter::exitStatus() const {
  return impl_->exitStatus;
}

Loader& InterpreterAccess::loader(Interpreter& interpreter) {
  return interpreter.impl_->loader;
}

WarningSwitches& InterpreterAccess::warnings(Interpreter& interpreter) {
  return interpreter.impl_->warningSwitches;
}

bool warningEnabled(Interpreter& interpreter, std::string_view identifier) {
  const WarningSwitches& w = InterpreterAccess::warnings(interpreter);
  if (w.allOff) return w.on.count(std::string(identifier)) != 0;
  return w.off.count(std::string(identifier)) == 0;
}

}  // namespace mh
