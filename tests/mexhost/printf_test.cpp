// sprintf/fprintf formatting: the format reused over all data, conversions,
// flags, escapes, and the host language's particular cases.
#include "printf.hpp"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <limits>

#include "runtime/error.hpp"
#include "runtime/ops.hpp"

namespace mh {
namespace {

using rt::Array;

std::string f(const std::string& format, std::vector<Array> args = {}) {
  return formatData(format, args);
}

TEST(Printf, TheFormatIsReusedOverAllElementsInColumnOrder) {
  EXPECT_EQ(f("%d\\n", {rt::row({1, 2, 3})}), "1\n2\n3\n");
  EXPECT_EQ(f("%d,", {rt::matrix(2, 2, {1, 2, 3, 4})}), "1,2,3,4,");
  EXPECT_EQ(f("%d %d|", {Array(1.0), rt::row({2, 3, 4})}), "1 2|3 4|");
}

TEST(Printf, OutputStopsAtTheFirstConversionWithoutData) {
  EXPECT_EQ(f("%d, %d\\n", {rt::row({1, 2, 3})}), "1, 2\n3, ");
  EXPECT_EQ(f("%s=%d\\n", {Array::str("x")}), "x=");
}

TEST(Printf, WithoutDataTheFormatIsWrittenOnceWithEmptyConversions) {
  EXPECT_EQ(f("a%db\\n"), "ab\n");
  EXPECT_EQ(f("plain text"), "plain text");
  EXPECT_EQ(f("%d|", {rt::zeros(0, 0)}), "|");
  EXPECT_EQ(f("abc", {Array(1.0), Array(2.0)}), "abc");
}

TEST(Printf, TextArgumentsAndConversions) {
  EXPECT_EQ(f("%s-%d", {Array::str("abc"), Array(5.0)}), "abc-5");
  EXPECT_EQ(f("%d", {Array::str("ab")}), "9798");
  EXPECT_EQ(f("%c%c|", {Array::str("abc")}), "ab|c");
  EXPECT_EQ(f("%s", {Array(65.0)}), "A");
  EXPECT_EQ(f("%s", {Array(3.5)}), "3.500000e+00");
  EXPECT_EQ(f("%c", {Array(229.0)}), "å");
  EXPECT_EQ(f("<%s>", {Array::str("Spänning")}), "<Spänning>");
  EXPECT_EQ(f("[%6s]", {Array::str("åäö")}), "[   åäö]");
  EXPECT_EQ(f("[%-5s]", {Array::str("ab")}), "[ab   ]");
  EXPECT_EQ(f("[%.2s]", {Array::str("ärta")}), "[är]");
}

TEST(Printf, NumericConversionsWidthsAndFlags) {
  EXPECT_EQ(f("%5.2f|", {Array(3.14159)}), " 3.14|");
  EXPECT_EQ(f("%-5d|", {Array(3.0)}), "3    |");
  EXPECT_EQ(f("%+d", {Array(5.0)}), "+5");
  EXPECT_EQ(f("%05.1f", {Array(3.14159)}), "003.1");
  EXPECT_EQ(f("%i", {Array(-42.0)}), "-42");
  EXPECT_EQ(f("%x %X %o", {Array(255.0), Array(255.0), Array(8.0)}), "ff FF 10");
  EXPECT_EQ(f("%e", {Array(12345.678)}), "1.234568e+04");
  EXPECT_EQ(f("%g %g", {Array(1e-5), Array(100000.0)}), "1e-05 100000");
  EXPECT_EQ(f("%G", {Array(1e-10)}), "1E-10");
  EXPECT_EQ(f("%*d|", {Array(5.0), Array(42.0)}), "   42|");
  EXPECT_EQ(f("%.*f", {Array(2.0), Array(3.14159)}), "3.14");
  EXPECT_EQ(f("%d", {Array(1e15)}), "1000000000000000");
}

TEST(Printf, SeventeenSignificantDigitsShowADoubleExactly) {
  EXPECT_EQ(f("%.17g", {Array(0.1)}), "0.10000000000000001");
  EXPECT_EQ(f("%.17g", {Array(1.0 / 3.0)}), "0.33333333333333331");
  const double step = 2.5e-8 / 4095;
  EXPECT_EQ(std::strtod(f("%.17g", {Array(step)}).c_str(), nullptr), step);
}

TEST(Printf, AWholeNumberConversionOfAFractionUsesE) {
  EXPECT_EQ(f("%d", {Array(1.5)}), "1.500000e+00");
  EXPECT_EQ(f("%x", {Array(-1.0)}), "-1.000000e+00");
}

TEST(Printf, InfAndNaNInEveryNumericConversion) {
  const double inf = std::numeric_limits<double>::infinity();
  EXPECT_EQ(f("%d %f %e %g", {rt::row({inf, -inf, inf, std::nan("")})}), "Inf -Inf Inf NaN");
  EXPECT_EQ(f("%5.1f|", {Array(std::nan(""))}), "  NaN|");
}

TEST(Printf, EscapesInTheFormatOnly) {
  EXPECT_EQ(f("a\\tb\\\\c"), "a\tb\\c");
  EXPECT_EQ(f("100%%"), "100%");
  EXPECT_EQ(f("\\x41\\101"), "AA");
  EXPECT_EQ(f("%s", {Array::str("a\\nb")}), "a\\nb");
  EXPECT_EQ(processEscapes("\\q"), "\\q");
}

TEST(Printf, LogicalAndComplexValues) {
  EXPECT_EQ(f("%d", {Array::logicalScalar(true)}), "1");
  EXPECT_EQ(f("%g", {Array(rt::Complex(1.5, 2.0))}), "1.5");
}

TEST(Printf, CellArgumentsAreRefused) {
  EXPECT_THROW(f("%d", {Array::cell({1, 1})}), rt::Error);
}

}  // namespace
}  // namespace mh
