#include "evaluator.hpp"

#include <algorithm>
#include <cmath>
#include <string>
#include <utility>

#include "interpreter_access.hpp"
#include "operators.hpp"
#include "runtime/error.hpp"
#include "runtime/ops.hpp"

namespace mh {
namespace {

using rt::Array;

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

// x(subs) = [] : removes elements (one subscript) or whole rows/columns/pages
// (every subscript but one is ':').
Array deleteElements(const Array& x, const std::vector<rt::Index>& subs) {
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

}  // namespace

// Counts one level of evaluation for its lifetime; too many levels are an error.
class Evaluator::Nesting {
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

// The meaning of `end` for the subscript evaluated during its lifetime.
class Evaluator::EndScope {
 public:
  EndScope(std::vector<EndContext>& ends, EndContext context) : ends_(ends) {
    ends_.push_back(context);
  }
  ~EndScope() { ends_.pop_back(); }
  EndScope(const EndScope&) = delete;
  EndScope& operator=(const EndScope&) = delete;

 private:
  std::vector<EndContext>& ends_;
};

Evaluator::Evaluator(Interpreter& host) : host_(host) {}

bool Evaluator::isVariable(std::string_view name) const {
  return vars_.count(std::string(name)) != 0;
}

const Array* Evaluator::variable(const std::string& name) const {
  const auto it = vars_.find(name);
  return it == vars_.end() ? nullptr : &it->second;
}

void Evaluator::setVariable(const std::string& name, Array value) {
  vars_[name] = std::move(value);
}

bool Evaluator::clearVariable(const std::string& name) {
  return vars_.erase(name) != 0;
}

void Evaluator::clearVariables() {
  vars_.clear();
}

std::vector<std::string> Evaluator::variableNames() const {
  std::vector<std::string> names;
  for (const auto& [name, value] : vars_) names.push_back(name);
  return names;
}

// ---- statements --------------------------------------------------------------------------

Flow Evaluator::execList(const StmtList& list) {
  for (const StmtPtr& s : list) {
    const Flow f = execute(*s);
    if (f != Flow::Normal) return f;
    if (host_.exitRequested()) return Flow::Return;
  }
  return Flow::Normal;
}

void Evaluator::setAns(const Array& value, bool print) {
  vars_["ans"] = value;
  if (print) host_.display("ans", value);
}

Flow Evaluator::execute(const Stmt& s) {
  const Nesting level(nesting_);
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
      const std::vector<Array> r = host_.call(s.name, args, 0);
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
        if (host_.exitRequested()) break;
      }
      return Flow::Normal;
    case Stmt::Kind::Try:
      try {
        return execList(s.body);
      } catch (const std::exception& e) {
        // The caught error is kept as its message text.
        const auto* error = dynamic_cast<const rt::Error*>(&e);
        const std::string message = error != nullptr ? error->message() : std::string(e.what());
        InterpreterAccess::setLastError(host_, message);
        if (!s.name.empty()) vars_[s.name] = Array::str(message);
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

Flow Evaluator::execFor(const Stmt& s) {
  const Array range = evalSingle(*s.expr);
  const std::size_t rows = range.rows();
  const std::size_t cols = range.isEmpty() ? 0 : range.numel() / std::max<std::size_t>(1, rows);
  Array flat = range;
  if (range.ndims() > 2) flat = rt::reshape(range, {rows, cols});
  for (std::size_t c = 0; c < cols; ++c) {
    rt::checkInterrupt();
    vars_[s.name] =
        rows == 1 ? flat(static_cast<double>(c + 1)) : flat(rt::all, static_cast<double>(c + 1));
    const Flow f = execList(s.body);
    if (f == Flow::Break) break;
    if (f == Flow::Return) return f;
    if (host_.exitRequested()) break;
  }
  return Flow::Normal;
}

void Evaluator::execExpression(const Stmt& s) {
  const Expr& e = *s.expr;
  if (e.kind == Expr::Kind::Ident && isVariable(e.text)) {
    if (s.print) host_.display(e.text, vars_[e.text]);
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

void Evaluator::execAssignment(const Stmt& s) {
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
    if (s.print) host_.display(t.name, vars_[t.name]);
  }
}

void Evaluator::assign(const LValue& t, const Array& value, bool deletion) {
  if (!value.isDefined()) rt::raise(rt::errid::kUndefined, "The value assigned has no value.");
  if (t.subscript == LValue::Subscript::None) {
    vars_[t.name] = value;
    return;
  }
  const auto found = vars_.find(t.name);
  Array target = found != vars_.end() ? found->second : Array();
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
  vars_[t.name] = std::move(target);
}

// ---- expressions -------------------------------------------------------------------------

std::vector<rt::Index> Evaluator::subscripts(const std::vector<ExprPtr>& exprs,
                                             const Array& target) {
  std::vector<rt::Index> out;
  out.reserve(exprs.size());
  for (std::size_t k = 0; k < exprs.size(); ++k) {
    const Expr& e = *exprs[k];
    if (e.kind == Expr::Kind::Colon) {
      out.emplace_back(rt::all);
      continue;
    }
    Array v;
    {
      const EndScope end(ends_, {&target, k + 1, exprs.size()});
      v = evalSingle(e);
    }
    if (v.isChar() && v.numel() == 1 && v.reAt(0) == ':') {
      out.emplace_back(rt::all);
    } else {
      out.emplace_back(v);
    }
  }
  return out;
}

// Arguments of a function call: c{:} spreads into several arguments; ':' is the text ':'.
std::vector<Array> Evaluator::callArguments(const std::vector<ExprPtr>& exprs) {
  std::vector<Array> args;
  const EndScope noEnd(ends_, {nullptr, 0, 0});
  for (const ExprPtr& e : exprs) {
    if (e->kind == Expr::Kind::Colon) {
      args.push_back(Array::str(":"));
    } else if (e->kind == Expr::Kind::CellIndex) {
      for (Array& v : evalMulti(*e, 1)) args.push_back(std::move(v));
    } else {
      args.push_back(evalSingle(*e));
    }
  }
  return args;
}

// An expression that may give several values: a call (nargout results) or c{...}.
std::vector<Array> Evaluator::evalMulti(const Expr& e, int nargout) {
  const Nesting level(nesting_);
  switch (e.kind) {
    case Expr::Kind::Ident:
      if (isVariable(e.text)) return {vars_[e.text]};
      return host_.call(e.text, {}, nargout);
    case Expr::Kind::Index: {
      if (e.base->kind == Expr::Kind::Ident && !isVariable(e.base->text)) {
        return host_.call(e.base->text, callArguments(e.args), nargout);
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

Array Evaluator::evalSingle(const Expr& e) {
  const Nesting level(nesting_);
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
      if (ends_.empty()) rt::raise("mexhost:syntax", "'end' is only valid inside a subscript.");
      const EndContext& c = ends_.back();
      if (c.target == nullptr) {
        rt::raise("mexhost:syntax", "'end' cannot be used in the arguments of a function call.");
      }
      if (!c.target->isDefined()) return Array(0.0);
      return Array(static_cast<double>(c.target->endOf(c.position, c.count)));
    }
  }
  rt::raise("mexhost:internal", "Unknown expression.");
}

bool Evaluator::truth(const Expr& e, const char* op) {
  const Array v = evalSingle(e);
  if (!v.isArithmetic() || v.numel() != 1) {
    rt::raise(rt::errid::kType,
              std::string("Operands of ") + op + " must be convertible to logical scalar values.");
  }
  return rt::isTrue(v);
}

Array Evaluator::matrix(const Expr& e, bool cell) {
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

}  // namespace mh
