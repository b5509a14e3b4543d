#include "textbook.hpp"

#include <cstdio>
#include <stdexcept>

#include "host_session.hpp"

namespace validation {

RibbonCableResult ribbonCableNearEnd(double riseTime, const std::vector<double>& atNs) {
  // A 1.6 us window of 16384 samples: the 500 ns pulse and its echoes fit in it,
  // and the step of 97.7 ps resolves a 1 ns edge.
  char rise[40];
  std::snprintf(rise, sizeof rise, "%.17g", riseTime);
  std::vector<std::string> statements = {
      "tmax = 1.6e-6; nt = 16384; f = [eps, 1:nt/2] / tmax;",
      "L = [0.7485 0.5077; 0.5077 1.0154] * 1e-6;",
      "C = [37.432 -18.716; -18.716 24.982] * 1e-12;",
      "Z = [50 0; 0 50];",
      std::string("v0 = ftrapez(f, 5e-7, ") + rise + ", " + rise + ");",
      "[VNE, VFE] = mtlfd(f, 2, permute([1; 0] * v0, [1 3 2]), Z, [0; 0], Z, C, L);",
      "vn = iffts(VNE, tmax);",
      "fprintf('%.17g\\n', max(vn(:, 2)));",
  };
  for (double t : atNs) {
    char s[120];
    std::snprintf(s, sizeof s, "fprintf('%%.17g\\n', vn(round(%.17g / tmax * nt) + 1, 2));",
                  t * 1e-9);
    statements.push_back(s);
  }
  const HostRun run(statements, "--expose-local");
  const std::vector<double> numbers = run.printedNumbers();
  if (run.status() != 0 || numbers.size() != atNs.size() + 1) {
    throw std::runtime_error("the ribbon cable run failed:\n" + run.err());
  }
  RibbonCableResult r;
  r.peak = numbers[0];
  r.at.assign(numbers.begin() + 1, numbers.end());
  return r;
}

}  // namespace validation
