#include "cases.hpp"

#include <stdexcept>

#include "host_session.hpp"
#include "sampling.hpp"

namespace validation {
namespace {

std::string terminationStatement(const std::string& target, const std::string& value) {
  if (value.front() == '\'') return target + " = Zc;";
  return "R = " + value + " + eps; G = [1 ./ R; 1 ./ fliplr(R)]; " + target +
         " = inv(-G + diag(sum(G, 2) + diag(G)));";
}

Eigen::Matrix2d matrixAt(const std::vector<double>& numbers, std::size_t first) {
  Eigen::Matrix2d m;
  m << numbers[first], numbers[first + 2], numbers[first + 1], numbers[first + 3];
  return m;
}

}  // namespace

const std::vector<TerminationCase>& terminationCases() {
  static const std::vector<TerminationCase> cases = {
      {"matched", "0.1", "'m'", "'m'", "matched at both ends"},
      {"main-job", "0.1", "'m'", "[50 Inf]", "matched source, 50 ohm to ground at the load"},
      {"source-short", "0.1", "[0 Inf]", "'m'", "both conductors shorted at the source"},
      {"load-short", "0.1", "'m'", "[0 Inf]", "both conductors shorted at the load"},
      {"load-open", "0.1", "[50 Inf]", "[1e6 Inf]", "50 ohm source, load open (1 Mohm)"},
      {"coupled-resistors", "0.1", "[50 100]", "[50 100]", "50 ohm to ground and 100 ohm between"},
      {"unequal-matched", "[0.1 0.15]", "'m'", "'m'", "unequal heights, matched at both ends"},
      {"unequal-loaded", "[0.1 0.15]", "[25 Inf]", "[150 Inf]", "unequal heights, 25 and 150 ohm"},
  };
  return cases;
}

ProgramResult runProgram(const TerminationCase& c) {
  const std::vector<std::string> statements = {
      "vextrab(" + c.hh + ", " + c.source + ", " + c.load + ")",
      "[ct, lt] = plattm([1 0.2 0.2], [-0.2 0.2], " + c.hh + ", 200);",
      "Zc = 300000000 * lt;",
      terminationStatement("Zs", c.source),
      terminationStatement("Zl", c.load),
      "fprintf('%.17g\\n', ct, lt, Zs, Zl);",
  };
  const HostRun run(statements, "--expose-local");
  const std::vector<double> numbers = run.printedNumbers();
  if (run.status() != 0 || numbers.size() != 16) {
    throw std::runtime_error("mexhost failed for " + c.name + ":\n" + run.err());
  }
  ProgramResult r;
  r.ct = matrixAt(numbers, 0);
  r.lt = matrixAt(numbers, 4);
  r.Zs = matrixAt(numbers, 8);
  r.Zl = matrixAt(numbers, 12);
  const FigureLines f1 = readFigureLines(run.figureFolder() / "figure1.json");
  const FigureLines f2 = readFigureLines(run.figureFolder() / "figure2.json");
  if (f1.y.size() != 2 || f2.y.size() != 2) {
    throw std::runtime_error("the result figures of " + c.name + " do not hold two lines each");
  }
  r.plottedX = f1.x;
  r.drawn = {f1.y[0], f1.y[1], f2.y[0], f2.y[1]};
  for (int k = 2; k < 4; ++k) {
    for (double& v : r.drawn[k]) v *= 1e-3;  // figure 2 is in millivolts
  }
  return r;
}

PeerResult runPeer(const ProgramResult& program, LineModel model, int sections, double maxStep) {
  LineCircuit circuit;
  circuit.C = program.ct;
  circuit.L = program.lt;
  circuit.Zs = program.Zs;
  circuit.Zl = program.Zl;
  circuit.model = model;
  circuit.sections = sections;
  TransientSettings settings;
  settings.stop = 3 * kWindow;
  settings.maxStep = maxStep;
  PeerResult p;
  p.transient = simulate(circuit, settings);
  const Transient& t = p.transient;
  const std::array<const std::vector<double>*, 4> v = {&t.vf1, &t.vn1, &t.vf2, &t.vn2};
  for (int k = 0; k < 4; ++k) {
    p.atSamples[k] = atSampleTimes(t.t, *v[k]);
    p.atPlotted[k] = atPlottedTimes(t.t, *v[k]);
    p.matched[k] = bandMatched(t.t, *v[k]);
  }
  return p;
}

Agreement compare(const ProgramResult& program, const PeerResult& peer) {
  Agreement a;
  for (int k = 0; k < 4; ++k) {
    a.raw[k] = maxAbsDifference(program.drawn[k], peer.atSamples[k]);
    a.matched[k] = maxAbsDifference(program.drawn[k], peer.matched[k]);
    a.atPlotted[k] = maxAbsDifference(program.drawn[k], peer.atPlotted[k]);
    a.peak[k] = maxAbs(peer.atSamples[k]);
  }
  return a;
}

}  // namespace validation
