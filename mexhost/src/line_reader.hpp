// Where the interactive session's lines come from: a terminal, with line editing
// and a history kept across sessions (libedit), or any other stream, read as it
// is (a pipe, a file: no prompt, no editing).
#pragma once

#include <iosfwd>
#include <memory>
#include <optional>
#include <string>

namespace mh {

class LineReader {
 public:
  virtual ~LineReader() = default;
  // The next line without its line break, or nothing at the end of the input.
  // `prompt` is shown first when reading from a terminal.
  virtual std::optional<std::string> read(const std::string& prompt) = 0;
};

std::unique_ptr<LineReader> makeStreamReader(std::istream& in);

// Reads standard input, a terminal, through libedit: arrow keys, Ctrl-A/E,
// Ctrl-R search, and the history. The history is read from `historyFile` at the
// start and written back after every line (the newest 1000 lines); an empty
// name keeps no history file.
std::unique_ptr<LineReader> makeTerminalReader(std::ostream& out, const std::string& historyFile);

// Called by the SIGINT handler when no statement runs: a line being typed at the
// terminal's prompt is dropped and the prompt asks again. Async-signal-safe.
void interruptPrompt() noexcept;

// ~/.mexhost_history ($HOME); empty when HOME is not set.
std::string defaultHistoryFile();

}  // namespace mh
