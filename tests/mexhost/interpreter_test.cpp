// The interpreter at the prompt: statement modes and display, errors that end a
// statement but not the session, indexing and assignment, calls with nargout
// from the context, control flow, and the builtins' host-language behaviour.
#include <gtest/gtest.h>

#include <chrono>
#include <sstream>
#include <thread>

#include "mexhost/mexhost.hpp"
#include "runtime/ops.hpp"

namespace mh {
namespace {

using rt::Array;

class Prompt : public ::testing::Test {
 protected:
  Prompt() : host(out, err, HostOptions{false, true, 2.0}) {}

  // Runs text and returns what it printed on the output stream.
  std::string run(const std::string& text) {
    out.str("");
    err.str("");
    ok = host.execute(text);
    return out.str();
  }
  const Array& var(const std::string& name) {
    const Array* v = host.variable(name);
    EXPECT_NE(v, nullptr) << name;
    static const Array none;
    return v != nullptr ? *v : none;
  }
  std::vector<double> values(const std::string& name) { return var(name).re(); }

  std::ostringstream out;
  std::ostringstream err;
  Interpreter host;
  bool ok = true;
};

TEST_F(Prompt, StatementModes) {
  EXPECT_EQ(run("1 + 1"), "ans = 2\n");
  EXPECT_EQ(run("x = 5"), "x = 5\n");
  EXPECT_EQ(run("x = 6;"), "");
  EXPECT_EQ(var("x").scalar(), 6);
  EXPECT_EQ(run("x"), "x = 6\n");
  EXPECT_EQ(var("ans").scalar(), 2);  // showing a variable does not touch ans
  EXPECT_EQ(run("x;"), "");
  EXPECT_EQ(run("disp(3)"), "     3\n");  // a call that returns nothing shows nothing
  EXPECT_EQ(var("ans").scalar(), 2);
  EXPECT_EQ(run("format long"), "");
  EXPECT_EQ(run("pi"), "ans = 3.141592653589793\n");
  EXPECT_EQ(run("format long g, pi"), "ans = 3.14159265358979\n");
  EXPECT_EQ(run("format, pi"), "ans = 3.1416\n");
}

TEST_F(Prompt, AnErrorEndsItsLineAndTheNextLineRuns) {
  EXPECT_EQ(run("a = 1, error('boom'), b = 2\nc = 3"), "a = 1\nc = 3\n");
  EXPECT_FALSE(ok);
  EXPECT_EQ(err.str(), "error: boom\n");
  EXPECT_EQ(host.variable("b"), nullptr);
  EXPECT_EQ(host.lastError(), "boom");
  EXPECT_EQ(run("d = 4"), "d = 4\n");
  EXPECT_TRUE(ok);
}

TEST_F(Prompt, ErrorMessagesAreShownExactlyAsRaised) {
  run("error('vextrab:x', 'Fel %d: %s', 3, 'höjder')");
  EXPECT_EQ(err.str(), "error: Fel 3: höjder\n");
  run("error('Run-time Error: File: vextrab Line: 1 Column: 1 text')");
  EXPECT_EQ(err.str(), "error: Run-time Error: File: vextrab Line: 1 Column: 1 text\n");
  run("error('no %d formatting with one argument')");
  EXPECT_EQ(err.str(), "error: no %d formatting with one argument\n");
  run("nope + 1");
  EXPECT_EQ(err.str(), "error: Undefined function or variable 'nope'.\n");
  run("[1 2] + [1 2 3]");
  EXPECT_NE(err.str().find("error: "), std::string::npos);
  run("error('')");
  EXPECT_EQ(err.str(), "");
  EXPECT_TRUE(ok);
}

TEST_F(Prompt, SyntaxErrorsAreReportedAndTheSessionGoesOn) {
  run("x = (1 + ");
  EXPECT_EQ(err.str().rfind("error: Parse error", 0), 0u) << err.str();
  EXPECT_EQ(run("y = 1"), "y = 1\n");
}

TEST_F(Prompt, DeepNestingIsAnErrorAndLongOperatorChainsEvaluate) {
  auto repeat = [](const std::string& s, int n) {
    std::string r;
    for (int k = 0; k < n; ++k) r += s;
    return r;
  };
  const std::string tooDeep =
      "error: Nesting too deep: more than 512 levels of evaluation in one statement.\n";
  struct Row {
    std::string text;
    std::string out;  // expected output; empty when an error is expected
    std::string err;
  };
  for (const Row& row : std::vector<Row>{
           {"x = 1" + repeat(" + 1", 200000) + ";disp(x)", "   200001\n", ""},
           {"x = 1" + repeat(" - 1", 100000) + " == -99999", "x = 1\n", ""},
           {"x = 2" + repeat("^1", 5000), "x = 2\n", ""},
           {"x = " + repeat("(", 120) + "1" + repeat(")", 120), "x = 1\n", ""},
           {"x = " + repeat("[", 120) + "2" + repeat("]", 120), "x = 2\n", ""},
           {"x = " + repeat("abs(", 120) + "-3" + repeat(")", 120), "x = 3\n", ""},
           {"x = " + repeat("-", 120) + "1", "x = 1\n", ""},
           {"x = 1" + repeat("'", 100000), "", tooDeep},
           {"x = 1" + repeat(" || 1", 5000), "", tooDeep},
           {"x = 1" + repeat(" && 1", 5000), "", tooDeep},
           // Cells built one inside the next by a loop nest no deeper either.
           {"c = 1; for k = 1:300, c = {c}; end", "",
            "error: Nesting too deep: cells nested more than 256 levels.\n"},
           {"c = {}; for k = 1:300, c{1} = c; end", "",
            "error: Nesting too deep: cells nested more than 256 levels.\n"},
       }) {
    EXPECT_EQ(run(row.text), row.out) << row.text.substr(0, 20);
    EXPECT_EQ(err.str(), row.err) << row.text.substr(0, 20);
    EXPECT_EQ(run("y = 7"), "y = 7\n");  // the session goes on
  }
}

TEST_F(Prompt, IndexingWithEndColonAndLogicals) {
  run("x = [10 20 30 40];");
  EXPECT_EQ(run("x(end)"), "ans = 40\n");
  EXPECT_EQ(values("ans"), std::vector<double>{40});
  run("y = x(2:end);");
  EXPECT_EQ(values("y"), (std::vector<double>{20, 30, 40}));
  run("A = [1 2; 3 4]; c = A(:, 1); r = A(end, :); z = x(x > 15 & x < 35);");
  EXPECT_EQ(values("c"), (std::vector<double>{1, 3}));
  EXPECT_EQ(values("r"), (std::vector<double>{3, 4}));
  EXPECT_EQ(values("z"), (std::vector<double>{20, 30}));
  run("w = x([1 end]);");
  EXPECT_EQ(values("w"), (std::vector<double>{10, 40}));
  run("x(7)");
  EXPECT_NE(err.str().find("Index exceeds"), std::string::npos);
}

TEST_F(Prompt, IndexedAssignmentGrowsAndDeletes) {
  run("v(3) = 1;");
  EXPECT_EQ(values("v"), (std::vector<double>{0, 0, 1}));
  run("v(end+1) = 2;");
  EXPECT_EQ(values("v"), (std::vector<double>{0, 0, 1, 2}));
  run("A = eye(2); A(2, 3) = 5;");
  EXPECT_EQ(var("A").dims(), (rt::Dims{2, 3}));
  run("v(2) = [];");
  EXPECT_EQ(values("v"), (std::vector<double>{0, 1, 2}));
  run("A(:, 1) = [];");
  EXPECT_EQ(var("A").dims(), (rt::Dims{2, 2}));
  EXPECT_EQ(run("q = [1 2 3]; q(2) = 7"), "q =\n\n     1     7     3\n\n");
}

TEST_F(Prompt, NargoutComesFromTheContext) {
  run("[m, i] = max([3 9 2]);");
  EXPECT_EQ(var("m").scalar(), 9);
  EXPECT_EQ(var("i").scalar(), 2);
  run("[r, c] = size(ones(2, 3, 4));");
  EXPECT_EQ(var("r").scalar(), 2);
  EXPECT_EQ(var("c").scalar(), 12);
  run("s = size(ones(2, 3));");
  EXPECT_EQ(values("s"), (std::vector<double>{2, 3}));
  run("[~, k] = min([4 1 5]);");
  EXPECT_EQ(var("k").scalar(), 2);
  EXPECT_EQ(run("[a, b] = numel(1)"), "");
  EXPECT_EQ(err.str(), "error: Too many output arguments for 'numel'.\n");
  run("x = disp(1)");
  EXPECT_EQ(err.str(), "error: Too many output arguments for 'disp'.\n");
  run("[V, D] = eig([2 0; 0 3]);");
  EXPECT_EQ(var("D").dims(), (rt::Dims{2, 2}));
}

TEST_F(Prompt, CellsAndCommaSeparatedLists) {
  run("c = {1, 'ab'}; t = c{2}; c{4} = 5;");
  EXPECT_EQ(var("t").utf8(), "ab");
  EXPECT_EQ(var("c").numel(), 4u);
  run("m = max(c{[1 4]});");
  EXPECT_EQ(var("m").scalar(), 5);
  EXPECT_EQ(run("class(c)"), "ans = cell\n");
}

TEST_F(Prompt, TextValues) {
  EXPECT_EQ(run("s = 'it''s'"), "s = it's\n");
  EXPECT_EQ(run("length('Spänning')"), "ans = 8\n");
  EXPECT_EQ(run("d = \"dq\""), "d = dq\n");
  EXPECT_EQ(run("['ab' 'cd']"), "ans = abcd\n");
  EXPECT_EQ(run("isstr('x'), ischar(1)"), "ans = 1\nans = 0\n");
}

TEST_F(Prompt, CommandSyntaxCallsWithTextArguments) {
  EXPECT_EQ(run("disp hello"), "hello\n");
  EXPECT_EQ(run("format long g"), "");
  EXPECT_EQ(host.displayFormat().number, NumberFormat::LongG);
  EXPECT_EQ(run("format short"), "");
  // A variable of the same name makes it an expression (from the next line on).
  run("disp = 5;");
  EXPECT_EQ(run("disp -1"), "ans = 4\n");
}

TEST_F(Prompt, ControlFlow) {
  run("s = 0; for k = 1:4, if k == 3, continue; end, s = s + k; end");
  EXPECT_EQ(var("s").scalar(), 7);
  run("n = 0; while true, n = n + 1; if n >= 5, break; end, end");
  EXPECT_EQ(var("n").scalar(), 5);
  run("if 0\n y = 1;\nelseif []\n y = 2;\nelse\n y = 3;\nend");
  EXPECT_EQ(var("y").scalar(), 3);
  run("for col = [1 2; 3 4], last = col; end");
  EXPECT_EQ(values("last"), (std::vector<double>{2, 4}));
  run("try, error('id:x', 'caught'), catch e, got = e; end");
  EXPECT_EQ(var("got").utf8(), "caught");
  EXPECT_TRUE(ok);
}

TEST_F(Prompt, StatementEndHookRunsAfterEveryTopLevelStatement) {
  int calls = 0;
  host.onStatementEnd = [&] { ++calls; };
  run("a = 1; b = 2\nerror('x')\nfor k = 1:3, c = k; end");
  EXPECT_EQ(calls, 4);  // a, b, the failed statement, the whole for block
}

// pause(t) hands its wait to the host's preparation and still waits at least t;
// without a wait (pause(0), a text argument, --no-pause) the host is not called.
TEST(Pause, TheHostPreparesWithinTheWait) {
  for (const bool noPause : {false, true}) {
    std::ostringstream out, err;
    Interpreter host(out, err, HostOptions{false, noPause, 2.0});
    int calls = 0;
    host.onPause = [&] {
      ++calls;
      std::this_thread::sleep_for(std::chrono::milliseconds(5));
    };
    const auto start = std::chrono::steady_clock::now();
    ASSERT_TRUE(host.execute("pause(0.03); pause(0); pause('on')"));
    const std::chrono::duration<double> waited = std::chrono::steady_clock::now() - start;
    EXPECT_EQ(calls, noPause ? 0 : 1);
    if (!noPause) {
      EXPECT_GE(waited.count(), 0.03);
    }
  }
}

TEST_F(Prompt, ExitEndsTheSession) {
  run("exit(3)\nx = 1");
  EXPECT_TRUE(host.exitRequested());
  EXPECT_EQ(host.exitStatus(), 3);
  EXPECT_EQ(host.variable("x"), nullptr);
}

TEST_F(Prompt, WarningsGoToTheErrorStreamAndCanBeSwitchedOff) {
  EXPECT_EQ(run("warning('my:id', 'W %d', 3)"), "");
  EXPECT_EQ(err.str(), "warning: W 3\n");
  run("warning('off', 'my:id'); warning('my:id', 'silent'); warning('other')");
  EXPECT_EQ(err.str(), "warning: other\n");
  run("inv([1 2; 2 4]);");
  EXPECT_NE(err.str().find("warning: "), std::string::npos);
}

TEST_F(Prompt, OutputBuiltins) {
  EXPECT_EQ(run("fprintf('%d-%s\\n', 5, 'å')"), "5-å\n");
  EXPECT_EQ(run("n = fprintf('abc');"), "abc");
  EXPECT_EQ(var("n").scalar(), 3);
  EXPECT_EQ(run("s = sprintf('%.2f', pi)"), "s = 3.14\n");
  EXPECT_EQ(run("num2str(pi)"), "ans = 3.1416\n");
  EXPECT_EQ(run("num2str(42)"), "ans = 42\n");
  EXPECT_EQ(run("mat2str([1 2; 3 4.5])"), "ans = [1 2;3 4.5]\n");
  EXPECT_EQ(run("display(7)"), "ans = 7\n");
}

TEST_F(Prompt, QueriesAndConstants) {
  EXPECT_EQ(run("isequal([1 2], [1 2]), isequal([1 2], [1 2]')"), "ans = 1\nans = 0\n");
  EXPECT_EQ(run("class(1 == 1), class('a'), class(2)"),
            "ans = logical\nans = char\nans = double\n");
  EXPECT_EQ(run("numel(zeros(2, 3)), length(zeros(2, 5)), isempty([])"),
            "ans = 6\nans = 5\nans = 1\n");
  EXPECT_EQ(run("eps"), "ans = 2.2204e-16\n");
  EXPECT_EQ(run("[Inf -Inf NaN]"), "ans =\n\n    Inf   -Inf    NaN\n\n");
  EXPECT_EQ(run("2i, 3 + 1j"), "ans = 0.0000 + 2.0000i\nans = 3.0000 + 1.0000i\n");
  EXPECT_EQ(run("i = 4; i + 1"), "ans = 5\n");  // a variable shadows the function
  EXPECT_EQ(run("size(zeros(3, 0))"), "ans =\n\n     3     0\n\n");
  EXPECT_EQ(run("mod(-1, 3), rem(-1, 3)"), "ans = 2\nans = -1\n");
  EXPECT_EQ(run("max([1 5; 7 2], [], 2)'"), "ans =\n\n     5     7\n\n");
}

TEST_F(Prompt, RuntimeMathAsFunctions) {
  run("v = ifft([4 0 0 0]); t = sum([1 2; 3 4], 2); f = fliplr([1 2 3]); d = diag([1 2]);");
  EXPECT_EQ(values("v"), (std::vector<double>{1, 1, 1, 1}));
  EXPECT_EQ(values("t"), (std::vector<double>{3, 7}));
  EXPECT_EQ(values("f"), (std::vector<double>{3, 2, 1}));
  EXPECT_EQ(var("d").dims(), (rt::Dims{2, 2}));
  run("p = permute(zeros(2, 3, 4), [3 1 2]); r = reshape(1:6, [], 2);");
  EXPECT_EQ(var("p").dims(), (rt::Dims{4, 2, 3}));
  EXPECT_EQ(var("r").dims(), (rt::Dims{3, 2}));
  EXPECT_TRUE(ok) << err.str();
}

TEST_F(Prompt, WorkspaceBuiltins) {
  run("a = 1; b = 2;");
  EXPECT_EQ(run("who"), "Your variables are:\n\na  b  \n\n");
  run("clear a");
  EXPECT_EQ(host.variable("a"), nullptr);
  run("clear");
  EXPECT_TRUE(host.variableNames().empty());
}

TEST_F(Prompt, MultiLineInputWaitsForTheEndOfABlock) {
  EXPECT_FALSE(host.isComplete("for k = 1:3\n"));
  EXPECT_TRUE(host.isComplete("for k = 1:3\n s = k;\nend\n"));
  run("m = [1 2\n3 4];");
  EXPECT_EQ(var("m").dims(), (rt::Dims{2, 2}));
  run("total = 1 + ...\n 2;");
  EXPECT_EQ(var("total").scalar(), 3);
}

TEST_F(Prompt, EndIsRefusedInTheArgumentsOfACall) {
  run("sum(end)");
  EXPECT_EQ(err.str(), "error: 'end' cannot be used in the arguments of a function call.\n");
}

TEST_F(Prompt, BuiltinsRegisteredByOthersAreCalledByName) {
  host.builtins().add("twice", [](const std::vector<Array>& args, int) {
    return std::vector<Array>{rt::times(args.at(0), Array(2.0))};
  });
  EXPECT_EQ(run("twice(4)"), "ans = 8\n");
  host.builtins().add("quiet", [](const std::vector<Array>&, int) { return std::vector<Array>{}; });
  EXPECT_EQ(run("quiet on"), "");
}

}  // namespace
}  // namespace mh
