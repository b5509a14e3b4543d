// The top-level function: vextrab(hh, Rs1112, Rl1112), no outputs.
//
//   hh      height of the two signal strips above the reference strip: one value for
//           both, or one each (same length unit as the fixed widths [1 0.2 0.2] and
//           centres [-0.2 0.2]);
//   Rs1112  source-end termination: any string means matched (300000000 * lt); a
//           row [R11 R12] in ohms means R11 from each strip to the reference and R12
//           between the strips (0 is a short, Inf an open);
//   Rl1112  load-end termination, the same forms.
// With one input it draws the cross-section; otherwise it shows a banner in figure
// 1, computes the line and plots the far-end and near-end voltages of conductor 1
// (figure 1, volts) and conductor 2 (figure 2, millivolts). An input that was not
// given raises the undefined-variable error naming it when it is first read.
#pragma once

#include "runtime/array.hpp"

namespace xt {

// The body. `nargin` is the number of inputs given (0 to 3); absent inputs are
// undefined Arrays.
void vextrabBody(int nargin, rt::Array hh, rt::Array Rs1112, rt::Array Rl1112);

// The result plots: figure 1 (current, cleared by the caller) for conductor 1,
// figure 2 for conductor 2. Works on its own copies of vf and vn.
void drawResults(const rt::Array& t, rt::Array vf, rt::Array vn, const rt::Array& nt);

}  // namespace xt
