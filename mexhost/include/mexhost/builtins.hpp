// The embedded host's function table: every function callable by name at the
// prompt or from a plug-in (through mexCallMATLAB) that the host itself provides.
#pragma once

#include <functional>
#include <map>
#include <string>
#include <string_view>
#include <vector>

#include "runtime/array.hpp"

namespace mh {

// A host function. Receives its evaluated arguments and the number of results
// asked for (0 for a statement such as `xlabel('x')`), returns its results.
// With nargout 0 it may still return one value: the host then stores it as
// `ans` (and shows it when the statement is displayed). Failures are rt::Error.
using BuiltinFn =
    std::function<std::vector<rt::Array>(const std::vector<rt::Array>& args, int nargout)>;

class BuiltinTable {
 public:
  // Registers (or replaces) a function under its name (names are case-sensitive).
  void add(const std::string& name, BuiltinFn fn) { table_[name] = std::move(fn); }
  const BuiltinFn* find(std::string_view name) const {
    const auto it = table_.find(std::string(name));
    return it == table_.end() ? nullptr : &it->second;
  }
  std::vector<std::string> names() const {
    std::vector<std::string> out;
    for (const auto& [name, fn] : table_) out.push_back(name);
    return out;
  }

 private:
  std::map<std::string, BuiltinFn> table_;
};

}  // namespace mh
