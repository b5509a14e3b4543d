// The syntax tree of the prompt language.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "operators.hpp"

namespace mh {

struct Expr;
struct Stmt;
using ExprPtr = std::unique_ptr<Expr>;
using StmtPtr = std::unique_ptr<Stmt>;
using StmtList = std::vector<StmtPtr>;

struct Expr {
  enum class Kind {
    Number,     // number, imaginary
    String,     // text (UTF-8)
    Ident,      // name
    Index,      // base(args): a call when base names a function, else indexing
    CellIndex,  // base{args}
    Binary,     // op, lhs rhs in args[0], args[1]
    Unary,      // op (Negate, UnaryPlus, Not), operand in args[0]
    Postfix,    // op (CTranspose, Transpose), operand in args[0]
    AndAnd,     // short-circuit &&, args[0], args[1]
    OrOr,       // short-circuit ||
    Range,      // args: start, [step,] stop
    Matrix,     // rows
    Cell,       // rows
    Colon,      // ':' alone as a subscript
    End,        // 'end' inside a subscript
  };
  Kind kind = Kind::Number;
  double number = 0.0;
  bool imaginary = false;
  std::string text;  // string literal, identifier, operator token
  Op op = Op::Plus;  // Binary, Unary, Postfix
  ExprPtr base;
  std::vector<ExprPtr> args;
  std::vector<std::vector<ExprPtr>> rows;
  int line = 0;

  Expr() = default;
  Expr(const Expr&) = delete;
  Expr& operator=(const Expr&) = delete;
  // Frees the subtree without recursion: a chain of a hundred thousand `+` terms
  // is a tree that deep.
  ~Expr();
};

// How deeply the parser nests brackets, operands of unary operators and blocks,
// and how deeply the evaluator nests the evaluation of one statement. Deeper input
// is an error ("nesting too deep"), well before the stack runs out, also in the
// sanitizer build. Chains of binary operators do not nest: they are evaluated
// term by term.
inline constexpr int kMaxParseNesting = 128;
inline constexpr int kMaxEvalNesting = 512;

// An assignment target: name, name(subs) or name{subs}; `~` discards an output.
struct LValue {
  enum class Subscript { None, Paren, Brace };
  std::string name;
  bool discard = false;
  Subscript subscript = Subscript::None;
  std::vector<ExprPtr> subs;
};

struct Stmt {
  enum class Kind { Expr, Assign, Command, If, For, While, Try, Break, Continue, Return };
  Kind kind = Kind::Expr;
  // Display the result (no semicolon after the statement).
  bool print = true;
  int line = 0;
  ExprPtr expr;                    // Expr: the expression; Assign: right-hand side; For: range
  std::vector<LValue> targets;     // Assign: one or more
  std::string name;                // Command: function; For: loop variable; Try: catch variable
  std::vector<std::string> words;  // Command arguments
  // If: (condition, body) clauses; a final else clause has a null condition.
  std::vector<std::pair<ExprPtr, StmtList>> clauses;
  StmtList body;       // For, While, Try
  StmtList otherwise;  // Try: catch body
};

}  // namespace mh
