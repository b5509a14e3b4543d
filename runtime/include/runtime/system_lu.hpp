// LU factorisation of large dense real systems by the machine's optimised LAPACK.
//
// Eigen's LU runs on one core with the baseline vector instructions the program is
// built for. For systems of hundreds of unknowns and more, OpenBLAS (when the
// machine has it) factorises several times faster: it picks its kernels for the
// processor it runs on and uses every core. It is loaded on first use, by its
// shared-library name, so the program neither needs it to build nor to run; when it
// cannot be loaded, `SystemLu::available(n)` is false and callers keep Eigen's LU.
//
// Results agree with Eigen's to rounding, not to the bit: use it only where the
// last bits are free to differ (large systems), never for one whose digits a figure
// shows.
#pragma once

#include <Eigen/Dense>
#include <vector>

namespace rt {

class SystemLu {
 public:
  // Whether an optimised LAPACK can factorise a system of n unknowns: one is loaded
  // (once, on the first call), not switched off by `useSystemLapack(false)`, and n
  // fits its integers.
  static bool available(Eigen::Index n);

  // Factorises A in place (row interchanges as in LAPACK's getrf). Precondition:
  // available(A.rows()), A square and every element finite.
  explicit SystemLu(Eigen::Ref<Eigen::MatrixXd> A);

  // An exactly zero pivot: the matrix is singular and nothing may be solved with it.
  bool singular() const { return zeroPivot_; }
  // LAPACK's estimate of the reciprocal condition number in the 1-norm (0 when
  // singular).
  double rcond() const;
  // inv(A)*B, and the inverse itself. Precondition: !singular().
  Eigen::MatrixXd solve(const Eigen::MatrixXd& B) const;
  Eigen::MatrixXd inverse() const;

 private:
  Eigen::Ref<Eigen::MatrixXd> lu_;
  std::vector<int> pivots_;
  double norm1_ = 0;
  bool zeroPivot_ = false;
};

// Turns the optimised LAPACK off (false) or back on for the whole process, so that
// its results can be compared with Eigen's; returns the previous setting.
bool useSystemLapack(bool on);

}  // namespace rt
