#include "builtins_core.hpp"

#include "builtins/common.hpp"
#include "help.hpp"

namespace mh {

void registerCoreBuiltins(Interpreter& interpreter, BuiltinTable& table) {
  builtins::registerOutput(interpreter, table);
  builtins::registerWorkspace(interpreter, table);
  builtins::registerConstants(table);
  builtins::registerConstruction(interpreter, table);
  builtins::registerQueries(interpreter, table);
  builtins::registerMath(interpreter, table);
  registerHelp(interpreter, table);
}

}  // namespace mh
