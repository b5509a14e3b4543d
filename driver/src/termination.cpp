// The driver's numeric terminations: the impedance matrix of a two-conductor
// resistor network.
#include "driver/termination.hpp"

#include <cmath>
#include <limits>

#include "host/literals.hpp"
#include "host/stubs.hpp"
#include "runtime/ops.hpp"

namespace xt {
namespace {

using rt::Array;

// The impedance matrix of a network whose conductors are tied together: a
// resistance between them so small (a short: 0 + eps) that g12 = 1/R12 swamps
// g11 = 1/R11 in g11 + g12, so that the nodal admittance matrix Y is singular
// or nearly so in floating point although the network is not (both conductors
// at one potential, R11/2 to ground). The inverse in closed form keeps g11:
//   det Y = g11 * (g11 + 2*g12),  inv(Y) = [g11+g12, g12; g12, g11+g12] / det Y,
// with no cancellation when both conductances are positive. Used only where the
// LU inverse would warn (rcond(Y) < eps) and the network is passive with a path
// to ground (0 < g11, 0 < g12, both finite); every other network keeps inv(Y)
// as it is, bit for bit, and an open to ground ([Inf R12]) keeps its
// singular-matrix warning.
bool tiedConductors(const Array& R, const Array& Y, Array& Z) {
  if (R.isComplex() || R.numel() != 2 || Y.isComplex() || Y.rows() != 2 || Y.cols() != 2) {
    return false;
  }
  const double g11 = 1.0 / R.reAt(0);
  const double g12 = 1.0 / R.reAt(1);
  if (!(g11 > 0.0 && g12 > 0.0 && std::isfinite(g11) && std::isfinite(g12))) return false;
  if (!(rt::rcond(Y) < std::numeric_limits<double>::epsilon())) return false;
  const double det = g11 * (g11 + 2.0 * g12);
  if (!(det > 0.0 && std::isfinite(det))) return false;
  const double diagonal = (g11 + g12) / det;
  const double mutual = g12 / det;
  Z = rt::matrix(2, 2, {diagonal, mutual, mutual, diagonal});
  return true;
}

}  // namespace

Array terminationImpedance(const Array& R) {
  // G = [1./R; 1./fliplr(R)]; yn = sum(G, 2) + diag(G); Z = inv(-G + diag(yn)).
  Array Z =
      rt::vertcat({rt::rdivide(lit(Lit::One), R), rt::rdivide(lit(Lit::One), byname::fliplr(R))});
  const Array yn = rt::sum(Z, static_cast<std::size_t>(lit(Lit::Two).scalar())) + rt::diag(Z);
  Z = -Z + rt::diag(yn);
  Array tied;
  if (tiedConductors(R, Z, tied)) return tied;
  return rt::inv(Z);
}

}  // namespace xt
