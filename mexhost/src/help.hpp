// `help` at the prompt: the texts of the plug-ins' functions (docs/help/, the
// same texts Octave shows) and the list of what can be called.
#pragma once

#include <string_view>
#include <vector>

#include "mexhost/builtins.hpp"
#include "mexhost/mexhost.hpp"

namespace mh {

struct HelpTopic {
  std::string_view name;
  std::string_view text;  // lines, each ending in '\n'
};

// Every topic, generated from docs/help/*.txt at configure time.
const std::vector<HelpTopic>& helpTopics();

// Installs `help`: `help` lists the functions that can be called; `help NAME`
// prints NAME's text when NAME is callable (a local function of a plug-in only
// when exposed with --expose-local), or says that NAME is a builtin.
void registerHelp(Interpreter& interpreter, BuiltinTable& table);

}  // namespace mh
