#include "line_reader.hpp"

// libedit, through its readline-compatible interface.
#include <editline/readline.h>
#include <poll.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <istream>
#include <ostream>

namespace mh {
namespace {

constexpr int kHistoryLines = 1000;

// Set by the SIGINT handler while the prompt waits for a key.
volatile std::sig_atomic_t promptInterrupted = 0;

// libedit's key source. It waits for a key with SIGINT blocked except inside the
// wait itself, so a Ctrl-C is seen whether it comes before or during the wait,
// whatever the terminal's mode and whether or not an interrupted read would be
// restarted. A Ctrl-C ends the line as the end of input does; read() below tells
// the two apart by the flag.
int readKey(FILE* in) {
  const int fd = fileno(in);
  sigset_t interrupt;
  sigset_t previous;
  sigemptyset(&interrupt);
  sigaddset(&interrupt, SIGINT);
  pthread_sigmask(SIG_BLOCK, &interrupt, &previous);
  int key = EOF;
  for (;;) {
    if (promptInterrupted != 0) break;
    pollfd ready{fd, POLLIN, 0};
    const int n = ppoll(&ready, 1, nullptr, &previous);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) break;
    unsigned char byte = 0;
    const ssize_t got = ::read(fd, &byte, 1);
    if (got == 1) {
      key = byte;
      break;
    }
    if (got < 0 && (errno == EINTR || errno == EAGAIN)) continue;
    break;
  }
  pthread_sigmask(SIG_SETMASK, &previous, nullptr);
  return key;
}

class StreamReader final : public LineReader {
 public:
  explicit StreamReader(std::istream& in) : in_(in) {}
  std::optional<std::string> read(const std::string&) override {
    std::string line;
    if (!std::getline(in_, line)) return std::nullopt;
    return line;
  }

 private:
  std::istream& in_;
};

class TerminalReader final : public LineReader {
 public:
  TerminalReader(std::ostream& out, std::string historyFile)
      : out_(out), historyFile_(std::move(historyFile)) {
    rl_readline_name = "mexhost";
    rl_getc_function = readKey;
    using_history();
    stifle_history(kHistoryLines);
    if (!historyFile_.empty()) read_history(historyFile_.c_str());
  }

  std::optional<std::string> read(const std::string& prompt) override {
    out_.flush();
    char* raw = nullptr;
    for (;;) {
      promptInterrupted = 0;
      raw = readline(prompt.c_str());
      // Ctrl-C while a line is typed drops that line and asks again, as at the host's
      // prompt; only the end of input (Ctrl-D, a closed terminal) ends the session.
      if (promptInterrupted == 0) break;
      std::free(raw);
      raw = nullptr;
      out_ << '\n' << std::flush;
    }
    promptInterrupted = 0;
    if (raw == nullptr) return std::nullopt;
    std::string line(raw);
    std::free(raw);
    if (line.find_first_not_of(" \t") != std::string::npos) remember(line);
    return line;
  }

 private:
  void remember(const std::string& line) {
    // The same line twice in a row is kept once.
    const HIST_ENTRY* last =
        history_length > 0 ? history_get(history_base + history_length - 1) : nullptr;
    if (last != nullptr && last->line != nullptr && line == last->line) return;
    add_history(line.c_str());
    if (!historyFile_.empty()) write_history(historyFile_.c_str());
  }

  std::ostream& out_;
  std::string historyFile_;
};

}  // namespace

void interruptPrompt() noexcept {
  promptInterrupted = 1;
}

std::unique_ptr<LineReader> makeStreamReader(std::istream& in) {
  return std::make_unique<StreamReader>(in);
}

std::unique_ptr<LineReader> makeTerminalReader(std::ostream& out, const std::string& historyFile) {
  return std::make_unique<TerminalReader>(out, historyFile);
}

std::string defaultHistoryFile() {
  const char* home = std::getenv("HOME");
  if (home == nullptr || *home == '\0') return "";
  return std::string(home) + "/.mexhost_history";
}

}  // namespace mh
