// Writes the validation results that the README shows: the agreement of every
// termination case with ngspice, the convergence of C with Nj, the microstrip
// comparison and the ribbon-cable example (results.md), and one pair of pictures
// per case, our waveforms over ngspice's, drawn by mexhost itself.
//
//   validation_report OUTPUT_FOLDER
#include <cmath>
#include <cstdio>
#include <fstream>
#include <iostream>
#include <sstream>
#include <string>
#include <vector>

#include "cases.hpp"
#include "closed_forms.hpp"
#include "host_session.hpp"
#include "sampling.hpp"
#include "textbook.hpp"

namespace validation {
namespace {

std::string fmt(const char* format, double v) {
  char buffer[64];
  std::snprintf(buffer, sizeof buffer, format, v);
  return buffer;
}

// A text as a quoted literal of the host language (quotes doubled).
std::string quoted(const std::string& text) {
  std::string out = "'";
  for (char ch : text) out += ch == '\'' ? std::string("''") : std::string(1, ch);
  return out + "'";
}

std::string literal(const std::vector<double>& values) {
  std::ostringstream out;
  out << '[';
  for (std::size_t k = 0; k < values.size(); ++k) out << (k ? " " : "") << fmt("%.9g", values[k]);
  out << ']';
  return out.str();
}

// Our waveform over ngspice's for one conductor, as figure n (scale 1 for volts,
// 1000 for millivolts).
std::vector<std::string> pictureStatements(int n, const std::string& title, double scale,
                                           const std::string& unit, const ProgramResult& p,
                                           const PeerResult& q, int far, int near) {
  const Transient& tr = q.transient;
  std::vector<double> ts, vf, vn;
  const std::vector<double>* spiceFar = far == 0 ? &tr.vf1 : &tr.vf2;
  const std::vector<double>* spiceNear = near == 1 ? &tr.vn1 : &tr.vn2;
  for (std::size_t k = 0; k < tr.t.size() && tr.t[k] <= kWindow; k += 8) {
    ts.push_back(tr.t[k] * 1e9);
    vf.push_back((*spiceFar)[k] * scale);
    vn.push_back((*spiceNear)[k] * scale);
  }
  std::vector<double> ours_f, ours_n;
  for (double v : p.drawn[far]) ours_f.push_back(v * scale);
  for (double v : p.drawn[near]) ours_n.push_back(v * scale);
  return {
      "figure(" + std::to_string(n) + "); clf;",
      "t = (0:4095) * 25 / 4096;",
      "ts = " + literal(ts) + ";",
      "a = " + literal(ours_f) + "; b = " + literal(vf) + ";",
      "c = " + literal(ours_n) + "; d = " + literal(vn) + ";",
      "plot(t, a, '-', ts, b, '--', t, c, '-', ts, d, '--');",
      "xlabel('time [ns]'); ylabel(" + quoted(unit) + "); title(" + quoted(title) + ");",
      "legend('far end, vextrab', 'far end, ngspice', 'near end, vextrab', 'near end, ngspice');",
      "set(gca, 'xlim', [0 20]); grid('on');",
  };
}

void pictures(const fs::path& folder, const TerminationCase& c, const ProgramResult& p,
              const PeerResult& q) {
  const std::string call = "vextrab(" + c.hh + ", " + c.source + ", " + c.load + ")";
  std::vector<std::string> statements =
      pictureStatements(1, call + ": conductor 1", 1.0, "voltage [V]", p, q, 0, 1);
  const std::vector<std::string> victim =
      pictureStatements(2, call + ": conductor 2", 1000.0, "voltage [mV]", p, q, 2, 3);
  statements.insert(statements.end(), victim.begin(), victim.end());
  const HostRun run(statements, "--no-default-plugins", "png");
  if (run.status() != 0) throw std::runtime_error("mexhost could not draw: " + run.err());
  fs::copy_file(run.figureFolder() / "figure1.png", folder / (c.name + "-driven.png"),
                fs::copy_options::overwrite_existing);
  fs::copy_file(run.figureFolder() / "figure2.png", folder / (c.name + "-victim.png"),
                fs::copy_options::overwrite_existing);
}

std::string percent(double volts) {
  return fmt("%.3f", volts * 100.0);  // of the 1 V pulse
}

void agreementTable(std::ostream& out, const fs::path& folder) {
  out << "## Agreement with ngspice\n\n"
      << "Largest difference over the 4096 samples (0 to 25 ns), in percent of the 1 V "
         "driven pulse. *raw*: our samples against ngspice's waveform at the samples' true "
         "times j*tmax/4096; *band-matched*: against ngspice's waveform folded into the 25 ns "
         "window and cut to the program's 2048 frequencies; *spectral part*: how far that "
         "matching moves ngspice's own waveform; *at plotted times*: against ngspice read at "
         "the figures' x data, j*tmax/4095.\n\n"
      << "| case | call | waveform | peak [mV] | raw [%] | band-matched [%] | spectral part [%] "
         "| at plotted times [%] |\n"
      << "|---|---|---|---:|---:|---:|---:|---:|\n";
  for (const TerminationCase& c : terminationCases()) {
    const ProgramResult p = runProgram(c);
    const PeerResult q = runPeer(p);
    const Agreement a = compare(p, q);
    for (int k = 0; k < 4; ++k) {
      const double spectral = maxAbsDifference(q.atSamples[k], q.matched[k]);
      out << "| " << c.name << " | `" << c.hh << ", " << c.source << ", " << c.load << "` | "
          << kWaveformNames[k] << " | " << fmt("%.2f", a.peak[k] * 1e3) << " | "
          << percent(a.raw[k]) << " | " << percent(a.matched[k]) << " | " << percent(spectral)
          << " | " << percent(a.atPlotted[k]) << " |\n";
    }
    pictures(folder, c, p, q);
    std::cerr << c.name << " done\n";
  }
  out << '\n';
}

void convergenceTable(std::ostream& out) {
  const int counts[] = {200, 400, 800, 1600, 3200};
  std::vector<PlattmCall> calls;
  for (int n : counts) calls.push_back(driverLine(n));
  const std::vector<LineParameters> r = runPlattm(calls);
  const Richardson e11 = richardson(r[2].C(0, 0), r[3].C(0, 0), r[4].C(0, 0));
  const Richardson e12 = richardson(r[2].C(0, 1), r[3].C(0, 1), r[4].C(0, 1));
  out << "## Convergence of C with Nj\n\n"
      << "The driver's line (b = [1 0.2 0.2], dd = [-0.2 0.2], hh = 0.1), plattm at the "
         "prompt. Richardson limit from Nj = 800, 1600, 3200 (observed order "
      << fmt("%.3f", e11.order) << " for C11, " << fmt("%.3f", e12.order) << " for C12).\n\n"
      << "| Nj | C11 [pF/m] | from limit [%] | C12 [pF/m] | from limit [%] |\n"
      << "|---:|---:|---:|---:|---:|\n";
  for (std::size_t k = 0; k < r.size(); ++k) {
    out << "| " << counts[k] << " | " << fmt("%.5f", r[k].C(0, 0) * 1e12) << " | "
        << fmt("%.3f", (r[k].C(0, 0) / e11.limit - 1) * 100) << " | "
        << fmt("%.5f", r[k].C(0, 1) * 1e12) << " | "
        << fmt("%.3f", (r[k].C(0, 1) / e12.limit - 1) * 100) << " |\n";
  }
  out << "| limit | " << fmt("%.5f", e11.limit * 1e12) << " | | " << fmt("%.5f", e12.limit * 1e12)
      << " | |\n\n";
}

void microstripTable(std::ostream& out) {
  const double ratios[] = {0.1, 0.3, 1.0, 3.0, 10.0};
  std::vector<PlattmCall> calls;
  for (int n : {800, 1600}) {
    for (double u : ratios) calls.push_back(microstrip(u, 10.0, n));
  }
  const std::vector<LineParameters> r = runPlattm(calls);
  out << "## Microstrip against Hammerstad-Jensen\n\n"
      << "A strip of width w at height h = 1 over a reference strip reaching 10 h beyond each "
         "edge, in air; C from plattm against 1/(c0 Z0) with Z0 from the formula.\n\n"
      << "| w/h | formula [pF/m] | Nj = 800 [pF/m] | deviation [%] | Nj = 1600 [pF/m] | "
         "deviation [%] |\n|---:|---:|---:|---:|---:|---:|\n";
  for (std::size_t k = 0; k < 5; ++k) {
    const double hj = hammerstadJensenCapacitance(ratios[k]);
    const double a = r[k].C(0, 0), b = r[k + 5].C(0, 0);
    out << "| " << ratios[k] << " | " << fmt("%.4f", hj * 1e12) << " | " << fmt("%.4f", a * 1e12)
        << " | " << fmt("%.2f", (a / hj - 1) * 100) << " | " << fmt("%.4f", b * 1e12) << " | "
        << fmt("%.2f", (b / hj - 1) * 100) << " |\n";
  }
  out << '\n';
}

void ribbonTable(std::ostream& out) {
  const RibbonCableResult slow = ribbonCableNearEnd(20e-9, {});
  const RibbonCableResult fast = ribbonCableNearEnd(1e-9, {12.5, 25, 40, 55});
  out << "## Ribbon cable\n\n"
      << "| rise time | quantity | quoted [mV] | ours [mV] |\n|---|---|---:|---:|\n"
      << "| 20 ns | peak of the near-end crosstalk | around 110 | " << fmt("%.1f", slow.peak * 1e3)
      << " |\n";
  const double at[] = {12.5, 25, 40, 55};
  const double quoted[] = {120, 95, 55, 32};
  for (int k = 0; k < 4; ++k) {
    out << "| 1 ns | near-end crosstalk at " << at[k] << " ns | " << quoted[k] << " | "
        << fmt("%.1f", fast.at[k] * 1e3) << " |\n";
  }
  out << '\n';
}

}  // namespace
}  // namespace validation

int main(int argc, char** argv) {
  using namespace validation;
  if (argc != 2) {
    std::cerr << "usage: validation_report OUTPUT_FOLDER\n";
    return 2;
  }
  const fs::path folder = argv[1];
  fs::create_directories(folder);
  try {
    std::ofstream out(folder / "results.md");
    out << "# Validation results\n\nWritten by `validation_report` (tests/validation/).\n\n";
    agreementTable(out, folder);
    convergenceTable(out);
    microstripTable(out);
    ribbonTable(out);
  } catch (const std::exception& e) {
    std::cerr << "validation_report: " << e.what() << '\n';
    return 1;
  }
  return 0;
}
