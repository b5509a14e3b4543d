// Helpers for the graphics tests: a Graphics with its builtins installed, calls
// by name as the host makes them, and scratch folders.
#pragma once

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "mexhost/builtins.hpp"
#include "mexhost/graphics.hpp"
#include "runtime/runtime.hpp"

namespace mh::gfx::testing {

inline rt::Array S(const char* utf8) {
  return rt::Array::str(utf8);
}

inline std::vector<double> values(const rt::Array& a) {
  return a.re();
}

// Runs f and returns the rt::Error it raises (fails the test if none).
template <typename F>
rt::Error errorOf(F&& f) {
  try {
    f();
  } catch (const rt::Error& e) {
    return e;
  }
  ADD_FAILURE() << "expected an rt::Error";
  return rt::Error("", "");
}

class HostTest : public ::testing::Test {
 protected:
  HostTest() { registerGraphicsBuiltins(table_, g); }

  std::vector<rt::Array> call(const std::string& name, const std::vector<rt::Array>& args = {},
                              int nargout = 0) {
    const BuiltinFn* fn = table_.find(name);
    if (fn == nullptr) {
      ADD_FAILURE() << "no builtin " << name;
      return {};
    }
    return (*fn)(args, nargout);
  }
  // The first result of a call that asks for one output.
  rt::Array value(const std::string& name, const std::vector<rt::Array>& args = {}) {
    const auto out = call(name, args, 1);
    if (out.empty()) {
      ADD_FAILURE() << name << " returned nothing";
      return {};
    }
    return out[0];
  }
  double gca() { return value("gca").scalar(); }
  std::vector<double> linesOf(double axes) {
    std::vector<double> out;
    for (double h : g.children(axes)) {
      if (g.type(h) == ObjectType::Line) out.push_back(h);
    }
    return out;
  }

  BuiltinTable table_;
  Graphics g;
};

// A fresh folder under the system's temporary folder, removed afterwards.
class ScratchFolder {
 public:
  ScratchFolder() {
    const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
    path_ = std::filesystem::temp_directory_path() /
            ("mh_graphics_" + std::string(info->test_suite_name()) + "_" + info->name());
    std::filesystem::remove_all(path_);
    std::filesystem::create_directories(path_);
  }
  ~ScratchFolder() {
    std::error_code ignored;
    std::filesystem::remove_all(path_, ignored);
  }
  const std::filesystem::path& path() const { return path_; }

 private:
  std::filesystem::path path_;
};

}  // namespace mh::gfx::testing
