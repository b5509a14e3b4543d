// The strip system's LU with Eigen's order of operations and AVX2's width.
//
// Eigen factorises a dynamic matrix of order n < 256 in panels of b columns (b = 8
// below 128, else 16): each panel by rank-one updates, the panel's row swaps applied
// across the matrix, then A12 = inv(L11)*A12 by a blocked triangular solve and
// A22 -= A21*A12 by its matrix product kernel. Built for SSE2 (the program's target),
// those kernels sum each product in a fixed order: a running sum from zero, in order,
// subtracted from the element at the end, except for the two rows of a trailing block
// that its one-packet kernel takes, which sum the even and the odd terms apart and
// then add the two. Everything below follows that order element by element; AVX2 only
// lets four elements of a column go at once. No fused multiply-add is used: it would
// round differently.
#include "strip_lu.hpp"

#include <algorithm>
#include <cmath>
#include <utility>

#if defined(__x86_64__) && (defined(__GNUC__) || defined(__clang__))
#include <immintrin.h>
#define XT_STRIP_LU_AVX2 1
#endif

namespace xt::detail {

#ifdef XT_STRIP_LU_AVX2
namespace {

using Index = std::ptrdiff_t;

constexpr Index kUnblockedUpTo = 16;            // orders factorised without panels
constexpr Index kCoefficientProductBelow = 20;  // smaller products skip the kernel
constexpr Index kSolvePanel = 4;                // the triangular solve's panel width
constexpr Index kPeel = 8;                      // the product kernel's unrolling of the sum

Index panelWidth(Index n) {
  Index b = n / 8;
  b = (b / 16) * 16;
  return std::min(std::max(b, Index{8}), Index{256});
}

bool covered(Index n) {
  if (n < 1 || n >= 256) return false;
  if (n <= kUnblockedUpTo) return true;
  const Index b = panelWidth(n);
  for (Index k = 0; k < n; k += b) {
    const Index width = std::min(n - k, b), trailing = n - k - width;
    if (trailing > 0 && width + 2 * trailing < kCoefficientProductBelow) return false;
  }
  return true;
}

#define XT_AVX2 __attribute__((target("avx2")))

// Rank-one factorisation of the panel of `cols` columns at (k, k), rows k..n-1.
XT_AVX2 Index factorPanel(double* a, Index n, Index k, Index cols, int* transpositions,
                          Index& swaps) {
  const Index rows = n - k;
  Index firstZero = -1;
  for (Index j = 0; j < cols; ++j) {
    double* column = a + k + (k + j) * n;
    Index best = j;
    double biggest = std::abs(column[j]);
    for (Index r = j + 1; r < rows; ++r) {
      const double v = std::abs(column[r]);
      if (v > biggest) {
        biggest = v;
        best = r;
      }
    }
    transpositions[k + j] = static_cast<int>(k + best);
    if (biggest != 0.0) {
      if (best != j) {
        for (Index c = 0; c < cols; ++c) {
          std::swap(a[k + j + (k + c) * n], a[k + best + (k + c) * n]);
        }
        ++swaps;
      }
      const double pivot = column[j];
      const __m256d p = _mm256_set1_pd(pivot);
      Index r = j + 1;
      for (; r + 4 <= rows; r += 4) {
        _mm256_storeu_pd(column + r, _mm256_div_pd(_mm256_loadu_pd(column + r), p));
      }
      for (; r < rows; ++r) column[r] /= pivot;
    } else if (firstZero < 0) {
      firstZero = k + j;
    }
    if (j < rows - 1) {
      for (Index c = j + 1; c < cols; ++c) {
        double* target = a + k + (k + c) * n;
        const double u = target[j];
        const __m256d uv = _mm256_set1_pd(u);
        Index r = j + 1;
        for (; r + 4 <= rows; r += 4) {
          const __m256d product = _mm256_mul_pd(uv, _mm256_loadu_pd(column + r));
          _mm256_storeu_pd(target + r, _mm256_sub_pd(_mm256_loadu_pd(target + r), product));
        }
        for (; r < rows; ++r) target[r] -= u * column[r];
      }
    }
  }
  return firstZero;
}

// One element of C -= A*B with depth terms: a running sum from zero (evenOdd: the
// even and the odd terms of the first multiple of kPeel apart, then added), then
// (-1)*sum + c.
inline double productTerm(const double* a, Index lda, const double* b, Index depth, double c,
                          bool evenOdd) {
  double sum = 0.0;
  Index q = 0;
  if (evenOdd) {
    const Index peeled = depth & ~(kPeel - 1);
    double even = 0.0, odd = 0.0;
    for (; q < peeled; q += 2) {
      even = a[q * lda] * b[q] + even;
      odd = a[(q + 1) * lda] * b[q + 1] + odd;
    }
    sum = even + odd;
  }
  for (; q < depth; ++q) sum = a[q * lda] * b[q] + sum;
  return sum * -1.0 + c;
}

// Rows i..i+4*P-1 of columns j..j+C-1 of C -= A*B: one running sum per element.
template <int P, int C>
XT_AVX2 inline void subtractBlock(double* c, const double* a, const double* b, Index n, Index i,
                                  Index j, Index depth) {
  __m256d s[C][P];
#pragma GCC unroll 4
  for (int x = 0; x < C; ++x) {
#pragma GCC unroll 2
    for (int y = 0; y < P; ++y) s[x][y] = _mm256_setzero_pd();
  }
  for (Index q = 0; q < depth; ++q) {
    __m256d av[P];
#pragma GCC unroll 2
    for (int y = 0; y < P; ++y) av[y] = _mm256_loadu_pd(a + i + 4 * y + q * n);
#pragma GCC unroll 4
    for (int x = 0; x < C; ++x) {
      const __m256d bq = _mm256_set1_pd(b[q + (j + x) * n]);
#pragma GCC unroll 2
      for (int y = 0; y < P; ++y) s[x][y] = _mm256_add_pd(_mm256_mul_pd(av[y], bq), s[x][y]);
    }
  }
  const __m256d minusOne = _mm256_set1_pd(-1.0);
#pragma GCC unroll 4
  for (int x = 0; x < C; ++x) {
    double* cx = c + i + (j + x) * n;
#pragma GCC unroll 2
    for (int y = 0; y < P; ++y) {
      _mm256_storeu_pd(
          cx + 4 * y, _mm256_add_pd(_mm256_mul_pd(s[x][y], minusOne), _mm256_loadu_pd(cx + 4 * y)));
    }
  }
}

template <int C>
XT_AVX2 void subtractColumns(double* c, const double* a, const double* b, Index n, Index fourRows,
                             Index j, Index depth) {
  Index i = 0;
  for (; i + 8 <= fourRows; i += 8) subtractBlock<2, C>(c, a, b, n, i, j, depth);
  if (i < fourRows) subtractBlock<1, C>(c, a, b, n, i, j, depth);
}

// C (rows-by-cols at c) -= A (rows-by-depth at a) * B (depth-by-cols at b), all with
// leading dimension n, in the product kernel's order: rows in fours with one running
// sum each; two more rows through the one-packet kernel (split sums in whole groups of
// four columns, a running sum in the columns after them); a last odd row by itself.
XT_AVX2 void subtractProduct(double* c, const double* a, const double* b, Index n, Index rows,
                             Index cols, Index depth) {
  const Index fourRows = (rows / 4) * 4;
  const Index fourCols = (cols / 4) * 4;
  Index j = 0;
  for (; j < fourCols; j += 4) subtractColumns<4>(c, a, b, n, fourRows, j, depth);
  for (; j < cols; ++j) subtractColumns<1>(c, a, b, n, fourRows, j, depth);
  for (j = 0; j < cols; ++j) {
    const double* bj = b + j * n;
    double* cj = c + j * n;
    Index i = fourRows;
    if (rows - fourRows >= 2) {
      for (; i < fourRows + 2; ++i) cj[i] = productTerm(a + i, n, bj, depth, cj[i], j < fourCols);
    }
    for (; i < rows; ++i) cj[i] = productTerm(a + i, n, bj, depth, cj[i], false);
  }
}

// B (width-by-cols at b) = inv(L)*B for the unit lower triangle L (width-by-width at l),
// in panels of kSolvePanel: substitution inside a panel, then the rows below it within
// the triangle by the product kernel.
XT_AVX2 void solveUnitLower(const double* l, double* b, Index n, Index width, Index cols) {
  for (Index k1 = 0; k1 < width; k1 += kSolvePanel) {
    const Index panel = std::min(width - k1, kSolvePanel);
    for (Index j = 0; j < cols; ++j) {
      double* bj = b + j * n;
      for (Index k = 0; k < panel; ++k) {
        const Index i = k1 + k;
        const double x = bj[i];
        for (Index r = i + 1; r < k1 + panel; ++r) bj[r] -= x * l[r + i * n];
      }
    }
    const Index below = width - k1 - panel;
    if (below > 0) {
      subtractProduct(b + k1 + panel, l + k1 + panel + k1 * n, b + k1, n, below, cols, panel);
    }
  }
}

XT_AVX2 Index factor(double* a, Index n, int* transpositions, Index& swaps) {
  swaps = 0;
  if (n <= kUnblockedUpTo) return factorPanel(a, n, 0, n, transpositions, swaps);
  const Index b = panelWidth(n);
  Index firstZero = -1;
  for (Index k = 0; k < n; k += b) {
    const Index width = std::min(n - k, b);
    const Index trailing = n - k - width;
    const Index zero = factorPanel(a, n, k, width, transpositions, swaps);
    if (zero >= 0 && firstZero < 0) firstZero = zero;
    for (Index i = k; i < k + width; ++i) {
      const Index p = transpositions[i];
      if (p == i) continue;
      // The columns left and right of the panel (none right of the last one).
      for (Index c = 0; c < k; ++c) std::swap(a[i + c * n], a[p + c * n]);
      for (Index c = k + width; c < n; ++c) std::swap(a[i + c * n], a[p + c * n]);
    }
    if (trailing > 0) {
      double* a12 = a + k + (k + width) * n;
      solveUnitLower(a + k + k * n, a12, n, width, trailing);
      subtractProduct(a + (k + width) + (k + width) * n, a + (k + width) + k * n, a12, n, trailing,
                      trailing, width);
    }
  }
  return firstZero;
}

}  // namespace

#undef XT_AVX2

bool stripLu(double* a, std::ptrdiff_t n, int* transpositions, std::ptrdiff_t& swaps,
             std::ptrdiff_t& firstZeroPivot) {
  if (!covered(n) || !__builtin_cpu_supports("avx2")) return false;
  firstZeroPivot = factor(a, n, transpositions, swaps);
  return true;
}

#else

bool stripLu(double*, std::ptrdiff_t, int*, std::ptrdiff_t&, std::ptrdiff_t&) {
  return false;
}

#endif

}  // namespace xt::detail
