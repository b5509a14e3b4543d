// Errors and warnings of the runtime.
//
// Every failure inside the program is an rt::Error (identifier + message). It
// becomes the host's error only at the outermost entry, after every local has
// been destroyed. Warnings go through one replaceable service; the host decides
// how to show them.
#pragma once

#include <functional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace rt {

class Array;

class Error : public std::runtime_error {
 public:
  Error(std::string identifier, std::string message)
      : std::runtime_error(message),
        identifier_(std::move(identifier)),
        message_(std::move(message)) {}
  const std::string& identifier() const { return identifier_; }
  // The whole text, a NUL character included (what() ends at the first one).
  const std::string& message() const { return message_; }

 private:
  std::string identifier_;
  std::string message_;
};

[[noreturn]] void raise(std::string identifier, std::string message);

// Identifiers used by the runtime's own errors.
namespace errid {
inline constexpr const char* kNonconformant = "rt:nonconformant";
inline constexpr const char* kIndexOutOfBounds = "rt:indexOutOfBounds";
inline constexpr const char* kBadIndex = "rt:badSubscript";
inline constexpr const char* kUndefined = "rt:undefinedVariable";
inline constexpr const char* kUndefinedInput = "rt:undefinedInput";
inline constexpr const char* kUnassignedOutput = "rt:unassignedOutput";
inline constexpr const char* kType = "rt:wrongType";
inline constexpr const char* kArgument = "rt:badArgument";
inline constexpr const char* kMaxSize = "rt:maxVariableSize";
inline constexpr const char* kOutOfMemory = "rt:outOfMemory";
inline constexpr const char* kInterrupted = "rt:interrupted";
inline constexpr const char* kTooDeep = "rt:nestingTooDeep";
}  // namespace errid

// The texts of the errors every part of the system shares for sizes and memory.
inline constexpr const char* kMaxSizeMessage =
    "Maximum variable size allowed by the program is exceeded.";
inline constexpr const char* kOutOfMemoryMessage = "Out of memory.";
[[noreturn]] void raiseMaxSize();
[[noreturn]] void raiseOutOfMemory();

// Safe point for an interrupt (Ctrl-C): raises rt:interrupted when the host has
// asked to stop the running statement, and costs a load and a test otherwise.
// Long loops call it between steps (frequencies, strip rows, blocks of elements).
void checkInterrupt();
inline constexpr const char* kInterruptedMessage = "Interrupted by the user (Ctrl-C).";

// Warning service. The handler receives identifier and message; the default one
// writes "Warning: <message>" to standard error.
using WarningHandler =
    std::function<void(const std::string& identifier, const std::string& message)>;
// Installs a handler and returns the previous one.
WarningHandler setWarningHandler(WarningHandler handler);
void warning(const std::string& identifier, const std::string& message);

// While one lives, the warnings raised on its thread are kept in it instead of going
// to the handler (whose host may only be called from the host's own thread); take()
// hands them over in the order they were raised, to be given there with warning().
struct HeldWarning {
  std::string identifier;
  std::string message;
};
class WarningCapture {
 public:
  WarningCapture();
  ~WarningCapture();
  WarningCapture(const WarningCapture&) = delete;
  WarningCapture& operator=(const WarningCapture&) = delete;
  std::vector<HeldWarning> take();

 private:
  friend void warning(const std::string& identifier, const std::string& message);
  std::vector<HeldWarning> held_;
  WarningCapture* outer_;
};

namespace warnid {
inline constexpr const char* kSingular = "rt:singularMatrix";
inline constexpr const char* kIllConditioned = "rt:nearlySingularMatrix";
}  // namespace warnid

// Reading a variable: raises the undefined-variable error naming `name` when
// `value` holds no value, otherwise returns it. `isInput` tells an input
// argument from a local variable (the message is the same; the identifier tells).
const Array& checkDefined(const Array& value, std::string_view name, bool isInput = true);

// Raised when a function returns without assigning a requested output.
[[noreturn]] void raiseUnassignedOutput(std::string_view output, std::string_view function);

}  // namespace rt
