#include "loader.hpp"

#include <algorithm>
#include <filesystem>
#include <sstream>
#include <string>

#include "mexhost/mexhost.hpp"
#include "mexhost/mxhost.hpp"
#include "mexlibrary_loader.hpp"
#include "runtime/error.hpp"
#include "runtime/mxconvert.hpp"

namespace mh {
namespace {

using rt::Array;
namespace mx = rt::mx;

constexpr std::size_t kMaxCallDepth = 256;
// Output slots beyond those asked for, so that a plug-in that writes one slot too
// many writes into memory the host owns (and releases).
constexpr std::size_t kSpareSlots = 16;

std::string baseName(const std::string& path) {
  return std::filesystem::path(path).stem().string();
}

PluginEntry describeEntry(const mexFunctionEntry& e) {
  PluginEntry out;
  out.name = e.name;
  out.inputs = e.inputs;
  out.outputs = e.outputs;
  out.hasLocalTable = e.local != nullptr;
  if (e.local != nullptr) {
    for (intptr_t k = 0; k < e.local->count; ++k)
      out.locals.push_back(describeEntry(e.local->rows[k]));
  }
  return out;
}

// libmx reports its own failures (an array it cannot make) as MexError; the
// rest of the host sees them as rt::Error.
template <class Step>
auto hostSide(Step step) {
  try {
    return step();
  } catch (const MexError& e) {
    rt::raise(e.identifier(), e.what());
  }
}

std::string counted(long long n, const char* word) {
  return std::to_string(n) + " " + word + (n == 1 ? "" : "s");
}

}  // namespace

// ---- description (--info) ------------------------------------------------------------

PluginDescription describePlugin(const std::string& path) {
  const lib::SharedLibrary library(path);
  PluginDescription d;
  d.path = path;
  if (const mexLibraryDescriptor* desc = lib::readDescriptor(library)) {
    d.library = true;
    d.version = desc->version;
    for (intptr_t k = 0; k < desc->functionCount; ++k)
      d.entries.push_back(describeEntry(desc->functions[k]));
    d.initTermPairs = desc->initTermCount;
  } else if (library.symbol("mexFunction") != nullptr) {
    PluginEntry e;
    e.name = baseName(path);
    d.entries.push_back(e);
  } else {
    lib::loadError(path, "it exports neither _mexLibrary nor mexFunction");
  }
  if (const auto* strings =
          static_cast<const mexStringResource*>(library.symbol("mexStringResources"))) {
    for (std::size_t k = 0; k < 100000 && strings[k].text != nullptr; ++k) {
      d.strings.emplace_back(strings[k].id, strings[k].text);
    }
  }
  return d;
}

std::string describePluginText(const PluginDescription& d) {
  std::ostringstream out;
  out << "plug-in: " << d.path << "\n";
  if (d.library) {
    out << "kind: library (_mexLibrary)\n";
    out << "descriptor version: " << d.version << "\n";
    out << "functions: " << d.entries.size() << "\n";
    for (const PluginEntry& e : d.entries) {
      out << "  " << e.name << ": " << counted(e.inputs, "input") << ", "
          << counted(e.outputs, "output") << "\n";
      if (e.hasLocalTable) {
        out << "    local function table: "
            << counted(static_cast<long long>(e.locals.size()), "row") << "\n";
        for (const PluginEntry& l : e.locals) {
          out << "      " << l.name << ": " << counted(l.inputs, "input") << ", "
              << counted(l.outputs, "output") << "\n";
        }
      }
    }
    out << "initialiser/finaliser pairs: " << d.initTermPairs << "\n";
  } else {
    out << "kind: mexFunction\n";
    out << "function: " << (d.entries.empty() ? "" : d.entries[0].name)
        << " (inputs and outputs not declared)\n";
  }
  if (d.strings.empty()) {
    out << "string resources: none\n";
  } else {
    out << "string resources: " << d.strings.size() << "\n";
    for (const auto& [id, text] : d.strings) out << "  " << id << ": " << text << "\n";
  }
  return out.str();
}

// ---- frames ------------------------------------------------------------------------------

Loader::Frame::Frame(Loader& loader, std::size_t plugin, std::string name,
                     const mexLocalFunctionTable* table)
    : loader_(loader) {
  loader_.frames_.push_back({plugin, std::move(name)});
  previous_ = setCurrentLocalFunctionTable(table);
}

Loader::Frame::~Frame() {
  loader_.frames_.pop_back();
  setCurrentLocalFunctionTable(previous_);
}

// ---- loading -----------------------------------------------------------------------------

Loader::Loader(Reporter report) : report_(std::move(report)) {}

Loader::~Loader() {
  try {
    unloadAll();
  } catch (const std::exception& e) {
    if (report_) report_(e.what());
  }
}

std::vector<std::string> Loader::load(const std::string& path, bool exposeLocal) {
  std::error_code ec;
  const std::filesystem::path absolute = std::filesystem::absolute(path, ec);
  const std::string key = ec ? path : absolute.lexically_normal().string();
  for (std::size_t k = 0; k < plugins_.size(); ++k) {
    if (plugins_[k].path == key) {
      if (!plugins_[k].library) open(k);
      return plugins_[k].names;
    }
  }
  Plugin p;
  p.path = key;
  p.name = baseName(key);
  p.exposeLocal = exposeLocal;
  plugins_.push_back(std::move(p));
  // Forgotten again when it cannot be opened.
  struct Pending {
    std::vector<Plugin>& plugins;
    bool opened = false;
    ~Pending() {
      if (!opened) plugins.pop_back();
    }
  } pending{plugins_};
  open(plugins_.size() - 1);
  pending.opened = true;
  return plugins_.back().names;
}

// Plug-in code runs in the middle (initialisers); it may load other plug-ins, so
// plugins_ is indexed again after it instead of holding a reference.
void Loader::open(std::size_t index) {
  const std::string path = plugins_[index].path;
  const std::string pluginName = plugins_[index].name;
  const bool exposeLocal = plugins_[index].exposeLocal;
  // Closed again (dlclose) when anything below raises.
  auto library = std::make_unique<lib::SharedLibrary>(path);
  std::vector<std::pair<std::string, Function>> found;
  const mexLibraryDescriptor* desc = lib::readDescriptor(*library);
  MexFunction mexFunction = nullptr;
  if (desc != nullptr) {
    for (intptr_t k = 0; k < desc->functionCount; ++k) {
      const mexFunctionEntry& e = desc->functions[k];
      found.emplace_back(e.name, Function{index, nullptr, e.feval, e.local});
      if (exposeLocal && e.local != nullptr) {
        for (intptr_t r = 0; r < e.local->count; ++r) {
          const mexFunctionEntry& row = e.local->rows[r];
          found.emplace_back(row.name, Function{index, nullptr, row.feval, e.local});
        }
      }
    }
  } else if (void* symbol = library->symbol("mexFunction")) {
    mexFunction = reinterpret_cast<MexFunction>(symbol);
    found.emplace_back(pluginName, Function{index, mexFunction, nullptr, nullptr});
  } else {
    lib::loadError(path, "it exports neither _mexLibrary nor mexFunction");
  }

  // Every initialiser runs once, in order, before any entry can be called, as
  // this plug-in's frame with no local function table current. When one fails,
  // those before it are undone (inside the frame) and mexhost:load is raised;
  // exit handlers registered meanwhile are dropped without running.
  if (desc != nullptr) {
    struct DropHandlersOnFailure {
      Loader& loader;
      std::size_t index;
      bool done = false;
      ~DropHandlersOnFailure() {
        if (!done) loader.plugins_[index].exitHandlers.clear();
      }
    } handlers{*this, index};
    {
      const Frame frame(*this, index, pluginName, nullptr);
      lib::runInitialisers(path, *desc);
    }
    handlers.done = true;
  }

  Plugin& p = plugins_[index];
  p.library = std::move(library);
  p.descriptor = desc;
  p.mexFunction = mexFunction;
  p.names.clear();
  for (auto& [name, fn] : found) {
    const auto existing = functions_.find(name);
    if (existing != functions_.end() && existing->second.plugin != index && report_) {
      report_("The function '" + name + "' of '" + p.path + "' replaces the one of '" +
              plugins_[existing->second.plugin].path + "'.");
    }
    functions_[name] = fn;
    p.names.push_back(name);
  }
}

// Plug-in code runs in the middle (exit handlers, finalisers); what it needs is
// copied first, since it may load other plug-ins and move plugins_.
void Loader::close(std::size_t index) {
  if (!plugins_[index].library) return;
  const std::string path = plugins_[index].path;
  const std::string pluginName = plugins_[index].name;
  const mexLibraryDescriptor* const descriptor = plugins_[index].descriptor;
  const std::vector<void (*)()> handlers = std::move(plugins_[index].exitHandlers);
  plugins_[index].exitHandlers.clear();
  {
    const Frame frame(*this, index, pluginName, nullptr);
    // mexAtExit handlers, newest first, then the finalisers, last pair first.
    for (auto it = handlers.rbegin(); it != handlers.rend(); ++it) {
      try {
        (*it)();
      } catch (const std::exception& e) {
        if (report_) report_("An exit handler of '" + path + "' failed: " + e.what());
      } catch (...) {
        if (report_) report_("An exit handler of '" + path + "' failed.");
      }
    }
    if (descriptor != nullptr) lib::runFinalisers(path, *descriptor, report_);
  }
  for (auto it = functions_.begin(); it != functions_.end();) {
    it = it->second.plugin == index ? functions_.erase(it) : std::next(it);
  }
  plugins_[index].library.reset();  // dlclose
  plugins_[index].descriptor = nullptr;
  plugins_[index].mexFunction = nullptr;
}

void Loader::unloadAll() {
  if (busy())
    rt::raise("mexhost:busy", "Plug-ins cannot be unloaded while one of them is running.");
  for (std::size_t k = plugins_.size(); k-- > 0;) close(k);
}

bool Loader::has(const std::string& name) const {
  if (functions_.count(name) != 0) return true;
  for (const Plugin& p : plugins_) {
    if (!p.library && std::find(p.names.begin(), p.names.end(), name) != p.names.end()) {
      return true;
    }
  }
  return false;
}

std::vector<std::string> Loader::functionNames() const {
  std::vector<std::string> out;
  for (const auto& [name, fn] : functions_) out.push_back(name);
  return out;
}

void Loader::atExit(void (*handler)()) {
  if (frames_.empty()) return;
  plugins_[frames_.back().plugin].exitHandlers.push_back(handler);
}

const char* Loader::currentFunctionName() const {
  return frames_.empty() ? "" : frames_.back().name.c_str();
}

// ---- calling -----------------------------------------------------------------------------

std::vector<Array> Loader::call(const std::string& name, const std::vector<Array>& args,
                                int nargout) {
  auto it = functions_.find(name);
  if (it == functions_.end()) {
    // A plug-in unloaded by `clear mex` loads again when one of its functions is called.
    for (std::size_t k = 0; k < plugins_.size(); ++k) {
      const Plugin& p = plugins_[k];
      if (!p.library && std::find(p.names.begin(), p.names.end(), name) != p.names.end()) {
        open(k);
        break;
      }
    }
    it = functions_.find(name);
    if (it == functions_.end()) {
      rt::raise("mexhost:undefinedFunction", "Undefined function or variable '" + name + "'.");
    }
  }
  const Function fn = it->second;
  return invoke(name, fn.plugin, fn.mexFunction, fn.feval, true, fn.table, args, nargout);
}

bool Loader::callLocal(const std::string& name, const std::vector<Array>& args, int nargout,
                       std::vector<Array>& results) {
  const mexLocalFunctionTable* table = currentLocalFunctionTable();
  if (table == nullptr || frames_.empty()) return false;
  const mexFunctionEntry* row = lib::findLocal(table, name);
  if (row == nullptr) return false;
  results = invoke(name, frames_.back().plugin, nullptr, row->feval, false, nullptr, args, nargout);
  return true;
}

std::vector<Array> Loader::invoke(const std::string& name, std::size_t plugin,
                                  MexFunction mexFunction, mexFevalEntry feval, bool setTable,
                                  const mexLocalFunctionTable* table,
                                  const std::vector<Array>& args, int nargout) {
  if (frames_.size() >= kMaxCallDepth) {
    rt::raise("mexhost:recursion", "Maximum recursion depth (" + std::to_string(kMaxCallDepth) +
                                       ") reached in '" + name + "'.");
  }
  // Inputs: owned by the host for the whole call, released on every path.
  std::vector<mx::Owned> inputs;
  inputs.reserve(args.size());
  hostSide([&] {
    for (const Array& a : args) inputs.push_back(mx::fromArray(a));
  });
  std::vector<const mxArray*> prhs;
  for (const mx::Owned& o : inputs) prhs.push_back(o.get());
  const std::size_t asked = static_cast<std::size_t>(std::max(nargout, 1));
  std::vector<mxArray*> plhs(asked + kSpareSlots, nullptr);
  const int nrhs = static_cast<int>(prhs.size());

  std::string failureId;
  std::string failure;
  bool failed = false;
  try {
    const Frame frame(*this, plugin, name, setTable ? table : currentLocalFunctionTable());
    if (mexFunction != nullptr) {
      mexFunction(nargout, plhs.data(), nrhs, prhs.data());
    } else {
      feval(nargout, reinterpret_cast<void**>(plhs.data()), nrhs,
            const_cast<void**>(reinterpret_cast<const void* const*>(prhs.data())));
    }
  } catch (const MexError& e) {
    failed = true;
    failureId = e.identifier();
    failure = e.what();
  } catch (const rt::Error& e) {
    failed = true;
    failureId = e.identifier();
    failure = e.message();
  } catch (const std::exception& e) {
    failed = true;
    failureId = "mexhost:pluginException";
    failure = e.what();
  } catch (...) {
    failed = true;
    failureId = "mexhost:pluginException";
    failure = "The plug-in function '" + name + "' failed with an unknown exception.";
  }

  // Outputs: the host takes over every slot the plug-in filled, asked for or not.
  std::vector<mx::Owned> outputs;
  bool foreign = false;
  for (mxArray* o : plhs) {
    if (o != nullptr && !isLiveArray(o)) {
      foreign = true;
      o = nullptr;
    }
    outputs.emplace_back(o);
  }
  if (failed) rt::raise(failureId, failure);
  if (foreign) {
    rt::raise("mexhost:badOutput",
              "The plug-in function '" + name + "' returned an output that is not a live array.");
  }
  std::vector<Array> results;
  for (std::size_t k = 0; k < asked; ++k) {
    if (!outputs[k]) {
      if (nargout == 0) break;
      rt::raise("mexhost:unassignedOutput",
                "One or more output arguments not assigned during call to '" + name + "'.");
    }
    results.push_back(hostSide([&] { return mx::toArray(outputs[k].get()); }));
  }
  return results;
}

}  // namespace mh
