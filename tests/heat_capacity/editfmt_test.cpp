// The edit-descriptor writer at the boundaries of each field the table uses.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <string>

#include "heat_capacity/editfmt.hpp"

namespace {

std::string f(double v, int w, int d) {
  char buf[heat_capacity::maxfield];
  return std::string(buf, heat_capacity::putf(buf, v, w, d));
}
std::string es(double v, int w, int d) {
  char buf[heat_capacity::maxfield];
  return std::string(buf, heat_capacity::putes(buf, v, w, d));
}
std::string a(const char* s, int w) {
  char buf[heat_capacity::maxfield];
  return std::string(buf, heat_capacity::puta(buf, s, w));
}

const double inf = std::numeric_limits<double>::infinity();
const double nan = std::numeric_limits<double>::quiet_NaN();

TEST(FixedPoint, LayoutAndRounding) {
  EXPECT_EQ(f(10, 7, 2), "  10.00");
  EXPECT_EQ(f(990, 7, 2), " 990.00");
  EXPECT_EQ(f(0.5, 9, 5), "  0.50000");
  EXPECT_EQ(f(23.58848, 9, 5), " 23.58848");
  EXPECT_EQ(f(0.0045, 9, 3), "    0.004");  // 0.0045 lies below the tie in binary
  EXPECT_EQ(f(0.0415, 9, 3), "    0.042");  // and 0.0415 above it
  // Exact binary ties go to even.
  EXPECT_EQ(f(0.125, 7, 2), "   0.12");
  EXPECT_EQ(f(0.375, 7, 2), "   0.38");
  EXPECT_EQ(f(2.5, 4, 0), "  2.");
  EXPECT_EQ(f(3.5, 4, 0), "  4.");
}

TEST(FixedPoint, NegativeValuesKeepTheirSign) {
  EXPECT_EQ(f(-0.001, 7, 2), "  -0.00");
  EXPECT_EQ(f(-0.0, 9, 5), " -0.00000");
  EXPECT_EQ(f(-1e-300, 9, 5), " -0.00000");
  EXPECT_EQ(f(-5e-324, 9, 5), " -0.00000");  // subnormal
  EXPECT_EQ(f(-99.99999, 9, 5), "-99.99999");
}

TEST(FixedPoint, OverflowFillsWithAsterisks) {
  EXPECT_EQ(f(999.99999, 9, 5), "999.99999");
  EXPECT_EQ(f(999.999995, 9, 5), "*********");  // rounds to 1000.00000
  EXPECT_EQ(f(std::nextafter(999.999995, 0.0), 9, 5), "999.99999");
  EXPECT_EQ(f(-99.9999951, 9, 5), "*********");  // rounds to -100.00000
  EXPECT_EQ(f(-99.999995, 9, 5), "-99.99999");   // lies above the tie in binary
  EXPECT_EQ(f(1e300, 9, 5), "*********");
  EXPECT_EQ(f(9999.994, 7, 2), "9999.99");
  EXPECT_EQ(f(9999.996, 7, 2), "*******");
  // The 0 before the point goes only when it alone does not fit.
  EXPECT_EQ(f(-0.5, 4, 2), "-.50");
  EXPECT_EQ(f(0.5, 3, 2), ".50");
}

TEST(Scientific, LayoutAndRounding) {
  EXPECT_EQ(es(4.3420691e-07, 15, 7), "  4.3420691E-07");
  EXPECT_EQ(es(-2.5e-5, 15, 7), " -2.5000000E-05");
  EXPECT_EQ(es(0.0, 15, 7), "  0.0000000E+00");
  EXPECT_EQ(es(-0.0, 15, 7), " -0.0000000E+00");
  EXPECT_EQ(es(1.0, 15, 7), "  1.0000000E+00");
  // Exact binary ties go to even.
  EXPECT_EQ(es(1.25, 8, 1), " 1.2E+00");
  EXPECT_EQ(es(1.75, 8, 1), " 1.8E+00");
  EXPECT_EQ(es(1.00000005960464477539062500, 15, 7), "  1.0000001E+00");  // 1 + 2^-24: above
  EXPECT_EQ(es(1.0000000500000000, 15, 7), "  1.0000000E+00");  // below the tie in binary
  EXPECT_EQ(es(9.9999999500001, 15, 7), "  1.0000000E+01");  // carry into the exponent
}

TEST(Scientific, ThreeDigitExponentsDropTheLetter) {
  EXPECT_EQ(es(9.99999995e99, 15, 7), "  1.0000000+100");
  EXPECT_EQ(es(9.9999999e99, 15, 7), "  9.9999999E+99");
  EXPECT_EQ(es(1e-100, 15, 7), "  1.0000000-100");
  EXPECT_EQ(es(-1.7976931348623157e308, 15, 7), " -1.7976931+308");
  EXPECT_EQ(es(5e-324, 15, 7), "  4.9406565-324");  // smallest subnormal
  EXPECT_EQ(es(2.2250738585072014e-308, 15, 7), "  2.2250739-308");
  EXPECT_EQ(es(1.0, 5, 2), "*****");
}

TEST(NonFinite, RightAlignedInEveryField) {
  EXPECT_EQ(f(nan, 7, 2), "    NaN");
  EXPECT_EQ(f(-nan, 9, 5), "      NaN");
  EXPECT_EQ(es(nan, 15, 7), "            NaN");
  EXPECT_EQ(f(inf, 7, 2), "    Inf");
  EXPECT_EQ(f(-inf, 7, 2), "   -Inf");
  EXPECT_EQ(f(inf, 9, 5), " Infinity");
  EXPECT_EQ(f(-inf, 9, 5), "-Infinity");
  EXPECT_EQ(es(-inf, 15, 7), "      -Infinity");
  EXPECT_EQ(f(-inf, 3, 1), "***");
  EXPECT_EQ(f(nan, 2, 1), "**");
}

TEST(Text, RightAlignedOrCut) {
  EXPECT_EQ(a("eV/K", 5), " eV/K");
  EXPECT_EQ(a("J/mol/K", 8), " J/mol/K");
  EXPECT_EQ(a("J/mol/K", 3), "J/m");
}

TEST(FreeForm, SpelledAsAListDirectedWrite) {
  // Expected texts are those of gfortran's list-directed write.
  auto real = [](double v) {
    char buf[heat_capacity::maxfield];
    return std::string(buf, heat_capacity::putlistreal(buf, v));
  };
  EXPECT_EQ(real(22.15140151977539), "   22.151401519775391     ");
  EXPECT_EQ(real(-22.15140151977539), "  -22.151401519775391     ");
  EXPECT_EQ(real(0.0), "   0.0000000000000000     ");
  EXPECT_EQ(real(0.1), "  0.10000000000000001     ");
  EXPECT_EQ(real(1e20), "   1.0000000000000000E+020");
  EXPECT_EQ(real(1e-2), "   1.0000000000000000E-002");
  EXPECT_EQ(real(99999999999999999.0), "   1.0000000000000000E+017");
  char buf[heat_capacity::maxfield];
  EXPECT_EQ(std::string(buf, heat_capacity::putlistint(buf, 99)), "          99");
  EXPECT_EQ(std::string(buf, heat_capacity::putlistint(buf, -5)), "          -5");
}

}  // namespace
