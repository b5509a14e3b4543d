// The circuit-simulator peer: the same terminated two-conductor line as a netlist
// for ngspice, run in batch mode, with the four terminal voltages read back.
#pragma once

#include <Eigen/Dense>
#include <array>
#include <filesystem>
#include <string>
#include <vector>

namespace validation {

// The resistive network that realises a 2-by-2 termination impedance matrix Z:
// a conductance from each conductor's terminal to ground and one between the two
// terminals, read off the nodal admittance inv(Z) (its off-diagonal entries are
// averaged; the matrices of the program are symmetric to rounding).
struct Network {
  std::array<double, 2> toGround{};  // siemens
  double between = 0;                // siemens
};
Network realise(const Eigen::Matrix2d& Z);

// A conductance above kShort siemens is drawn as a short (a 0 V source), one of
// magnitude below kOpen as no element at all. The program turns a 0 ohm resistance
// into 1/eps = 4.5e15 S, which a circuit simulator's matrix cannot hold beside
// conductances of 0.01 S; 1e9 S differs from a short by less than 1e-9 of the
// impedances met here.
inline constexpr double kShort = 1e9;
inline constexpr double kOpen = 1e-9;

enum class LineModel {
  // ngspice's coupled multiconductor line (the CPL model) with R = G = 0: a
  // distributed line with no spatial discretisation.
  CoupledLine,
  // A ladder of `sections` coupled LC cells (mutual inductors, capacitances to
  // ground and between the conductors): Kirchhoff's laws only, no line model.
  Ladder,
};

// The line and its set-up, in SI units: conductor 1 is driven at the near end
// through the near-end network by the trapezoid the program uses (1 V, rising over
// 0..0.5 ns, falling over 10..10.5 ns); the far end has no source.
struct LineCircuit {
  Eigen::Matrix2d C;  // F/m
  Eigen::Matrix2d L;  // H/m
  double length = 0.1;
  Eigen::Matrix2d Zs;
  Eigen::Matrix2d Zl;
  LineModel model = LineModel::CoupledLine;
  int sections = 400;
};

// Transient settings: stop time and the largest internal time step, seconds.
struct TransientSettings {
  double stop = 75e-9;
  double maxStep = 1e-12;
};

std::string netlist(const LineCircuit& circuit, const TransientSettings& settings,
                    const std::string& outputFile);

// The terminal voltages as ngspice computed them, at its own time points.
struct Transient {
  std::vector<double> t;
  // Near end of conductors 1 and 2, far end of conductors 1 and 2, volts.
  std::vector<double> vn1, vn2, vf1, vf2;
};

// Runs ngspice in batch mode on the netlist in a scratch folder; throws with
// ngspice's messages when it fails or writes no data.
Transient simulate(const LineCircuit& circuit, const TransientSettings& settings);

// Whether the ngspice program can be run.
bool haveNgspice();

}  // namespace validation
