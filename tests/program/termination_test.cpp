// The numeric terminations [R11 R12]: every network that the plain inverse of the
// nodal admittance matrix handles keeps that inverse; a short between the
// conductors ties them; an open to ground stays singular.
#include "driver/termination.hpp"

#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "support.hpp"

namespace xt {
namespace {

using testing::kEps;

enum class Network {
  AsBefore,  // finite, with the warnings the plain inverse gave
  Tied,      // both conductors at one potential: every entry R11/2, no warning
  Singular,  // the singular-matrix warning, non-finite entries
};

struct Outcome {
  rt::Array Z;
  std::vector<std::string> warnings;
};

Outcome impedance(double R11, double R12) {
  Outcome out;
  const rt::WarningHandler previous = rt::setWarningHandler(
      [&](const std::string& id, const std::string&) { out.warnings.push_back(id); });
  out.Z = terminationImpedance(rt::row({R11 + kEps, R12 + kEps}));
  rt::setWarningHandler(previous);
  return out;
}

// The construction before shorts between the conductors were handled: the LU
// inverse of the nodal admittance matrix, built as the driver builds it.
Outcome plainInverse(double R11, double R12) {
  Outcome out;
  const rt::Array R = rt::row({R11 + kEps, R12 + kEps});
  const rt::Array G = rt::vertcat({rt::rdivide(1.0, R), rt::rdivide(1.0, rt::fliplr(R))});
  const rt::Array Y = -G + rt::diag(rt::sum(G, 2) + rt::diag(G));
  const rt::WarningHandler previous = rt::setWarningHandler(
      [&](const std::string& id, const std::string&) { out.warnings.push_back(id); });
  out.Z = rt::inv(Y);
  rt::setWarningHandler(previous);
  return out;
}

bool allFinite(const rt::Array& Z) {
  for (std::size_t i = 0; i < Z.numel(); ++i) {
    if (!std::isfinite(Z.reAt(i)) || !std::isfinite(Z.imAt(i))) return false;
  }
  return true;
}

TEST(Terminations, ShortBetweenConductorsTiesThemAndFiniteNetworksAreUnchanged) {
  struct Case {
    double R11, R12;
    Network network;
    // The plain inverse was finite but wrong: it warned that the matrix was badly
    // conditioned and lost g11 against g12 ([50 1e-14]: every entry 32, not 25;
    // [2 0]: -1, not 1).
    bool wasInaccurate = false;
  };
  const std::vector<Case> cases = {
      {50, INFINITY, Network::AsBefore},
      {0, INFINITY, Network::AsBefore},
      {50, 100, Network::AsBefore},
      {100, 50, Network::AsBefore},
      {0, 0, Network::AsBefore},
      {0, 50, Network::AsBefore},
      {75, 1e-3, Network::AsBefore},
      {50, 1e-9, Network::AsBefore},
      {1e6, 1e-6, Network::AsBefore},
      {1e-3, 1e6, Network::AsBefore},
      {50, -30, Network::AsBefore},
      {-50, 30, Network::AsBefore},
      {1e300, 1e300, Network::AsBefore},
      {50, 0, Network::Tied},
      {1e6, 0, Network::Tied},
      {2, 0, Network::Tied, true},
      {3, 0, Network::Tied, true},
      {1, 0, Network::Tied},
      {0.5, 0, Network::Tied},
      {0.1, 0, Network::Tied},
      {50, -1e-17, Network::Tied},
      {50, 1e-15, Network::Tied},
      {50, 1e-14, Network::Tied, true},
      {INFINITY, 100, Network::Singular},
      {INFINITY, INFINITY, Network::Singular},
      {INFINITY, 0, Network::Singular},
      {-50, 100, Network::AsBefore},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE("[" + std::to_string(c.R11) + " " + std::to_string(c.R12) + "]");
    const Outcome got = impedance(c.R11, c.R12);
    const Outcome before = plainInverse(c.R11, c.R12);
    ASSERT_EQ(got.Z.dims(), (rt::Dims{2, 2}));
    // Wherever the plain inverse was finite, the result is the same.
    if (allFinite(before.Z) && !c.wasInaccurate) {
      EXPECT_LE(testing::relDiff(got.Z, before.Z), 1e-12);
    }
    switch (c.network) {
      case Network::AsBefore:
        EXPECT_TRUE(allFinite(got.Z));
        EXPECT_EQ(got.warnings, before.warnings);
        break;
      case Network::Tied:
        EXPECT_TRUE(got.warnings.empty());
        for (std::size_t i = 0; i < 4; ++i) {
          EXPECT_NEAR(got.Z.reAt(i), c.R11 / 2, c.R11 * 1e-14);
        }
        break;
      case Network::Singular:
        EXPECT_EQ(got.warnings, std::vector<std::string>{rt::warnid::kSingular});
        EXPECT_FALSE(allFinite(got.Z));
        break;
    }
  }
}

}  // namespace
}  // namespace xt
