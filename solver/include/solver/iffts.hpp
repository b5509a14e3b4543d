// iffts: one-sided spectra to real time signals.
//
// supv holds samples of continuous-time Fourier transforms (V/Hz for volts) of n
// signals at the frequencies 0, 1/tmax, ..., (M-1)/tmax (row 1 at 0 Hz, row M the
// Nyquist frequency), in one of the layouts
//   M-by-n, 1-by-n-by-M, n-by-1-by-M (1-by-1-by-M is one signal).
// The spectra are completed with their conjugate-symmetric halves and transformed
// back; the result vt is N-by-n real, N = 2*(M-1), row j at time (j-1)*tmax/N, i.e.
// the inverse Fourier integral evaluated with frequency step 1/tmax over a window of
// tmax seconds. The imaginary parts of rows 1 and M do not reach vt. With M = 1
// (one frequency) vt is all zeros with the size of supv. tmax is a scalar, seconds.
#pragma once

#include "runtime/array.hpp"

namespace xt {

// The body. Inputs are values (absent = default-constructed, undefined Array); an
// absent input raises the undefined-variable error naming it at its first read
// (supv first; tmax only when the transform is scaled).
rt::Array ifftsBody(rt::Array supv, rt::Array tmax);

// Direct form for C++ callers.
inline rt::Array iffts(const rt::Array& supv, const rt::Array& tmax) {
  return ifftsBody(supv, tmax);
}

}  // namespace xt
