// The Interpreter: owns the parts of the host (evaluator, chunk runner, the
// services plug-ins see, loader, builtins) and the state they share (streams,
// display format, last error, exit request).
#include <fstream>
#include <iostream>
#include <sstream>
#include <string>
#include <utility>

#include "builtins_core.hpp"
#include "chunk_runner.hpp"
#include "display.hpp"
#include "evaluator.hpp"
#include "interpreter_access.hpp"
#include "loader.hpp"
#include "mexhost/mexhost.hpp"
#include "plugin_services.hpp"
#include "runtime/error.hpp"

namespace mh {

using rt::Array;

struct Interpreter::Impl {
  Impl(Interpreter& owner, std::ostream& o, std::ostream& e, HostOptions opts)
      : out(o),
        err(e),
        options(opts),
        loader([&owner](const std::string& message) {
          owner.reportWarning("mexhost:loader", message);
        }),
        services(owner, loader),
        evaluator(owner),
        runner(owner, evaluator) {}

  std::ostream& out;
  std::ostream& err;
  HostOptions options;
  BuiltinTable builtins;
  Loader loader;
  PluginServices services;  // registered with libmx while the Interpreter lives
  Evaluator evaluator;
  ChunkRunner runner;
  DisplayFormat format;
  std::string lastError;
  bool exitRequested = false;
  int exitStatus = 0;
  WarningSwitches warningSwitches;
  rt::WarningHandler previousWarnings;
};

Interpreter::Interpreter(std::ostream& out, std::ostream& err, HostOptions options)
    : impl_(std::make_unique<Impl>(*this, out, err, options)) {
  impl_->previousWarnings = rt::setWarningHandler(
      [this](const std::string& id, const std::string& message) { reportWarning(id, message); });
  registerCoreBuiltins(*this, impl_->builtins);
}

Interpreter::~Interpreter() {
  try {
    impl_->loader.unloadAll();
  } catch (const std::exception& e) {
    reportError(e.what());
  }
  impl_->out.flush();
  rt::setWarningHandler(std::move(impl_->previousWarnings));
}

BuiltinTable& Interpreter::builtins() {
  return impl_->builtins;
}
const HostOptions& Interpreter::options() const {
  return impl_->options;
}

std::vector<std::string> Interpreter::loadPlugin(const std::string& path) {
  return impl_->loader.load(path, impl_->options.exposeLocal);
}

void Interpreter::unloadPlugins() {
  impl_->loader.unloadAll();
}

bool Interpreter::execute(std::string_view text) {
  return impl_->runner.run(text);
}

bool Interpreter::executeFile(const std::string& path) {
  std::ifstream file(path, std::ios::binary);
  if (!file) {
    reportError("Cannot open the script '" + path + "'.");
    return false;
  }
  std::ostringstream text;
  text << file.rdbuf();
  return execute(text.str());
}

bool Interpreter::isComplete(std::string_view text) const {
  return impl_->runner.complete(text);
}

std::vector<Array> Interpreter::call(const std::string& name, const std::vector<Array>& args,
                                     int nargout) {
  std::vector<Array> results;
  if (!impl_->loader.callLocal(name, args, nargout, results)) {
    if (impl_->loader.has(name)) {
      results = impl_->loader.call(name, args, nargout);
    } else if (const BuiltinFn* fn = impl_->builtins.find(name)) {
      results = (*fn)(args, nargout);
    } else {
      rt::raise("mexhost:undefinedFunction", "Undefined function or variable '" + name + "'.");
    }
  }
  if (nargout == 0 && !results.empty() && !results[0].isDefined()) results.clear();
  std::size_t given = 0;
  while (given < results.size() && results[given].isDefined()) ++given;
  if (nargout > 0 && given < static_cast<std::size_t>(nargout)) {
    rt::raise("mexhost:tooManyOutputs", "Too many output arguments for '" + name + "'.");
  }
  return results;
}

const Array* Interpreter::variable(const std::string& name) const {
  return impl_->evaluator.variable(name);
}

void Interpreter::setVariable(const std::string& name, Array value) {
  impl_->evaluator.setVariable(name, std::move(value));
}

bool Interpreter::clearVariable(const std::string& name) {
  return impl_->evaluator.clearVariable(name);
}

void Interpreter::clearVariables() {
  impl_->evaluator.clearVariables();
}

std::vector<std::string> Interpreter::variableNames() const {
  return impl_->evaluator.variableNames();
}

DisplayFormat& Interpreter::displayFormat() {
  return impl_->format;
}

void Interpreter::display(std::string_view name, const Array& value) {
  impl_->out << displayText(name, value, impl_->format);
}

std::ostream& Interpreter::out() {
  return impl_->out;
}
std::ostream& Interpreter::err() {
  return impl_->err;
}

void Interpreter::reportError(std::string_view message) {
  impl_->out.flush();
  impl_->err << "error: " << message << "\n";
  impl_->err.flush();
  impl_->lastError = std::string(message);
}

void Interpreter::reportWarning(std::string_view identifier, std::string_view message) {
  if (!warningEnabled(*this, identifier)) return;
  impl_->out.flush();
  impl_->err << "warning: " << message << "\n";
  impl_->err.flush();
}

const std::string& Interpreter::lastError() const {
  return impl_->lastError;
}

void Interpreter::requestExit(int status) {
  impl_->exitRequested = true;
  impl_->exitStatus = status;
}
bool Interpreter::exitRequested() const {
  return impl_->exitRequested;
}
int Interpreter::exitStatus() const {
  return impl_->exitStatus;
}

Loader& InterpreterAccess::loader(Interpreter& interpreter) {
  return interpreter.impl_->loader;
}

WarningSwitches& InterpreterAccess::warnings(Interpreter& interpreter) {
  return interpreter.impl_->warningSwitches;
}

void InterpreterAccess::setLastError(Interpreter& interpreter, std::string message) {
  interpreter.impl_->lastError = std::move(message);
}

bool warningEnabled(Interpreter& interpreter, std::string_view identifier) {
  const WarningSwitches& w = InterpreterAccess::warnings(interpreter);
  if (w.allOff) return w.on.count(std::string(identifier)) != 0;
  return w.off.count(std::string(identifier)) == 0;
}

}  // namespace mh
