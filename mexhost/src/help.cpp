#include "help.hpp"

#include <algorithm>
#include <ostream>
#include <string>

#include "builtins_core.hpp"
#include "loader.hpp"
#include "runtime/error.hpp"

namespace mh {
namespace {

const HelpTopic* findTopic(std::string_view name) {
  for (const HelpTopic& topic : helpTopics()) {
    if (topic.name == name) return &topic;
  }
  return nullptr;
}

// Names in columns, wrapped before 78 characters, each line indented by two.
void printNames(std::ostream& out, std::vector<std::string> names) {
  std::sort(names.begin(), names.end());
  std::size_t width = 0;
  for (const auto& n : names) width = std::max(width, n.size());
  width += 2;
  const std::size_t perLine = std::max<std::size_t>(1, 76 / width);
  for (std::size_t k = 0; k < names.size(); ++k) {
    const bool last = k + 1 == names.size() || (k + 1) % perLine == 0;
    out << (k % perLine == 0 ? "  " : "") << names[k];
    if (last) {
      out << '\n';
    } else {
      out << std::string(width - names[k].size(), ' ');
    }
  }
}

void listFunctions(Interpreter& interpreter, const BuiltinTable& table) {
  std::ostream& out = interpreter.out();
  const std::vector<std::string> plugin = InterpreterAccess::loader(interpreter).functionNames();
  if (plugin.empty()) {
    out << "No plug-in is loaded.\n";
  } else {
    out << "Functions of the loaded plug-ins:\n";
    printNames(out, plugin);
  }
  out << "\nBuilt-in functions:\n";
  std::vector<std::string> builtins;
  for (const std::string& name : table.names()) {
    if (name.rfind("mexhost_", 0) != 0) builtins.push_back(name);
  }
  printNames(out, builtins);
  out << "\nhelp NAME describes a plug-in function: its calling forms, arguments and an\n"
         "example. Start mexhost with --expose-local to call (and read the help of) the\n"
         "local functions ftrapez, plattm, mtlfd and iffts.\n";
}

}  // namespace

void registerHelp(Interpreter& interpreter, BuiltinTable& table) {
  Interpreter* host = &interpreter;
  const BuiltinTable* builtins = &table;
  table.add(
      "help",
      [host, builtins](const std::vector<rt::Array>& args, int nargout) -> std::vector<rt::Array> {
        if (nargout > 0) rt::raise("mexhost:tooManyOutputs", "help: too many outputs.");
        if (args.size() > 1) rt::raise("mexhost:tooManyInputs", "help: too many inputs.");
        if (args.empty()) {
          listFunctions(*host, *builtins);
          return {};
        }
        if (!args[0].isChar()) rt::raise("mexhost:badArgument", "help: NAME must be a string.");
        const std::string name = args[0].utf8();
        const bool callable = InterpreterAccess::loader(*host).has(name);
        const HelpTopic* topic = findTopic(name);
        if (topic != nullptr && (callable || name == "vextrab" || name == "vextral")) {
          host->out() << topic->text;
        } else if (topic != nullptr) {
          rt::raise("mexhost:help", "help: '" + name +
                                        "' is a local function of a plug-in; start mexhost with "
                                        "--expose-local to call it and read its help.");
        } else if (callable) {
          host->out() << "'" << name
                      << "' is a function of a loaded plug-in; it has no help text.\n";
        } else if (builtins->find(name) != nullptr) {
          host->out() << "'" << name
                      << "' is a built-in function of mexhost, as in the host language.\n";
        } else {
          rt::raise("mexhost:help", "help: '" + name + "' not found.");
        }
        return {};
      });
}

}  // namespace mh
