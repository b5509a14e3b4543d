#include "circuit.hpp"

#include <sys/wait.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <stdexcept>

#include "host_session.hpp"

namespace validation {
namespace {

std::string num(double v) {
  char buffer[40];
  std::snprintf(buffer, sizeof buffer, "%.17g", v);
  return buffer;
}

// One conductance between two nodes, as a resistor, a short or nothing.
void element(std::ostringstream& out, const std::string& name, const std::string& a,
             const std::string& b, double g) {
  if (std::abs(g) < kOpen) return;
  if (g > kShort) {
    out << "V" << name << ' ' << a << ' ' << b << " 0\n";
  } else {
    out << "R" << name << ' ' << a << ' ' << b << ' ' << num(1.0 / g) << '\n';
  }
}

void network(std::ostringstream& out, const std::string& tag, const Eigen::Matrix2d& Z,
             const std::string& node1, const std::string& node2) {
  const Network n = realise(Z);
  element(out, tag + "g1", node1, "0", n.toGround[0]);
  element(out, tag + "g2", node2, "0", n.toGround[1]);
  element(out, tag + "12", node1, node2, n.between);
}

double symmetric(const Eigen::Matrix2d& m, int r, int c) {
  return r == c ? m(r, c) : 0.5 * (m(0, 1) + m(1, 0));
}

void coupledLine(std::ostringstream& out, const LineCircuit& c) {
  out << "P1 n1 n2 0 f1 f2 0 line\n";
  out << ".model line CPL length=" << num(c.length) << " R=0 0 0 G=0 0 0\n";
  out << "+ L=" << num(symmetric(c.L, 0, 0)) << ' ' << num(symmetric(c.L, 0, 1)) << ' '
      << num(symmetric(c.L, 1, 1)) << '\n';
  out << "+ C=" << num(symmetric(c.C, 0, 0)) << ' ' << num(symmetric(c.C, 0, 1)) << ' '
      << num(symmetric(c.C, 1, 1)) << '\n';
}

// pi cells: half the cell's capacitance at each of its two ends.
void ladder(std::ostringstream& out, const LineCircuit& c) {
  const int n = c.sections;
  const double dx = c.length / n;
  const double l12 = symmetric(c.L, 0, 1);
  const double k = l12 / std::sqrt(c.L(0, 0) * c.L(1, 1));
  const double c12 = symmetric(c.C, 0, 1);
  const auto node = [&](int conductor, int position) -> std::string {
    if (position == 0) return conductor == 1 ? "n1" : "n2";
    if (position == n) return conductor == 1 ? "f1" : "f2";
    return "x" + std::to_string(conductor) + "_" + std::to_string(position);
  };
  for (int p = 1; p <= n; ++p) {
    const std::string s = std::to_string(p);
    out << "La" << s << ' ' << node(1, p - 1) << ' ' << node(1, p) << ' ' << num(c.L(0, 0) * dx)
        << '\n';
    out << "Lb" << s << ' ' << node(2, p - 1) << ' ' << node(2, p) << ' ' << num(c.L(1, 1) * dx)
        << '\n';
    out << "K" << s << " La" << s << " Lb" << s << ' ' << num(k) << '\n';
  }
  for (int p = 0; p <= n; ++p) {
    const double share = (p == 0 || p == n) ? 0.5 * dx : dx;
    const std::string s = std::to_string(p);
    out << "Ca" << s << ' ' << node(1, p) << " 0 " << num((c.C(0, 0) + c12) * share) << '\n';
    out << "Cb" << s << ' ' << node(2, p) << " 0 " << num((c.C(1, 1) + c12) * share) << '\n';
    out << "Cm" << s << ' ' << node(1, p) << ' ' << node(2, p) << ' ' << num(-c12 * share) << '\n';
  }
}

}  // namespace

Network realise(const Eigen::Matrix2d& Z) {
  const Eigen::Matrix2d Y = Z.inverse();
  const double y12 = 0.5 * (Y(0, 1) + Y(1, 0));
  Network n;
  n.toGround = {Y(0, 0) + y12, Y(1, 1) + y12};
  n.between = -y12;
  return n;
}

std::string netlist(const LineCircuit& circuit, const TransientSettings& settings,
                    const std::string& outputFile) {
  std::ostringstream out;
  out << "* two signal conductors over a reference, driven on conductor 1\n";
  // The source in series between the near-end network and conductor 1: the
  // Thevenin form V(0) = VS - Zs*I(0) with I flowing into the line.
  out << "VS n1 s1 PULSE(0 1 0 0.5n 0.5n 9.5n 1)\n";
  network(out, "s", circuit.Zs, "s1", "n2");
  if (circuit.model == LineModel::CoupledLine) {
    coupledLine(out, circuit);
  } else {
    ladder(out, circuit);
  }
  network(out, "l", circuit.Zl, "f1", "f2");
  out << ".control\n";
  out << "set wr_singlescale\n";
  out << "tran " << num(settings.maxStep) << ' ' << num(settings.stop) << " 0 "
      << num(settings.maxStep) << '\n';
  out << "wrdata " << outputFile << " v(n1) v(n2) v(f1) v(f2)\n";
  out << "quit\n";
  out << ".endc\n";
  out << ".end\n";
  return out.str();
}

bool haveNgspice() {
  return std::system("command -v ngspice >/dev/null 2>&1") == 0;
}

Transient simulate(const LineCircuit& circuit, const TransientSettings& settings) {
  const fs::path folder = makeScratchFolder("xt_ngspice");
  struct Cleanup {
    fs::path folder;
    ~Cleanup() {
      std::error_code ignored;
      fs::remove_all(folder, ignored);
    }
  } cleanup{folder};
  {
    std::ofstream out(folder / "line.cir");
    out << netlist(circuit, settings, "waveforms.txt");
  }
  const std::string command =
      "cd '" + folder.string() + "' && ngspice -b line.cir </dev/null >ngspice.log 2>&1";
  const int raw = std::system(command.c_str());
  const int status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
  Transient result;
  std::ifstream data(folder / "waveforms.txt");
  double t, a, b, c, d;
  while (data >> t >> a >> b >> c >> d) {
    result.t.push_back(t);
    result.vn1.push_back(a);
    result.vn2.push_back(b);
    result.vf1.push_back(c);
    result.vf2.push_back(d);
  }
  if (status != 0 || result.t.size() < 2) {
    throw std::runtime_error("ngspice failed (status " + std::to_string(status) + "):\n" +
                             readText(folder / "ngspice.log"));
  }
  return result;
}

}  // namespace validation
