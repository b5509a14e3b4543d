// Host functions the program reaches by name: the graphics library entries and
// the host-function stubs. Each is one call of the host function of that name;
// the argument list the host receives ends at the first undefined argument, and
// the statement mode is the caller's choice (see rt::svc).
//
// Results that the host does not give come back undefined.
#pragma once

#include <vector>

#include "runtime/array.hpp"

namespace xt::byname {

// ---- graphics library entries ----
// figure(n), silent.
void figureSilent(const rt::Array& n);
// text(x, y, s, property, value), silent.
void textSilent(const std::vector<rt::Array>& args);
// plot(...), silent.
void plotSilent(const std::vector<rt::Array>& args);
// line(...): the handles.
rt::Array line(const std::vector<rt::Array>& args);
// set(h, property, value), displayed.
void setDisplayed(const rt::Array& h, const rt::Array& property, const rt::Array& value);
// set(h, property, value), silent (no value is shown even if the host returns one).
void setSilent(const rt::Array& h, const rt::Array& property, const rt::Array& value);
// get(h, property), assigned.
rt::Array get(const rt::Array& h, const rt::Array& property);
void drawnow();
void pause(const rt::Array& seconds);

// ---- host-function stubs ----
// ylabel, xlabel, title: (nargout, label, ...); the callers pass nargout 0 and
// display a value the host returns.
void ylabelDisplayed(const rt::Array& label);
void xlabelDisplayed(const rt::Array& label);
void titleDisplayed(const rt::Array& label);
// legend(s1, s2, ...), displayed, nargout 0.
void legendDisplayed(const std::vector<rt::Array>& strings);
// clf, displayed, nargout 0.
void clfDisplayed();
// clf, silent.
void clfSilent();
// axis with one result: [xmin xmax ymin ymax].
rt::Array axisLimits();
// axis(arg), nargout 0, displayed.
void axisDisplayed(const rt::Array& arg);
// grid(a) as a plain call: grid("off") or, with an undefined a, grid with no argument.
void grid(const rt::Array& a);
// ishold: the host's truth value.
rt::Array ishold();
// gca: the current axes handle.
rt::Array gca();
rt::Array fliplr(const rt::Array& x);
rt::Array flipud(const rt::Array& x);

}  // namespace xt::byname
