#include "solver/iffts.hpp"

#include <optional>
#include <vector>

#include "host/literals.hpp"
#include "host/stubs.hpp"
#include "runtime/error.hpp"
#include "runtime/ops.hpp"

namespace xt {
namespace {

// The steps below for an M-by-n double spectrum (M >= 2, n >= 1) and a real scalar
// tmax, without the intermediate arrays: the completed spectrum is written straight
// into the transform's buffer, transformed once (all columns together) and scaled
// into the real result, each element with the same operations in the same order.
// Nothing for other inputs.
std::optional<rt::Array> completedTransform(const rt::Array& supv, const rt::Array& tmax) {
  if (!supv.isDouble() || supv.ndims() != 2 || supv.rows() < 2 || supv.cols() == 0 ||
      !tmax.isDouble() || tmax.isComplex() || tmax.numel() != 1) {
    return std::nullopt;
  }
  const std::size_t M = supv.rows(), n = supv.cols(), N = 2 * (M - 1);
  const std::vector<double>& re = supv.re();
  const std::vector<double>* im = supv.isComplex() ? &supv.im() : nullptr;
  std::vector<double> out = rt::ifftRealColumns(N, n, [&](std::size_t c, double* column) {
    const std::size_t in = c * M;
    // Rows 1..M (1-based), the Nyquist row M real; rows M+1..2(M-1) the conjugates of
    // rows M-1 down to 2. Real and imaginary parts alternate.
    for (std::size_t r = 0; r < M; ++r) {
      column[2 * r] = re[in + r];
      column[2 * r + 1] = im != nullptr && r + 1 < M ? (*im)[in + r] : 0.0;
    }
    for (std::size_t j = 1; j + 1 < M; ++j) {
      column[2 * (M - 1 + j)] = re[in + M - 1 - j];
      column[2 * (M - 1 + j) + 1] = im != nullptr ? -(*im)[in + M - 1 - j] : 0.0;
    }
  });
  const double two = lit(Lit::Two).scalar();
  const double steps = static_cast<double>(M) - lit(Lit::One).scalar();
  const double window = tmax.scalar();
  for (double& v : out) v = v * two * steps / window;
  return rt::Array::fromData({N, n}, std::move(out));
}

}  // namespace

rt::Array ifftsBody(rt::Array supv, rt::Array tmax) {
  // Bring the three-dimensional layouts to M-by-n, frequency along the rows.
  const rt::Array ssv = rt::size(rt::checkDefined(supv, "supv"));
  if (rt::isTrue(rt::eq(rt::length(ssv), lit(Lit::Three)))) {
    if (rt::isTrue(rt::eq(ssv(1), lit(Lit::One)))) {
      supv = rt::permute(supv, lit(Lit::Perm321));
    } else if (rt::isTrue(rt::eq(ssv(2), lit(Lit::One)))) {
      supv = rt::permute(supv, lit(Lit::Perm312));
    }
  }
  const rt::Array M = rt::sizeOutputs(supv, 2)[0];
  // The Nyquist row is row M: a spectrum without rows has none to index.
  if (rt::isTrue(rt::lt(M, lit(Lit::One)))) {
    rt::raise(rt::errid::kIndexOutOfBounds,
              "iffts: the spectrum supv has no frequency rows (size " +
                  rt::dimsToString(supv.dims()) + "); at least one row is needed.");
  }

  if (const auto compiled = completedTransform(supv, tmax)) return *compiled;

  // Complete the spectrum: a real Nyquist row, then the conjugates of rows 2..M-1 in
  // reverse order as rows M+1..2*(M-1), so the transform is real up to rounding.
  supv.assign({M, rt::all}, rt::real(supv(M, rt::all)));
  supv.assign({rt::colon(M + lit(Lit::One), lit(Lit::Two) * (M - lit(Lit::One))), rt::all},
              byname::flipud(rt::conj(supv(rt::colon(lit(Lit::Two), M - lit(Lit::One)), rt::all))));

  // ifft carries 1/N; N/tmax turns the sum into the inverse Fourier integral with
  // frequency step 1/tmax.
  const rt::Array yt =
      rt::ifft(supv) * lit(Lit::Two) * (M - lit(Lit::One)) / rt::checkDefined(tmax, "tmax");
  return rt::real(yt);
}

}  // namespace xt
