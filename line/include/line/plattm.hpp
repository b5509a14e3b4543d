// plattm: cross-section of the line, its checks, and its per-unit-length matrices.
//
// Geometry (one common length unit, any unit: the results do not depend on it):
//   b   widths of the N flat conductors, the reference (ground) strip first;
//   dd  centre positions of conductors 2..N, measured from the centre of the ground
//       strip (N-1 values, or one value for all);
//   hh  heights of conductors 2..N above the ground strip (N-1 values, or one).
// Computing mode (four or more inputs) adds:
//   Nj    requested total number of sub-strips, shared out in proportion to the
//         widths (see plattmStripCounts);
//   diel  relative permittivity of a dielectric layer on the ground strip (default 1,
//         no layer);
//   hd    height of the layer's top surface above the ground strip (default 0).
// Results, for the signal conductors 2..N with the ground strip as return:
//   Ctr  (N-1)-by-(N-1) capacitance per unit length, F/m;
//   Ltr  (N-1)-by-(N-1) inductance per unit length, H/m, inv(Ctr)/8.987554305625e16
//        (the square of 2.997925e8 m/s), with or without a dielectric.
// Row and column p of both belong to signal conductor p, i.e. conductor p+1 of b.
// Neither matrix is symmetrised. Degenerate geometry (touching strips at one
// height, a conductor in the dielectric surface) is not guarded: IEEE arithmetic
// gives infinities or NaN there.
#pragma once

#include <functional>

#include "runtime/array.hpp"

namespace xt {

// Identifier of the geometry errors. The message is exactly the literal text
// "inmatningsfel antal centrumavstånd" or "inmatningsfel antal höjder".
inline constexpr const char* kPlattmGeometryErrorId = "plattm:geometry";
// Raised when drawing mode is reached and no drawer was supplied.
inline constexpr const char* kPlattmNoDrawerErrorId = "plattm:noDrawer";

// Drawing mode (three or fewer inputs) is carried out by the binding, which owns the
// graphics. It receives b, dd and hh as they stand after the checks and expansions
// (dd and hh hold N-1 values each for N >= 3; no ground entry is prepended). For one
// or two conductors nothing has been checked, and dd or hh may still be undefined:
// the drawer reads them itself and calls rt::checkDefined(dd, "dd") and then
// rt::checkDefined(hh, "hh") at their first read. Errors thrown by the drawer
// propagate out of plattm unchanged. Both outputs are then the empty array.
using CrossSectionDrawer =
    std::function<void(const rt::Array& b, const rt::Array& dd, const rt::Array& hh)>;

struct PlattmResult {
  rt::Array Ctr;  // F/m
  rt::Array Ltr;  // H/m
};

// The body. `nargin` is the number of inputs the caller gave (0..15); inputs 7 to 15
// of the declared 15 are never read and are not passed here. Inputs are values
// (absent = default-constructed, undefined Array); an absent input raises the
// undefined-variable error naming it at its first read (for example `hd` in a call
// with exactly five inputs). nargout does not change what is computed.
PlattmResult plattmBody(int nargin, rt::Array b, rt::Array dd, rt::Array hh, rt::Array Nj,
                        rt::Array diel, rt::Array hd, const CrossSectionDrawer& drawer = {});

// Per-conductor strip counts for widths b and a requested total Nj:
// round(b/sum(b)*Nj) + 2, halves rounded away from zero, so every conductor of
// non-negative width gets at least 2 strips. b = [1 0.2 0.2], Nj = 200 gives
// [145 31 31].
rt::Array plattmStripCounts(const rt::Array& b, const rt::Array& Nj);

// Direct forms (computing mode): uniform medium, and with a dielectric layer.
inline PlattmResult plattm(const rt::Array& b, const rt::Array& dd, const rt::Array& hh,
                           const rt::Array& Nj) {
  return plattmBody(4, b, dd, hh, Nj, rt::Array(), rt::Array());
}
inline PlattmResult plattm(const rt::Array& b, const rt::Array& dd, const rt::Array& hh,
                           const rt::Array& Nj, const rt::Array& diel, const rt::Array& hd) {
  return plattmBody(6, b, dd, hh, Nj, diel, hd);
}

}  // namespace xt
