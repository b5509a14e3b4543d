#include "solver/iffts.hpp"

#include "host/literals.hpp"
#include "host/stubs.hpp"
#include "runtime/error.hpp"
#include "runtime/ops.hpp"

namespace xt {
namespace {}  // namespace

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
