// Small helpers for the runtime tests.
#pragma once

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "runtime/runtime.hpp"

namespace rt::testing {

inline std::vector<double> values(const Array& a) {
  return a.re();
}

// Runs f and returns the rt::Error it raises (fails the test if none).
template <typename F>
Error errorOf(F&& f) {
  try {
    f();
  } catch (const Error& e) {
    return e;
  }
  ADD_FAILURE() << "expected an rt::Error";
  return Error("", "");
}

// Collects warnings for the lifetime of the object.
class WarningCapture {
 public:
  WarningCapture() {
    previous_ = setWarningHandler([this](const std::string& id, const std::string& msg) {
      ids.push_back(id);
      messages.push_back(msg);
    });
  }
  ~WarningCapture() { setWarningHandler(previous_); }
  std::vector<std::string> ids;
  std::vector<std::string> messages;

 private:
  WarningHandler previous_;
};

}  // namespace rt::testing
