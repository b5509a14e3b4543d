// The command window's display of values in format short, long, short g and
// long g, loose and compact.
#include "display.hpp"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "runtime/ops.hpp"

namespace mh {
namespace {

using rt::Array;

DisplayFormat fmt(NumberFormat n, bool compact = false) {
  return DisplayFormat{n, compact};
}

std::string shortOf(const Array& a) {
  return displayText("x", a, fmt(NumberFormat::Short));
}

TEST(DisplayScalar, FormatShortRules) {
  EXPECT_EQ(shortOf(3.141592653589793), "x = 3.1416\n");
  EXPECT_EQ(shortOf(5.0), "x = 5\n");
  EXPECT_EQ(shortOf(-12.0), "x = -12\n");
  EXPECT_EQ(shortOf(-0.0), "x = 0\n");
  EXPECT_EQ(shortOf(0.5), "x = 0.5000\n");
  EXPECT_EQ(shortOf(100.5), "x = 100.5000\n");
  EXPECT_EQ(shortOf(1e-8), "x = 1.0000e-08\n");
  EXPECT_EQ(shortOf(12345.678), "x = 1.2346e+04\n");
  EXPECT_EQ(shortOf(123456789.0), "x = 123456789\n");
  EXPECT_EQ(shortOf(1e10), "x = 1.0000e+10\n");
  EXPECT_EQ(shortOf(std::numeric_limits<double>::infinity()), "x = Inf\n");
  EXPECT_EQ(shortOf(-std::numeric_limits<double>::infinity()), "x = -Inf\n");
  EXPECT_EQ(shortOf(std::nan("")), "x = NaN\n");
}

TEST(DisplayScalar, FormatLongAndLongG) {
  const Array pi(3.141592653589793);
  EXPECT_EQ(displayText("ans", pi, fmt(NumberFormat::LongG)), "ans = 3.14159265358979\n");
  EXPECT_EQ(displayText("ans", pi, fmt(NumberFormat::Long)), "ans = 3.141592653589793\n");
  EXPECT_EQ(displayText("ans", Array(0.1), fmt(NumberFormat::LongG)), "ans = 0.1\n");
  EXPECT_EQ(displayText("ans", Array(1e-8), fmt(NumberFormat::LongG)), "ans = 1e-08\n");
  EXPECT_EQ(displayText("ans", Array(2.5e-8), fmt(NumberFormat::LongG)), "ans = 2.5e-08\n");
  EXPECT_EQ(displayText("ans", Array(4096.0), fmt(NumberFormat::LongG)), "ans = 4096\n");
  EXPECT_EQ(displayText("ans", Array(12.5), fmt(NumberFormat::Long)), "ans = 12.50000000000000\n");
  EXPECT_EQ(displayText("ans", pi, fmt(NumberFormat::ShortE)), "ans = 3.1416e+00\n");
  EXPECT_EQ(displayText("ans", pi, fmt(NumberFormat::ShortG)), "ans = 3.1416\n");
}

TEST(DisplayScalar, ComplexPartsShareOneNotation) {
  EXPECT_EQ(shortOf(rt::Complex(0.5, 0.2)), "x = 0.5000 + 0.2000i\n");
  EXPECT_EQ(shortOf(rt::Complex(1, -2)), "x = 1.0000 - 2.0000i\n");
  EXPECT_EQ(shortOf(rt::Complex(0, 2)), "x = 0.0000 + 2.0000i\n");
  EXPECT_EQ(shortOf(rt::Complex(-1500, 2)), "x = -1.5000e+03 + 2.0000e+00i\n");
  EXPECT_EQ(displayText("z", Array(rt::Complex(0.5, 0.2)), fmt(NumberFormat::LongG)),
            "z = 0.5 + 0.2i\n");
}

TEST(DisplayEmpty, ShowsTheSize) {
  EXPECT_EQ(shortOf(rt::zeros(0, 0)), "x = [](0x0)\n");
  EXPECT_EQ(shortOf(rt::zeros(1, 0)), "x = [](1x0)\n");
  EXPECT_EQ(shortOf(Array::str("")), "x = ''\n");
  EXPECT_EQ(shortOf(Array::cell({0, 0})), "x = {}(0x0)\n");
}

TEST(DisplayText, RowsOfCharactersAsText) {
  EXPECT_EQ(shortOf(Array::str("matchad")), "x = matchad\n");
  EXPECT_EQ(shortOf(Array::str("Spänning på ledare 2")), "x = Spänning på ledare 2\n");
  const Array two = rt::vertcat({Array::str("ab"), Array::str("cd")});
  EXPECT_EQ(shortOf(two), "x =\n\nab\ncd\n\n");
}

TEST(DisplayMatrix, IntegersInColumns) {
  EXPECT_EQ(shortOf(rt::matrix(2, 2, {1, 3, 2, 4})), "x =\n\n     1     2\n     3     4\n\n");
  EXPECT_EQ(shortOf(rt::row({1, -2})), "x =\n\n     1    -2\n\n");
  EXPECT_EQ(shortOf(rt::row({50, std::numeric_limits<double>::infinity()})),
            "x =\n\n    50   Inf\n\n");
  EXPECT_EQ(shortOf(rt::row({1234567, 1})), "x =\n\n   1234567         1\n\n");
}

TEST(DisplayMatrix, DecimalsWithACommonScaleFactor) {
  EXPECT_EQ(shortOf(rt::row({0.5, 0.25})), "x =\n\n    0.5000    0.2500\n\n");
  EXPECT_EQ(shortOf(rt::row({1e-7, 2e-7})), "x =\n\n   1.0e-07 *\n\n    1.0000    2.0000\n\n");
  EXPECT_EQ(shortOf(rt::row({1000.5, 2})), "x =\n\n   1.0e+03 *\n\n    1.0005    0.0020\n\n");
  EXPECT_EQ(shortOf(rt::column({-0.5, std::nan("")})), "x =\n\n   -0.5000\n       NaN\n\n");
}

TEST(DisplayMatrix, LogicalComplexAndLongG) {
  EXPECT_EQ(shortOf(Array::logical({1, 3}, {1, 0, 1})), "x =\n\n   1   0   1\n\n");
  const Array z = Array::fromData({1, 2}, {1, 3.5}, {2, -1});
  EXPECT_EQ(shortOf(z), "x =\n\n   1.0000 + 2.0000i   3.5000 - 1.0000i\n\n");
  EXPECT_EQ(displayText("x", rt::row({3.141592653589793, 1e-8}), fmt(NumberFormat::LongG)),
            "x =\n\n   3.14159265358979              1e-08\n\n");
}

TEST(DisplayMatrix, CompactDropsTheBlankLines) {
  EXPECT_EQ(displayText("x", rt::row({1, 2}), fmt(NumberFormat::Short, true)),
            "x =\n     1     2\n");
}

TEST(DisplayMatrix, PagesOfAThreeDimensionalArray) {
  const Array a = rt::reshape(rt::colon(1.0, 4.0), {1, 2, 2});
  EXPECT_EQ(shortOf(a), "x(:,:,1) =\n\n     1     2\n\nx(:,:,2) =\n\n     3     4\n\n");
}

TEST(DisplayCell, OneSummaryPerElement) {
  const Array c =
      Array::cell({1, 3}, {Array(1.0), Array::str("två"), rt::matrix(2, 2, {1, 2, 3, 4})});
  EXPECT_EQ(shortOf(c), "x =\n\n    [1]    'två'    [2x2 double]\n\n");
}

TEST(Disp, ShowsTheValueWithoutItsName) {
  const DisplayFormat f = fmt(NumberFormat::Short);
  EXPECT_EQ(dispText(Array(3.141592653589793), f), "    3.1416\n");
  EXPECT_EQ(dispText(Array(5.0), f), "     5\n");
  EXPECT_EQ(dispText(Array::str("Beräkning pågår!"), f), "Beräkning pågår!\n");
  EXPECT_EQ(dispText(rt::zeros(0, 0), f), "");
  EXPECT_EQ(dispText(rt::row({1e-7, 2e-7}), f), "   1.0e-07 *\n\n    1.0000    2.0000\n");
}

}  // namespace
}  // namespace mh
