#include "lexer.hpp"

#include <algorithm>
#include <array>
#include <cctype>
#include <cstdlib>
#include <string>

#include "runtime/error.hpp"

namespace mh {
namespace {

constexpr std::array<std::string_view, 18> kKeywords = {
    "if",     "elseif", "else",      "end", "for",   "while",    "break",  "continue",   "return",
    "switch", "case",   "otherwise", "try", "catch", "function", "global", "persistent", "parfor"};

// Keywords that open a block closed by `end`.
bool opensBlock(std::string_view w) {
  return w == "if" || w == "for" || w == "while" || w == "switch" || w == "try" ||
         w == "function" || w == "parfor";
}

bool isIdentStart(char c) {
  return std::isalpha(static_cast<unsigned char>(c)) != 0;
}
bool isIdentChar(char c) {
  return std::isalnum(static_cast<unsigned char>(c)) != 0 || c == '_';
}
bool isDigit(char c) {
  return std::isdigit(static_cast<unsigned char>(c)) != 0;
}
bool isBlank(char c) {
  return c == ' ' || c == '\t' || c == '\r';
}

[[noreturn]] void syntaxError(const std::string& message, int line, int column) {
  rt::raise("mexhost:syntax", "Parse error at line " + std::to_string(line) + ", column " +
                                  std::to_string(column) + ": " + message);
}

// Binary operators that, followed by whitespace after a leading word, make the
// statement an expression rather than command syntax (`a - b`, `x == 1`).
constexpr std::array<std::string_view, 22> kBinaryOps = {
    "==", "~=", "<=", ">=", "&&", "||", ".*", "./", ".\\", ".^", "+",
    "-",  "*",  "/",  "\\", "^",  "<",  ">",  "&",  "|",   ":",  "!="};

class Lexer {
 public:
  Lexer(std::string_view src, const IsVariable& isVariable) : src_(src), isVariable_(isVariable) {}

  LexResult run() {
    while (pos_ < src_.size()) {
      start_ = pos_;
      step();
    }
    result_.openBrackets = static_cast<int>(brackets_.size());
    const bool continued = result_.continued;
    start_ = pos_;
    push(TokenKind::End, "");
    result_.continued = continued;
    // Text that ends with a line break ends at the end of that line, where its
    // last statement is: a one-line statement's error is on line 1.
    if (!src_.empty() && src_.back() == '\n' && lastBreakLine_ > 0) {
      result_.tokens.back().line = lastBreakLine_;
      result_.tokens.back().column = lastBreakColumn_;
    }
    return std::move(result_);
  }

 private:
  char peek(std::size_t ahead = 0) const {
    return pos_ + ahead < src_.size() ? src_[pos_ + ahead] : '\0';
  }

  // The column (counted in characters from 1) of byte offset `at` of the current line.
  // Tokens are asked for in order, so the count goes on from the last answer on the same
  // line; a long line costs time in proportion to its length, not to its square.
  int columnOf(std::size_t at) const {
    at = std::min(at, src_.size());
    if (countedLine_ != lineStart_ || countedTo_ > at) {
      countedLine_ = lineStart_;
      countedTo_ = lineStart_;
      countedColumn_ = 1;
    }
    for (; countedTo_ < at; ++countedTo_) {
      if ((static_cast<unsigned char>(src_[countedTo_]) & 0xC0) != 0x80) ++countedColumn_;
    }
    return countedColumn_;
  }
  // The start of the current token, or a position of the current line.
  int column() const { return columnOf(start_); }
  [[noreturn]] void fail(const std::string& message) const {
    syntaxError(message, line_, column());
  }
  [[noreturn]] void failAt(const std::string& message, std::size_t at) const {
    syntaxError(message, line_, columnOf(at));
  }
  void nextLine() {
    ++line_;
    lineStart_ = pos_;
  }

  bool inMatrix() const { return !brackets_.empty() && brackets_.back() != '('; }

  // The previous token ends a value (a following quote is a transpose, and
  // inside brackets a following value starts a new element).
  bool prevEndsValue() const {
    if (result_.tokens.empty()) return false;
    const Token& t = result_.tokens.back();
    switch (t.kind) {
      case TokenKind::Number:
      case TokenKind::String:
      case TokenKind::Ident:
        return true;
      case TokenKind::Keyword:
        return t.text == "end" && !brackets_.empty();
      case TokenKind::Op:
        return t.text == ")" || t.text == "]" || t.text == "}" || t.text == "'" || t.text == ".'";
      default:
        return false;
    }
  }

  void push(TokenKind kind, std::string text) {
    Token t;
    t.kind = kind;
    t.text = std::move(text);
    t.line = line_;
    t.column = column();
    result_.tokens.push_back(std::move(t));
    result_.continued = false;
  }

  void pushOp(std::string text) {
    const bool separator = text == "," || text == ";";
    push(TokenKind::Op, std::move(text));
    atStatementStart_ = separator && brackets_.empty();
  }

  // Inside brackets, whitespace between a value and the start of another value
  // separates elements.
  void maybeSeparate(bool startsValue) {
    if (spaceBefore_ && inMatrix() && startsValue && prevEndsValue()) pushOp(",");
  }

  void step() {
    const char c = peek();
    if (isBlank(c)) {
      ++pos_;
      spaceBefore_ = true;
      return;
    }
    if (c == '.' && peek(1) == '.' && peek(2) == '.') {
      // Continuation: the rest of the line is ignored, the line break too.
      while (pos_ < src_.size() && src_[pos_] != '\n') ++pos_;
      if (pos_ < src_.size()) {
        ++pos_;
        nextLine();
      }
      // Text that ends right after a continuation waits for the next line.
      if (pos_ >= src_.size()) result_.continued = true;
      spaceBefore_ = true;
      return;
    }
    if (c == '%') {
      if (peek(1) == '{' && blockCommentStart()) return;
      while (pos_ < src_.size() && src_[pos_] != '\n') ++pos_;
      return;
    }
    if (c == '\n') {
      lastBreakLine_ = line_;
      lastBreakColumn_ = column();
      newline();
      ++pos_;
      nextLine();
      spaceBefore_ = true;
      return;
    }
    const bool space = spaceBefore_;
    spaceBefore_ = false;
    if (isDigit(c) || (c == '.' && isDigit(peek(1)))) {
      spaceBefore_ = space;
      maybeSeparate(true);
      spaceBefore_ = false;
      number();
      return;
    }
    if (isIdentStart(c)) {
      spaceBefore_ = space;
      identifier();
      return;
    }
    if (c == '"') {
      spaceBefore_ = space;
      maybeSeparate(true);
      spaceBefore_ = false;
      quoted('"');
      return;
    }
    if (c == '\'') {
      const bool transpose = prevEndsValue() && !(space && inMatrix());
      if (transpose) {
        ++pos_;
        pushOp("'");
        atStatementStart_ = false;
        return;
      }
      spaceBefore_ = space;
      maybeSeparate(true);
      spaceBefore_ = false;
      quoted('\'');
      return;
    }
    spaceBefore_ = space;
    punctuation();
  }

  // `%{` alone on its line opens a block comment closed by `%}` alone on a line.
  bool blockCommentStart() {
    std::size_t lineStart = pos_;
    while (lineStart > 0 && src_[lineStart - 1] != '\n') --lineStart;
    for (std::size_t k = lineStart; k < pos_; ++k) {
      if (!isBlank(src_[k])) return false;
    }
    std::size_t k = pos_ + 2;
    while (k < src_.size() && isBlank(src_[k])) ++k;
    if (k < src_.size() && src_[k] != '\n') return false;
    // Skip whole lines until one holding only `%}`.
    pos_ = k;
    while (pos_ < src_.size()) {
      ++pos_;  // the '\n'
      nextLine();
      std::size_t e = pos_;
      while (e < src_.size() && src_[e] != '\n') ++e;
      std::string_view text = src_.substr(pos_, e - pos_);
      const auto first = text.find_first_not_of(" \t\r");
      const auto last = text.find_last_not_of(" \t\r");
      pos_ = e;
      if (first != std::string_view::npos && text.substr(first, last - first + 1) == "%}") {
        return true;
      }
    }
    result_.openBlocks += 1;  // an unterminated block comment: the input is incomplete
    return true;
  }

  void newline() {
    if (inMatrix()) {
      if (!result_.tokens.empty()) {
        const Token& t = result_.tokens.back();
        const bool afterSeparator = t.kind == TokenKind::Op && (t.text == ";" || t.text == "," ||
                                                                t.text == "[" || t.text == "{");
        if (!afterSeparator) pushOp(";");
      }
      return;
    }
    // As at the host's prompt, a statement cannot break inside parentheses
    // without a `...` continuation.
    if (!brackets_.empty()) fail("expected ')' near 'end of line'");
    push(TokenKind::Newline, "\n");
    atStatementStart_ = true;
  }

  void number() {
    const std::size_t start = pos_;
    while (isDigit(peek())) ++pos_;
    if (peek() == '.') {
      // `1.*x` and `1.'` keep the dot with the operator.
      const char n = peek(1);
      const bool operatorDot = n == '*' || n == '/' || n == '\\' || n == '^' || n == '\'';
      if (!operatorDot) {
        ++pos_;
        while (isDigit(peek())) ++pos_;
      }
    }
    if ((peek() == 'e' || peek() == 'E' || peek() == 'd' || peek() == 'D') &&
        (isDigit(peek(1)) || ((peek(1) == '+' || peek(1) == '-') && isDigit(peek(2))))) {
      pos_ += 2;
      while (isDigit(peek())) ++pos_;
    }
    std::string text(src_.substr(start, pos_ - start));
    for (char& ch : text) {
      if (ch == 'd' || ch == 'D') ch = 'e';
    }
    Token t;
    t.kind = TokenKind::Number;
    t.text = text;
    t.number = std::strtod(text.c_str(), nullptr);
    t.line = line_;
    t.column = column();
    const char s = peek();
    if ((s == 'i' || s == 'j' || s == 'I' || s == 'J') && !isIdentChar(peek(1))) {
      t.imaginary = true;
      ++pos_;
    } else if (isIdentChar(s)) {
      fail("malformed number '" + text + std::string(1, s) + "'");
    }
    result_.tokens.push_back(std::move(t));
    result_.continued = false;
    atStatementStart_ = false;
  }

  void identifier() {
    const std::size_t start = pos_;
    while (isIdentChar(peek())) ++pos_;
    const std::string word(src_.substr(start, pos_ - start));
    if (isKeyword(word)) {
      keyword(word);
      return;
    }
    if (atStatementStart_ && brackets_.empty() && !isVariable_(word) && commandSyntax(word)) {
      return;
    }
    maybeSeparate(true);
    spaceBefore_ = false;
    push(TokenKind::Ident, word);
    atStatementStart_ = false;
  }

  void keyword(const std::string& word) {
    maybeSeparate(word == "end");
    spaceBefore_ = false;
    push(TokenKind::Keyword, word);
    if (brackets_.empty()) {
      if (opensBlock(word)) ++result_.openBlocks;
      if (word == "end") --result_.openBlocks;
    }
    // A statement may follow `else` and `try` directly (`else disp hi`).
    atStatementStart_ = word == "else" || word == "try";
  }

  // Decides command syntax for `word` at the start of a statement and, if it
  // applies, emits the Command token. pos_ is just after the word.
  bool commandSyntax(const std::string& word) {
    if (!isBlank(peek())) return false;
    std::size_t k = pos_;
    while (k < src_.size() && isBlank(src_[k])) ++k;
    if (k >= src_.size()) return false;
    const char c = src_[k];
    if (c == '\n' || c == ',' || c == ';' || c == '%' || c == '(') return false;
    if (c == '=' && (k + 1 >= src_.size() || src_[k + 1] != '=')) return false;
    for (std::string_view op : kBinaryOps) {
      if (src_.substr(k, op.size()) == op) {
        const std::size_t after = k + op.size();
        if (after >= src_.size() || isBlank(src_[after]) || src_[after] == '\n') return false;
        break;
      }
    }
    // The arguments: words up to the end of the statement.
    pos_ = k;
    std::vector<std::string> words;
    std::string current;
    bool inWord = false;
    while (pos_ < src_.size()) {
      const char ch = src_[pos_];
      if (ch == '\n' || ch == ',' || ch == ';' || ch == '%') break;
      if (isBlank(ch)) {
        if (inWord) words.push_back(current);
        current.clear();
        inWord = false;
        ++pos_;
        continue;
      }
      if (ch == '\'') {
        ++pos_;
        inWord = true;
        bool closed = false;
        while (pos_ < src_.size() && src_[pos_] != '\n') {
          if (src_[pos_] == '\'') {
            if (pos_ + 1 < src_.size() && src_[pos_ + 1] == '\'') {
              current += '\'';
              pos_ += 2;
              continue;
            }
            ++pos_;
            closed = true;
            break;
          }
          current += src_[pos_++];
        }
        if (!closed) fail("unterminated string in the arguments of " + word);
        continue;
      }
      current += ch;
      inWord = true;
      ++pos_;
    }
    if (inWord) words.push_back(current);
    Token t;
    t.kind = TokenKind::Command;
    t.text = word;
    t.words = std::move(words);
    t.line = line_;
    t.column = column();
    result_.tokens.push_back(std::move(t));
    result_.continued = false;
    atStatementStart_ = false;
    return true;
  }

  void quoted(char quote) {
    ++pos_;
    std::string text;
    while (true) {
      if (pos_ >= src_.size() || src_[pos_] == '\n') fail("unterminated string");
      const char ch = src_[pos_];
      if (ch == quote) {
        if (peek(1) == quote) {
          text += quote;
          pos_ += 2;
          continue;
        }
        ++pos_;
        break;
      }
      text += ch;
      ++pos_;
    }
    Token t;
    t.kind = TokenKind::String;
    t.text = std::move(text);
    t.doubleQuoted = quote == '"';
    t.line = line_;
    t.column = column();
    result_.tokens.push_back(std::move(t));
    result_.continued = false;
    atStatementStart_ = false;
  }

  void punctuation() {
    static constexpr std::array<std::string_view, 12> kTwo = {
        ".*", "./", ".\\", ".^", ".'", "==", "~=", "!=", "<=", ">=", "&&", "||"};
    const char c = peek();
    for (std::string_view op : kTwo) {
      if (src_.substr(pos_, 2) == op) {
        pos_ += 2;
        maybeSeparate(false);
        spaceBefore_ = false;
        pushOp(op == "!=" ? "~=" : std::string(op));
        return;
      }
    }
    switch (c) {
      case '+':
      case '-': {
        // Inside brackets, `[a -b]` is two elements, `[a - b]` one.
        const char n = peek(1);
        const bool unary = !isBlank(n) && n != '\n' && n != '\0';
        maybeSeparate(unary);
        break;
      }
      case '~':
      case '!':
      case '(':
      case '[':
      case '{':
      case '@':
        maybeSeparate(true);
        break;
      case '*':
      case '/':
      case '\\':
      case '^':
      case '<':
      case '>':
      case '&':
      case '|':
      case '=':
      case ':':
      case ',':
      case ';':
      case ')':
      case ']':
      case '}':
      case '.':
        break;
      default:
        if (static_cast<unsigned char>(c) < 0x20 || c == 0x7f) {
          // A control character (a NUL byte among them) is named by its code, so
          // that the message stays whole and readable.
          failAt("unexpected control character (code " +
                     std::to_string(static_cast<unsigned char>(c)) + ")",
                 pos_);
        }
        failAt(std::string("unexpected character '") + c + "'", pos_);
    }
    spaceBefore_ = false;
    ++pos_;
    std::string op(1, c == '!' ? '~' : c);
    if (c == '(' || c == '[' || c == '{') brackets_.push_back(c);
    if (c == ')' || c == ']' || c == '}') {
      const char open = c == ')' ? '(' : (c == ']' ? '[' : '{');
      if (brackets_.empty() || brackets_.back() != open) {
        failAt(std::string("unbalanced '") + c + "'", pos_ - 1);
      }
      brackets_.pop_back();
      // A row ended by a line break before the closing bracket leaves a stray ';'.
      if (c != ')' && !result_.tokens.empty() && result_.tokens.back().kind == TokenKind::Op &&
          result_.tokens.back().text == ";") {
        result_.tokens.pop_back();
      }
    }
    pushOp(op);
  }

  std::string_view src_;
  const IsVariable& isVariable_;
  std::size_t pos_ = 0;
  int line_ = 1;
  std::size_t lineStart_ = 0;            // byte offset of the current line's first character
  mutable std::size_t countedLine_ = 0;  // columnOf's last answer: the line's start,
  mutable std::size_t countedTo_ = 0;    // the offset counted to, and its column
  mutable int countedColumn_ = 1;
  std::size_t start_ = 0;  // byte offset where the current token starts
  int lastBreakLine_ = 0;  // where the last line break was (line, column)
  int lastBreakColumn_ = 0;
  bool spaceBefore_ = false;
  bool atStatementStart_ = true;
  std::vector<char> brackets_;
  LexResult result_;
};

}  // namespace

bool isKeyword(std::string_view word) {
  for (std::string_view k : kKeywords) {
    if (k == word) return true;
  }
  return false;
}

LexResult lex(std::string_view source, const IsVariable& isVariable) {
  return Lexer(source, isVariable).run();
}

}  // namespace mh
