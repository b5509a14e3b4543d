// The termination cases of the comparison with the circuit simulator, the run of
// one case through the real product (mexhost with the vextrab plug-in) and its
// comparison with ngspice.
#pragma once

#include <Eigen/Dense>
#include <array>
#include <ostream>
#include <string>
#include <vector>

#include "circuit.hpp"

namespace validation {

// One call vextrab(hh, source, load), each argument as typed at the prompt.
struct TerminationCase {
  std::string name;  // short, file-name safe
  std::string hh;
  std::string source;
  std::string load;
  std::string description;
};
const std::vector<TerminationCase>& terminationCases();
// Names a case in test output.
inline void PrintTo(const TerminationCase& c, std::ostream* out) {
  *out << c.name;
}

// The four waveforms in the program's order of figures: far end and near end of
// conductor 1, far end and near end of conductor 2, volts.
inline constexpr std::array<const char*, 4> kWaveformNames = {"vf1", "vn1", "vf2", "vn2"};
using Waveforms = std::array<std::vector<double>, 4>;

// What the product computes for a case: the line matrices and terminations it
// uses (computed at the prompt from the exposed subfunctions, as the driver
// makes them) and the waveforms of its result figures (JSON), in volts.
struct ProgramResult {
  Eigen::Matrix2d ct, lt, Zs, Zl;
  std::vector<double> plottedX;  // x data of the figures, ns
  Waveforms drawn;               // y data of the figures, volts
};
ProgramResult runProgram(const TerminationCase& c);

// The ngspice waveforms of the same line, raw at the program's sample times, raw
// at the figures' plotted times, and band-matched (folded and band-limited as the
// program's spectral method does); and ngspice's own transient for the pictures.
struct PeerResult {
  Waveforms atSamples, atPlotted, matched;
  Transient transient;
};
PeerResult runPeer(const ProgramResult& program, LineModel model = LineModel::CoupledLine,
                   int sections = 400, double maxStep = 1e-12);

// Largest differences per waveform, volts.
struct Agreement {
  std::array<double, 4> raw{}, matched{}, atPlotted{}, peak{};
};
Agreement compare(const ProgramResult& program, const PeerResult& peer);

}  // namespace validation
