// Dense linear algebra through Eigen: inverse, linear solves, eigen-decomposition.
#include <Eigen/Dense>
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <limits>

#include "internal.hpp"
#include "runtime/ops.hpp"

namespace rt {
namespace {

using MatR = Eigen::MatrixXd;
using MatC = Eigen::MatrixXcd;
constexpr double kEps = std::numeric_limits<double>::epsilon();

MatR toReal(const Array& a) {
  return Eigen::Map<const MatR>(a.re().data(), static_cast<Eigen::Index>(a.rows()),
                                static_cast<Eigen::Index>(a.cols()));
}

MatC toComplex(const Array& a) {
  MatC m(static_cast<Eigen::Index>(a.rows()), static_cast<Eigen::Index>(a.cols()));
  for (Eigen::Index c = 0; c < m.cols(); ++c) {
    for (Eigen::Index r = 0; r < m.rows(); ++r) {
      m(r, c) = a.at(static_cast<std::size_t>(r + c * m.rows()));
    }
  }
  return m;
}

Array fromReal(const MatR& m) {
  return Array::fromData({static_cast<std::size_t>(m.rows()), static_cast<std::size_t>(m.cols())},
                         std::vector<double>(m.data(), m.data() + m.size()));
}

Array fromComplex(const MatC& m) {
  std::vector<double> re(static_cast<std::size_t>(m.size()));
  std::vector<double> im(re.size());
  for (Eigen::Index i = 0; i < m.size(); ++i) {
    re[static_cast<std::size_t>(i)] = m.data()[i].real();
    im[static_cast<std::size_t>(i)] = m.data()[i].imag();
  }
  Array a =
      Array::fromData({static_cast<std::size_t>(m.rows()), static_cast<std::size_t>(m.cols())},
                      std::move(re), std::move(im));
  a.narrow();
  return a;
}

const Array& squareMatrix(const Array& a, const char* name) {
  numericOperand(a, name);
  if (a.ndims() > 2 || a.rows() != a.cols()) {
    raise(errid::kArgument, std::string(name) + ": argument must be a square matrix (got " +
                                dimsToString(a.dims()) + ").");
  }
  return a;
}

template <typename LU>
bool hasZeroPivot(const LU& lu) {
  const auto d = lu.matrixLU().diagonal();
  for (Eigen::Index i = 0; i < d.size(); ++i) {
    if (d(i) == typename LU::Scalar(0)) return true;
  }
  return false;
}

bool hasNonFinite(const Array& a) {
  for (std::size_t i = 0; i < a.numel(); ++i) {
    if (!std::isfinite(a.reAt(i)) || !std::isfinite(a.imAt(i))) return true;
  }
  return false;
}

// Warns as the host does for a singular or badly conditioned coefficient matrix.
// Returns true when the matrix is exactly singular.
template <typename LU>
bool conditionWarning(const LU& lu) {
  if (hasZeroPivot(lu)) {
    warnSingularMatrix();
    return true;
  }
  warnIfBadlyConditioned(lu.rcond());
  return false;
}

Array infMatrix(std::size_t n) {
  Array a = Array::zeros({n, n});
  for (double& v : ArrayAccess::re(a)) v = std::numeric_limits<double>::infinity();
  return a;
}

template <typename Mat>
double rcondOf(const Mat& m) {
  if (m.rows() == 0) return std::numeric_limits<double>::infinity();
  Eigen::PartialPivLU<Mat> lu(m);
  if (hasZeroPivot(lu)) return 0.0;
  return lu.rcond();
}

// Eigenvectors may come out nearly parallel for a cluster of (nearly) equal
// eigenvalues of a non-defective matrix, for example a multiple of the identity
// perturbed by rounding. When the whole spectrum is one such cluster, the
// unitary Schur vectors are an equally valid eigenbasis to within the cluster's
// width, and they are never singular.
constexpr double kPoorBasis = 1e-8;
constexpr double kClusterWidth = 1e-8;

bool oneCluster(const Eigen::VectorXcd& values, double scale) {
  for (Eigen::Index i = 0; i < values.size(); ++i) {
    for (Eigen::Index j = i + 1; j < values.size(); ++j) {
      if (std::abs(values(i) - values(j)) > kClusterWidth * scale) return false;
    }
  }
  return true;
}

}  // namespace

void warnSingularMatrix() {
  warning(warnid::kSingular, "Matrix is singular to working precision.");
}

void warnIfBadlyConditioned(double rc) {
  if (rc < kEps) {
    char buf[160];
    std::snprintf(buf, sizeof buf,
                  "Matrix is badly conditioned (reciprocal condition number %.6e); the result "
                  "may be inaccurate.",
                  rc);
    warning(warnid::kIllConditioned, buf);
  }
}

// The inverse from an LU factorisation. A large matrix is solved a block of columns
// at a time, with a safe point for an interrupt between blocks (the inverse of order
// 12000 takes minutes); a smaller one is solved against the whole identity at once,
// as always (blocks round differently in the last bits).
constexpr Eigen::Index kBlockedInverseOrder = 1024;
constexpr Eigen::Index kInverseBlockColumns = 256;

template <typename Lu>
typename Lu::MatrixType inverseOf(const Lu& lu) {
  using Matrix = typename Lu::MatrixType;
  const Eigen::Index n = lu.rows();
  if (n < kBlockedInverseOrder) return lu.inverse();
  Matrix out(n, n);
  for (Eigen::Index c = 0; c < n; c += kInverseBlockColumns) {
    checkInterrupt();
    const Eigen::Index w = std::min(kInverseBlockColumns, n - c);
    out.middleCols(c, w) = lu.solve(Matrix::Identity(n, n).middleCols(c, w));
  }
  return out;
}

Array inv(const Array& a) {
  squareMatrix(a, "inv");
  const std::size_t n = a.rows();
  if (n == 0) return zeros(0, 0);
  if (hasNonFinite(a)) {
    warnSingularMatrix();
    Array out = Array::zeros({n, n});
    for (double& v : ArrayAccess::re(out)) v = std::numeric_limits<double>::quiet_NaN();
    return out;
  }
  if (!a.isComplex()) {
    checkInterrupt();
    Eigen::PartialPivLU<MatR> lu(toReal(a));
    if (conditionWarning(lu)) return infMatrix(n);
    return fromReal(inverseOf(lu));
  }
  checkInterrupt();
  Eigen::PartialPivLU<MatC> lu(toComplex(a));
  if (conditionWarning(lu)) return infMatrix(n);
  return fromComplex(inverseOf(lu));
}

double rcond(const Array& a) {
  squareMatrix(a, "rcond");
  if (a.isComplex()) return rcondOf(toComplex(a));
  return rcondOf(toReal(a));
}

Array mldivide(const Array& a, const Array& b) {
  numericOperand(a, "operator \\");
  numericOperand(b, "operator \\");
  if (a.numel() == 1) return rdivide(b, a);
  if (a.ndims() > 2 || b.ndims() > 2 || a.rows() != b.rows()) {
    raise(errid::kNonconformant, "operator \\: nonconformant arguments (op1 is " +
                                     dimsToString(a.dims()) + ", op2 is " + dimsToString(b.dims()) +
                                     ").");
  }
  // An empty system: the host language's answer is zeros(columns(A), columns(B)),
  // and the solvers must not see it (their triangular solves index an empty block).
  if (a.rows() == 0 || a.cols() == 0 || b.cols() == 0) return zeros(a.cols(), b.cols());
  if (a.rows() == a.cols()) {
    if (!a.isComplex() && !b.isComplex()) {
      Eigen::PartialPivLU<MatR> lu(toReal(a));
      conditionWarning(lu);
      return fromReal(lu.solve(toReal(b)));
    }
    Eigen::PartialPivLU<MatC> lu(toComplex(a));
    conditionWarning(lu);
    return fromComplex(lu.solve(toComplex(b)));
  }
  // Rectangular: least squares by column-pivoted QR.
  if (!a.isComplex() && !b.isComplex()) {
    return fromReal(toReal(a).colPivHouseholderQr().solve(toReal(b)));
  }
  return fromComplex(toComplex(a).colPivHouseholderQr().solve(toComplex(b)));
}

Array mrdivide(const Array& a, const Array& b) {
  numericOperand(a, "operator /");
  numericOperand(b, "operator /");
  if (b.numel() == 1) return rdivide(a, b);
  // A/B = (B.' \ A.').'
  return transpose(mldivide(transpose(b), transpose(a)));
}

std::pair<Array, Array> eig(const Array& a) {
  squareMatrix(a, "eig");
  const auto n = static_cast<Eigen::Index>(a.rows());
  if (n == 0) return {zeros(0, 0), zeros(0, 0)};
  if (hasNonFinite(a)) raise(errid::kArgument, "eig: input to EIG must not contain NaN or Inf.");
  MatC vectors;
  Eigen::VectorXcd values;
  if (!a.isComplex()) {
    const MatR m = toReal(a);
    if (m.isApprox(m.transpose(), 0.0)) {
      Eigen::SelfAdjointEigenSolver<MatR> es(m);
      return {fromReal(es.eigenvectors()), fromReal(es.eigenvalues().asDiagonal().toDenseMatrix())};
    }
    Eigen::EigenSolver<MatR> es(m);
    vectors = es.eigenvectors();
    values = es.eigenvalues();
  } else {
    Eigen::ComplexEigenSolver<MatC> es(toComplex(a));
    vectors = es.eigenvectors();
    values = es.eigenvalues();
  }
  if (n > 1 && rcondOf(vectors) < kPoorBasis) {
    const MatC m = toComplex(a);
    if (oneCluster(values, std::max(m.cwiseAbs().maxCoeff(), std::numeric_limits<double>::min()))) {
      Eigen::ComplexSchur<MatC> schur(m);
      vectors = schur.matrixU();
      values = schur.matrixT().diagonal();
    }
  }
  MatC d = MatC::Zero(n, n);
  d.diagonal() = values;
  return {fromComplex(vectors), fromComplex(d)};
}

Array eigenvalues(const Array& a) {
  Array d = eig(a).second;
  return diag(d);
}

}  // namespace rt
