// The host's own builtins (everything but graphics) and what they need to see of
// the interpreter.
#pragma once

#include <set>
#include <string>
#include <string_view>

#include "mexhost/builtins.hpp"
#include "mexhost/mexhost.hpp"

namespace mh {

class Loader;

// warning('off', id) / warning('on', id) / warning('off', 'all').
struct WarningSwitches {
  bool allOff = false;
  std::set<std::string> off;  // switched off while allOff is false
  std::set<std::string> on;   // switched on again while allOff is true
};

struct InterpreterAccess {
  static Loader& loader(Interpreter& interpreter);
  static WarningSwitches& warnings(Interpreter& interpreter);
};

bool warningEnabled(Interpreter& interpreter, std::string_view identifier);

// Installs disp, display, fprintf, sprintf, num2str, int2str, mat2str, format,
// error, warning, lasterr, pause, exit, quit, who, clear, mexhost_live_arrays, the
// constants (pi, eps, Inf, NaN, i, j, true, false), construction (zeros, ones, eye,
// cell, repmat, reshape, permute, cat, horzcat, vertcat, diag, triu, linspace,
// colon, double, logical, char), queries (size, numel, length, ndims, class,
// ischar, isstr, isempty, isnumeric, islogical, iscell, isreal, isscalar,
// isvector, isequal, strcmp, isnan, isinf, isfinite), the operators as functions
// and the math of runtime/ (sqrt ... ifft, fft, eig, inv, max, min, sum, ...).
void registerCoreBuiltins(Interpreter& interpreter, BuiltinTable& table);

}  // namespace mh
