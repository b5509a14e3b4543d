// The operators of the prompt language: one table from which the parser tags
// its nodes, the evaluator applies them and the builtins table registers their
// function forms (plus, mtimes, ctranspose, ...).
#pragma once

#include <span>
#include <string_view>

#include "runtime/array.hpp"

namespace mh {

enum class Op {
  Plus,
  Minus,
  MTimes,
  MRDivide,
  MLDivide,
  Times,
  RDivide,
  LDivide,
  MPower,
  Power,
  Eq,
  Ne,
  Lt,
  Le,
  Gt,
  Ge,
  And,
  Or,
  Negate,
  UnaryPlus,
  Not,
  CTranspose,
  Transpose,
};

struct OperatorRow {
  Op op;
  std::string_view token;  // as the lexer spells it
  int operands;            // 1: prefix or postfix, 2: infix
  const char* function;    // the function form's name; nullptr when it has none
  rt::Array (*binary)(const rt::Array&, const rt::Array&);  // operands == 2
  rt::Array (*unary)(const rt::Array&);                     // operands == 1
};

// Every operator, ordered by Op.
std::span<const OperatorRow> operatorTable();
const OperatorRow& operatorRow(Op op);
// The operator spelled `token` with that many operands; raises mexhost:internal
// when there is none.
Op findOperator(std::string_view token, int operands);

rt::Array applyUnary(Op op, const rt::Array& operand);
rt::Array applyBinary(Op op, const rt::Array& left, const rt::Array& right);

}  // namespace mh
