// Indexing and indexed assignment.
#include "test_util.hpp"

namespace rt {
namespace {

using testing::errorOf;

const Array kM = matrix(3, 3, {1, 2, 3, 4, 5, 6, 7, 8, 9});  // [1 4 7; 2 5 8; 3 6 9]

TEST(IndexingAndAssignment, LinearAndSubscriptedReference) {
  EXPECT_EQ(kM(5.0).reAt(0), 5.0);
  EXPECT_EQ(kM(2.0, 3.0).reAt(0), 8.0);
  EXPECT_EQ(kM(all, 2.0).re(), (std::vector<double>{4, 5, 6}));
  EXPECT_EQ(kM(all, 2.0).dims(), (Dims{3, 1}));
  EXPECT_EQ(kM(2.0, all).re(), (std::vector<double>{2, 5, 8}));
  EXPECT_EQ(kM(colon(2.0, 3.0), colon(2.0, 3.0)).re(), (std::vector<double>{5, 6, 8, 9}));
  EXPECT_EQ(kM(all).dims(), (Dims{9, 1}));
  // end in the last of two subscripts and of one.
  EXPECT_EQ(kM.endOf(2, 2), 3u);
  EXPECT_EQ(kM.endOf(1, 1), 9u);
  EXPECT_EQ(Array::zeros({2, 3, 4}).endOf(2, 2), 12u);
}

TEST(IndexingAndAssignment, ResultShapeFollowsTheHostRules) {
  const Array r = row({10, 20, 30, 40});
  const Array c = transpose(r);
  EXPECT_EQ(r(column({1, 2})).dims(), (Dims{1, 2}));  // vector source keeps its orientation
  EXPECT_EQ(c(row({1, 2})).dims(), (Dims{2, 1}));
  EXPECT_EQ(kM(row({1, 2})).dims(), (Dims{1, 2}));  // matrix source takes the index shape
  EXPECT_EQ(kM(matrix(2, 2, {1, 2, 3, 4})).dims(), (Dims{2, 2}));
  EXPECT_EQ(Array(5.0)(row({1, 1, 1})).dims(), (Dims{1, 3}));
  const Array mask = gt(r, 15.0);
  EXPECT_EQ(r(mask).re(), (std::vector<double>{20, 30, 40}));
}

TEST(IndexingAndAssignment, BadSubscriptsAreClearErrors) {
  const Error out = errorOf([] { kM(10.0); });
  EXPECT_EQ(out.identifier(), errid::kIndexOutOfBounds);
  EXPECT_NE(out.message().find("10"), std::string::npos);
  EXPECT_EQ(errorOf([] { kM(4.0, 1.0); }).identifier(), errid::kIndexOutOfBounds);
  EXPECT_EQ(errorOf([] { kM(0.0); }).identifier(), errid::kBadIndex);
  EXPECT_EQ(errorOf([] { kM(-1.0); }).identifier(), errid::kBadIndex);
  EXPECT_EQ(errorOf([] { kM(1.5); }).identifier(), errid::kBadIndex);
  EXPECT_EQ(errorOf([] { kM(Array(NAN)); }).identifier(), errid::kBadIndex);
}

TEST(IndexingAndAssignment, AssignmentGrowsWithZeroFill) {
  Array x;
  x.assign({3.0}, Array(7.0));
  EXPECT_EQ(x.dims(), (Dims{1, 3}));
  EXPECT_EQ(x.re(), (std::vector<double>{0, 0, 7}));
  Array c = column({1, 2});
  c.assign({4.0}, Array(4.0));
  EXPECT_EQ(c.dims(), (Dims{4, 1}));
  Array m = matrix(2, 2, {1, 2, 3, 4});
  m.assign({3.0, 3.0}, Array(9.0));
  EXPECT_EQ(m.dims(), (Dims{3, 3}));
  EXPECT_EQ(m.re(), (std::vector<double>{1, 2, 0, 3, 4, 0, 0, 0, 9}));
  // iffts grows its spectrum by rows: supv(M+1:2*(M-1), :) = ...
  Array s = matrix(3, 2, {1, 2, 3, 4, 5, 6});
  s.assign({colon(4.0, 4.0), all}, row({7, 8}));
  EXPECT_EQ(s.dims(), (Dims{4, 2}));
  EXPECT_EQ(s.re(), (std::vector<double>{1, 2, 3, 7, 4, 5, 6, 8}));
  // A matrix cannot grow through a linear subscript.
  EXPECT_THROW(m.assign({20.0}, Array(1.0)), Error);
}

TEST(IndexingAndAssignment, ScalarRightHandSideAndCountMismatch) {
  Array v = zeros(1, 4);
  v.assign({row({2, 4})}, Array(5.0));
  EXPECT_EQ(v.re(), (std::vector<double>{0, 5, 0, 5}));
  EXPECT_EQ(errorOf([&] {
              v.assign({row({1, 2})}, row({1, 2, 3}));
            }).identifier(),
            errid::kNonconformant);
  // Assigning a complex value makes the target complex; a real one can narrow it again.
  v.assign({1.0}, Array(Complex(0, 1)));
  EXPECT_TRUE(v.isComplex());
  v.assign({1.0}, Array(1.0));
  EXPECT_FALSE(v.isComplex());
}

TEST(IndexingAndAssignment, PagesOfThreeDimensionalArrays) {
  Array z = Array::zeros({2, 2, 3});
  z.assign({all, all, 2.0}, matrix(2, 2, {1, 2, 3, 4}));
  EXPECT_EQ(z(all, all, 2.0).re(), (std::vector<double>{1, 2, 3, 4}));
  EXPECT_EQ(z(all, all, 1.0).re(), (std::vector<double>{0, 0, 0, 0}));
  EXPECT_EQ(size(z, 3), 3.0);
  EXPECT_EQ(z(2.0, 4.0).reAt(0), 4.0);  // two subscripts: the second covers pages too
  // Row k of an nf-by-nc result, as the solver fills it.
  Array out = zeros(3, 2);
  out.assign({2.0, all}, row({5, 6}));
  EXPECT_EQ(out.re(), (std::vector<double>{0, 5, 0, 0, 6, 0}));
}

TEST(IndexingAndAssignment, UndefinedValueIsReportedByName) {
  const Error e = errorOf([] { checkDefined(Array(), "hh"); });
  EXPECT_EQ(e.identifier(), errid::kUndefinedInput);
  EXPECT_NE(e.message().find("'hh'"), std::string::npos);
  const Error l = errorOf([] { checkDefined(Array(), "SCR", false); });
  EXPECT_EQ(l.identifier(), errid::kUndefined);
  EXPECT_NE(l.message().find("SCR"), std::string::npos);
  EXPECT_NO_THROW(checkDefined(Array(1.0), "hh"));
  const Error o = errorOf([] { raiseUnassignedOutput("y", "vextrab/ftrapez"); });
  EXPECT_NE(o.message().find("\"y\""), std::string::npos);
  EXPECT_NE(o.message().find("vextrab/ftrapez"), std::string::npos);
}

}  // namespace
}  // namespace rt
