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
#include <sys/wait.h>

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
}

TEST_F(CommandLine, ReadsStatementsFromStandardInputWithoutAPromptWhenPiped) {
  const Outcome r =
      runIn(folder, "--no-default-plugins", "x = [1 2\n3 4];\nerror('fel')\nsum(x(:))\n");
  EXPECT_EQ(r.output, "error: fel\nans = 10\n");
  EXPECT_EQ(r.status, 0);  // an interactive session ends normally
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
       {"--plugin", "--out", "--formats", "--expose-local", "--info", "--no-pause", "-f FILE"}) {
    EXPECT_NE(r.output.find(option), std::string::npos) << option;
  }
}

INSTANTIATE_TEST_SUITE_P(Scripts, ScriptTest, ::testing::ValuesIn(scriptNames()),
                         [](const ::testing::TestParamInfo<std::string>& info) {
                           return info.param;
                         });

}  // namespace
