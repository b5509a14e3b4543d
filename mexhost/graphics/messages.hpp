// Error identifiers and message texts of the graphics, in one place.
#pragma once

#include <string>
#include <string_view>

#include "runtime/error.hpp"

namespace mh::gfx::msg {

inline constexpr const char* kBadHandle = "mexhost:graphics:invalidHandle";
inline constexpr const char* kUnknownProperty = "mexhost:graphics:unknownProperty";
inline constexpr const char* kReadOnly = "mexhost:graphics:readOnlyProperty";
inline constexpr const char* kBadValue = "mexhost:graphics:invalidValue";
inline constexpr const char* kBadArgument = "mexhost:graphics:invalidArgument";
inline constexpr const char* kArgumentCount = "mexhost:graphics:argumentCount";
inline constexpr const char* kWrite = "mexhost:graphics:writeFailed";
inline constexpr const char* kIgnoredEntries = "mexhost:graphics:ignoringExtraEntries";
inline constexpr const char* kComplexIgnored = "mexhost:graphics:imaginaryPartIgnored";

std::string handleText(double h);

[[noreturn]] inline void invalidHandle(double h) {
  rt::raise(kBadHandle, "Invalid or deleted graphics handle " + handleText(h) + ".");
}
[[noreturn]] inline void wrongObject(double h, std::string_view expected) {
  rt::raise(kBadHandle, "Handle " + handleText(h) + " is not " + std::string(expected) + ".");
}
[[noreturn]] inline void unknownProperty(std::string_view type, std::string_view name) {
  rt::raise(kUnknownProperty, "There is no '" + std::string(name) + "' property of " +
                                  std::string(type) + " objects.");
}
[[noreturn]] inline void readOnly(std::string_view type, std::string_view name) {
  rt::raise(kReadOnly, "The '" + std::string(name) + "' property of " + std::string(type) +
                           " objects is read-only.");
}
// "Value of 'XLim' must be <what>."
[[noreturn]] inline void badValue(std::string_view name, std::string_view what) {
  rt::raise(kBadValue, "Value of '" + std::string(name) + "' must be " + std::string(what) + ".");
}
[[noreturn]] inline void badArgument(std::string_view function, std::string_view what) {
  rt::raise(kBadArgument, std::string(function) + ": " + std::string(what));
}
[[noreturn]] inline void tooManyOutputs(std::string_view function) {
  rt::raise(kArgumentCount, std::string(function) + ": too many output arguments.");
}
[[noreturn]] inline void notEnoughInputs(std::string_view function) {
  rt::raise(kArgumentCount, std::string(function) + ": not enough input arguments.");
}
[[noreturn]] inline void tooManyInputs(std::string_view function) {
  rt::raise(kArgumentCount, std::string(function) + ": too many input arguments.");
}
[[noreturn]] inline void missingValue(std::string_view function, std::string_view name) {
  rt::raise(kBadArgument,
            std::string(function) + ": property '" + std::string(name) + "' has no value.");
}
[[noreturn]] inline void writeFailed(const std::string& file, std::string_view why) {
  rt::raise(kWrite, "Cannot write '" + file + "': " + std::string(why) + ".");
}

}  // namespace mh::gfx::msg
