// Accuracy of plattm's strip method on a case with a closed form: a 0.2-wide strip
// over a 20-wide ground strip in air, Z0 = 1/(2.997925e8*C), against the
// Hammerstad-Jensen microstrip formula (eps_r = 1), for w/h = 1 and 2 and a growing
// number of strips. Prints a table; no pass/fail.
#include <chrono>
#include <cmath>
#include <cstdio>
#include <numbers>

#include "line/plattm.hpp"
#include "runtime/runtime.hpp"

namespace {

double hammerstadJensenAir(double u) {
  const double eta0 = 376.730313668;
  const double f = 6 + (2 * std::numbers::pi - 6) * std::exp(-std::pow(30.666 / u, 0.7528));
  return eta0 / (2 * std::numbers::pi) * std::log(f / u + std::sqrt(1 + 4 / (u * u)));
}

}  // namespace

int main() {
  std::printf("%-5s %-5s %-12s %-10s %-10s %-9s %s\n", "w/h", "Nj", "strips", "Z0 [ohm]",
              "HJ [ohm]", "error", "time");
  for (double hh : {0.2, 0.1}) {
    const double u = 0.2 / hh;
    for (double Nj : {100.0, 200.0, 400.0, 800.0}) {
      const auto start = std::chrono::steady_clock::now();
      const xt::PlattmResult r = xt::plattm(rt::row({20, 0.2}), 0.0, hh, Nj);
      const double ms =
          std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start)
              .count();
      const rt::Array counts = xt::plattmStripCounts(rt::row({20, 0.2}), Nj);
      const double Z0 = 1 / (2.997925e8 * r.Ctr.reAt(0));
      const double hj = hammerstadJensenAir(u);
      char strips[32];
      std::snprintf(strips, sizeof strips, "%g+%g", counts.reAt(0), counts.reAt(1));
      std::printf("%-5g %-5g %-12s %-10.3f %-10.3f %+7.2f%%  %.1f ms\n", u, Nj, strips, Z0, hj,
                  100 * (Z0 / hj - 1), ms);
    }
  }
  return 0;
}
