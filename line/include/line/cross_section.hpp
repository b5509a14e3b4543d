// The cross-section drawing of plattm's drawing mode.
#pragma once

#include "runtime/array.hpp"

namespace xt {

// Draws every conductor as a thick blue horizontal segment at its height, the
// reference strip at height 0, through the host's graphics: into figure 1,
// cleared, unless hold is on for the current axes. Adds a 5 % margin above the
// top segment when it lies on the automatic upper y-limit, or below the lowest
// one when it lies on the lower limit (the lower margin wins when both apply),
// then sets equal data units and toggles the grid.
// b holds N widths; dd and hh N-1 centre positions and heights (as they stand after
// plattm's checks).
void drawCrossSection(const rt::Array& b, const rt::Array& dd, const rt::Array& hh);

}  // namespace xt
