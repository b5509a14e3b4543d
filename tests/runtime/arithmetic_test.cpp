// Arithmetic with scalar expansion, complex promotion and narrowing, relations and logic.
#include <cmath>

#include "test_util.hpp"

namespace rt {
namespace {

using testing::errorOf;

TEST(ArithmeticAndExpansion, ScalarExpandsOverEveryElement) {
  const Array m = matrix(2, 2, {1, 2, 3, 4});
  EXPECT_EQ((m + 1.0).re(), (std::vector<double>{2, 3, 4, 5}));
  EXPECT_EQ(minus(10.0, m).re(), (std::vector<double>{9, 8, 7, 6}));
  EXPECT_EQ(times(m, 2.0).re(), (std::vector<double>{2, 4, 6, 8}));
  EXPECT_EQ(rdivide(1.0, m).re(), (std::vector<double>{1, 0.5, 1.0 / 3, 0.25}));
  EXPECT_EQ(power(m, 2.0).re(), (std::vector<double>{1, 4, 9, 16}));
  EXPECT_EQ((-m).re(), (std::vector<double>{-1, -2, -3, -4}));
}

TEST(ArithmeticAndExpansion, SizeMismatchNamesBothSizes) {
  const Error e = errorOf([] { plus(zeros(2, 3), zeros(3, 2)); });
  EXPECT_EQ(e.identifier(), errid::kNonconformant);
  EXPECT_NE(e.message().find("2x3"), std::string::npos) << e.message();
  EXPECT_NE(e.message().find("3x2"), std::string::npos) << e.message();
  const Error m = errorOf([] { mtimes(zeros(2, 3), zeros(2, 3)); });
  EXPECT_NE(m.message().find("2x3"), std::string::npos) << m.message();
}

TEST(ArithmeticAndExpansion, MatrixProductAndTransposes) {
  const Array a = matrix(2, 3, {1, 4, 2, 5, 3, 6});  // [1 2 3; 4 5 6]
  const Array b = matrix(3, 1, {1, 1, 1});
  EXPECT_EQ(mtimes(a, b).re(), (std::vector<double>{6, 15}));
  EXPECT_EQ(transpose(a).dims(), (Dims{3, 2}));
  EXPECT_EQ(transpose(a).re(), (std::vector<double>{1, 2, 3, 4, 5, 6}));
  const Array z = Array::fromData({1, 2}, {1, 2}, {3, -4});
  EXPECT_EQ(ctranspose(z).im(), (std::vector<double>{-3, 4}));
  EXPECT_EQ(transpose(z).im(), (std::vector<double>{3, -4}));
  // Outer product of a column and a row.
  const Array outer = column({1, 2}) * row({3, 4, 5});
  EXPECT_EQ(outer.dims(), (Dims{2, 3}));
  EXPECT_EQ(outer.re(), (std::vector<double>{3, 6, 4, 8, 5, 10}));
}

TEST(ArithmeticAndExpansion, MatrixPowerAndDivision) {
  const Array a = matrix(2, 2, {2, 0, 1, 3});
  const Array sq = mpower(a, 2.0);
  EXPECT_EQ(sq.re(), mtimes(a, a).re());
  const Array x = mrdivide(row({4, 6}), 2.0);
  EXPECT_EQ(x.re(), (std::vector<double>{2, 3}));
  const Array y = mrdivide(row({2, 3}), a);  // y*a = [2 3]
  const Array back = mtimes(y, a);
  EXPECT_NEAR(back.reAt(0), 2.0, 1e-15);
  EXPECT_NEAR(back.reAt(1), 3.0, 1e-15);
}

TEST(ComplexPromotionAndNarrowing, PromotesWhereTheHostGivesComplex) {
  const Array s = sqrt(Array(-4.0));
  ASSERT_TRUE(s.isComplex());
  EXPECT_EQ(s.reAt(0), 0.0);
  EXPECT_EQ(s.imAt(0), 2.0);
  const Array l = log(Array(-1.0));
  ASSERT_TRUE(l.isComplex());
  EXPECT_DOUBLE_EQ(l.imAt(0), M_PI);
  const Array p = power(Array(-8.0), Array(1.0 / 3));
  EXPECT_TRUE(p.isComplex());
  EXPECT_FALSE(power(Array(-2.0), Array(3.0)).isComplex());
  EXPECT_EQ(power(Array(-2.0), Array(3.0)).reAt(0), -8.0);
  EXPECT_FALSE(sqrt(row({4, 9})).isComplex());
  EXPECT_EQ(log(Array(0.0)).reAt(0), -INFINITY);
}

TEST(ComplexPromotionAndNarrowing, AllZeroImaginaryPartsBecomeReal) {
  const Array i(Complex(0, 1));
  const Array sq = times(i, i);
  EXPECT_FALSE(sq.isComplex());
  EXPECT_EQ(sq.reAt(0), -1.0);
  const Array z = Array::fromData({1, 2}, {1, 2}, {3, 4});
  EXPECT_FALSE(plus(z, conj(z)).isComplex());
  EXPECT_FALSE(real(z).isComplex());
  EXPECT_TRUE(Array(Complex(1, 0)).isComplex() == false);
}

TEST(ComplexPromotionAndNarrowing, RealFactorDoesNotTurnInfinityIntoNaN) {
  const Array r = times(Array(2.0), Array(Complex(INFINITY, 1)));
  EXPECT_EQ(r.reAt(0), INFINITY);
  EXPECT_EQ(r.imAt(0), 2.0);
  const Array q = rdivide(Array(Complex(INFINITY, 1)), Array(2.0));
  EXPECT_EQ(q.imAt(0), 0.5);
}

TEST(ComplexPromotionAndNarrowing, ComplexMatrixProduct) {
  const Array a = Array::fromData({2, 2}, {1, 0, 0, 1}, {0, 1, 1, 0});  // [1 i; i 1]
  const Array p = mtimes(a, a);                                         // [0 2i; 2i 0]
  EXPECT_EQ(p.re(), (std::vector<double>{0, 0, 0, 0}));
  EXPECT_EQ(p.im(), (std::vector<double>{0, 2, 2, 0}));
}

TEST(RelationsAndLogic, GiveLogicalArrays) {
  const Array a = row({1, 2, 3});
  const Array l = lt(a, 2.5);
  EXPECT_TRUE(l.isLogical());
  EXPECT_EQ(l.re(), (std::vector<double>{1, 1, 0}));
  EXPECT_EQ(ge(a, 2.0).re(), (std::vector<double>{0, 1, 1}));
  EXPECT_EQ(eq(a, row({1, 0, 3})).re(), (std::vector<double>{1, 0, 1}));
  EXPECT_EQ(ne(a, 2.0).re(), (std::vector<double>{1, 0, 1}));
  EXPECT_EQ(land(a, row({0, 1, 1})).re(), (std::vector<double>{0, 1, 1}));
  EXPECT_EQ(lor(row({0, 0, 1}), row({0, 1, 0})).re(), (std::vector<double>{0, 1, 1}));
  EXPECT_EQ(lnot(row({0, 2})).re(), (std::vector<double>{1, 0}));
  // Equality compares imaginary parts, ordering compares real parts.
  EXPECT_EQ(eq(Array(Complex(1, 1)), Array(1.0)).reAt(0), 0.0);
  EXPECT_EQ(lt(Array(Complex(1, 5)), Array(2.0)).reAt(0), 1.0);
}

TEST(RelationsAndLogic, TruthOfAnArrayAsInIf) {
  EXPECT_TRUE(isTrue(row({1, 2})));
  EXPECT_FALSE(isTrue(row({1, 0})));
  EXPECT_FALSE(isTrue(zeros(0, 0)));
  EXPECT_TRUE(isTrue(Array(Complex(0, 1))));
  EXPECT_THROW(isTrue(Array(NAN)), Error);
  EXPECT_TRUE(isTrue(anyOf(row({0, 0, 1}))));
  EXPECT_FALSE(isTrue(allOf(row({0, 1}))));
  EXPECT_EQ(allOf(matrix(2, 2, {1, 1, 0, 1})).re(), (std::vector<double>{1, 0}));
  EXPECT_TRUE(isTrue(allOf(zeros(0, 0))));
  EXPECT_FALSE(isTrue(anyOf(zeros(0, 0))));
}

TEST(ArithmeticAndExpansion, CharAndLogicalTakePartAsDoubles) {
  const Array s = Array::str("ab");
  const Array r = plus(s, 1.0);
  EXPECT_TRUE(r.isDouble());
  EXPECT_EQ(r.re(), (std::vector<double>{98, 99}));
  EXPECT_TRUE(plus(lt(1.0, 2.0), 1.0).isDouble());
}

TEST(ArithmeticAndExpansion, UndefinedOperandIsAnError) {
  EXPECT_THROW(plus(Array(), 1.0), Error);
  EXPECT_THROW(sqrt(Array()), Error);
}

}  // namespace
}  // namespace rt
