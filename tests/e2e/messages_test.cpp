// What a user sees when a call goes wrong: the argument-count messages of every
// function, the geometry messages, missing inputs, and that a failed call leaves
// the next one working.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "session.hpp"

namespace e2e {
namespace {

const std::string kHeights = "error: inmatningsfel antal höjder";
const std::string kCentres = "error: inmatningsfel antal centrumavstånd";

std::string undefined(const std::string& name) {
  return "error: Undefined function or variable '" + name + "'.";
}

std::string tooManyOutputs(const std::string& deliverable) {
  if (deliverable == kVextral) {
    return "error: Run-time Error: File: vextral Line: 1 Column: 0 The function \"vextral\" was "
           "called with more than the declared number of outputs (0)";
  }
  return "error: Run-time Error: File: vextrab Line: 1 Column: 1 The function \"vextrab\" was "
         "called with more than the declared number of outputs (0).";
}

std::string tooManyInputs(const std::string& deliverable) {
  if (deliverable == kVextral) {
    return "error: Run-time Error: File: vextral Line: 1 Column: 0 The function \"vextral\" was "
           "called with more than the declared number of inputs (3)";
  }
  return "error: Run-time Error: File: vextrab Line: 1 Column: 1 The function \"vextrab\" was "
         "called with more than the declared number of inputs (3).";
}

class Messages : public ::testing::TestWithParam<std::string> {
 protected:
  std::string cmd(const std::string& arguments) const { return call(GetParam(), arguments); }
};

TEST_P(Messages, OutputsAreCheckedBeforeInputsAndBeforeAnythingRuns) {
  const Session& s = shared({"x = " + cmd("0.1"), "[a, b] = " + cmd("0.1, 'm', 'm', 4"),
                             cmd("1, 2, 3, 4"), cmd("0.1, 'm', 'm', 4, 5")},
                            onlyPlugin(GetParam()));
  EXPECT_EQ(s.errorLines(),
            (std::vector<std::string>{tooManyOutputs(GetParam()), tooManyOutputs(GetParam()),
                                      tooManyInputs(GetParam()), tooManyInputs(GetParam())}));
  EXPECT_EQ(s.out(), "");
  EXPECT_EQ(s.status(), 1);
  EXPECT_TRUE(s.figureFiles().empty()) << "nothing is drawn";
}

TEST_P(Messages, GeometryModeStopsAtAWrongCountOfHeightsBeforeDrawing) {
  const Session& s = shared({cmd("[0.1 0.2 0.3]"), cmd("[]")}, onlyPlugin(GetParam()));
  EXPECT_EQ(s.errorLines(), (std::vector<std::string>{kHeights, kHeights}));
  EXPECT_TRUE(s.figureFiles().empty());
}

TEST_P(Messages, SimulationStopsAtAWrongCountOfHeightsAfterTheBanner) {
  const Session& s = shared({cmd("[0.1 0.2 0.3], 'm', 'm'")}, onlyPlugin(GetParam()));
  EXPECT_EQ(s.errorLines(), (std::vector<std::string>{kHeights}));
  EXPECT_FALSE(s.hasFigure(2));
  const Figure f1 = parseFigure(s.figure(1));
  ASSERT_EQ(f1.axes.size(), 1u);
  ASSERT_EQ(f1.axes[0].texts.size(), 1u);
  EXPECT_EQ(f1.axes[0].texts[0].string, "Beräkning pågår!");
  EXPECT_TRUE(f1.axes[0].lines.empty());
}

TEST_P(Messages, MissingInputsAreReportedWhereTheyAreFirstRead) {
  const Session& s = shared({cmd(""), cmd("0.1, 'm'"), cmd("0.1, [50 Inf]"),
                             // plattm runs before the load termination is read.
                             cmd("[0.1 0.2 0.3], 'm'")},
                            onlyPlugin(GetParam()));
  EXPECT_EQ(s.errorLines(), (std::vector<std::string>{undefined("hh"), undefined("Rl1112"),
                                                      undefined("Rl1112"), kHeights}));
  EXPECT_EQ(s.out(), "");
  // The banner was drawn before each of them and stays; no results.
  EXPECT_FALSE(s.hasFigure(2));
  const Figure f1 = parseFigure(s.figure(1));
  ASSERT_EQ(f1.axes.size(), 1u);
  ASSERT_EQ(f1.axes[0].texts.size(), 1u);
  EXPECT_EQ(f1.axes[0].texts[0].string, "Beräkning pågår!");
}

TEST_P(Messages, NoInputShowsTheBannerThenNamesHh) {
  const Session& s = shared({cmd("")}, onlyPlugin(GetParam()) + " --snapshots");
  EXPECT_EQ(s.errorLines(), (std::vector<std::string>{undefined("hh")}));
  EXPECT_EQ(s.figureFiles(), (std::vector<std::string>{"figure1-drawnow.json", "figure1.json"}));
  const Figure f1 = parseFigure(s.figure(1));
  ASSERT_EQ(f1.axes.size(), 1u);
  ASSERT_EQ(f1.axes[0].texts.size(), 1u);
  EXPECT_EQ(f1.axes[0].texts[0].string, "Beräkning pågår!");
  EXPECT_EQ(f1.axes[0].texts[0].fontSize, 18.0);
}

TEST_P(Messages, AFailedCallLeavesTheNextOneWorking) {
  const Session& failing = shared({cmd("1, 2, 3, 4"), cmd(""), cmd("[0.1 0.2 0.3], 'm', 'm'"),
                                   cmd("0.1, 'm', [50 Inf]"), cmd("1, 2, 3, 4")},
                                  onlyPlugin(GetParam()));
  EXPECT_EQ(failing.errorLines(),
            (std::vector<std::string>{tooManyInputs(GetParam()), undefined("hh"), kHeights,
                                      tooManyInputs(GetParam())}));
  const Session& fresh = shared({cmd("0.1, 'm', [50 Inf]")}, onlyPlugin(GetParam()));
  for (int n : {1, 2}) {
    const Figure got = parseFigure(failing.figure(n));
    const Figure want = parseFigure(fresh.figure(n));
    ASSERT_EQ(got.axes.size(), 1u);
    ASSERT_EQ(want.axes.size(), 1u);
    ASSERT_EQ(got.axes[0].lines.size(), 2u);
    ASSERT_EQ(want.axes[0].lines.size(), 2u);
    for (std::size_t k = 0; k < 2; ++k) {
      EXPECT_EQ(got.axes[0].lines[k].x, want.axes[0].lines[k].x);
      EXPECT_EQ(got.axes[0].lines[k].y, want.axes[0].lines[k].y);
    }
    EXPECT_EQ(got.axes[0].title, want.axes[0].title);
  }
}

INSTANTIATE_TEST_SUITE_P(Deliverables, Messages, ::testing::Values(kVextrab, kVextral),
                         [](const ::testing::TestParamInfo<std::string>& info) {
                           return info.param;
                         });

// ---- the subfunctions, made callable at the prompt ---------------------------------

const std::string kExposed = onlyPlugin(kVextrab) + " --expose-local";

TEST(SubfunctionMessages, EachSubfunctionChecksItsOutputsThenItsInputs) {
  struct Expected {
    std::string statement;
    std::string message;
  };
  const std::string pre = "error: Run-time Error: File: vextrab/";
  const std::vector<Expected> cases = {
      {"[a, b] = ftrapez(1, 2, 3, 4)",
       pre + "ftrapez Line: 91 Column: 1 The function \"vextrab/ftrapez\" was called with more "
             "than the declared number of outputs (1)."},
      {"ftrapez(1, 2, 3, 4, 5)",
       pre + "ftrapez Line: 91 Column: 1 The function \"vextrab/ftrapez\" was called with more "
             "than the declared number of inputs (4)."},
      {"[a, b, c] = plattm(1)",
       pre + "plattm Line: 110 Column: 1 The function \"vextrab/plattm\" was called with more "
             "than the declared number of outputs (2)."},
      {"plattm(1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16)",
       pre + "plattm Line: 110 Column: 1 The function \"vextrab/plattm\" was called with more "
             "than the declared number of inputs (15)."},
      {"[a, b, c] = mtlfd(1, 2, 3, 4, 5, 6, 7, 8)",
       pre + "mtlfd Line: 279 Column: 1 The function \"vextrab/mtlfd\" was called with more "
             "than the declared number of outputs (2)."},
      {"mtlfd(1, 2, 3, 4, 5, 6, 7, 8, 9)",
       pre + "mtlfd Line: 279 Column: 1 The function \"vextrab/mtlfd\" was called with more "
             "than the declared number of inputs (8)."},
      {"[a, b, c] = iffts(1, 2)",
       pre + "iffts Line: 364 Column: 1 The function \"vextrab/iffts\" was called with more "
             "than the declared number of outputs (1)."},
      {"iffts(1, 2, 3)",
       pre + "iffts Line: 364 Column: 1 The function \"vextrab/iffts\" was called with more "
             "than the declared number of inputs (2)."},
      // Too many of both: the outputs message.
      {"[a, b] = ftrapez(1, 2, 3, 4, 5)",
       pre + "ftrapez Line: 91 Column: 1 The function \"vextrab/ftrapez\" was called with more "
             "than the declared number of outputs (1)."},
      {"[a, b, c] = plattm(1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16)",
       pre + "plattm Line: 110 Column: 1 The function \"vextrab/plattm\" was called with more "
             "than the declared number of outputs (2)."},
      {"[a, b, c] = mtlfd(1, 2, 3, 4, 5, 6, 7, 8, 9)",
       pre + "mtlfd Line: 279 Column: 1 The function \"vextrab/mtlfd\" was called with more "
             "than the declared number of outputs (2)."},
      {"[a, b] = iffts(1, 2, 3)",
       pre + "iffts Line: 364 Column: 1 The function \"vextrab/iffts\" was called with more "
             "than the declared number of outputs (1)."},
  };
  std::vector<std::string> statements;
  std::vector<std::string> expected;
  for (const Expected& c : cases) {
    statements.push_back(c.statement);
    expected.push_back(c.message);
  }
  const Session& s = shared(statements, kExposed);
  EXPECT_EQ(s.errorLines(), expected);
  EXPECT_EQ(s.out(), "");
}

TEST(SubfunctionMessages, PlainlyWrongArgumentsNameWhatFailed) {
  const std::string counts =
      " is not a size; sizes must be finite integers (the widths b must not sum to 0 and Nj "
      "must be finite).";
  const Session& s = shared(
      {
          "[c, l] = plattm([0 0 0], [-0.2 0.2], 0.1, 200)",
          "[c, l] = plattm([1 0.2 0.2], [-0.2 0.2], 0.1, NaN)",
          "[c, l] = plattm([1 0.2 0.2], [-0.2 0.2], 0.1, Inf)",
          "iffts([], 1)",
          "iffts(zeros(0, 2), 1)",
          "disp(size(iffts(zeros(1, 0, 3), 1)))",
      },
      kExposed);
  EXPECT_EQ(s.errorLines(),
            (std::vector<std::string>{
                "error: plattm: the strip count NaN" + counts,
                "error: plattm: the strip count NaN" + counts,
                "error: plattm: the strip count Inf" + counts,
                "error: iffts: the spectrum supv has no frequency rows (size 0x0); at least one "
                "row is needed.",
                "error: iffts: the spectrum supv has no frequency rows (size 0x2); at least one "
                "row is needed.",
            }));
  EXPECT_EQ(s.out(), "     4     0\n");
}

TEST(SubfunctionMessages, VextralRegistersNoSubfunction) {
  const Session& s =
      shared({"ftrapez(1, 2, 3, 4)", "iffts(1, 2)"}, onlyPlugin(kVextral) + " --expose-local");
  EXPECT_EQ(s.errorLines(), (std::vector<std::string>{undefined("ftrapez"), undefined("iffts")}));
}

TEST(SubfunctionMessages, PlattmChecksCentrePositionsBeforeHeights) {
  const Session& s = shared(
      {
          "plattm([1 0.2 0.2], [-0.2 0.2 0.3], 0.1)",
          "plattm([1 0.2 0.2], [-0.2 0.2], [0.1 0.1 0.1])",
          "plattm([1 0.2 0.2], [-0.2 0.2 0.3], [0.1 0.1 0.1])",
          "[c, l] = plattm([1 0.2 0.2], [], 0.1, 200)",
          "[c, l] = plattm([1 0.2 0.2], [-0.2 0.2], [0.1 0.2 0.3], 200)",
          // One centre position or one height serves both conductors.
          "[c, l] = plattm([1 0.2 0.2], 0, [0.1 0.2], 200); disp(size(c))",
      },
      kExposed);
  EXPECT_EQ(s.errorLines(),
            (std::vector<std::string>{kCentres, kHeights, kCentres, kCentres, kHeights}));
  EXPECT_EQ(s.out(), "     2     2\n");
}

// ---- Ctrl-C -----------------------------------------------------------------------

struct Interrupted {
  std::string out;
  std::string err;
  int status = -1;
};

// Runs mexhost with `options`, the first input line printing "go" and then running
// `statement`; sends SIGINT once "go" has been read, and lets the session finish.
Interrupted interruptAfterGo(const std::string& options, const std::string& statement) {
  const fs::path folder =
      fs::temp_directory_path() / ("xt_interrupt_" + std::to_string(::getpid()));
  fs::create_directories(folder);
  std::ofstream(folder / "in.m") << "disp('go'), " << statement << ", disp('not reached')\n"
                                 << "disp('after')\nx = 1 + 1\n";
  int pipeOut[2];
  Interrupted r;
  if (pipe(pipeOut) != 0) return r;
  const std::string command = "cd '" + folder.string() + "' && exec '" XT_MEXHOST "' --out figs " +
                              options + " <in.m 2>err.txt";
  const pid_t child = fork();
  if (child == 0) {
    dup2(pipeOut[1], STDOUT_FILENO);
    close(pipeOut[0]);
    close(pipeOut[1]);
    execl("/bin/sh", "sh", "-c", command.c_str(), static_cast<char*>(nullptr));
    _exit(127);
  }
  close(pipeOut[1]);
  char buffer[4096];
  bool sent = false;
  while (true) {
    const ssize_t n = read(pipeOut[0], buffer, sizeof buffer);
    if (n <= 0) break;
    r.out.append(buffer, static_cast<std::size_t>(n));
    if (!sent && r.out.find("go\n") != std::string::npos) {
      kill(child, SIGINT);
      sent = true;
    }
  }
  close(pipeOut[0]);
  int status = 0;
  waitpid(child, &status, 0);
  r.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  std::ifstream err(folder / "err.txt");
  std::stringstream text;
  text << err.rdbuf();
  r.err = text.str();
  fs::remove_all(folder);
  return r;
}

TEST(Interrupt, CtrlCStopsTheRunningStatementAndTheSessionGoesOn) {
  struct Row {
    std::string options;
    std::string statement;
  };
  for (const Row& row : std::vector<Row>{
           // Between strip rows and blocks of plattm, in its inverse, between frequencies.
           {kExposed, "[c, l] = plattm([1 0.2 0.2], [-0.2 0.2], 0.1, 4000)"},
           {kExposed,
            "f = 1:1e6; [a, b] = mtlfd(f, 0.1, [1; 0], 50, [0; 0], 50, [1 0.1; 0.1 1] * 1e-10, "
            "[1 0.1; 0.1 1] * 1e-7)"},
           // The prompt's own loops.
           {"--no-default-plugins", "while true, end"},
           {"--no-default-plugins", "for k = 1:1e7, x = k; end"},
       }) {
    const Interrupted r = interruptAfterGo(row.options, row.statement);
    EXPECT_EQ(r.out, "go\nafter\nx = 2\n") << row.statement;
    EXPECT_EQ(r.err, "error: Interrupted by the user (Ctrl-C).\n") << row.statement;
    // The interrupted statement failed, and the statements came from a pipe.
    EXPECT_EQ(r.status, 1) << row.statement;
  }
}

}  // namespace
}  // namespace e2e
