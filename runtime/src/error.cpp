#include "runtime/error.hpp"

#include <iostream>
#include <string>
#include <utility>

#include "runtime/array.hpp"
#include "runtime/mexlibrary.h"

namespace rt {
namespace {

void defaultWarning(const std::string& /*identifier*/, const std::string& message) {
  std::cerr << "Warning: " << message << '\n';
}

WarningHandler& handlerSlot() {
  static WarningHandler handler = defaultWarning;
  return handler;
}

}  // namespace

void raise(std::string identifier, std::string message) {
  throw Error(std::move(identifier), std::move(message));
}

void raiseMaxSize() {
  raise(errid::kMaxSize, kMaxSizeMessage);
}

void raiseOutOfMemory() {
  raise(errid::kOutOfMemory, kOutOfMemoryMessage);
}

void checkInterrupt() {
  if (&mexhostInterruptPending != nullptr && mexhostInterruptPending() != 0) {
    raise(errid::kInterrupted, kInterruptedMessage);
  }
}

WarningHandler setWarningHandler(WarningHandler handler) {
  WarningHandler previous = std::move(handlerSlot());
  handlerSlot() = handler ? std::move(handler) : WarningHandler(defaultWarning);
  return previous;
}

void warning(const std::string& identifier, const std::string& message) {
  handlerSlot()(identifier, message);
}

const Array& checkDefined(const Array& value, std::string_view name, bool isInput) {
  if (!value.isDefined()) {
    raise(isInput ? errid::kUndefinedInput : errid::kUndefined,
          "Undefined function or variable '" + std::string(name) + "'.");
  }
  return value;
}

void raiseUnassignedOutput(std::string_view output, std::string_view function) {
  raise(errid::kUnassignedOutput, "Output argument \"" + std::string(output) +
                                      "\" was not assigned during call to \"" +
                                      std::string(function) + "\".");
}

}  // namespace rt
