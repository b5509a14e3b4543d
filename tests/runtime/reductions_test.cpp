// Size queries, reductions, reorderings and element-wise functions.
#include <cmath>

#include "test_util.hpp"

namespace rt {
namespace {

TEST(Reductions, SumAlongDimensions) {
  const Array m = matrix(2, 3, {1, 2, 3, 4, 5, 6});
  EXPECT_EQ(sum(m).re(), (std::vector<double>{3, 7, 11}));
  EXPECT_EQ(sum(m, 2).re(), (std::vector<double>{9, 12}));
  EXPECT_EQ(sum(m, 2).dims(), (Dims{2, 1}));
  EXPECT_EQ(sum(row({1, 2, 3})).re(), (std::vector<double>{6}));
  EXPECT_EQ(sum(zeros(0, 0)).reAt(0), 0.0);
  EXPECT_EQ(sum(zeros(0, 3)).dims(), (Dims{1, 3}));
  EXPECT_EQ(sum(m, 3).re(), m.re());
  const Array c = Array::fromData({2, 1}, {1, 2}, {1, -1});
  EXPECT_FALSE(sum(c).isComplex());
}

TEST(Reductions, SizeLengthNumel) {
  const Array x = Array::zeros({2, 1, 5});
  EXPECT_EQ(size(x).re(), (std::vector<double>{2, 1, 5}));
  EXPECT_EQ(size(x, 3), 5.0);
  EXPECT_EQ(size(x, 4), 1.0);
  EXPECT_EQ(sizeOutputs(x, 2), (std::vector<double>{2, 5}));
  EXPECT_EQ(length(x), 5.0);
  EXPECT_EQ(length(zeros(3, 0)), 0.0);
  EXPECT_EQ(numel(x), 10.0);
  EXPECT_TRUE(isempty(zeros(0, 3)));
  EXPECT_TRUE(isstr(Array::str("")));
  EXPECT_FALSE(isstr(Array(1.0)));
}

TEST(Reductions, RoundHalvesAwayFromZero) {
  EXPECT_EQ(round(row({-2.5, -1.5, -0.5, 0.5, 1.5, 2.5, 2.4999})).re(),
            (std::vector<double>{-3, -2, -1, 1, 2, 3, 2}));
  // The strip counts of the driver's geometry: round(b/sum(b)*200) + 2.
  const Array b = row({1, 0.2, 0.2});
  const Array nj = plus(round(times(rdivide(b, sum(b)), 200.0)), 2.0);
  EXPECT_EQ(nj.re(), (std::vector<double>{145, 31, 31}));
}

TEST(Reductions, MaxMinDiffFlip) {
  const Array v = row({3, NAN, 7, -1});
  EXPECT_EQ(max(v).reAt(0), 7.0);
  EXPECT_EQ(min(v).reAt(0), -1.0);
  EXPECT_EQ(maxWithIndex(v).second.reAt(0), 3.0);
  EXPECT_EQ(max(matrix(2, 2, {1, 5, 4, 2})).re(), (std::vector<double>{5, 4}));
  EXPECT_EQ(max(row({1, 5}), 3.0).re(), (std::vector<double>{3, 5}));
  EXPECT_EQ(diff(row({1, 4, 9})).re(), (std::vector<double>{3, 5}));
  EXPECT_EQ(diff(column({1, 4, 9})).dims(), (Dims{2, 1}));
  EXPECT_EQ(fliplr(row({1, 2, 3})).re(), (std::vector<double>{3, 2, 1}));
  EXPECT_EQ(flipud(matrix(2, 2, {1, 2, 3, 4})).re(), (std::vector<double>{2, 1, 4, 3}));
  const Array c = Array::fromData({3, 1}, {1, 2, 3}, {4, 5, 6});
  EXPECT_EQ(flipud(c).im(), (std::vector<double>{6, 5, 4}));
}

TEST(ElementwiseFunctions, RealAndComplexBranches) {
  EXPECT_EQ(abs(Array(Complex(3, 4))).reAt(0), 5.0);
  EXPECT_EQ(abs(row({-2, 2})).re(), (std::vector<double>{2, 2}));
  EXPECT_EQ(imag(Array(2.0)).reAt(0), 0.0);
  EXPECT_EQ(conj(Array(Complex(1, 2))).imAt(0), -2.0);
  const Array e = exp(Array(Complex(0, M_PI)));
  EXPECT_NEAR(e.reAt(0), -1.0, 1e-15);
  EXPECT_DOUBLE_EQ(atan(Array(1.0)).reAt(0), M_PI / 4);
  EXPECT_DOUBLE_EQ(sin(Array(M_PI / 2)).reAt(0), 1.0);
  // Principal branch: sqrt of a negative real is on the positive imaginary axis.
  const Array s = sqrt(row({-9, 4}));
  EXPECT_EQ(s.at(0), Complex(0, 3));
  EXPECT_EQ(s.at(1), Complex(2, 0));
}

}  // namespace
}  // namespace rt
