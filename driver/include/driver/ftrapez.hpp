// ftrapez: closed-form spectrum of the trapezoidal excitation pulse.
//
// The pulse (amplitude 1, starting at t = 0) rises linearly over t1 seconds, stays
// at 1, and falls linearly over t2 seconds; the midpoints of the two edges are tpl
// seconds apart. The result is its Fourier transform
//   Y(f) = integral x(t) exp(-j 2 pi f t) dt      (V*s for a pulse in volts)
// at every entry of f, with the orientation of f (row in, row out; column in,
// column out; any other array is read in column order and comes back as a column).
//
// Contract: f in Hz must hold no exact 0 (the closed form divides by f^2; the
// driver passes eps/tmax in place of 0 Hz). tpl, t1 and t2 are scalars in seconds
// when f has more than one entry; t1 = 0 or t2 = 0 is allowed and means an
// instantaneous edge. As f -> 0 the value tends to the pulse area, tpl.
#pragma once

#include "runtime/array.hpp"

namespace xt {

// The body. Inputs are values (absent = default-constructed, undefined Array); an
// absent input raises the undefined-variable error naming it (f, tpl, t1 or t2) when
// it is first read.
rt::Array ftrapezBody(rt::Array f, rt::Array tpl, rt::Array t1, rt::Array t2);

// Direct form for C++ callers.
inline rt::Array ftrapez(const rt::Array& f, const rt::Array& tpl, const rt::Array& t1,
                         const rt::Array& t2) {
  return ftrapezBody(f, tpl, t1, t2);
}

}  // namespace xt
