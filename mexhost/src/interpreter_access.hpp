// What the host's own parts (builtins, evaluator) see of an Interpreter beyond
// its public API.
#pragma once

#include <set>
#include <string>
#include <string_view>

#include "mexhost/mexhost.hpp"

namespace mh {

class Loader;

// warning('off', id) / warning('on', id) / warning('off', 'all').
struct WarningSwitches {
  bool allOff = false;
  std::set<std::string> off;  // switched off while allOff is false
  std::set<std::string> on;   // switched on again while allOff is true
};

struct InterpreterAccess {
  static Loader& loader(Interpreter& interpreter);
  static WarningSwitches& warnings(Interpreter& interpreter);
  // An error caught by try/catch: the message lasterr gives, not reported.
  static void setLastError(Interpreter& interpreter, std::string message);
};

bool warningEnabled(Interpreter& interpreter, std::string_view identifier);

}  // namespace mh
