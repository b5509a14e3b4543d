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

// The innermost capture of this thread, if any.
thread_local WarningCapture* capturing = nullptr;

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
  if (capturing != nullptr) {
    capturing->held_.push_back({identifier, message});
    return;
  }
  handlerSlot()(identifier, message);
}

WarningCapture::WarningCapture() : outer_(capturing) {
  capturing = this;
}

WarningCapture::~WarningCapture() {
  capturing = outer_;
}

std::vector<HeldWarning> WarningCapture::take() {
  return std::exchange(held_, {});
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
