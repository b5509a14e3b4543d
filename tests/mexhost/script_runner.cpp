// Runs every scripts/*.m in the mexhost program and compares what it prints
// (standard output and standard error, interleaved as written) with the
// script's expectations:
//
//   % expect: TEXT        the next output line is TEXT (an error reads "error: ...";
//                         $PLUGINS stands for the folder of the test plug-ins)
//   % expect-blank        the next output line is empty
//   % args: ARGS          command-line arguments placed before `-f SCRIPT`
//                         ($PLUGINS is the folder of the test plug-ins)
//   % no-script           do not pass `-f SCRIPT` (for --info and the like)
//   % exit: N             the expected exit status (default: 1 if an error line is
//                         expected, else 0)
//
// Every output line must be expected, in order, and nothing may be left over.
#include <gtest/gtest.h>
#include <poll.h>
#include <pty.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

namespace {

namespace fs = std::filesystem;

struct Script {
  std::string path;
  std::vector<std::string> expected;
  std::string args;
  bool passScript = true;
  int exitStatus = -1;
};

std::string trimmed(const std::string& s) {
  const auto b = s.find_first_not_of(" \t\r");
  if (b == std::string::npos) return "";
  return s.substr(b, s.find_last_not_of(" \t\r") - b + 1);
}

std::string substitute(std::string s) {
  const std::string key = "$PLUGINS";
  for (std::size_t p = s.find(key); p != std::string::npos; p = s.find(key, p)) {
    s.replace(p, key.size(), MEXHOST_TEST_PLUGINS);
  }
  return s;
}

Script readScript(const fs::path& path) {
  Script s;
  s.path = path.string();
  std::ifstream in(path);
  std::string line;
  bool anyError = false;
  while (std::getline(in, line)) {
    const auto at = line.find('%');
    if (at == std::string::npos) continue;
    const std::string comment = trimmed(line.substr(at + 1));
    if (comment.rfind("expect:", 0) == 0) {
      // The text exactly as written after "expect: " (leading blanks count).
      const std::string raw = line.substr(line.find("expect:", at) + 7);
      std::string text = raw.empty() ? "" : (raw[0] == ' ' ? raw.substr(1) : raw);
      while (!text.empty() && text.back() == '\r') text.pop_back();
      text = substitute(text);
      anyError = anyError || text.rfind("error: ", 0) == 0;
      s.expected.push_back(text);
    } else if (comment == "expect-blank") {
      s.expected.emplace_back();
    } else if (comment.rfind("args:", 0) == 0) {
      s.args += " " + substitute(trimmed(comment.substr(5)));
    } else if (comment == "no-script") {
      s.passScript = false;
    } else if (comment.rfind("exit:", 0) == 0) {
      s.exitStatus = std::stoi(trimmed(comment.substr(5)));
    }
  }
  if (s.exitStatus < 0) s.exitStatus = anyError ? 1 : 0;
  return s;
}

std::vector<std::string> scriptNames() {
  std::vector<std::string> names;
  for (const auto& entry : fs::directory_iterator(MEXHOST_SCRIPTS)) {
    if (entry.path().extension() == ".m") names.push_back(entry.path().stem().string());
  }
  std::sort(names.begin(), names.end());
  return names;
}

std::vector<std::string> splitLines(const std::string& text) {
  std::vector<std::string> lines;
  std::istringstream in(text);
  std::string line;
  while (std::getline(in, line)) lines.push_back(line);
  return lines;
}

class ScriptTest : public ::testing::TestWithParam<std::string> {};

TEST_P(ScriptTest, OutputMatchesExpectations) {
  const Script s = readScript(fs::path(MEXHOST_SCRIPTS) / (GetParam() + ".m"));
  // Run in a scratch folder so that nothing of the working folder is picked up.
  const fs::path scratch = fs::temp_directory_path() / ("mexhost_script_" + GetParam());
  fs::create_directories(scratch);
  std::string command =
      "cd '" + scratch.string() + "' && '" MEXHOST_BINARY "' --no-default-plugins" + s.args;
  if (s.passScript) command += " -f '" + s.path + "'";
  command += " 2>&1 </dev/null";
  FILE* pipe = popen(command.c_str(), "r");
  ASSERT_NE(pipe, nullptr);
  std::string output;
  char buffer[4096];
  while (std::size_t n = fread(buffer, 1, sizeof buffer, pipe)) output.append(buffer, n);
  const int status = pclose(pipe);
  fs::remove_all(scratch);

  const std::vector<std::string> actual = splitLines(output);
  for (std::size_t k = 0; k < std::max(actual.size(), s.expected.size()); ++k) {
    const std::string want = k < s.expected.size() ? s.expected[k] : "<nothing more>";
    const std::string got = k < actual.size() ? actual[k] : "<nothing more>";
    EXPECT_EQ(want, got) << "output line " << (k + 1) << " of " << s.path;
    if (want != got) break;
  }
  ASSERT_TRUE(WIFEXITED(status)) << "mexhost did not exit normally\n" << output;
  EXPECT_EQ(s.exitStatus, WEXITSTATUS(status)) << output;
}

// ---- the command line beyond scripts -------------------------------------------------

struct Outcome {
  std::string output;
  int status = -1;
};

// Runs mexhost in `folder` with `args`, `input` on standard input.
Outcome runIn(const fs::path& folder, const std::string& args, const std::string& input) {
  const fs::path in = folder / "stdin.txt";
  std::ofstream(in) << input;
  const std::string command = "cd '" + folder.string() + "' && '" MEXHOST_BINARY "' " + args +
                              " 2>&1 <'" + in.string() + "'";
  FILE* pipe = popen(command.c_str(), "r");
  Outcome r;
  if (pipe == nullptr) return r;
  char buffer[4096];
  while (std::size_t n = fread(buffer, 1, sizeof buffer, pipe)) r.output.append(buffer, n);
  const int status = pclose(pipe);
  r.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  return r;
}

class CommandLine : public ::testing::Test {
 protected:
  void SetUp() override {
    folder = fs::temp_directory_path() /
             ("mexhost_cli_" +
              std::string(::testing::UnitTest::GetInstance()->current_test_info()->name()));
    fs::remove_all(folder);
    fs::create_directories(folder);
  }
  void TearDown() override { fs::remove_all(folder); }
  fs::path folder;
};

TEST_F(CommandLine, LoadsVextralFromTheCurrentFolderWhenNoPluginIsGiven) {
  fs::copy_file(fs::path(MEXHOST_TEST_PLUGINS) / "testmex.so", folder / "vextral.so");
  const Outcome r = runIn(folder, "\"vextral('add', 1, 2)\"", "");
  EXPECT_EQ(r.output, "ans = 3\n");
  EXPECT_EQ(r.status, 0);
  // --info finds it by name as the call did.
  const Outcome info = runIn(folder, "--info vextral", "");
  EXPECT_EQ(info.output.substr(0, info.output.find('\n')),
            "plug-in: " + (folder / "vextral.so").string());
  EXPECT_EQ(info.status, 0);
}

TEST_F(CommandLine, ReadsStatementsFromStandardInputWithoutAPromptWhenPiped) {
  const Outcome r =
      runIn(folder, "--no-default-plugins", "x = [1 2\n3 4];\nerror('fel')\nsum(x(:))\n");
  EXPECT_EQ(r.output, "error: fel\nans = 10\n");
  EXPECT_EQ(r.status, 1);  // not a terminal: the failure shows in the status, the rest ran
}

TEST_F(CommandLine, RunsAScriptGivenByItsPath) {
  std::ofstream(folder / "steg.m") << "a = 2;\nb = a * 3\n";
  const Outcome r = runIn(folder, "--no-default-plugins steg.m 'c = b + 1'", "");
  EXPECT_EQ(r.output, "b = 6\nc = 7\n");
  const Outcome missing = runIn(folder, "--no-default-plugins saknas.m", "");
  EXPECT_EQ(missing.output, "error: Cannot open the script 'saknas.m'.\n");
  EXPECT_EQ(missing.status, 1);
}

TEST_F(CommandLine, HelpListsTheOptions) {
  const Outcome r = runIn(folder, "--help", "");
  EXPECT_EQ(r.status, 0);
  for (const char* option :
       {"--plugin", "--out", "--formats", "--expose-local", "--info", "--no-pause", "-f FILE",
        "--quiet", "--snapshots", "--version", "csv"}) {
    EXPECT_NE(r.output.find(option), std::string::npos) << option;
  }
}

// help: the texts of docs/help/, the same that Octave shows.
TEST_F(CommandLine, HelpPrintsTheFunctionsTextsAndNamesTheRest) {
  const auto text = [](const std::string& topic) {
    std::ifstream in(fs::path(MEXHOST_HELP_DIR) / (topic + ".txt"));
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
  };
  std::string vextral = text("vextrab");
  for (auto at = vextral.find("vextrab"); at != std::string::npos; at = vextral.find("vextrab"))
    vextral.replace(at, 7, "vextral");
  const std::string plugin = " --plugin '" MEXHOST_VEXTRAB "' ";
  struct Row {
    std::string args;
    std::string output;
    int status;
  };
  const Row rows[] = {
      {"--no-default-plugins 'help vextrab'", text("vextrab"), 0},
      {"--no-default-plugins 'help(\"vextral\")'", vextral, 0},
      {"--expose-local" + plugin + "'help plattm'", text("plattm"), 0},
      {"--expose-local" + plugin + "'help iffts'", text("iffts"), 0},
      {plugin + "'help plattm'",
       "error: help: 'plattm' is a local function of a plug-in; start mexhost with "
       "--expose-local to call it and read its help.\n",
       1},
      {"--no-default-plugins 'help figure'",
       "'figure' is a built-in function of mexhost, as in the host language.\n", 0},
      {"--no-default-plugins 'help saknas'", "error: help: 'saknas' not found.\n", 1},
  };
  for (const Row& row : rows) {
    const Outcome r = runIn(folder, row.args, "");
    EXPECT_EQ(r.output, row.output) << row.args;
    EXPECT_EQ(r.status, row.status) << row.args;
  }
  const Outcome list = runIn(folder, "--expose-local" + plugin + "help", "");
  EXPECT_NE(list.output.find("  ftrapez  iffts    mtlfd    plattm   vextrab\n"), std::string::npos)
      << list.output;
  EXPECT_NE(list.output.find("print"), std::string::npos) << list.output;
}

// ---- the interactive prompt, on a pseudo-terminal ------------------------------------

// A mexhost session on a pseudo-terminal, as a person at a terminal has it.
class TerminalSession {
 public:
  TerminalSession(const fs::path& home, const std::string& args) {
    pid_ = forkpty(&master_, nullptr, nullptr, nullptr);
    if (pid_ == 0) {
      setenv("HOME", home.c_str(), 1);
      setenv("TERM", "xterm", 1);
      if (chdir(home.c_str()) != 0) _exit(127);
      execl("/bin/sh", "sh", "-c", ("exec '" MEXHOST_BINARY "' " + args).c_str(),
            static_cast<char*>(nullptr));
      _exit(127);
    }
  }
  ~TerminalSession() {
    if (master_ >= 0) close(master_);
    if (pid_ > 0) waitpid(pid_, nullptr, 0);
  }
  bool started() const { return pid_ > 0; }
  void type(const std::string& keys) {
    ASSERT_EQ(write(master_, keys.data(), keys.size()), static_cast<ssize_t>(keys.size()));
  }
  // Reads until `text` has appeared (true) or the session ends or goes quiet
  // for long (false: a deadlock guard, not a measure of speed).
  bool waitFor(const std::string& text) {
    while (output_.find(text, seen_) == std::string::npos) {
      pollfd p{master_, POLLIN, 0};
      if (poll(&p, 1, 60000) <= 0) return false;
      char buffer[1024];
      const ssize_t n = read(master_, buffer, sizeof buffer);
      if (n <= 0) return false;
      output_.append(buffer, static_cast<std::size_t>(n));
    }
    seen_ = output_.find(text, seen_) + text.size();
    return true;
  }
  int exitStatus() {
    int status = 0;
    while (waitFor("\x01never\x01")) {
    }
    if (waitpid(pid_, &status, 0) != pid_) return -1;
    pid_ = -1;
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  }
  const std::string& output() const { return output_; }

 private:
  int master_ = -1;
  pid_t pid_ = -1;
  std::string output_;
  std::size_t seen_ = 0;
};

TEST_F(CommandLine, PromptEditsLinesContinuesBracketsStopsOnCtrlCAndKeepsHistoryAcrossSessions) {
  const std::string left = "\x1b[D";
  const std::string up = "\x1b[A";
  {
    TerminalSession s(folder, "--no-default-plugins");
    ASSERT_TRUE(s.started());
    ASSERT_TRUE(s.waitFor(">> ")) << s.output();
    s.type("w = 7+1" + left + left + "0\r");  // the cursor moved back: w = 70+1
    EXPECT_TRUE(s.waitFor("w = 71")) << s.output();
    s.type("m = [1 2\r");  // an open bracket continues on the next line
    s.type("3 4];\r");
    s.type("size(m, 1) * 100 + 9\r");
    EXPECT_TRUE(s.waitFor("ans = 209")) << s.output();
    s.type("q = (1 +\r");  // an open parenthesis does not: the error comes at once
    EXPECT_TRUE(
        s.waitFor("error: Parse error at line 1, column 9: expected ')' near 'end of line'"))
        << s.output();
    s.type("r = 5 * 11\r");
    EXPECT_TRUE(s.waitFor("r = 55")) << s.output();
    // Ctrl-C drops the line being typed and stops a running statement; the session
    // and its variables stay.
    ASSERT_TRUE(s.waitFor(">> ")) << s.output();
    s.type("r = 0");
    ASSERT_TRUE(s.waitFor("r = 0")) << s.output();
    s.type("\x03");
    EXPECT_TRUE(s.waitFor(">> ")) << s.output();
    s.type("disp(['run' 'ning']); while true, end\r");
    EXPECT_TRUE(s.waitFor("running")) << s.output();
    s.type("\x03");
    EXPECT_TRUE(s.waitFor("error: Interrupted by the user (Ctrl-C).")) << s.output();
    s.type("r + 1\r");
    EXPECT_TRUE(s.waitFor("ans = 56")) << s.output();
    s.type("exit\r");
    EXPECT_EQ(s.exitStatus(), 0) << s.output();  // an error at a terminal is not a failure
  }
  {
    // A new session: four lines up is "r = 5 * 11" of the one before (the line dropped by
    // Ctrl-C was never entered).
    TerminalSession s(folder, "--no-default-plugins");
    ASSERT_TRUE(s.started());
    ASSERT_TRUE(s.waitFor(">> ")) << s.output();
    s.type(up + up + up + up + "\r");
    EXPECT_TRUE(s.waitFor("r = 55")) << s.output();
    s.type("exit\r");
    EXPECT_EQ(s.exitStatus(), 0) << s.output();
  }
  std::ifstream history(folder / ".mexhost_history");
  std::stringstream kept;
  kept << history.rdbuf();
  EXPECT_NE(kept.str().find("70+1"), std::string::npos)
      << kept.str();  // libedit writes ' ' as \040
}

INSTANTIATE_TEST_SUITE_P(Scripts, ScriptTest, ::testing::ValuesIn(scriptNames()),
                         [](const ::testing::TestParamInfo<std::string>& info) {
                           return info.param;
                         });

}  // namespace
