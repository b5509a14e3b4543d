// The prompt language's syntax: precedence, transpose against strings, element
// separation inside brackets, command syntax, statements and their terminators.
#include "parser.hpp"

#include <gtest/gtest.h>

#include <set>
#include <string>

#include "runtime/error.hpp"

namespace mh {
namespace {

// A prefix rendering of an expression: (op a b), [row; row], {…}, "text".
std::string render(const Expr& e) {
  auto all = [](const std::vector<ExprPtr>& v) {
    std::string s;
    for (const ExprPtr& x : v) s += " " + render(*x);
    return s;
  };
  switch (e.kind) {
    case Expr::Kind::Number: {
      std::string s = std::to_string(e.number);
      s.erase(s.find_last_not_of('0') + 1);
      if (s.back() == '.') s.pop_back();
      return s + (e.imaginary ? "i" : "");
    }
    case Expr::Kind::String:
      return "\"" + e.text + "\"";
    case Expr::Kind::Ident:
      return e.text;
    case Expr::Kind::Index:
      return "(call " + render(*e.base) + all(e.args) + ")";
    case Expr::Kind::CellIndex:
      return "(brace " + render(*e.base) + all(e.args) + ")";
    case Expr::Kind::Binary:
    case Expr::Kind::Unary:
    case Expr::Kind::Postfix:
      return "(" + e.text + all(e.args) + ")";
    case Expr::Kind::AndAnd:
      return "(&&" + all(e.args) + ")";
    case Expr::Kind::OrOr:
      return "(||" + all(e.args) + ")";
    case Expr::Kind::Range:
      return "(:" + all(e.args) + ")";
    case Expr::Kind::Matrix:
    case Expr::Kind::Cell: {
      std::string s = e.kind == Expr::Kind::Matrix ? "[" : "{";
      for (std::size_t r = 0; r < e.rows.size(); ++r) {
        if (r > 0) s += ";";
        for (std::size_t c = 0; c < e.rows[r].size(); ++c)
          s += (c > 0 ? "," : "") + render(*e.rows[r][c]);
      }
      return s + (e.kind == Expr::Kind::Matrix ? "]" : "}");
    }
    case Expr::Kind::Colon:
      return ":";
    case Expr::Kind::End:
      return "end";
  }
  return "?";
}

StmtList parseWith(const std::string& text, std::set<std::string> variables = {}) {
  return parseText(text, [&](std::string_view n) { return variables.count(std::string(n)) != 0; });
}

// The expression of a single expression statement.
std::string expr(const std::string& text, std::set<std::string> variables = {}) {
  const StmtList s = parseWith(text, std::move(variables));
  EXPECT_EQ(s.size(), 1u) << text;
  if (s.empty() || s[0]->kind != Stmt::Kind::Expr) return "<not an expression>";
  return render(*s[0]->expr);
}

std::string syntaxError(const std::string& text) {
  try {
    parseWith(text);
  } catch (const rt::Error& e) {
    EXPECT_EQ(e.identifier(), "mexhost:syntax");
    return e.message();
  }
  return "<no error>";
}

TEST(Precedence, ArithmeticBindsAsInTheHostLanguage) {
  EXPECT_EQ(expr("1 + 2 * 3"), "(+ 1 (* 2 3))");
  EXPECT_EQ(expr("1 - 2 - 3"), "(- (- 1 2) 3)");
  EXPECT_EQ(expr("a ./ b .* c"), "(.* (./ a b) c)");
  EXPECT_EQ(expr("a \\ b"), "(\\ a b)");
  EXPECT_EQ(expr("(1 + 2) * 3"), "(* (+ 1 2) 3)");
}

TEST(Precedence, PowerIsAboveUnaryMinusAndTakesASignedExponent) {
  EXPECT_EQ(expr("-2^2"), "(- (^ 2 2))");
  EXPECT_EQ(expr("2^-1"), "(^ 2 (- 1))");
  EXPECT_EQ(expr("2^3^2"), "(^ (^ 2 3) 2)");
  EXPECT_EQ(expr("a.^2'"), "(' (.^ a 2))");
}

TEST(Precedence, RangeSitsBetweenComparisonAndAddition) {
  EXPECT_EQ(expr("1:n+1"), "(: 1 (+ n 1))");
  EXPECT_EQ(expr("0:0.5:2"), "(: 0 0.5 2)");
  EXPECT_EQ(expr("1:3 == 2"), "(== (: 1 3) 2)");
}

TEST(Precedence, LogicalOperatorsFromElementwiseToShortCircuit) {
  EXPECT_EQ(expr("a == b & c"), "(& (== a b) c)");
  EXPECT_EQ(expr("a | b & c"), "(| a (& b c))");
  EXPECT_EQ(expr("a || b && c"), "(|| a (&& b c))");
  EXPECT_EQ(expr("~a == b"), "(== (~ a) b)");
  EXPECT_EQ(expr("a ~= b"), "(~= a b)");
  EXPECT_EQ(expr("a != b"), "(~= a b)");
}

TEST(Quotes, AQuoteAfterAValueIsATranspose) {
  EXPECT_EQ(expr("a'"), "(' a)");
  EXPECT_EQ(expr("a.'"), "(.' a)");
  EXPECT_EQ(expr("x(1)'"), "(' (call x 1))");
  EXPECT_EQ(expr("[1 2]'"), "(' [1,2])");
  EXPECT_EQ(expr("a'*b'"), "(* (' a) (' b))");
  EXPECT_EQ(expr("a''"), "(' (' a))");
  EXPECT_EQ(expr("2'"), "(' 2)");
}

TEST(Quotes, AQuoteElsewhereStartsAString) {
  EXPECT_EQ(expr("'it''s'"), "\"it's\"");
  EXPECT_EQ(expr("f('a', 'b')"), "(call f \"a\" \"b\")");
  EXPECT_EQ(expr("\"dq \"\"x\"\"\""), "\"dq \"x\"\"");
  EXPECT_EQ(expr("'Spänning'"), "\"Spänning\"");
  EXPECT_EQ(expr("'100%'"), "\"100%\"");
}

TEST(Quotes, InsideBracketsWhitespaceBeforeAQuoteStartsAString) {
  EXPECT_EQ(expr("[a 'xy']"), "[a,\"xy\"]");
  EXPECT_EQ(expr("[a' b']"), "[(' a),(' b)]");
  EXPECT_EQ(expr("[a','xy']"), "[(' a),\"xy\"]");
}

TEST(Brackets, WhitespaceBeforeASignedValueSeparatesElements) {
  EXPECT_EQ(expr("[1 -2]"), "[1,(- 2)]");
  EXPECT_EQ(expr("[1 - 2]"), "[(- 1 2)]");
  EXPECT_EQ(expr("[1 -2 + 3]"), "[1,(+ (- 2) 3)]");
  EXPECT_EQ(expr("[1 +2]"), "[1,(+ 2)]");
  EXPECT_EQ(expr("[1+ 2]"), "[(+ 1 2)]");
  EXPECT_EQ(expr("[a -b]"), "[a,(- b)]");
  EXPECT_EQ(expr("[a - b]"), "[(- a b)]");
  EXPECT_EQ(expr("[50 Inf]"), "[50,Inf]");
}

TEST(Brackets, RowsAndCallsInsideBrackets) {
  EXPECT_EQ(expr("[1 2; 3 4]"), "[1,2;3,4]");
  EXPECT_EQ(expr("[1 2\n 3 4]"), "[1,2;3,4]");
  EXPECT_EQ(expr("[1, 2;\n 3, 4\n]"), "[1,2;3,4]");
  EXPECT_EQ(expr("[f(1, 2) 3]"), "[(call f 1 2),3]");
  EXPECT_EQ(expr("[x (1)]"), "[x,1]");
  EXPECT_EQ(expr("[x(1) ~y]"), "[(call x 1),(~ y)]");
  EXPECT_EQ(expr("[a == b]"), "[(== a b)]");
  EXPECT_EQ(expr("[]"), "[]");
  EXPECT_EQ(expr("{1, 'a'; [2 3], {}}"), "{1,\"a\";[2,3],{}}");
  EXPECT_EQ(expr("[1 ...\n 2]"), "[1,2]");
}

TEST(Subscripts, ColonAndEndAreSubscriptForms) {
  EXPECT_EQ(expr("x(:, 1)"), "(call x : 1)");
  EXPECT_EQ(expr("x(end)"), "(call x end)");
  EXPECT_EQ(expr("x(2:end)"), "(call x (: 2 end))");
  EXPECT_EQ(expr("x(end-1, [1 end])"), "(call x (- end 1) [1,end])");
  EXPECT_EQ(expr("c{:}"), "(brace c :)");
  EXPECT_EQ(syntaxError("y = end"), "Parse error at line 1, column 5: unexpected 'end'");
}

TEST(Numbers, LiteralForms) {
  const StmtList s = parseWith("1e-8, 2i, .5, 1.5E3, 3j, 1.*x");
  ASSERT_EQ(s.size(), 6u);
  EXPECT_DOUBLE_EQ(s[0]->expr->number, 1e-8);
  EXPECT_TRUE(s[1]->expr->imaginary);
  EXPECT_DOUBLE_EQ(s[1]->expr->number, 2.0);
  EXPECT_DOUBLE_EQ(s[2]->expr->number, 0.5);
  EXPECT_DOUBLE_EQ(s[3]->expr->number, 1500.0);
  EXPECT_TRUE(s[4]->expr->imaginary);
  EXPECT_EQ(render(*s[5]->expr), "(.* 1 x)");
}

TEST(CommandSyntax, AWordFollowedByWordsIsACall) {
  const StmtList s = parseWith("hold on\nformat long g\ndisp 'a b' c;\nclose all");
  ASSERT_EQ(s.size(), 4u);
  EXPECT_EQ(s[0]->kind, Stmt::Kind::Command);
  EXPECT_EQ(s[0]->name, "hold");
  EXPECT_EQ(s[0]->words, std::vector<std::string>{"on"});
  EXPECT_EQ(s[1]->words, (std::vector<std::string>{"long", "g"}));
  EXPECT_EQ(s[2]->words, (std::vector<std::string>{"a b", "c"}));
  EXPECT_FALSE(s[2]->print);
  EXPECT_EQ(s[3]->name, "close");
}

TEST(CommandSyntax, ExpressionsAndAssignmentsAreNotCommands) {
  EXPECT_EQ(expr("grid"), "grid");
  EXPECT_EQ(expr("a - 1"), "(- a 1)");
  EXPECT_EQ(expr("a == 1"), "(== a 1)");
  EXPECT_EQ(expr("disp (1)"), "(call disp 1)");
  EXPECT_EQ(parseWith("a = 1")[0]->kind, Stmt::Kind::Assign);
  // A sign glued to the next word makes a command of a function, not of a variable.
  EXPECT_EQ(parseWith("a -1")[0]->kind, Stmt::Kind::Command);
  EXPECT_EQ(expr("a -1", {"a"}), "(- a 1)");
  // Also after a statement separator.
  const StmtList s = parseWith("x = 1, hold on");
  ASSERT_EQ(s.size(), 2u);
  EXPECT_EQ(s[1]->kind, Stmt::Kind::Command);
}

TEST(Statements, TerminatorsDecideTheDisplay) {
  const StmtList s = parseWith("x = 1; y = 2, z = 3\nw = 4 % comment");
  ASSERT_EQ(s.size(), 4u);
  EXPECT_FALSE(s[0]->print);
  EXPECT_TRUE(s[1]->print);
  EXPECT_TRUE(s[2]->print);
  EXPECT_TRUE(s[3]->print);
}

TEST(Statements, AssignmentTargets) {
  StmtList s = parseWith("[a, b] = f(x)");
  ASSERT_EQ(s[0]->kind, Stmt::Kind::Assign);
  ASSERT_EQ(s[0]->targets.size(), 2u);
  EXPECT_EQ(s[0]->targets[1].name, "b");
  s = parseWith("[m i] = max(v)");
  ASSERT_EQ(s[0]->targets.size(), 2u);
  s = parseWith("[~, k] = max(v)");
  EXPECT_TRUE(s[0]->targets[0].discard);
  s = parseWith("x(2, end) = 3");
  EXPECT_EQ(s[0]->targets[0].subscript, LValue::Subscript::Paren);
  EXPECT_EQ(s[0]->targets[0].subs.size(), 2u);
  s = parseWith("c{3} = 'a'");
  EXPECT_EQ(s[0]->targets[0].subscript, LValue::Subscript::Brace);
  // A comparison of a matrix is no assignment.
  EXPECT_EQ(parseWith("[1 2] == [1 2]")[0]->kind, Stmt::Kind::Expr);
}

TEST(Statements, Blocks) {
  StmtList s = parseWith("if x > 1\n y = 1;\nelseif x < 0, y = 2; else y = 3; end");
  ASSERT_EQ(s.size(), 1u);
  EXPECT_EQ(s[0]->kind, Stmt::Kind::If);
  EXPECT_EQ(s[0]->clauses.size(), 3u);
  EXPECT_EQ(s[0]->clauses[2].first, nullptr);
  s = parseWith("for k = 1:3, s = s + k; end");
  EXPECT_EQ(s[0]->kind, Stmt::Kind::For);
  EXPECT_EQ(s[0]->name, "k");
  s = parseWith("while k < 3\n k = k + 1;\n if k == 2, break; end\nend");
  EXPECT_EQ(s[0]->kind, Stmt::Kind::While);
  s = parseWith("try\n error('x')\ncatch err\n disp(err)\nend");
  EXPECT_EQ(s[0]->kind, Stmt::Kind::Try);
  EXPECT_EQ(s[0]->name, "err");
}

TEST(Completeness, OpenBracketsBlocksAndContinuationsWaitForMore) {
  auto complete = [](const std::string& text) {
    return lex(text, [](std::string_view) { return false; }).complete();
  };
  EXPECT_FALSE(complete("x = [1 2\n"));
  EXPECT_FALSE(complete("for k = 1:3\n"));
  EXPECT_FALSE(complete("y = 1 + ...\n"));
  EXPECT_FALSE(complete("%{\ncomment\n"));
  EXPECT_TRUE(complete("for k = 1:3, end\n"));
  EXPECT_TRUE(complete("x(end)\n"));
  EXPECT_TRUE(complete("%{\ncomment\n%}\n"));
}

TEST(Comments, BlockAndLineCommentsAreSkipped) {
  const StmtList s = parseWith("%{\nx = 1\n%}\ny = 2 % x = 3\n% z = 4");
  ASSERT_EQ(s.size(), 1u);
  EXPECT_EQ(s[0]->targets[0].name, "y");
}

TEST(SyntaxErrors, AreReportedWithTheLineAndColumn) {
  const std::pair<std::string, std::string> rows[] = {
      {"x = 1 +* 2", "Parse error at line 1, column 8: unexpected '*'"},
      {"x = 'abc", "Parse error at line 1, column 5: unterminated string"},
      {"y = 2\nx = (1))", "Parse error at line 2, column 8: unbalanced ')'"},
      {"if 1, x = 2", "Parse error at line 1, column 12: 'if' without a matching 'end'"},
      {"x = 1 y = 2", "Parse error at line 1, column 7: unexpected 'y'"},
      {"x = 3$", "Parse error at line 1, column 6: unexpected character '$'"},
      // A NUL byte in a script: named by its code, the message whole.
      {std::string("x = 1\0 + 2", 11),
       "Parse error at line 1, column 6: unexpected control character (code 0)"},
      // Columns count characters, not bytes.
      {"s = 'å' +* 1", "Parse error at line 1, column 10: unexpected '*'"},
      // A statement typed on one line fails on line 1, its line break included.
      {"x = 1 +\n", "Parse error at line 1, column 8: incomplete expression"},
      {"x = [1 2\n", "Parse error at line 1, column 9: '[' is not closed"},
      // A line break inside parentheses ends the statement there, without `...`.
      {"x = f(1,\n2)\n", "Parse error at line 1, column 9: expected ')' near 'end of line'"},
  };
  for (const auto& [text, message] : rows) EXPECT_EQ(syntaxError(text), message) << text;
  EXPECT_NO_THROW(parseWith("x = max(1, ...\n2)\n"));
  // Nesting deeper than the parser allows is an error, not a stack overflow.
  const std::string tooDeep = ": nesting too deep (more than 128 levels)";
  auto repeat = [](const std::string& s, int n) {
    std::string r;
    for (int k = 0; k < n; ++k) r += s;
    return r;
  };
  for (const auto& [text, line] : std::vector<std::pair<std::string, int>>{
           {"x = " + repeat("(", 3000) + "1" + repeat(")", 3000), 1},
           {"x = " + repeat("[", 3000) + "1" + repeat("]", 3000), 1},
           {"x = " + repeat("{", 3000) + "1" + repeat("}", 3000), 1},
           {"x = " + repeat("-", 5000) + "1", 1},
           {"x = 2^" + repeat("-", 5000) + "1", 1},
           {"x = " + repeat("abs(", 3000) + "1" + repeat(")", 3000), 1},
           {repeat("if 1\n", 3000) + repeat("end\n", 3000), 128},
       }) {
    const std::string message = syntaxError(text);
    EXPECT_EQ(message.rfind("Parse error at line " + std::to_string(line) + ", column ", 0), 0u)
        << message;
    EXPECT_TRUE(message.ends_with(tooDeep)) << message;
  }
}

}  // namespace
}  // namespace mh
