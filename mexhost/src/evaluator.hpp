// Evaluation of the prompt language: statements and expressions against one
// workspace. Calls by name, display and the exit request go through the
// Interpreter that owns it.
#pragma once

#include <map>
#include <string>
#include <string_view>
#include <vector>

#include "ast.hpp"
#include "mexhost/mexhost.hpp"
#include "runtime/array.hpp"

namespace mh {

// How a statement ends: normally, or by break, continue or return.
enum class Flow { Normal, Break, Continue, Return };

class Evaluator {
 public:
  explicit Evaluator(Interpreter& host);
  Evaluator(const Evaluator&) = delete;
  Evaluator& operator=(const Evaluator&) = delete;

  // Runs one statement; failures are rt::Error.
  Flow execute(const Stmt& statement);

  // The workspace.
  bool isVariable(std::string_view name) const;
  const rt::Array* variable(const std::string& name) const;
  void setVariable(const std::string& name, rt::Array value);
  bool clearVariable(const std::string& name);
  void clearVariables();
  std::vector<std::string> variableNames() const;

 private:
  // What `end` means inside a subscript: the extent of the subscripted value.
  struct EndContext {
    const rt::Array* target;  // nullptr inside a function call's arguments
    std::size_t position;
    std::size_t count;
  };
  class EndScope;
  class Nesting;

  Flow execList(const StmtList& list);
  Flow execFor(const Stmt& s);
  void execExpression(const Stmt& s);
  void execAssignment(const Stmt& s);
  void assign(const LValue& target, const rt::Array& value, bool deletion);
  void setAns(const rt::Array& value, bool print);

  std::vector<rt::Index> subscripts(const std::vector<ExprPtr>& exprs, const rt::Array& target);
  std::vector<rt::Array> callArguments(const std::vector<ExprPtr>& exprs);
  std::vector<rt::Array> evalMulti(const Expr& e, int nargout);
  rt::Array evalSingle(const Expr& e);
  bool truth(const Expr& e, const char* op);
  rt::Array matrix(const Expr& e, bool cell);

  Interpreter& host_;
  std::map<std::string, rt::Array> vars_;
  std::vector<EndContext> ends_;
  int nesting_ = 0;  // nesting of execute/evalSingle/evalMulti
};

}  // namespace mh
