// The driver's numeric terminations.
#pragma once

#include "runtime/array.hpp"

namespace xt {

// The termination impedance matrix of a numeric termination R = [R11 R12] (eps
// already added): the inverse of the nodal admittance matrix of R11 from each
// conductor to ground and R12 between them. A short between the conductors
// (R12 = 0 + eps) ties them: [R11 0] gives R11/2 to ground from both, not the
// Inf of a singular inverse. An open to ground (R11 = Inf) has no inverse: the
// singular-matrix warning and Inf entries.
rt::Array terminationImpedance(const rt::Array& R);

}  // namespace xt
