// A published crosstalk example run through mtlfd and iffts at the prompt.
#pragma once

#include <string>
#include <vector>

namespace validation {

// The three-wire ribbon cable of C. R. Paul, "Analysis of Multiconductor
// Transmission Lines", 2nd ed. (Wiley, 2007), section 9.3.1, as quoted in the
// test file python/test/mtln_test.py of the public repository OpenSEMBA/mtln
// (the book itself was not at hand): L = [0.7485 0.5077; 0.5077 1.0154] uH/m,
// C = [37.432 -18.716; -18.716 24.982] pF/m, 2 m long, 50 ohm from every wire to
// the reference at both ends (the source's included), a 1 V trapezoid on one wire;
// the near-end crosstalk on the other wire. Returns that near-end waveform in volts
// at the times `atNs` (ns) and its peak, for a rise time in seconds.
struct RibbonCableResult {
  std::vector<double> at;
  double peak = 0;
};
RibbonCableResult ribbonCableNearEnd(double riseTime, const std::vector<double>& atNs);

}  // namespace validation
