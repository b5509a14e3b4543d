#include "closed_forms.hpp"

#include <cmath>
#include <cstdio>
#include <stdexcept>

#include "host_session.hpp"

namespace validation {

double hammerstadJensenCapacitance(double u) {
  constexpr double pi = 3.141592653589793;
  constexpr double eta0 = 376.730313668;  // ohm
  constexpr double c0 = 299792458.0;      // m/s
  const double f = 6.0 + (2.0 * pi - 6.0) * std::exp(-std::pow(30.666 / u, 0.7528));
  const double z0 = eta0 / (2.0 * pi) * std::log(f / u + std::sqrt(1.0 + 4.0 / (u * u)));
  return 1.0 / (c0 * z0);
}

std::vector<LineParameters> runPlattm(const std::vector<PlattmCall>& calls) {
  std::vector<std::string> statements;
  for (const PlattmCall& c : calls) {
    statements.push_back("[c, l] = plattm(" + c.b + ", " + c.dd + ", " + c.hh + ", " +
                         std::to_string(c.Nj) + "); fprintf('%.17g\\n', size(c, 1), c, l);");
  }
  const HostRun run(statements, "--expose-local");
  const std::vector<double> numbers = run.printedNumbers();
  if (run.status() != 0) throw std::runtime_error("plattm failed at the prompt:\n" + run.err());
  std::vector<LineParameters> out;
  std::size_t k = 0;
  for (std::size_t call = 0; call < calls.size(); ++call) {
    if (k >= numbers.size()) throw std::runtime_error("plattm printed too few numbers");
    const int n = static_cast<int>(numbers[k++]);
    if (k + 2 * n * n > numbers.size()) throw std::runtime_error("plattm printed too few numbers");
    LineParameters p{Eigen::MatrixXd(n, n), Eigen::MatrixXd(n, n)};
    for (int j = 0; j < n; ++j)
      for (int i = 0; i < n; ++i) p.C(i, j) = numbers[k++];
    for (int j = 0; j < n; ++j)
      for (int i = 0; i < n; ++i) p.L(i, j) = numbers[k++];
    out.push_back(std::move(p));
  }
  return out;
}

PlattmCall microstrip(double u, double margin, int Nj) {
  char b[80];
  std::snprintf(b, sizeof b, "[%.17g %.17g]", u + 2.0 * margin, u);
  return {b, "0", "1", Nj};
}

Richardson richardson(double c1, double c2, double c4) {
  Richardson r;
  r.order = std::log2((c2 - c1) / (c4 - c2));
  r.limit = c4 + (c4 - c2) / (std::pow(2.0, r.order) - 1.0);
  return r;
}

PlattmCall driverLine(int Nj) {
  return {"[1 0.2 0.2]", "[-0.2 0.2]", "0.1", Nj};
}

}  // namespace validation
