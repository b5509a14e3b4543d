#include "operators.hpp"

#include <string>

#include "runtime/error.hpp"
#include "runtime/ops.hpp"

namespace mh {
namespace {

using rt::Array;

Array unaryPlus(const Array& v) {
  return rt::plus(v, Array(0.0));
}

constexpr OperatorRow kOperators[] = {
    {Op::Plus, "+", 2, "plus", rt::plus, nullptr},
    {Op::Minus, "-", 2, "minus", rt::minus, nullptr},
    {Op::MTimes, "*", 2, "mtimes", rt::mtimes, nullptr},
    {Op::MRDivide, "/", 2, "mrdivide", rt::mrdivide, nullptr},
    {Op::MLDivide, "\\", 2, "mldivide", rt::mldivide, nullptr},
    {Op::Times, ".*", 2, "times", rt::times, nullptr},
    {Op::RDivide, "./", 2, "rdivide", rt::rdivide, nullptr},
    {Op::LDivide, ".\\", 2, "ldivide", rt::ldivide, nullptr},
    {Op::MPower, "^", 2, "mpower", rt::mpower, nullptr},
    {Op::Power, ".^", 2, "power", rt::power, nullptr},
    {Op::Eq, "==", 2, "eq", rt::eq, nullptr},
    {Op::Ne, "~=", 2, "ne", rt::ne, nullptr},
    {Op::Lt, "<", 2, "lt", rt::lt, nullptr},
    {Op::Le, "<=", 2, "le", rt::le, nullptr},
    {Op::Gt, ">", 2, "gt", rt::gt, nullptr},
    {Op::Ge, ">=", 2, "ge", rt::ge, nullptr},
    {Op::And, "&", 2, "and", rt::land, nullptr},
    {Op::Or, "|", 2, "or", rt::lor, nullptr},
    {Op::Negate, "-", 1, "uminus", nullptr, rt::uminus},
    {Op::UnaryPlus, "+", 1, nullptr, nullptr, unaryPlus},
    {Op::Not, "~", 1, "not", nullptr, rt::lnot},
    {Op::CTranspose, "'", 1, "ctranspose", nullptr, rt::ctranspose},
    {Op::Transpose, ".'", 1, "transpose", nullptr, rt::transpose},
};

constexpr bool orderedByOp() {
  for (std::size_t k = 0; k < std::size(kOperators); ++k) {
    if (static_cast<std::size_t>(kOperators[k].op) != k) return false;
  }
  return true;
}
static_assert(orderedByOp(), "kOperators is indexed by Op");

}  // namespace

std::span<const OperatorRow> operatorTable() {
  return kOperators;
}

const OperatorRow& operatorRow(Op op) {
  return kOperators[static_cast<std::size_t>(op)];
}

Op findOperator(std::string_view token, int operands) {
  for (const OperatorRow& row : kOperators) {
    if (row.token == token && row.operands == operands) return row.op;
  }
  rt::raise("mexhost:internal", "Unknown operator '" + std::string(token) + "'.");
}

Array applyUnary(Op op, const Array& operand) {
  return operatorRow(op).unary(operand);
}

Array applyBinary(Op op, const Array& left, const Array& right) {
  return operatorRow(op).binary(left, right);
}

}  // namespace mh
