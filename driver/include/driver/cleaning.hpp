// Cleaning of a plotted waveform that is zero in all but rounding.
#pragma once

#include "runtime/array.hpp"

namespace xt {

// True when every sample's magnitude is below `threshold` (1e-16 V in the plots):
// such a column is rounding noise and is drawn as exact zeros. The test is on
// magnitudes, so a genuine waveform whose samples are all negative is not cleaned.
bool isRoundingNoise(const rt::Array& column, const rt::Array& threshold);

}  // namespace xt
