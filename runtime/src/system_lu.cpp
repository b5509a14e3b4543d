// LU factorisation through OpenBLAS's LAPACK, loaded on first use.
#include "runtime/system_lu.hpp"

#include <dlfcn.h>

#include <algorithm>
#include <atomic>
#include <cstddef>
#include <limits>

namespace rt {
namespace {

// LAPACK's Fortran entry points (32-bit integers). The trailing lengths of the
// character arguments are passed as gfortran's calling convention has them.
using Getrf = void(const int* m, const int* n, double* a, const int* lda, int* ipiv, int* info);
using Getrs = void(const char* trans, const int* n, const int* nrhs, const double* a,
                   const int* lda, const int* ipiv, double* b, const int* ldb, int* info,
                   std::size_t transLength);
using Gecon = void(const char* norm, const int* n, const double* a, const int* lda,
                   const double* anorm, double* rcond, double* work, int* iwork, int* info,
                   std::size_t normLength);

struct Lapack {
  Getrf* getrf = nullptr;
  Getrs* getrs = nullptr;
  Gecon* gecon = nullptr;
};

// The library stays loaded to the end of the process: its threads and buffers live
// as long as it does.
const Lapack* load() {
  static const Lapack lapack = [] {
    for (const char* name : {"libopenblas.so.0", "libopenblas.so"}) {
      void* handle = dlopen(name, RTLD_NOW | RTLD_LOCAL);
      if (handle == nullptr) continue;
      const Lapack found{reinterpret_cast<Getrf*>(dlsym(handle, "dgetrf_")),
                         reinterpret_cast<Getrs*>(dlsym(handle, "dgetrs_")),
                         reinterpret_cast<Gecon*>(dlsym(handle, "dgecon_"))};
      if (found.getrf != nullptr && found.getrs != nullptr && found.gecon != nullptr) return found;
      dlclose(handle);
    }
    return Lapack{};
  }();
  return lapack.getrf != nullptr ? &lapack : nullptr;
}

std::atomic<bool> enabled{true};

int toInt(Eigen::Index n) {
  return static_cast<int>(n);
}

}  // namespace

bool useSystemLapack(bool on) {
  return enabled.exchange(on);
}

bool SystemLu::available(Eigen::Index n) {
  return n <= std::numeric_limits<int>::max() && enabled.load() && load() != nullptr;
}

SystemLu::SystemLu(Eigen::Ref<Eigen::MatrixXd> A) : lu_(A) {
  const Eigen::Index n = A.rows();
  // The 1-norm of A itself, for the condition estimate.
  for (Eigen::Index c = 0; c < n; ++c) norm1_ = std::max(norm1_, A.col(c).cwiseAbs().sum());
  pivots_.resize(static_cast<std::size_t>(std::max<Eigen::Index>(n, 1)));
  if (n == 0) return;
  const int size = toInt(n);
  const int lda = toInt(A.outerStride());
  int info = 0;
  load()->getrf(&size, &size, A.data(), &lda, pivots_.data(), &info);
  zeroPivot_ = info > 0;
}

double SystemLu::rcond() const {
  const Eigen::Index n = lu_.rows();
  if (zeroPivot_) return 0;
  if (n == 0) return std::numeric_limits<double>::infinity();
  const int size = toInt(n);
  const int lda = toInt(lu_.outerStride());
  std::vector<double> work(static_cast<std::size_t>(4 * n));
  std::vector<int> iwork(static_cast<std::size_t>(n));
  double rc = 0;
  int info = 0;
  load()->gecon("1", &size, lu_.data(), &lda, &norm1_, &rc, work.data(), iwork.data(), &info, 1);
  return rc;
}

Eigen::MatrixXd SystemLu::solve(const Eigen::MatrixXd& B) const {
  Eigen::MatrixXd X = B;
  if (X.size() == 0) return X;
  const int size = toInt(lu_.rows());
  const int lda = toInt(lu_.outerStride());
  const int nrhs = toInt(X.cols());
  const int ldb = toInt(X.rows());
  int info = 0;
  load()->getrs("N", &size, &nrhs, lu_.data(), &lda, pivots_.data(), X.data(), &ldb, &info, 1);
  return X;
}

Eigen::MatrixXd SystemLu::inverse() const {
  return solve(Eigen::MatrixXd::Identity(lu_.rows(), lu_.rows()));
}

}  // namespace rt
