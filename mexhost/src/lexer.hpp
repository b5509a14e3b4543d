// The lexer of the prompt language.
//
// Decisions that depend on layout are made here, so that the parser sees a
// plain token stream:
//   - inside [ ] and { }, whitespace between two values separates elements
//     ([1 -2] is two elements, [1 - 2] one), and a newline separates rows;
//   - a quote is a transpose right after a value (a', x(1)', [1 2]'), and starts
//     a string otherwise; inside [ ] and { } a quote after whitespace starts a
//     string ([a 'xy'] is two elements);
//   - command syntax: at the start of a statement, a word that is not a variable,
//     followed by whitespace and something that does not read as an expression
//     (`hold on`, `format long g`, `disp -5`), becomes one Command token whose
//     arguments are the following words (quotes group words: disp 'a b').
//     `a = 1`, `a (1)`, `a + b` and `a == b` stay expressions.
#pragma once

#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace mh {

enum class TokenKind {
  Number,   // number (imaginary when `imaginary`)
  String,   // text, UTF-8, quotes removed
  Ident,    // identifier
  Keyword,  // if elseif else end for while break continue return try catch ...
  Op,       // operator or punctuation, in `text`: + - * / \ ^ .* ./ .\ .^ ' .' == ~= < <= > >=
            // & | && || ~ = : , ; ( ) [ ] { } @
  Command,  // command syntax: `text` the function name, `words` its arguments
  Newline,
  End,  // end of input
};

struct Token {
  TokenKind kind = TokenKind::End;
  std::string text;
  double number = 0.0;
  bool imaginary = false;
  bool doubleQuoted = false;
  std::vector<std::string> words;
  int line = 1;    // counted from 1 in the text lexed
  int column = 1;  // in characters (not bytes), counted from 1
};

struct LexResult {
  std::vector<Token> tokens;  // always ends with an End token
  // Open brackets and blocks (if/for/while/try without their `end`) at the end of
  // the text, and whether the text ends in a continuation `...`: the input is
  // incomplete when any of these is non-zero.
  int openBrackets = 0;
  int openBlocks = 0;
  bool continued = false;
  bool complete() const { return openBrackets <= 0 && openBlocks <= 0 && !continued; }
};

// Tells whether a name is a variable (command syntax never applies to one).
using IsVariable = std::function<bool(std::string_view)>;

// Splits `source` into tokens. Raises rt::Error (mexhost:syntax) for text that
// cannot be a token (an unterminated string, a stray character).
LexResult lex(std::string_view source, const IsVariable& isVariable);

bool isKeyword(std::string_view word);

}  // namespace mh
