// Linear algebra: inverse, solves, conditioning warnings, eigen-decomposition.
#include <cmath>

#include "test_util.hpp"

namespace rt {
namespace {

using testing::WarningCapture;

double maxAbs(const Array& a) {
  double m = 0;
  for (std::size_t i = 0; i < a.numel(); ++i) m = std::max(m, std::abs(a.at(i)));
  return m;
}

// The residual of A*V - V*D relative to the size of A.
double eigResidual(const Array& a, const Array& v, const Array& d) {
  return maxAbs(minus(mtimes(a, v), mtimes(v, d))) / maxAbs(a);
}

TEST(LinearAlgebra, InverseAndSolve) {
  WarningCapture w;
  const Array a = matrix(2, 2, {4, 2, 7, 6});
  const Array ai = inv(a);
  const Array id = mtimes(a, ai);
  EXPECT_LT(maxAbs(minus(id, eye(2))), 1e-15);
  const Array x = mldivide(a, column({1, 2}));
  EXPECT_LT(maxAbs(minus(mtimes(a, x), column({1, 2}))), 1e-15);
  // Complex system as the solver builds it.
  const Array c = Array::fromData({2, 2}, {1, 0, 2, 1}, {1, 3, 0, -1});
  const Array b = Array::fromData({2, 1}, {1, 0}, {0, 1});
  EXPECT_LT(maxAbs(minus(mtimes(c, mldivide(c, b)), b)), 1e-14);
  EXPECT_TRUE(w.ids.empty());
  EXPECT_EQ(mldivide(Array(2.0), row({2, 4})).re(), (std::vector<double>{1, 2}));
}

// Empty systems once reached Eigen's least-squares solver, which indexed an empty
// block (found by fuzzing plattm with widths zeros(0, 3): b / sum(b)).
TEST(LinearAlgebra, EmptySystemsSolveToZerosOfTheColumnsSizes) {
  struct Case {
    Array a, b;
    Dims expected;
  };
  const Case cases[] = {
      {zeros(3, 1), zeros(3, 0), {1, 0}},
      {zeros(0, 3), zeros(0, 2), {3, 2}},
      {zeros(0, 0), zeros(0, 4), {0, 4}},
      {ones(3, 2), zeros(3, 0), {2, 0}},
      {Array::fromData({2, 3}, {1, 2, 3, 4, 5, 6}, {1, 0, 0, 0, 0, 1}), zeros(2, 0), {3, 0}},
  };
  for (const Case& c : cases) {
    const Array x = mldivide(c.a, c.b);
    EXPECT_EQ(x.dims(), c.expected);
    EXPECT_EQ(maxAbs(x), 0.0);
  }
  // A/B the same way round: zeros(0, 3) / zeros(1, 3) is 0-by-1.
  EXPECT_EQ(mrdivide(zeros(0, 3), zeros(1, 3)).dims(), (Dims{0, 1}));
}

TEST(LinearAlgebra, SingularInverseWarnsAndGivesInf) {
  WarningCapture w;
  const Array s = inv(matrix(2, 2, {1, 1, 1, 1}));
  ASSERT_EQ(w.messages.size(), 1u);
  EXPECT_EQ(w.messages[0], "Matrix is singular to working precision.");
  EXPECT_EQ(w.ids[0], warnid::kSingular);
  for (double v : s.re()) EXPECT_EQ(v, INFINITY);
  // The termination with R11 infinite: Y = (1/R12) * [1 -1; -1 1] is singular.
  const Array y = rdivide(matrix(2, 2, {1, -1, -1, 1}), 100.0);
  inv(y);
  EXPECT_EQ(w.ids.size(), 2u);
  EXPECT_EQ(rcond(matrix(2, 2, {1, 1, 1, 1})), 0.0);
}

TEST(LinearAlgebra, BadlyConditionedWarnsWithReciprocalCondition) {
  WarningCapture w;
  inv(matrix(2, 2, {1, 1, 1, 1 + 1e-17 * 1e0 + 2.3e-16}));
  ASSERT_EQ(w.ids.size(), 1u);
  EXPECT_EQ(w.ids[0], warnid::kIllConditioned);
  EXPECT_NE(w.messages[0].find("e-"), std::string::npos) << w.messages[0];
  EXPECT_GT(rcond(eye(3)), 0.99);
}

TEST(LinearAlgebra, EigOfGeneralMatrices) {
  const Array a = matrix(3, 3, {2, 1, 0, -1, 3, 1, 0.5, 0, 4});
  const auto [v, d] = eig(a);
  EXPECT_LT(eigResidual(a, v, d), 1e-14);
  const Array c = Array::fromData({2, 2}, {1, 0, 2, 3}, {1, -1, 0, 2});
  const auto [vc, dc] = eig(c);
  EXPECT_LT(eigResidual(c, vc, dc), 1e-14);
  // A rotation has complex eigenvalues.
  const auto [vr, dr] = eig(matrix(2, 2, {0, 1, -1, 0}));
  EXPECT_TRUE(dr.isComplex());
  EXPECT_LT(eigResidual(matrix(2, 2, {0, 1, -1, 0}), vr, dr), 1e-15);
}

TEST(LinearAlgebra, RepeatedEigenvalueGivesNonSingularBasis) {
  const Array scaled = times(eye(3), -7.5);
  const auto [v, d] = eig(scaled);
  EXPECT_GT(rcond(v), 0.5);
  EXPECT_LT(eigResidual(scaled, v, d), 1e-15);

  // C*L with L = inv(C)/c^2: a multiple of the identity up to rounding, as in
  // the driver's line; the modal matrix must stay well conditioned.
  const Array cap = matrix(2, 2, {4.1e-11, -1.3e-11, -1.3e-11, 4.1e-11});
  const Array ind = rdivide(inv(cap), 8.987554305625e16);
  for (double omega : {1e3, 2.5e8, 5.1e11}) {
    const Array scr = times(mtimes(cap, ind), -(omega * omega));
    const auto [vv, dd] = eig(scr);
    EXPECT_GT(rcond(vv), 1e-3) << omega;
    EXPECT_LT(eigResidual(scr, vv, dd), 1e-13) << omega;
  }
  // Complex, nearly repeated, non-symmetric.
  const Array e = Array::fromData({2, 2}, {1, 1e-17, 3e-17, 1}, {0, 0, 0, 1e-17});
  const auto [ve, de] = eig(e);
  EXPECT_GT(rcond(ve), 1e-3);
  EXPECT_LT(eigResidual(e, ve, de), 1e-14);
}

TEST(LinearAlgebra, SymmetricInputGivesOrthonormalRealVectors) {
  const Array s = matrix(2, 2, {2, 1, 1, 2});
  const auto [v, d] = eig(s);
  EXPECT_FALSE(v.isComplex());
  EXPECT_NEAR(d(1.0, 1.0).reAt(0), 1.0, 1e-15);
  EXPECT_NEAR(d(2.0, 2.0).reAt(0), 3.0, 1e-15);
  EXPECT_LT(maxAbs(minus(mtimes(ctranspose(v), v), eye(2))), 1e-15);
}

}  // namespace
}  // namespace rt
