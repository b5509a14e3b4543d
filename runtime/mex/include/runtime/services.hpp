// Services of the host that compiled code relies on: calls of host functions by
// name, statement modes, the current local function table, warnings and errors
// handed to the host.
//
// Implemented over the MEX C API (services_mex.cpp), so the same source serves
// every host that offers that API. Nothing here touches an mxArray handle in its
// interface: arguments and results are rt::Array values.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "runtime/array.hpp"
#include "runtime/mexlibrary.h"

namespace rt::svc {

// Runs the host function `name`. The argument list the host receives ends at the
// first undefined argument (a missing input ends it there). Asks for `nargout`
// results and returns max(nargout, 1) entries: with nargout 0 the host may still
// give one value (the statement's `ans`); entries the host did not give are
// undefined. A host error becomes an rt::Error with the host's identifier and
// message, after every array made for the call has been released.
std::vector<Array> call(std::string_view name, const std::vector<Array>& args, int nargout);

// Statement modes.
// silent: no output requested; a value returned anyway is dropped (the caller's
// implicit `ans`, never read).
void silent(std::string_view name, const std::vector<Array>& args);
// displayed: no output requested; a value returned anyway is shown as `ans`.
void displayed(std::string_view name, const std::vector<Array>& args);
// assigned, one output.
Array assigned(std::string_view name, const std::vector<Array>& args);

// Shows `value` in the host's command window as the implicit answer `ans`.
void displayAns(const Array& value);

// Makes `table` the current local function table (the host looks there first when
// it resolves a name while the plug-in runs) and returns the previous one.
const mexLocalFunctionTable* setLocalFunctionTable(const mexLocalFunctionTable* table);

// Makes a table current for the lifetime of the scope, and gives the previous one
// back when the scope ends, by return or by an error.
class LocalTableScope {
 public:
  explicit LocalTableScope(const mexLocalFunctionTable* table)
      : previous_(setLocalFunctionTable(table)) {}
  ~LocalTableScope() { setLocalFunctionTable(previous_); }
  LocalTableScope(const LocalTableScope&) = delete;
  LocalTableScope& operator=(const LocalTableScope&) = delete;

 private:
  const mexLocalFunctionTable* previous_;
};

// Sends the runtime's warnings to the host's warning mechanism. Returns a token
// that restores the previous handler when destroyed.
class HostWarnings {
 public:
  HostWarnings();
  ~HostWarnings();
  HostWarnings(const HostWarnings&) = delete;
  HostWarnings& operator=(const HostWarnings&) = delete;

 private:
  struct State;
  State* state_;
};

// Hands an error to the host; does not return. Call it only at an outermost entry,
// when no C++ object that needs destruction is alive in the plug-in's frames.
[[noreturn]] void raiseInHost(const std::string& identifier, const std::string& message);

}  // namespace rt::svc
