// The LU factorisation of the strip system, four values at a time where the processor
// allows it, with the bits of Eigen's.
#pragma once

#include <cstddef>

namespace xt::detail {

// Factorises the n-by-n column-major matrix `a` in place with partial pivoting, with
// the same operations on every element in the same order as Eigen's PartialPivLU
// (Eigen 3.4 built for SSE2, as the program is): the same blocks, the same triangular
// solves and the same sums of products, so that the factors and pivots are the same to
// the last bit. transpositions[k] is the row swapped with row k at step k; swaps counts
// the steps that swapped, firstZeroPivot is the first exactly zero pivot (or -1).
//
// Returns false, and leaves `a` untouched, where it does not apply: a processor without
// AVX2, or an n whose blocks would take another of Eigen's code paths (n >= 256, or a
// trailing update small enough for Eigen's coefficient-wise product).
bool stripLu(double* a, std::ptrdiff_t n, int* transpositions, std::ptrdiff_t& swaps,
             std::ptrdiff_t& firstZeroPivot);

}  // namespace xt::detail
