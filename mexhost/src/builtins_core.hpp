// The host's own builtins (everything but graphics).
#pragma once

#include "interpreter_access.hpp"
#include "mexhost/builtins.hpp"
#include "mexhost/mexhost.hpp"

namespace mh {

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
