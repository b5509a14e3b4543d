// The inverse transform against the direct sum.
#include <cmath>

#include "test_util.hpp"

namespace rt {
namespace {

Array directInverse(const Array& x) {
  const std::size_t n = x.numel();
  std::vector<double> re(n);
  std::vector<double> im(n);
  for (std::size_t j = 0; j < n; ++j) {
    Complex acc(0, 0);
    for (std::size_t r = 0; r < n; ++r) {
      const double angle = 2 * M_PI * static_cast<double>((r * j) % n) / static_cast<double>(n);
      acc += x.at(r) * Complex(std::cos(angle), std::sin(angle));
    }
    re[j] = acc.real() / static_cast<double>(n);
    im[j] = acc.imag() / static_cast<double>(n);
  }
  return Array::fromData(x.dims(), re, im);
}

Array sample(std::size_t n) {
  std::vector<double> re(n);
  std::vector<double> im(n);
  for (std::size_t i = 0; i < n; ++i) {
    re[i] = std::sin(0.7 * static_cast<double>(i) + 0.3);
    im[i] = std::cos(1.3 * static_cast<double>(i) * static_cast<double>(i) / 17.0);
  }
  return Array::fromData({n, 1}, re, im);
}

TEST(Transform, InverseMatchesDirectSum) {
  for (std::size_t n : {1u, 2u, 6u, 4096u}) {
    const Array x = sample(n);
    const Array fast = ifft(x);
    const Array slow = directInverse(x);
    double worst = 0;
    for (std::size_t i = 0; i < n; ++i) worst = std::max(worst, std::abs(fast.at(i) - slow.at(i)));
    EXPECT_LT(worst, 1e-12) << "n = " << n;
    EXPECT_EQ(fast.dims(), x.dims());
  }
}

TEST(Transform, AlongFirstNonSingletonDimension) {
  // A row transforms along its length; a matrix column by column.
  const Array col = sample(6);
  const Array r = ifft(transpose(col));
  EXPECT_EQ(r.dims(), (Dims{1, 6}));
  const Array expected = directInverse(col);
  for (std::size_t i = 0; i < 6; ++i) EXPECT_LT(std::abs(r.at(i) - expected.at(i)), 1e-14);
  const Array two = horzcat({col, times(col, 2.0)});
  const Array t = ifft(two);
  EXPECT_EQ(t.dims(), (Dims{6, 2}));
  for (std::size_t i = 0; i < 6; ++i) {
    EXPECT_LT(std::abs(t.at(i) - expected.at(i)), 1e-14);
    EXPECT_LT(std::abs(t.at(6 + i) - 2.0 * expected.at(i)), 1e-14);
  }
  // Columns written straight into the transform's buffer: ifft's real part, bit for bit.
  const std::vector<double> direct = ifftRealColumns(6, 2, [&](std::size_t c, double* column) {
    for (std::size_t r = 0; r < 6; ++r) {
      column[2 * r] = two.at(r + 6 * c).real();
      column[2 * r + 1] = two.at(r + 6 * c).imag();
    }
  });
  EXPECT_EQ(direct, real(t).re());
  // 1-by-1-by-M transforms along the pages.
  const Array pages = permute(col, row({3, 2, 1}));
  const Array p = ifft(pages);
  EXPECT_EQ(p.dims(), (Dims{1, 1, 6}));
  for (std::size_t i = 0; i < 6; ++i) EXPECT_LT(std::abs(p.at(i) - expected.at(i)), 1e-14);
}

TEST(Transform, ConjugateSymmetricInputGivesRealSignalAndRoundTrips) {
  const Array x = sample(8);
  const Array back = fft(ifft(x));
  for (std::size_t i = 0; i < 8; ++i) EXPECT_LT(std::abs(back.at(i) - x.at(i)), 1e-14);
  const Array real = ifft(column({4, 1, 0, 1}));
  EXPECT_FALSE(real.isComplex());
  EXPECT_EQ(real.re(), (std::vector<double>{1.5, 1, 0.5, 1}));
  EXPECT_TRUE(ifft(zeros(0, 0)).isEmpty());
}

}  // namespace
}  // namespace rt
