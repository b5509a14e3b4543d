#include "parser.hpp"

#include <string>
#include <vector>

#include "runtime/error.hpp"

namespace mh {

Expr::~Expr() {
  std::vector<ExprPtr> pending;
  auto detach = [&pending](Expr& e) {
    if (e.base) pending.push_back(std::move(e.base));
    for (ExprPtr& a : e.args) {
      if (a) pending.push_back(std::move(a));
    }
    for (std::vector<ExprPtr>& row : e.rows) {
      for (ExprPtr& x : row) {
        if (x) pending.push_back(std::move(x));
      }
    }
  };
  detach(*this);
  while (!pending.empty()) {
    ExprPtr next = std::move(pending.back());
    pending.pop_back();
    detach(*next);
  }  // each node is freed here with no children left
}

namespace {

class Parser {
 public:
  explicit Parser(const std::vector<Token>& tokens) : t_(tokens) {}

  StmtList program() {
    StmtList out = statements({});
    if (!at(TokenKind::End)) fail("unexpected '" + describe(cur()) + "'");
    return out;
  }

 private:
  // ---- token access -----------------------------------------------------------
  const Token& cur() const { return t_[p_]; }
  const Token& ahead(std::size_t k) const { return p_ + k < t_.size() ? t_[p_ + k] : t_.back(); }
  bool at(TokenKind k) const { return cur().kind == k; }
  bool atOp(std::string_view op) const { return at(TokenKind::Op) && cur().text == op; }
  bool atKeyword(std::string_view k) const { return at(TokenKind::Keyword) && cur().text == k; }
  void next() {
    if (p_ + 1 < t_.size()) ++p_;
  }
  bool acceptOp(std::string_view op) {
    if (!atOp(op)) return false;
    next();
    return true;
  }
  void expectOp(std::string_view op) {
    if (!acceptOp(op)) fail("expected '" + std::string(op) + "' near '" + describe(cur()) + "'");
  }

  static std::string describe(const Token& t) {
    switch (t.kind) {
      case TokenKind::End:
        return "end of input";
      case TokenKind::Newline:
        return "end of line";
      case TokenKind::String:
        return "'" + t.text + "'";
      case TokenKind::Command:
        return t.text;
      default:
        return t.text;
    }
  }

  [[noreturn]] void fail(const std::string& message) const {
    rt::raise("mexhost:syntax", "Parse error at line " + std::to_string(cur().line) + ", column " +
                                    std::to_string(cur().column) + ": " + message);
  }

  // Counts one level of nesting for its lifetime; too many levels are an error.
  class Nesting {
   public:
    explicit Nesting(Parser& p) : p_(p) {
      if (++p_.nesting_ > kMaxParseNesting) {
        p_.fail("nesting too deep (more than " + std::to_string(kMaxParseNesting) + " levels)");
      }
    }
    ~Nesting() { --p_.nesting_; }
    Nesting(const Nesting&) = delete;
    Nesting& operator=(const Nesting&) = delete;

   private:
    Parser& p_;
  };

  ExprPtr node(Expr::Kind kind) const {
    auto e = std::make_unique<Expr>();
    e->kind = kind;
    e->line = cur().line;
    return e;
  }

  // ---- statements -------------------------------------------------------------
  // Statements until End or one of the given keywords.
  StmtList statements(std::initializer_list<std::string_view> stop) {
    StmtList out;
    while (true) {
      while (at(TokenKind::Newline) || atOp(",") || atOp(";")) next();
      if (at(TokenKind::End)) break;
      if (at(TokenKind::Keyword)) {
        bool stopHere = false;
        for (std::string_view s : stop) stopHere = stopHere || cur().text == s;
        if (stopHere) break;
      }
      StmtPtr s = statement();
      // The terminator decides the display.
      if (atOp(";")) {
        s->print = false;
        next();
      } else if (atOp(",") || at(TokenKind::Newline)) {
        next();
      } else if (!at(TokenKind::End) && !at(TokenKind::Keyword)) {
        fail("unexpected '" + describe(cur()) + "'");
      }
      out.push_back(std::move(s));
    }
    return out;
  }

  StmtPtr makeStmt(Stmt::Kind kind) const {
    auto s = std::make_unique<Stmt>();
    s->kind = kind;
    s->line = cur().line;
    return s;
  }

  StmtPtr statement() {
    const Nesting level(*this);
    if (at(TokenKind::Keyword)) return keywordStatement();
    if (at(TokenKind::Command)) {
      StmtPtr s = makeStmt(Stmt::Kind::Command);
      s->name = cur().text;
      s->words = cur().words;
      next();
      return s;
    }
    if (atOp("[") && isMultiAssignment()) return multiAssignment();
    if (at(TokenKind::Ident) && isAssignment()) return assignment();
    StmtPtr s = makeStmt(Stmt::Kind::Expr);
    s->expr = expression();
    return s;
  }

  StmtPtr keywordStatement() {
    const std::string word = cur().text;
    if (word == "if") return ifStatement();
    if (word == "for" || word == "parfor") return forStatement();
    if (word == "while") return whileStatement();
    if (word == "try") return tryStatement();
    if (word == "break" || word == "continue" || word == "return") {
      StmtPtr s = makeStmt(word == "break"      ? Stmt::Kind::Break
                           : word == "continue" ? Stmt::Kind::Continue
                                                : Stmt::Kind::Return);
      next();
      return s;
    }
    fail("'" + word + "' is not supported at the prompt");
  }

  void endOfHeader() {
    // A condition or range is followed by a separator or directly by a statement.
    while (atOp(",") || atOp(";") || at(TokenKind::Newline)) next();
  }

  void expectEnd(const char* what) {
    if (!atKeyword("end")) fail(std::string("'") + what + "' without a matching 'end'");
    next();
  }

  StmtPtr ifStatement() {
    StmtPtr s = makeStmt(Stmt::Kind::If);
    next();
    ExprPtr cond = expression();
    endOfHeader();
    StmtList body = statements({"elseif", "else", "end"});
    s->clauses.emplace_back(std::move(cond), std::move(body));
    while (atKeyword("elseif")) {
      next();
      ExprPtr c = expression();
      endOfHeader();
      StmtList b = statements({"elseif", "else", "end"});
      s->clauses.emplace_back(std::move(c), std::move(b));
    }
    if (atKeyword("else")) {
      next();
      StmtList b = statements({"end"});
      s->clauses.emplace_back(nullptr, std::move(b));
    }
    expectEnd("if");
    return s;
  }

  StmtPtr forStatement() {
    StmtPtr s = makeStmt(Stmt::Kind::For);
    next();
    const bool paren = acceptOp("(");
    if (!at(TokenKind::Ident)) fail("expected a loop variable after 'for'");
    s->name = cur().text;
    next();
    expectOp("=");
    s->expr = expression();
    if (paren) expectOp(")");
    endOfHeader();
    s->body = statements({"end"});
    expectEnd("for");
    return s;
  }

  StmtPtr whileStatement() {
    StmtPtr s = makeStmt(Stmt::Kind::While);
    next();
    s->expr = expression();
    endOfHeader();
    s->body = statements({"end"});
    expectEnd("while");
    return s;
  }

  StmtPtr tryStatement() {
    StmtPtr s = makeStmt(Stmt::Kind::Try);
    next();
    endOfHeader();
    s->body = statements({"catch", "end"});
    if (atKeyword("catch")) {
      const int line = cur().line;
      next();
      if (at(TokenKind::Ident) && cur().line == line) {
        s->name = cur().text;
        next();
      }
      endOfHeader();
      s->otherwise = statements({"end"});
    }
    expectEnd("try");
    return s;
  }

  // Index of the token after the bracket that closes the one at `from`.
  std::size_t skipBalanced(std::size_t from) const {
    int depth = 0;
    for (std::size_t k = from; k < t_.size(); ++k) {
      const Token& t = t_[k];
      if (t.kind == TokenKind::End) return k;
      if (t.kind != TokenKind::Op) continue;
      if (t.text == "(" || t.text == "[" || t.text == "{") ++depth;
      if (t.text == ")" || t.text == "]" || t.text == "}") {
        if (--depth == 0) return k + 1;
      }
    }
    return t_.size() - 1;
  }

  bool isAssignOp(std::size_t k) const {
    return k < t_.size() && t_[k].kind == TokenKind::Op && t_[k].text == "=";
  }

  bool isMultiAssignment() const { return isAssignOp(skipBalanced(p_)); }

  bool isAssignment() const {
    std::size_t k = p_ + 1;
    if (k < t_.size() && t_[k].kind == TokenKind::Op && (t_[k].text == "(" || t_[k].text == "{")) {
      k = skipBalanced(k);
    }
    return isAssignOp(k);
  }

  LValue lvalue() {
    LValue v;
    if (atOp("~")) {
      v.discard = true;
      next();
      return v;
    }
    if (!at(TokenKind::Ident)) fail("expected a variable name to assign to");
    v.name = cur().text;
    next();
    if (atOp("(") || atOp("{")) {
      const bool brace = atOp("{");
      v.subscript = brace ? LValue::Subscript::Brace : LValue::Subscript::Paren;
      next();
      v.subs = arguments(brace ? "}" : ")");
    }
    return v;
  }

  StmtPtr assignment() {
    StmtPtr s = makeStmt(Stmt::Kind::Assign);
    s->targets.push_back(lvalue());
    expectOp("=");
    s->expr = expression();
    return s;
  }

  StmtPtr multiAssignment() {
    StmtPtr s = makeStmt(Stmt::Kind::Assign);
    expectOp("[");
    while (!atOp("]")) {
      s->targets.push_back(lvalue());
      if (!acceptOp(",") && !atOp("]")) fail("expected ',' or ']' in the list of outputs");
    }
    next();
    if (s->targets.empty()) fail("no output to assign to");
    expectOp("=");
    s->expr = expression();
    return s;
  }

  // ---- expressions ------------------------------------------------------------
  ExprPtr expression() {
    const Nesting level(*this);
    return orOr();
  }

  ExprPtr binaryLeft(ExprPtr (Parser::*operand)(), std::initializer_list<std::string_view> ops,
                     Expr::Kind kind = Expr::Kind::Binary) {
    ExprPtr left = (this->*operand)();
    while (at(TokenKind::Op)) {
      bool match = false;
      for (std::string_view op : ops) match = match || cur().text == op;
      if (!match) break;
      ExprPtr e = node(kind);
      e->text = cur().text;
      if (kind == Expr::Kind::Binary) e->op = findOperator(e->text, 2);
      next();
      e->args.push_back(std::move(left));
      e->args.push_back((this->*operand)());
      left = std::move(e);
    }
    return left;
  }

  ExprPtr orOr() { return binaryLeft(&Parser::andAnd, {"||"}, Expr::Kind::OrOr); }
  ExprPtr andAnd() { return binaryLeft(&Parser::orElement, {"&&"}, Expr::Kind::AndAnd); }
  ExprPtr orElement() { return binaryLeft(&Parser::andElement, {"|"}); }
  ExprPtr andElement() { return binaryLeft(&Parser::comparison, {"&"}); }
  ExprPtr comparison() { return binaryLeft(&Parser::range, {"==", "~=", "<", "<=", ">", ">="}); }

  ExprPtr range() {
    // A lone ':' is the whole-range subscript.
    if (atOp(":") && inSubscript_ > 0) {
      const Token& n = ahead(1);
      if (n.kind == TokenKind::Op && (n.text == "," || n.text == ")" || n.text == "}")) {
        ExprPtr e = node(Expr::Kind::Colon);
        next();
        return e;
      }
    }
    ExprPtr first = additive();
    if (!atOp(":")) return first;
    ExprPtr e = node(Expr::Kind::Range);
    e->args.push_back(std::move(first));
    next();
    e->args.push_back(additive());
    if (acceptOp(":")) e->args.push_back(additive());
    return e;
  }

  ExprPtr additive() { return binaryLeft(&Parser::multiplicative, {"+", "-"}); }
  ExprPtr multiplicative() {
    return binaryLeft(&Parser::unary, {"*", "/", "\\", ".*", "./", ".\\"});
  }

  ExprPtr unary() {
    if (atOp("-") || atOp("+") || atOp("~")) {
      const Nesting level(*this);
      ExprPtr e = node(Expr::Kind::Unary);
      e->text = cur().text;
      e->op = findOperator(e->text, 1);
      next();
      e->args.push_back(unary());
      return e;
    }
    return power();
  }

  // Power and transposes, left to right. The exponent may carry its own signs.
  ExprPtr power() {
    ExprPtr left = postfix();
    while (at(TokenKind::Op)) {
      const std::string op = cur().text;
      if (op == "'" || op == ".'") {
        ExprPtr e = node(Expr::Kind::Postfix);
        e->text = op;
        e->op = findOperator(op, 1);
        next();
        e->args.push_back(std::move(left));
        left = std::move(e);
      } else if (op == "^" || op == ".^") {
        ExprPtr e = node(Expr::Kind::Binary);
        e->text = op;
        e->op = findOperator(op, 2);
        next();
        e->args.push_back(std::move(left));
        e->args.push_back(powerOperand());
        left = std::move(e);
      } else {
        break;
      }
    }
    return left;
  }

  ExprPtr powerOperand() {
    if (atOp("-") || atOp("+") || atOp("~")) {
      const Nesting level(*this);
      ExprPtr e = node(Expr::Kind::Unary);
      e->text = cur().text;
      e->op = findOperator(e->text, 1);
      next();
      e->args.push_back(powerOperand());
      return e;
    }
    return postfix();
  }

  ExprPtr postfix() {
    ExprPtr e = primary();
    while (atOp("(") || atOp("{")) {
      const bool brace = atOp("{");
      ExprPtr idx = node(brace ? Expr::Kind::CellIndex : Expr::Kind::Index);
      next();
      idx->base = std::move(e);
      idx->args = arguments(brace ? "}" : ")");
      e = std::move(idx);
    }
    return e;
  }

  // Comma-separated arguments up to the closing bracket (consumed).
  std::vector<ExprPtr> arguments(std::string_view close) {
    std::vector<ExprPtr> args;
    ++inSubscript_;
    if (!acceptOp(close)) {
      while (true) {
        args.push_back(expression());
        if (acceptOp(close)) break;
        if (!acceptOp(",")) {
          fail("expected ',' or '" + std::string(close) + "' near '" + describe(cur()) + "'");
        }
      }
    }
    --inSubscript_;
    return args;
  }

  ExprPtr primary() {
    const Token& t = cur();
    switch (t.kind) {
      case TokenKind::Number: {
        ExprPtr e = node(Expr::Kind::Number);
        e->number = t.number;
        e->imaginary = t.imaginary;
        next();
        return e;
      }
      case TokenKind::String: {
        ExprPtr e = node(Expr::Kind::String);
        e->text = t.text;
        next();
        return e;
      }
      case TokenKind::Ident: {
        ExprPtr e = node(Expr::Kind::Ident);
        e->text = t.text;
        next();
        return e;
      }
      case TokenKind::Keyword:
        if (t.text == "end" && inSubscript_ > 0) {
          ExprPtr e = node(Expr::Kind::End);
          next();
          return e;
        }
        fail("unexpected '" + t.text + "'");
      case TokenKind::Op:
        if (t.text == "(") {
          next();
          ExprPtr e = expression();
          expectOp(")");
          return e;
        }
        if (t.text == "[" || t.text == "{") return matrix(t.text == "{");
        fail("unexpected '" + t.text + "'");
      case TokenKind::Command:
        fail("unexpected '" + t.text + "'");
      case TokenKind::Newline:
      case TokenKind::End:
        fail("incomplete expression");
    }
    fail("unexpected token");
  }

  ExprPtr matrix(bool cell) {
    ExprPtr e = node(cell ? Expr::Kind::Cell : Expr::Kind::Matrix);
    const std::string close = cell ? "}" : "]";
    next();
    // Inside a subscript, 'end' in brackets still refers to the subscripted value.
    std::vector<ExprPtr> row;
    while (true) {
      if (acceptOp(close)) break;
      if (acceptOp(";")) {
        e->rows.push_back(std::move(row));
        row.clear();
        continue;
      }
      if (acceptOp(",")) continue;
      if (at(TokenKind::End)) fail("'" + std::string(cell ? "{" : "[") + "' is not closed");
      row.push_back(expression());
    }
    if (!row.empty() || e->rows.empty()) e->rows.push_back(std::move(row));
    return e;
  }

  const std::vector<Token>& t_;
  std::size_t p_ = 0;
  int inSubscript_ = 0;
  int nesting_ = 0;
};

}  // namespace

StmtList parse(const LexResult& lexed) {
  return Parser(lexed.tokens).program();
}

StmtList parseText(std::string_view source, const IsVariable& isVariable) {
  return parse(lex(source, isVariable));
}

}  // namespace mh
