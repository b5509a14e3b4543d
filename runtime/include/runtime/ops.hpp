// The host language's operations on Arrays.
//
// Binary element-wise operations expand a scalar operand; other size
// mismatches raise rt:nonconformant naming both sizes. Results that the host
// gives as complex (sqrt(-4), log(-1), (-8).^(1/3)) are complex; a complex
// result whose imaginary parts are all zero is narrowed to real. Char and
// logical operands take part in arithmetic as doubles.
#pragma once

#include <functional>
#include <initializer_list>
#include <utility>
#include <vector>

#include "runtime/array.hpp"

namespace rt {

// ---- building -------------------------------------------------------------
Array row(std::initializer_list<double> values);
Array column(std::initializer_list<double> values);
// m-by-n real matrix from column-major values.
Array matrix(std::size_t m, std::size_t n, std::initializer_list<double> columnMajor);
Array zeros(std::size_t m, std::size_t n);
Array zeros(const Dims& dims);
Array ones(std::size_t m, std::size_t n);
Array ones(const Dims& dims);
Array eye(std::size_t m, std::size_t n);
Array eye(std::size_t n);
// a:b and a:s:b with the host's end-point rule; always a row (1-by-0 when empty).
Array colon(double a, double b);
Array colon(double a, double step, double b);
Array colon(const Array& a, const Array& b);
Array colon(const Array& a, const Array& step, const Array& b);
// [a b c] and [a; b; c]; 0-by-0 operands drop out.
Array horzcat(const std::vector<Array>& parts);
Array vertcat(const std::vector<Array>& parts);
// Concatenation along dimension dim (1-based).
Array cat(std::size_t dim, const std::vector<Array>& parts);
// diag(v) of a vector: square matrix; diag(A) of a matrix: column of its diagonal.
Array diag(const Array& x);
Array triu(const Array& x, long k = 0);
Array reshape(const Array& x, const Dims& dims);
Array permute(const Array& x, const std::vector<std::size_t>& order);
Array permute(const Array& x, const Array& order);
Array repmat(const Array& x, std::size_t m, std::size_t n);

// ---- arithmetic -------------------------------------------------------------
Array plus(const Array& a, const Array& b);
Array minus(const Array& a, const Array& b);
Array uminus(const Array& a);
Array times(const Array& a, const Array& b);     // .*
Array rdivide(const Array& a, const Array& b);   // ./
Array ldivide(const Array& a, const Array& b);   // .\  .
Array power(const Array& a, const Array& b);     // .^
Array mtimes(const Array& a, const Array& b);    // *
Array mrdivide(const Array& a, const Array& b);  // /
Array mldivide(const Array& a, const Array& b);  // backslash
Array mpower(const Array& a, const Array& b);    // ^
Array transpose(const Array& a);                 // .'
Array ctranspose(const Array& a);                // '

inline Array operator+(const Array& a, const Array& b) {
  return plus(a, b);
}
inline Array operator-(const Array& a, const Array& b) {
  return minus(a, b);
}
inline Array operator-(const Array& a) {
  return uminus(a);
}
inline Array operator*(const Array& a, const Array& b) {
  return mtimes(a, b);
}
inline Array operator/(const Array& a, const Array& b) {
  return mrdivide(a, b);
}

// ---- relations and logic (logical results) ----------------------------------
Array lt(const Array& a, const Array& b);
Array le(const Array& a, const Array& b);
Array gt(const Array& a, const Array& b);
Array ge(const Array& a, const Array& b);
Array eq(const Array& a, const Array& b);
Array ne(const Array& a, const Array& b);
Array land(const Array& a, const Array& b);  // &
Array lor(const Array& a, const Array& b);   // |
Array lnot(const Array& a);                  // ~
// The truth of an array as in `if`: non-empty and every element non-zero.
bool isTrue(const Array& a);
// any(x) and all(x) along the first dimension whose length is not 1 (all(x) is named
// allOf because rt::all is the subscript ":").
Array anyOf(const Array& a);
Array allOf(const Array& a);

// ---- size and class ---------------------------------------------------------
// size(x) as a row of the dimensions.
Array size(const Array& x);
// size(x, d).
double size(const Array& x, std::size_t d);
// [m, n] = size(x): the last output takes the product of the remaining dimensions.
std::vector<double> sizeOutputs(const Array& x, std::size_t nout);
double length(const Array& x);
double numel(const Array& x);
bool isempty(const Array& x);
bool ischar(const Array& x);
inline bool isstr(const Array& x) {
  return ischar(x);
}

// ---- element-wise functions ---------------------------------------------------
Array sqrt(const Array& x);
Array exp(const Array& x);
Array log(const Array& x);
Array sin(const Array& x);
Array cos(const Array& x);
Array atan(const Array& x);
Array abs(const Array& x);
Array real(const Array& x);
Array imag(const Array& x);
Array conj(const Array& x);
Array round(const Array& x);  // halves away from zero
Array floor(const Array& x);
Array ceil(const Array& x);

// ---- reductions and reorderings -----------------------------------------------
// Along the first dimension whose length is not 1 (sum([]) is 0).
Array sum(const Array& x);
Array sum(const Array& x, std::size_t dim);
Array prod(const Array& x);
// max/min along the first non-singleton dimension (NaN ignored; complex by modulus)
// with the 1-based position of the first extreme, and the element-wise forms.
std::pair<Array, Array> maxWithIndex(const Array& x);
std::pair<Array, Array> minWithIndex(const Array& x);
Array max(const Array& x);
Array min(const Array& x);
Array max(const Array& a, const Array& b);
Array min(const Array& a, const Array& b);
Array diff(const Array& x);
Array fliplr(const Array& x);
Array flipud(const Array& x);

// ---- linear algebra -----------------------------------------------------------
// The inverse of a square matrix; a singular one warns and gives Inf entries.
Array inv(const Array& a);
// Reciprocal condition number estimate in the 1-norm (0 for a singular matrix).
double rcond(const Array& a);
// The warnings of inv and mldivide about their LU factors, for compiled kernels that factor
// a matrix themselves: an exactly zero pivot, and a reciprocal condition number (in
// the 1-norm, as rcond estimates it) below eps.
void warnSingularMatrix();
void warnIfBadlyConditioned(double rc);
// [V, D] = eig(A) for a general (real or complex) square matrix. V is never
// singular for a matrix with a repeated eigenvalue that is not defective.
std::pair<Array, Array> eig(const Array& a);
// eig(A): the column of eigenvalues.
Array eigenvalues(const Array& a);

// ---- transform -----------------------------------------------------------------
// Inverse DFT with the factor 1/N along the first dimension whose length is not 1.
Array ifft(const Array& x);
Array fft(const Array& x);
// real(ifft(X)) for an N-by-columns X (N >= 2) that `fill(c, column)` writes one column
// at a time into the transform's own buffer (N values, real and imaginary parts side
// by side), without an Array in between: the same transform and bits as ifft's.
std::vector<double> ifftRealColumns(std::size_t N, std::size_t columns,
                                    const std::function<void(std::size_t, double*)>& fill);

}  // namespace rt
