// Building arrays: ranges, concatenation, constant matrices, reshape and permute.
#include <cmath>
#include <functional>

#include "test_util.hpp"

namespace rt {
namespace {

TEST(BuildingAndRanges, TimeGridHasExactEndPoint) {
  const double tmax = 2.5e-08;
  const double nt = 4096;
  const Array t = colon(0.0, tmax / (nt - 1), tmax);
  ASSERT_EQ(t.dims(), (Dims{1, 4096}));
  EXPECT_EQ(t.reAt(4095), tmax);
  EXPECT_EQ(t.reAt(0), 0.0);
  EXPECT_DOUBLE_EQ(t.reAt(1), tmax / 4095);
  EXPECT_DOUBLE_EQ(t.reAt(1), 6.105006105006105e-12);
  for (std::size_t k = 1; k < 4096; ++k) {
    ASSERT_NEAR(t.reAt(k) - t.reAt(k - 1), tmax / 4095, 1e-23) << k;
  }
}

TEST(BuildingAndRanges, RangeEndPointRules) {
  EXPECT_EQ(colon(1.0, 5.0).re(), (std::vector<double>{1, 2, 3, 4, 5}));
  EXPECT_EQ(colon(1.0, 2.0, 6.0).re(), (std::vector<double>{1, 3, 5}));
  EXPECT_EQ(colon(5.0, -2.0, 1.0).re(), (std::vector<double>{5, 3, 1}));
  EXPECT_EQ(colon(1.0, 0.5).dims(), (Dims{1, 0}));
  EXPECT_EQ(colon(1.0, 0.0, 5.0).dims(), (Dims{1, 0}));
  // 0:0.1:1 has 11 elements and ends exactly at 1.
  const Array r = colon(0.0, 0.1, 1.0);
  ASSERT_EQ(r.numel(), 11u);
  EXPECT_EQ(r.reAt(10), 1.0);
  EXPECT_EQ(colon(1.0, 2048.0).numel(), 2048u);
  EXPECT_EQ(colon(1.5, 3.7).re(), (std::vector<double>{1.5, 2.5, 3.5}));
}

TEST(BuildingAndRanges, ConcatenationDropsEmptiesAndChecksSizes) {
  const Array a = row({1, 2});
  EXPECT_EQ(horzcat({a, zeros(0, 0), Array(3.0)}).re(), (std::vector<double>{1, 2, 3}));
  const Array v = vertcat({a, row({3, 4})});
  EXPECT_EQ(v.dims(), (Dims{2, 2}));
  EXPECT_EQ(v.re(), (std::vector<double>{1, 3, 2, 4}));
  EXPECT_EQ(vertcat({zeros(0, 0), column({1, 2})}).dims(), (Dims{2, 1}));
  EXPECT_THROW(horzcat({row({1, 2}), column({1, 2})}), Error);
  // Frequency grid of the driver: [eps, 1:nt/2] / tmax.
  const Array f = rdivide(horzcat({Array(2.220446049250313e-16), colon(1.0, 2048.0)}), 2.5e-08);
  EXPECT_EQ(f.dims(), (Dims{1, 2049}));
  EXPECT_DOUBLE_EQ(f.reAt(0), 8.881784197001252e-09);
  EXPECT_DOUBLE_EQ(f.reAt(2048), 8.192e10);
  const Array mixed = horzcat({Array::str("ab"), Array::str("c")});
  EXPECT_TRUE(mixed.isChar());
  EXPECT_EQ(mixed.utf8(), "abc");
  const Array cplx = vertcat({Array(1.0), Array(Complex(0, 2))});
  EXPECT_TRUE(cplx.isComplex());
  EXPECT_EQ(cplx.im(), (std::vector<double>{0, 2}));
}

TEST(BuildingAndRanges, ConstantMatricesDiagAndTriu) {
  EXPECT_EQ(eye(2, 3).re(), (std::vector<double>{1, 0, 0, 1, 0, 0}));
  EXPECT_EQ(ones(2, 1).re(), (std::vector<double>{1, 1}));
  EXPECT_EQ(zeros(Dims{2, 1, 3}).dims(), (Dims{2, 1, 3}));
  EXPECT_EQ(zeros(Dims{2, 3, 1}).dims(), (Dims{2, 3}));
  const Array d = diag(column({1, 2}));
  EXPECT_EQ(d.re(), (std::vector<double>{1, 0, 0, 2}));
  EXPECT_EQ(diag(matrix(2, 3, {1, 2, 3, 4, 5, 6})).re(), (std::vector<double>{1, 4}));
  EXPECT_EQ(diag(matrix(2, 3, {1, 2, 3, 4, 5, 6})).dims(), (Dims{2, 1}));
  const Array m = matrix(3, 3, {1, 2, 3, 4, 5, 6, 7, 8, 9});
  EXPECT_EQ(triu(m).re(), (std::vector<double>{1, 0, 0, 4, 5, 0, 7, 8, 9}));
  EXPECT_EQ(triu(m, 1).re(), (std::vector<double>{0, 0, 0, 4, 0, 0, 7, 8, 0}));
}

TEST(BuildingAndRanges, FactoriesRefuseDataOfAnotherSize) {
  const std::function<Array()> builds[] = {
      [] {
        return Array::fromData({2, 2}, {1, 2, 3});
      },
      [] {
        return Array::ofClass(ClassId::Char, {1, 3}, {65, 66});
      },
      [] {
        return Array::cell({1, 2}, {Array(1.0)});
      },
      [] {
        return Array(1.0).withDims({2, 1});
      },
  };
  for (const auto& build : builds) EXPECT_THROW(build(), Error);
}

TEST(ThreeDimensionalLayouts, PermuteRoundTripsEveryOrder) {
  std::vector<double> data(2 * 3 * 4);
  for (std::size_t i = 0; i < data.size(); ++i) data[i] = static_cast<double>(i + 1);
  const Array x = Array::fromData({2, 3, 4}, data);
  const std::vector<std::vector<std::size_t>> orders = {{1, 2, 3}, {1, 3, 2}, {2, 1, 3},
                                                        {2, 3, 1}, {3, 1, 2}, {3, 2, 1}};
  for (const auto& o : orders) {
    const Array p = permute(x, o);
    for (std::size_t k = 0; k < 3; ++k) EXPECT_EQ(p.size(k + 1), x.size(o[k]));
    // Inverse permutation brings the data back.
    std::vector<std::size_t> inverse(3);
    for (std::size_t k = 0; k < 3; ++k) inverse[o[k] - 1] = k + 1;
    const Array back = permute(p, inverse);
    EXPECT_EQ(back.dims(), x.dims());
    EXPECT_EQ(back.re(), x.re());
    // Element (i,j,k) of x is at the permuted position of p.
    const Array e = p(Index(static_cast<double>(o[0] == 1 ? 2 : (o[0] == 2 ? 3 : 4))),
                      Index(static_cast<double>(o[1] == 1 ? 2 : (o[1] == 2 ? 3 : 4))),
                      Index(static_cast<double>(o[2] == 1 ? 2 : (o[2] == 2 ? 3 : 4))));
    EXPECT_EQ(e.reAt(0), x(2.0, 3.0, 4.0).reAt(0));
  }
}

TEST(ThreeDimensionalLayouts, MoreDimensionsThanAnArrayKeepsInline) {
  // Up to four sizes live in the array itself, more on the heap: both ways across.
  std::vector<double> data(2 * 3 * 2 * 2);
  for (std::size_t i = 0; i < data.size(); ++i) data[i] = static_cast<double>(i + 1);
  const Array x = Array::fromData({2, 3, 1, 2, 1, 2}, data);
  EXPECT_EQ(x.dims(), (Dims{2, 3, 1, 2, 1, 2}));
  const std::vector<std::size_t> reversed = {6, 5, 4, 3, 2, 1};
  const Array p = permute(x, reversed);
  EXPECT_EQ(p.dims(), (Dims{2, 1, 2, 1, 3, 2}));
  const Array back = permute(p, reversed);
  EXPECT_EQ(back.dims(), x.dims());
  EXPECT_EQ(back.re(), x.re());
  EXPECT_EQ(Array::fromData({2, 3, 1, 1, 1, 1}, std::vector<double>(6)).dims(), (Dims{2, 3}));
  // Growth into a fifth dimension by assignment; the copy keeps it.
  Array g = Array::zeros({2, 2});
  g.assign({1.0, 1.0, 1.0, 1.0, 2.0}, 7.0);
  const Array copy = g;
  EXPECT_EQ(copy.dims(), (Dims{2, 2, 1, 1, 2}));
  EXPECT_EQ(copy.re(), (std::vector<double>{0, 0, 0, 0, 7, 0, 0, 0}));
  EXPECT_EQ(copy.index({all, all, 1.0, 1.0, 2.0}).dims(), (Dims{2, 2}));
}

TEST(ThreeDimensionalLayouts, SourceLayoutOfTheDriver) {
  // VS = permute([1; 0] * v0, [1 3 2]) gives 2-by-1-by-n with VS(:,1,k) = [v0(k); 0].
  const Array v0 = Array::fromData({1, 3}, {1, 2, 3}, {4, 5, 6});
  const Array vs = permute(mtimes(column({1, 0}), v0), row({1, 3, 2}));
  ASSERT_EQ(vs.dims(), (Dims{2, 1, 3}));
  const Array page = vs(all, all, 2.0);
  EXPECT_EQ(page.dims(), (Dims{2, 1}));
  EXPECT_EQ(page.at(0), Complex(2, 5));
  EXPECT_EQ(page.at(1), Complex(0, 0));
  // A 1-by-n-by-M array laid out as M-by-n.
  const Array y = Array::fromData({1, 2, 3}, {1, 2, 3, 4, 5, 6});
  const Array m = permute(y, row({3, 2, 1}));
  EXPECT_EQ(m.dims(), (Dims{3, 2}));
  EXPECT_EQ(m.re(), (std::vector<double>{1, 3, 5, 2, 4, 6}));
}

TEST(ThreeDimensionalLayouts, ReshapeOfAnOuterProductGivesPages) {
  const Array l = matrix(2, 2, {1, 2, 3, 4});
  const Array jw = row({10, 20, 30});
  const Array z = reshape(mtimes(l(all), jw), {2, 2, 3});
  EXPECT_EQ(z.dims(), (Dims{2, 2, 3}));
  EXPECT_EQ(z(all, all, 2.0).re(), (std::vector<double>{20, 40, 60, 80}));
  EXPECT_THROW(reshape(l, {3, 2}), Error);
}

}  // namespace
}  // namespace rt
