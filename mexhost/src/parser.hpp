// The parser of the prompt language: statements from the lexer's tokens.
//
// Operator precedence, lowest first (all binary operators associate left):
//   ||   &&   |   &   < <= > >= == ~=   :   + -   * / \ .* ./ .\   unary + - ~
//   ^ .^ ' .'  (power and transposes on one level; -2^2 is -4, 2^-1 is 0.5)
#pragma once

#include <string_view>

#include "ast.hpp"
#include "lexer.hpp"

namespace mh {

// Parses a complete input (see LexResult::complete). Raises rt::Error
// (mexhost:syntax) on a syntax error.
StmtList parse(const LexResult& lexed);

// Lexes and parses in one step.
StmtList parseText(std::string_view source, const IsVariable& isVariable);

}  // namespace mh
