// mtlfd: frequency-domain solution of a lossless multiconductor transmission line.
//
// nc conductors over a common reference, per-unit-length capacitance C (F/m) and
// inductance L (H/m), length xL (m), terminated at both ends in Thevenin networks:
// a source vector in series with an impedance matrix (ohms). Modal solution of
// dV/dz = -jw L I, dI/dz = -jw C V at each frequency; returns the phasor voltages of
// every conductor at the near end (z = 0, source VS, ZS) and at the far end (z = xL,
// source VL, ZL).
//
// Inputs and layouts (nf = length(f), nc = size(C, 1)):
//   f       frequencies in Hz, row or column, nf entries, none exactly 0 (a zero
//           frequency gives a non-finite row);
//   VS, VL  nc-by-1 (one vector for every frequency), nc-by-nf (column k at f(k)), or
//           nc-by-1-by-nf (page k at f(k));
//   ZS, ZL  scalar (that impedance from each conductor to the reference), nc-by-nc
//           (one matrix for every frequency), nc-by-nc-by-nf (page k at f(k)), or,
//           only when nc differs from nf, nc-by-nf (column k is the diagonal of a
//           diagonal termination at f(k)). With nc equal to nf a two-dimensional
//           termination is always one matrix for every frequency.
// Results: VNE and VFE, nf-by-nc complex, row k at f(k), column c for conductor c
// (0-by-nc for an empty f). Inputs of shapes that do not fit raise the runtime's
// dimension or index error; a singular terminal system gives non-finite rows for
// that frequency and the others are still computed.
//
// The voltages do not depend on the scaling or order of the modal vectors, nor on
// the sign of a propagation constant; a repeated eigenvalue (L = inv(C)/c^2, as the
// parameter matrices of plattm give) is fine as long as the modal matrix from eig is
// non-singular.
#pragma once

#include <cstddef>
#include <functional>

#include "runtime/array.hpp"

namespace xt {

struct MtlfdResult {
  rt::Array VNE;  // near-end voltages, nf-by-nc
  rt::Array VFE;  // far-end voltages, nf-by-nc
};

// The body. Inputs are values (absent = default-constructed, undefined Array); an
// absent input raises the undefined-variable error naming it at its first read
// (f, C, L, VS, VL before the frequency loop; xL, ZS, ZL in its first pass, so they
// are never read when f is empty). Both results are always computed.
MtlfdResult mtlfdBody(rt::Array f, rt::Array xL, rt::Array VS, rt::Array ZS, rt::Array VL,
                      rt::Array ZL, rt::Array C, rt::Array L);

// Direct form for C++ callers.
inline MtlfdResult mtlfd(const rt::Array& f, const rt::Array& xL, const rt::Array& VS,
                         const rt::Array& ZS, const rt::Array& VL, const rt::Array& ZL,
                         const rt::Array& C, const rt::Array& L) {
  return mtlfdBody(f, xL, VS, ZS, VL, ZL, C, L);
}

namespace detail {

// Test seam for the modal invariances. Called at frequency k (1-based) right after
// the modal matrix T (nc-by-nc) and the propagation constants GAM (nc-by-1, the
// principal square roots of the eigenvalues) are formed; it may replace them by any
// other valid pair (columns rescaled or reordered with GAM alike, a constant negated,
// or any non-singular T when all eigenvalues coincide).
using ModalHook = std::function<void(std::size_t k, rt::Array& T, rt::Array& GAM)>;

MtlfdResult mtlfdWithModalHook(rt::Array f, rt::Array xL, rt::Array VS, rt::Array ZS, rt::Array VL,
                               rt::Array ZL, rt::Array C, rt::Array L, const ModalHook& hook);

}  // namespace detail
}  // namespace xt
