// Modal solution of the terminated lossless line, one frequency at a time.
//
// Along the line V(z) = Zz*(exp(-GAM z).*Ip + exp(GAM z).*Im) and
// I(z) = T*(exp(-GAM z).*Ip - exp(GAM z).*Im), with T and GAM^2 the eigenvectors and
// eigenvalues of Y*Z and Zz = Z*T*diag(1./GAM). The two terminal conditions
// V(0) = VS - ZS*I(0) and V(xL) = VL + ZL*I(xL) form one system of order 2*nc
// for the modal amplitudes [Ip; Im].
//
// The loop runs in compiled form (Eigen matrices of fixed size for one and two
// conductors, of dynamic size above) whenever every input has one of the documented
// layouts; any other input goes through the same steps on Arrays, which raise the
// runtime's errors for shapes that do not fit.
#include "solver/mtlfd.hpp"

#include <Eigen/Dense>
#include <algorithm>
#include <array>
#include <atomic>
#include <cmath>
#include <complex>
#include <exception>
#include <limits>
#include <optional>
#include <system_error>
#include <thread>
#include <type_traits>
#include <utility>

#include "host/literals.hpp"
#include "runtime/error.hpp"
#include "runtime/ops.hpp"

namespace xt {
namespace {

using Complex = std::complex<double>;

rt::Array sizeAlong(const rt::Array& x, Lit d) {
  return rt::size(x, dim(d));
}

// A termination in modal form, Zt*T, for frequency k: a page per frequency, a column
// per frequency read as a diagonal (only when nc differs from nf), or one matrix.
rt::Array modalTermination(const rt::Array& Zt, const char* name, std::size_t k,
                           const rt::Array& nc, const rt::Array& nf, const rt::Array& T) {
  rt::checkDefined(Zt, name);
  if (rt::isTrue(rt::gt(sizeAlong(Zt, Lit::Three), lit(Lit::One)))) {
    return Zt(rt::all, rt::all, k) * T;
  }
  if (rt::isTrue(rt::ne(nc, nf)) && rt::isTrue(rt::eq(sizeAlong(Zt, Lit::Two), nf))) {
    return rt::diag(Zt(rt::all, k)) * T;
  }
  return Zt * T;
}

// ---- compiled loop ---------------------------------------------------------------

// A source (VS or VL) after the permutation of an nc-by-nf matrix: one nc-by-1 vector
// for every frequency, or page k of an nc-by-1-by-P array (P >= nf) at frequency k.
struct SourceView {
  const rt::Array* values = nullptr;
  std::size_t stride = 0;  // elements from one frequency's vector to the next; 0: one vector
  Complex at(std::size_t k, std::size_t r) const { return values->at(k * stride + r); }
};

// A termination (ZS or ZL) in one of the layouts modalTermination reads.
struct TerminationView {
  enum class Kind { Scalar, Matrix, Pages, DiagonalColumns };
  const rt::Array* values = nullptr;
  Kind kind = Kind::Scalar;
};

std::optional<SourceView> sourceView(const rt::Array& V, std::size_t nc, std::size_t nf) {
  if (!V.isDouble() || V.rows() != nc || V.size(2) != 1) return std::nullopt;
  if (V.ndims() == 2) return SourceView{&V, 0};
  if (V.ndims() == 3 && V.size(3) >= nf) return SourceView{&V, nc};
  return std::nullopt;
}

std::optional<TerminationView> terminationView(const rt::Array& Zt, std::size_t nc,
                                               std::size_t nf) {
  using Kind = TerminationView::Kind;
  if (!Zt.isDouble()) return std::nullopt;
  if (Zt.size(3) > 1) {
    if (Zt.ndims() == 3 && Zt.rows() == nc && Zt.size(2) == nc && Zt.size(3) >= nf) {
      return TerminationView{&Zt, Kind::Pages};
    }
    return std::nullopt;
  }
  if (Zt.numel() == 1) return TerminationView{&Zt, Kind::Scalar};
  if (nc != nf && Zt.size(2) == nf) {
    if (Zt.ndims() == 2 && Zt.rows() == nc) return TerminationView{&Zt, Kind::DiagonalColumns};
    return std::nullopt;
  }
  if (Zt.ndims() == 2 && Zt.rows() == nc && Zt.cols() == nc) {
    return TerminationView{&Zt, Kind::Matrix};
  }
  return std::nullopt;
}

// Every input in a layout the compiled loop takes, and nothing it would read missing.
struct Inputs {
  std::size_t nf = 0;
  std::size_t nc = 0;
  Complex xL;
  SourceView VS, VL;
  TerminationView ZS, ZL;
};

bool isSquare(const rt::Array& x, std::size_t n) {
  return x.isDouble() && x.ndims() == 2 && x.rows() == n && x.cols() == n;
}

// Page `page` of an n-by-n termination (0 for the one matrix of Kind::Matrix).
template <typename Mat>
void readTerminationPage(const rt::Array& z, std::size_t page, Mat& out) {
  const Eigen::Index n = out.rows();
  const std::size_t base = page * static_cast<std::size_t>(n * n);
  for (Eigen::Index c = 0; c < n; ++c) {
    for (Eigen::Index r = 0; r < n; ++r) {
      out(r, c) = z.at(base + static_cast<std::size_t>(r + c * n));
    }
  }
}

// Zt*T for frequency k (0-based) into `out`; `matrix` holds the termination of
// Kind::Matrix, read once for the whole sweep.
template <typename Mat>
void modalTermination(const TerminationView& Zt, const Mat& matrix, std::size_t k, const Mat& T,
                      Mat& out) {
  const Eigen::Index n = T.rows();
  const rt::Array& z = *Zt.values;
  switch (Zt.kind) {
    case TerminationView::Kind::Scalar:
      out = z.at(0) * T;
      return;
    case TerminationView::Kind::DiagonalColumns:
      for (Eigen::Index r = 0; r < n; ++r) {
        out.row(r) = z.at(k * static_cast<std::size_t>(n) + static_cast<std::size_t>(r)) * T.row(r);
      }
      return;
    case TerminationView::Kind::Matrix:
      out.noalias() = matrix * T;
      return;
    case TerminationView::Kind::Pages: {
      Mat page(n, n);
      readTerminationPage(z, k, page);
      out.noalias() = page * T;
      return;
    }
  }
}

// 1/z without the library's scaled division where z is in the range where the plain
// formula neither overflows nor loses precision.
Complex reciprocal(Complex z) {
  const double d = z.real() * z.real() + z.imag() * z.imag();
  if (d > 1e-290 && d < 1e290) return {z.real() / d, -z.imag() / d};
  return 1.0 / z;
}

// a*b with the same bits as the language's product: the four products and two sums
// written out (which the compiler keeps in registers), and the library's recovery of
// infinities only where both parts come out NaN, which finite operands never give.
Complex mul(Complex a, Complex b) {
  const double re = a.real() * b.real() - a.imag() * b.imag();
  const double im = a.real() * b.imag() + a.imag() * b.real();
  if (std::isnan(re) && std::isnan(im)) return a * b;
  return {re, im};
}

// |re| + |im|: between |z| and sqrt(2)*|z|, without a square root.
double abs1(Complex z) {
  return std::abs(z.real()) + std::abs(z.imag());
}

// Cluster test of the runtime's eig: all eigenvalues within 1e-8 of the matrix's
// largest entry, and the eigenvectors nearly parallel (reciprocal condition below
// 1e-8). A unitary (Schur) basis then serves to within the cluster's width.
constexpr double kPoorBasis = 1e-8;
constexpr double kClusterWidth = 1e-8;

// Eigen-decomposition of a 2-by-2 matrix M = [a b; c d] in closed form:
// eigenvalues m +- s with m = (a+d)/2, p = (a-d)/2, s = sqrt(p^2 + b*c), the sign of s
// taken so that q = p + s is the larger in modulus; eigenvectors [q; c] and [-b; q].
// A diagonal M keeps the identity; a poor basis for one cluster of eigenvalues
// becomes the Schur basis [v, v_perp] with v a unit eigenvector.
template <typename Mat, typename Vec>
void eig2(const Mat& M, Mat& T, Vec& values) {
  const Complex a = M(0, 0), b = M(0, 1), c = M(1, 0), d = M(1, 1);
  if (b == 0.0 && c == 0.0) {
    T.setIdentity();
    values << a, d;
    return;
  }
  const Complex m = (a + d) * 0.5;
  const Complex p = (a - d) * 0.5;
  Complex s = std::sqrt(p * p + b * c);
  if (std::real(std::conj(p) * s) < 0) s = -s;
  const Complex q = p + s;
  values << m + s, m - s;
  T << q, -b, c, q;
  const double norm1 = std::max(abs1(q) + abs1(c), abs1(b) + abs1(q));
  const double rc = abs1(q * q + b * c) / (norm1 * norm1);
  const double scale =
      std::max({abs1(a), abs1(b), abs1(c), abs1(d), std::numeric_limits<double>::min()});
  if (!(rc < kPoorBasis) || abs1(2.0 * s) > kClusterWidth * scale) {
    T /= norm1;
    return;
  }
  // [q; c] and [b; s - p] both span the eigenvector of m + s; the larger is the better.
  Complex v0 = q, v1 = c;
  const Complex w1 = s - p;
  if (std::abs(b) + std::abs(w1) > std::abs(q) + std::abs(c)) {
    v0 = b;
    v1 = w1;
  }
  const double len = std::hypot(std::abs(v0), std::abs(v1));
  v0 /= len;
  v1 /= len;
  T << v0, -std::conj(v1), v1, std::conj(v0);
}

// The runtime's eig of an Eigen matrix, for sizes without a closed form and for a
// matrix with entries that are not finite (where it raises the host's error).
template <typename Mat, typename Vec>
void eigThroughRuntime(const Mat& M, Mat& T, Vec& values) {
  const std::size_t n = static_cast<std::size_t>(M.rows());
  std::vector<double> re(n * n), im(n * n);
  for (std::size_t i = 0; i < n * n; ++i) {
    re[i] = M.data()[i].real();
    im[i] = M.data()[i].imag();
  }
  const auto [vectors, diagonal] =
      rt::eig(rt::Array::fromData({n, n}, std::move(re), std::move(im)).narrow());
  for (std::size_t c = 0; c < n; ++c) {
    for (std::size_t r = 0; r < n; ++r) {
      T(static_cast<Eigen::Index>(r), static_cast<Eigen::Index>(c)) = vectors.at(r + c * n);
    }
    values(static_cast<Eigen::Index>(c)) = diagonal.at(c + c * n);
  }
}

template <typename Mat>
bool allFinite(const Mat& M) {
  for (Eigen::Index i = 0; i < M.size(); ++i) {
    if (!std::isfinite(M.data()[i].real()) || !std::isfinite(M.data()[i].imag())) return false;
  }
  return true;
}

template <typename Mat>
rt::Array toArray(const Mat& M) {
  const std::size_t rows = static_cast<std::size_t>(M.rows());
  const std::size_t cols = static_cast<std::size_t>(M.cols());
  std::vector<double> re(rows * cols), im(rows * cols);
  for (std::size_t i = 0; i < rows * cols; ++i) {
    re[i] = M.data()[i].real();
    im[i] = M.data()[i].imag();
  }
  return rt::Array::fromData({rows, cols}, std::move(re), std::move(im));
}

// LU factors with partial pivoting of a small fixed-size system, in place and without
// allocation: the pivot is the entry of largest squared modulus (the first of equal
// ones), as in Eigen's PartialPivLU, and each pivot's reciprocal is kept for the solve.
template <int M>
struct SmallLu {
  using Sys = Eigen::Matrix<Complex, M, M>;
  using Vec = Eigen::Matrix<Complex, M, 1>;
  Sys lu;
  std::array<int, M> rowOf{};  // row of the original system at each position
  Vec inversePivot;
  bool zeroPivot = false;

  void compute(const Sys& A) {
    lu = A;
    zeroPivot = false;
    for (int i = 0; i < M; ++i) rowOf[static_cast<std::size_t>(i)] = i;
    for (int k = 0; k < M; ++k) {
      int p = k;
      double best = std::norm(lu(k, k));
      for (int r = k + 1; r < M; ++r) {
        const double v = std::norm(lu(r, k));
        if (v > best) {
          best = v;
          p = r;
        }
      }
      if (p != k) {
        lu.row(k).swap(lu.row(p));
        std::swap(rowOf[static_cast<std::size_t>(k)], rowOf[static_cast<std::size_t>(p)]);
      }
      if (lu(k, k) == Complex(0)) {
        zeroPivot = true;
        inversePivot(k) = 1.0 / lu(k, k);
        continue;
      }
      inversePivot(k) = reciprocal(lu(k, k));
      for (int r = k + 1; r < M; ++r) {
        lu(r, k) = mul(lu(r, k), inversePivot(k));
        for (int c = k + 1; c < M; ++c) lu(r, c) -= mul(lu(r, k), lu(k, c));
      }
    }
  }

  Vec solve(const Vec& b) const {
    Vec x;
    for (int r = 0; r < M; ++r) {
      Complex v = b(rowOf[static_cast<std::size_t>(r)]);
      for (int c = 0; c < r; ++c) v -= mul(lu(r, c), x(c));
      x(r) = v;
    }
    for (int r = M - 1; r >= 0; --r) {
      Complex v = x(r);
      for (int c = r + 1; c < M; ++c) v -= mul(lu(r, c), x(c));
      x(r) = mul(v, inversePivot(r));
    }
    return x;
  }

  // A lower bound of the reciprocal condition number of A in the 1-norm,
  // 1/(|A|_1 |inv(U)|_1 |inv(L)|_1). A triangular factor's inverse is bounded entry by
  // entry by the inverse of its comparison matrix W (the moduli of the diagonal, minus
  // those of the rest), which is nonnegative, so that |inv(W)|_1 is the largest entry of
  // inv(W') * ones. Every modulus is bounded on the safe side without a square root:
  // from below by max(|re|, |im|) on U's diagonal, from above by |re| + |im| elsewhere.
  double rcondLowerBound(const Sys& A) const {
    double normA = 0;
    for (int c = 0; c < M; ++c) {
      double sum = 0;
      for (int r = 0; r < M; ++r) sum += abs1(A(r, c));
      normA = std::max(normA, sum);
    }
    std::array<double, M> y{}, z{};
    double normU = 0, normL = 0;
    for (int r = 0; r < M; ++r) {  // W_U' y = ones, W_U' lower triangular
      double v = 1.0;
      for (int j = 0; j < r; ++j) v += abs1(lu(j, r)) * y[static_cast<std::size_t>(j)];
      const double pivot = std::max(std::abs(lu(r, r).real()), std::abs(lu(r, r).imag()));
      y[static_cast<std::size_t>(r)] = v / pivot;
      normU = std::max(normU, y[static_cast<std::size_t>(r)]);
    }
    for (int r = M - 1; r >= 0; --r) {  // W_L' z = ones, W_L' upper triangular, unit diagonal
      double v = 1.0;
      for (int j = r + 1; j < M; ++j) v += abs1(lu(j, r)) * z[static_cast<std::size_t>(j)];
      z[static_cast<std::size_t>(r)] = v;
      normL = std::max(normL, v);
    }
    return 1.0 / (normA * normU * normL);
  }
};

// Well inside the range where the runtime's mldivide stays silent (its estimate of the
// reciprocal condition number is never below the true value, and it warns below eps).
constexpr double kSurelyWellConditioned = 1e-10;

// Solves A x = b as the runtime's mldivide does, with its warnings: an exactly zero pivot,
// or a reciprocal condition estimate below eps (formed by Eigen's LU, as there, only
// when the bound from the small factors cannot rule it out).
template <int M>
Eigen::Matrix<Complex, M, 1> solveSystem(SmallLu<M>& lu, const typename SmallLu<M>::Sys& A,
                                         const typename SmallLu<M>::Vec& b) {
  lu.compute(A);
  if (lu.zeroPivot) {
    rt::warnSingularMatrix();
  } else if (!(lu.rcondLowerBound(A) >= kSurelyWellConditioned)) {
    const Eigen::PartialPivLU<typename SmallLu<M>::Sys> exact(A);
    rt::warnIfBadlyConditioned(exact.rcond());
  }
  return lu.solve(b);
}

// The same for any order, through Eigen's LU.
Eigen::VectorXcd solveSystem(const Eigen::MatrixXcd& A, const Eigen::VectorXcd& b) {
  const Eigen::PartialPivLU<Eigen::MatrixXcd> lu(A);
  const auto pivots = lu.matrixLU().diagonal();
  bool zeroPivot = false;
  for (Eigen::Index i = 0; i < pivots.size(); ++i) zeroPivot = zeroPivot || pivots(i) == Complex(0);
  if (zeroPivot) {
    rt::warnSingularMatrix();
  } else {
    rt::warnIfBadlyConditioned(lu.rcond());
  }
  return lu.solve(b);
}

// Runs frequencies(first, last, stop) over [0, nf): on two threads when asked for and
// the sweep is long enough to pay for one, else on the calling thread alone. The
// calling thread takes the first half and gives its warnings as they come; a worker
// takes the rest and holds its warnings back, to be given after the first half's, so
// that the host sees what one thread would have shown, in the same order. An error
// ends the sweep as on one thread: the first half's at once (the worker is stopped
// and what it held is dropped), the worker's after the warnings it held before it.
template <typename Frequencies>
void splitFrequencies(std::size_t nf, bool parallel, const Frequencies& frequencies) {
  constexpr std::size_t kParallelFrom = 256;
  // Read once: the library asks the system anew (a file read) at every call.
  static const unsigned processors = std::thread::hardware_concurrency();
  if (!parallel || nf < kParallelFrom || processors < 2) {
    frequencies(0, nf, nullptr);
    return;
  }
  const std::size_t half = nf / 2;
  std::atomic<bool> stop{false};
  std::vector<rt::HeldWarning> held;
  std::exception_ptr failure;
  std::thread worker;
  try {
    worker = std::thread([&] {
      rt::WarningCapture capture;
      try {
        frequencies(half, nf, &stop);
      } catch (...) {
        failure = std::current_exception();
      }
      held = capture.take();
    });
  } catch (const std::system_error&) {  // no thread to be had: one thread does it all
    frequencies(0, nf, nullptr);
    return;
  }
  try {
    frequencies(0, half, nullptr);
  } catch (...) {
    stop.store(true, std::memory_order_relaxed);
    worker.join();
    throw;
  }
  worker.join();
  for (const auto& w : held) rt::warning(w.identifier, w.message);
  if (failure) std::rethrow_exception(failure);
}

// The frequency loop for N conductors (Eigen::Dynamic: any number), writing row k of
// VNE and VFE (nf-by-nc, complex, column-major) at frequency k.
template <int N>
void sweep(const rt::Array& f, const rt::Array& C, const rt::Array& L, const Inputs& in,
           const detail::ModalHook* hook, rt::Array& VNE, rt::Array& VFE) {
  constexpr int N2 = N == Eigen::Dynamic ? Eigen::Dynamic : 2 * N;
  using Mat = Eigen::Matrix<Complex, N, N>;
  using Vec = Eigen::Matrix<Complex, N, 1>;
  using Sys = Eigen::Matrix<Complex, N2, N2>;
  using SysVec = Eigen::Matrix<Complex, N2, 1>;
  const Eigen::Index n = static_cast<Eigen::Index>(in.nc);
  const std::size_t nc = in.nc, nf = in.nf;

  Mat Cm(n, n), Lm(n, n);
  for (Eigen::Index c = 0; c < n; ++c) {
    for (Eigen::Index r = 0; r < n; ++r) {
      Cm(r, c) = C.at(static_cast<std::size_t>(r + c * n));
      Lm(r, c) = L.at(static_cast<std::size_t>(r + c * n));
    }
  }
  // Terminations that are one matrix for every frequency, read once.
  Mat ZSmatrix(n, n), ZLmatrix(n, n);
  if (in.ZS.kind == TerminationView::Kind::Matrix) readTerminationPage(*in.ZS.values, 0, ZSmatrix);
  if (in.ZL.kind == TerminationView::Kind::Matrix) readTerminationPage(*in.ZL.values, 0, ZLmatrix);
  // One thread's working storage: nothing is allocated inside the loop.
  struct Work {
    explicit Work(Eigen::Index n)
        : Zk(n, n),
          Yk(n, n),
          SCR(n, n),
          T(n, n),
          Zz(n, n),
          ZST(n, n),
          ZLT(n, n),
          GAM(n),
          EP(n),
          EN(n),
          Ip(n),
          Im(n),
          A(2 * n, 2 * n),
          B(2 * n),
          V(2 * n) {}
    Mat Zk, Yk, SCR, T, Zz, ZST, ZLT;
    Vec GAM, EP, EN, Ip, Im;
    Sys A;
    SysVec B, V;
    std::conditional_t<N == Eigen::Dynamic, int, SmallLu<N2>> lu{};
  };

  std::vector<double> nearRe(nf * nc), nearIm(nf * nc), farRe(nf * nc), farIm(nf * nc);
  const Complex twoPiI = literal(Lit::TwoPiI).complexScalar();

  // Frequencies [first, last); each writes only its own rows of the results.
  auto frequencies = [&](std::size_t first, std::size_t last, const std::atomic<bool>* stop) {
    Work w(n);
    auto& [Zk, Yk, SCR, T, Zz, ZST, ZLT, GAM, EP, EN, Ip, Im, A, B, V, lu] = w;
    for (std::size_t k = first; k < last; ++k) {
      if (stop == nullptr) {
        rt::checkInterrupt();  // between frequencies, on the host's thread
      } else if (stop->load(std::memory_order_relaxed)) {
        return;
      }
      const Complex jw = twoPiI * std::conj(f.at(k));
      Zk = Lm * jw;
      Yk = Cm * jw;
      SCR.noalias() = Yk * Zk;
      if constexpr (N == 2) {
        if (allFinite(SCR)) {
          eig2(SCR, T, GAM);
        } else {
          eigThroughRuntime(SCR, T, GAM);
        }
      } else if constexpr (N == 1) {
        if (!allFinite(SCR)) eigThroughRuntime(SCR, T, GAM);
        T(0, 0) = 1.0;
        GAM(0) = SCR(0, 0);
      } else {
        eigThroughRuntime(SCR, T, GAM);
      }
      for (Eigen::Index m = 0; m < n; ++m) GAM(m) = std::sqrt(GAM(m));
      if (hook != nullptr) {
        rt::Array hookT = toArray(T);
        rt::Array hookGAM = toArray(GAM);
        (*hook)(k + 1, hookT, hookGAM);
        for (Eigen::Index i = 0; i < T.size(); ++i)
          T.data()[i] = hookT.at(static_cast<std::size_t>(i));
        for (Eigen::Index i = 0; i < n; ++i) GAM(i) = hookGAM.at(static_cast<std::size_t>(i));
      }
      for (Eigen::Index m = 0; m < n; ++m) {
        const Complex z = GAM(m) * in.xL;
        if (z.real() == 0) {
          // exp(+-i y) = cos(y) +- i sin(y): one sine and cosine for both.
          const double cosine = std::cos(z.imag()), sine = std::sin(z.imag());
          EP(m) = {cosine, sine};
          EN(m) = {cosine, -sine};
        } else {
          EP(m) = std::exp(z);
          EN(m) = std::exp(-z);
        }
      }
      Zz.noalias() = Zk * T;
      for (Eigen::Index m = 0; m < n; ++m) Zz.col(m) *= reciprocal(GAM(m));

      modalTermination(in.ZS, ZSmatrix, k, T, ZST);
      modalTermination(in.ZL, ZLmatrix, k, T, ZLT);
      A.topLeftCorner(n, n) = Zz + ZST;
      A.topRightCorner(n, n) = Zz - ZST;
      A.bottomLeftCorner(n, n) = (Zz - ZLT) * EN.asDiagonal();
      A.bottomRightCorner(n, n) = (Zz + ZLT) * EP.asDiagonal();
      for (Eigen::Index r = 0; r < n; ++r) {
        V(r) = in.VS.at(k, static_cast<std::size_t>(r));
        V(n + r) = in.VL.at(k, static_cast<std::size_t>(r));
      }
      if constexpr (N == Eigen::Dynamic) {
        B = solveSystem(A, V);
      } else {
        B = solveSystem<N2>(lu, A, V);
      }
      Ip = B.head(n);
      Im = B.tail(n);

      // Zz*(Ip + Im) and Zz*(EN.*Ip + EP.*Im), row k of the results.
      const Vec near = Zz * (Ip + Im);
      const Vec far = Zz * (EN.cwiseProduct(Ip) + EP.cwiseProduct(Im));
      for (std::size_t c = 0; c < nc; ++c) {
        nearRe[k + c * nf] = near(static_cast<Eigen::Index>(c)).real();
        nearIm[k + c * nf] = near(static_cast<Eigen::Index>(c)).imag();
        farRe[k + c * nf] = far(static_cast<Eigen::Index>(c)).real();
        farIm[k + c * nf] = far(static_cast<Eigen::Index>(c)).imag();
      }
    }
  };
  // The modal hook (tests) sees the frequencies in order, on one thread; the general
  // path for other orders calls the runtime's decompositions, and stays on one too.
  splitFrequencies(nf, hook == nullptr && N != Eigen::Dynamic, frequencies);
  VNE = rt::Array::fromData({nf, nc}, std::move(nearRe), std::move(nearIm));
  VFE = rt::Array::fromData({nf, nc}, std::move(farRe), std::move(farIm));
}

// The compiled loop when every input fits it; false (nothing computed, nothing
// raised) otherwise.
bool solveCompiled(const rt::Array& f, const rt::Array& xL, const rt::Array& VS,
                   const rt::Array& ZS, const rt::Array& VL, const rt::Array& ZL,
                   const rt::Array& C, const rt::Array& L, const detail::ModalHook* hook,
                   MtlfdResult& out) {
  if (!f.isDouble() || f.isEmpty() || f.numel() != static_cast<std::size_t>(rt::length(f))) {
    return false;
  }
  Inputs in;
  in.nf = f.numel();
  in.nc = C.rows();
  if (in.nc == 0 || !isSquare(C, in.nc) || !isSquare(L, in.nc)) return false;
  if (!xL.isDouble() || xL.numel() != 1) return false;
  in.xL = xL.at(0);
  // Sources given as nc-by-nf become nc-by-1-by-nf, as in the loop on Arrays.
  if (!VS.isDouble() || !VL.isDouble()) return false;
  const rt::Array pagedVS = VS.size(2) == in.nf ? rt::permute(VS, lit(Lit::Perm132)) : rt::Array();
  const rt::Array pagedVL = VL.size(2) == in.nf ? rt::permute(VL, lit(Lit::Perm132)) : rt::Array();
  const auto vs = sourceView(pagedVS.isDefined() ? pagedVS : VS, in.nc, in.nf);
  const auto vl = sourceView(pagedVL.isDefined() ? pagedVL : VL, in.nc, in.nf);
  const auto zs = terminationView(ZS, in.nc, in.nf);
  const auto zl = terminationView(ZL, in.nc, in.nf);
  if (!vs || !vl || !zs || !zl) return false;
  in.VS = *vs;
  in.VL = *vl;
  in.ZS = *zs;
  in.ZL = *zl;

  switch (in.nc) {
    case 1:
      sweep<1>(f, C, L, in, hook, out.VNE, out.VFE);
      break;
    case 2:
      sweep<2>(f, C, L, in, hook, out.VNE, out.VFE);
      break;
    default:
      sweep<Eigen::Dynamic>(f, C, L, in, hook, out.VNE, out.VFE);
      break;
  }
  out.VNE.narrow();
  out.VFE.narrow();
  return true;
}

// ---- the loop on Arrays -----------------------------------------------------------

MtlfdResult solve(rt::Array f, rt::Array xL, rt::Array VS, rt::Array ZS, rt::Array VL, rt::Array ZL,
                  rt::Array C, rt::Array L, const detail::ModalHook* hook) {
  const rt::Array nf = rt::length(rt::checkDefined(f, "f"));
  const rt::Array nc = rt::size(rt::checkDefined(C, "C"), dim(Lit::One));
  const std::size_t nfCount = static_cast<std::size_t>(nf.scalar());
  const std::size_t ncCount = static_cast<std::size_t>(nc.scalar());

  // Series impedance and shunt admittance per unit length at every frequency, as
  // nc-by-nc pages: Z(:,:,k) = jw(k)*L, Y(:,:,k) = jw(k)*C.
  const rt::Array jw = lit(Lit::TwoPiI) * rt::ctranspose(f(rt::all));
  const rt::Array Z =
      rt::reshape(rt::checkDefined(L, "L")(rt::all) * jw, {ncCount, ncCount, nfCount});
  const rt::Array Y = rt::reshape(C(rt::all) * jw, {ncCount, ncCount, nfCount});

  rt::Array VNE = rt::zeros(nfCount, ncCount);
  rt::Array VFE = rt::zeros(nfCount, ncCount);

  // Sources given as nc-by-nf become nc-by-1-by-nf.
  if (rt::isTrue(rt::eq(sizeAlong(rt::checkDefined(VS, "VS"), Lit::Two), nf))) {
    VS = rt::permute(VS, lit(Lit::Perm132));
  }
  if (rt::isTrue(rt::eq(sizeAlong(rt::checkDefined(VL, "VL"), Lit::Two), nf))) {
    VL = rt::permute(VL, lit(Lit::Perm132));
  }
  // VSS and VLL are the sources at the current frequency; one page serves them all.
  rt::Array VSS;
  rt::Array VLL;
  if (rt::isTrue(rt::eq(sizeAlong(VS, Lit::Three), lit(Lit::One)))) {
    VSS = VS;
  }
  if (rt::isTrue(rt::eq(sizeAlong(VL, Lit::Three), lit(Lit::One)))) {
    VLL = VL;
  }
  const bool pagedVS = rt::isTrue(rt::gt(sizeAlong(VS, Lit::Three), lit(Lit::One)));
  const bool pagedVL = rt::isTrue(rt::gt(sizeAlong(VL, Lit::Three), lit(Lit::One)));

  const rt::Array onesColumn = rt::ones(ncCount, dim(Lit::One));
  const rt::Array onesRow = rt::ones(dim(Lit::One), ncCount);
  const rt::Array forward = rt::colon(lit(Lit::One), nc);
  const rt::Array backward = rt::colon(nc + lit(Lit::One), lit(Lit::Two) * nc);

  for (std::size_t k = 1; k <= nfCount; ++k) {
    rt::checkInterrupt();  // between frequencies
    const rt::Array Zk = Z(rt::all, rt::all, k);
    auto [T, GAM] = rt::eig(Y(rt::all, rt::all, k) * Zk);
    GAM = rt::sqrt(rt::diag(GAM));  // propagation constants, principal roots
    if (hook != nullptr) {
      (*hook)(k, T, GAM);
    }
    const rt::Array& lineLength = rt::checkDefined(xL, "xL");
    const rt::Array EP = rt::exp(GAM * lineLength);
    const rt::Array EN = rt::exp(-GAM * lineLength);
    GAM = rt::rdivide(lit(Lit::One), GAM);
    // Column m of Zz is column m of Z*T over the m-th propagation constant.
    const rt::Array Zz = rt::times(Zk * T, onesColumn * rt::transpose(GAM));

    const rt::Array ZST = modalTermination(ZS, "ZS", k, nc, nf, T);
    const rt::Array ZLT = modalTermination(ZL, "ZL", k, nc, nf, T);
    const rt::Array A11 = Zz + ZST;
    const rt::Array A12 = Zz - ZST;
    const rt::Array A21 = rt::times(Zz - ZLT, onesColumn * rt::transpose(EN));
    const rt::Array A22 = rt::times(Zz + ZLT, onesColumn * rt::transpose(EP));
    const rt::Array A = rt::vertcat({rt::horzcat({A11, A12}), rt::horzcat({A21, A22})});

    if (pagedVS) {
      VSS = VS(rt::all, rt::all, k);
    }
    if (pagedVL) {
      VLL = VL(rt::all, rt::all, k);
    }
    const rt::Array B = rt::mldivide(
        A, rt::vertcat({rt::checkDefined(VSS, "VSS", false), rt::checkDefined(VLL, "VLL", false)}));
    const rt::Array Ip = B(forward);
    const rt::Array Im = B(backward);

    // Zz*(Ip + Im) and Zz*(EN.*Ip + EP.*Im), laid out as rows.
    const rt::Array ZzT = rt::transpose(Zz);
    VNE.assign({k, rt::all}, rt::sum(rt::times(ZzT, (Ip + Im) * onesRow)));
    VFE.assign({k, rt::all},
               rt::sum(rt::times(ZzT, (rt::times(EN, Ip) + rt::times(EP, Im)) * onesRow)));
  }
  return {std::move(VNE), std::move(VFE)};
}

}  // namespace

MtlfdResult mtlfdBody(rt::Array f, rt::Array xL, rt::Array VS, rt::Array ZS, rt::Array VL,
                      rt::Array ZL, rt::Array C, rt::Array L) {
  MtlfdResult compiled;
  if (solveCompiled(f, xL, VS, ZS, VL, ZL, C, L, nullptr, compiled)) return compiled;
  return solve(std::move(f), std::move(xL), std::move(VS), std::move(ZS), std::move(VL),
               std::move(ZL), std::move(C), std::move(L), nullptr);
}

namespace detail {

MtlfdResult mtlfdWithModalHook(rt::Array f, rt::Array xL, rt::Array VS, rt::Array ZS, rt::Array VL,
                               rt::Array ZL, rt::Array C, rt::Array L, const ModalHook& hook) {
  MtlfdResult compiled;
  if (solveCompiled(f, xL, VS, ZS, VL, ZL, C, L, &hook, compiled)) return compiled;
  return solve(std::move(f), std::move(xL), std::move(VS), std::move(ZS), std::move(VL),
               std::move(ZL), std::move(C), std::move(L), &hook);
}

}  // namespace detail
}  // namespace xt
