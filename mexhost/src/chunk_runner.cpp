#include "chunk_runner.hpp"

#include <signal.h>

#include <algorithm>
#include <csignal>
#include <new>
#include <string>

#include "evaluator.hpp"
#include "lexer.hpp"
#include "line_reader.hpp"
#include "mexhost/mxhost.hpp"
#include "parser.hpp"
#include "runtime/error.hpp"

namespace mh {

namespace {

// Whether a top-level input is running: Ctrl-C at the prompt drops the line being typed.
volatile std::sig_atomic_t inputRunning = 0;

void onInterrupt(int) {
  if (inputRunning == 0) {
    interruptPrompt();
    return;
  }
  if (interruptPending()) {
    // A second Ctrl-C before the first was seen: the statement has no safe point
    // in reach, so the program ends the way it would without a handler.
    std::signal(SIGINT, SIG_DFL);
    std::raise(SIGINT);
    return;
  }
  requestInterrupt();
}

}  // namespace

void catchInterrupts() {
  struct sigaction action {};
  action.sa_handler = onInterrupt;
  sigemptyset(&action.sa_mask);
  action.sa_flags = SA_RESTART;  // a read at the prompt goes on
  sigaction(SIGINT, &action, nullptr);
}

ChunkRunner::ChunkRunner(Interpreter& host, Evaluator& evaluator)
    : host_(host), evaluator_(evaluator) {}

bool ChunkRunner::run(std::string_view text) {
  const bool topLevel = depth_ == 0;
  if (topLevel) {
    clearInterrupt();
    interrupted_ = false;
    inputRunning = 1;
  }
  ++depth_;
  bool ok = true;
  std::string chunk;
  std::size_t start = 0;
  // A UTF-8 byte order mark at the start is not part of the text.
  if (text.substr(0, 3) == "\xEF\xBB\xBF") start = 3;
  while (start <= text.size() && !host_.exitRequested() && !interrupted_) {
    const std::size_t end = std::min(text.find('\n', start), text.size());
    std::string_view line = text.substr(start, end - start);
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    chunk.append(line);
    chunk.push_back('\n');
    if (complete(chunk)) {
      ok = runChunk(chunk) && ok;
      chunk.clear();
    }
    if (end >= text.size()) break;
    start = end + 1;
  }
  if (!chunk.empty() && !host_.exitRequested() && !interrupted_) {
    ok = runChunk(chunk) && ok;
  }
  --depth_;
  if (topLevel) {
    inputRunning = 0;
    clearInterrupt();
  }
  return ok;
}

bool ChunkRunner::runChunk(std::string_view text) {
  StmtList statements;
  try {
    statements = parseText(text, [this](std::string_view n) { return evaluator_.isVariable(n); });
  } catch (const rt::Error& e) {
    host_.reportError(e.message());
    return false;
  } catch (const std::exception& e) {
    host_.reportError(e.what());
    return false;
  }
  for (const StmtPtr& s : statements) {
    bool ok = true;
    Flow flow = Flow::Normal;
    try {
      flow = evaluator_.execute(*s);
    } catch (const rt::Error& e) {
      host_.reportError(e.message());
      interrupted_ = interrupted_ || interruptPending();
      ok = false;
    } catch (const std::bad_alloc&) {
      host_.reportError("Out of memory.");
      ok = false;
    } catch (const std::exception& e) {
      host_.reportError(e.what());
      ok = false;
    }
    host_.out().flush();
    if (depth_ == 1 && host_.onStatementEnd) {
      try {
        host_.onStatementEnd();
      } catch (const std::exception& e) {
        host_.reportError(e.what());
        ok = false;
      }
    }
    if (!ok) return false;
    if (flow == Flow::Return || host_.exitRequested()) break;
  }
  return true;
}

bool ChunkRunner::complete(std::string_view text) const {
  try {
    return lex(text, [this](std::string_view n) { return evaluator_.isVariable(n); }).complete();
  } catch (const std::exception&) {
    return true;  // the error shows when the text runs
  }
}

}  // namespace mh
