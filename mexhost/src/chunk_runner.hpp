// Runs text as typed at the prompt: splits it into complete chunks (a chunk
// ends with a line that leaves no bracket, block or continuation open), parses
// each and runs its statements, reports failures, and calls the Interpreter's
// onStatementEnd after every top-level statement. Inputs nest when a plug-in
// runs statements through mexEvalString; Ctrl-C is watched at the outermost.
#pragma once

#include <string_view>

#include "mexhost/mexhost.hpp"

namespace mh {

class Evaluator;

class ChunkRunner {
 public:
  ChunkRunner(Interpreter& host, Evaluator& evaluator);
  ChunkRunner(const ChunkRunner&) = delete;
  ChunkRunner& operator=(const ChunkRunner&) = delete;

  // Interpreter::execute.
  bool run(std::string_view text);
  // Interpreter::isComplete.
  bool complete(std::string_view text) const;

 private:
  // Runs one complete chunk. A failed statement is reported and ends the chunk.
  bool runChunk(std::string_view text);

  Interpreter& host_;
  Evaluator& evaluator_;
  int depth_ = 0;             // nesting of run(): 1 at the prompt, more inside mexEvalString
  bool interrupted_ = false;  // Ctrl-C ended a statement of the current input
};

}  // namespace mh
