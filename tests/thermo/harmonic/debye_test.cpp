// The Debye function against reference values, and its inversion.
#include <gtest/gtest.h>

#include <cmath>
#include <utility>

#include "thermo/harmonic/debye.hpp"

#include "testutil.hpp"

namespace {

using namespace thermotest;

TEST(ThermoDebye, FunctionMatchesItsLimitsAndReferenceValues) {
  EXPECT_DOUBLE_EQ(debyecv(0.0), 1.0);
  EXPECT_NEAR(debyecv(1e-3), 1.0 - 1e-6 / 20.0 + 1e-12 / 560.0, 1e-15);
  // Low-temperature law: c = 4 pi^4 / (5 y^3) once e^-y is negligible.
  const double pi = 3.14159265358979323846;
  EXPECT_NEAR(debyecv(100.0) / (4.0 * std::pow(pi, 4) / (5.0 * 1e6)), 1.0, 1e-14);
  // Values of 3/y^3 int_0^y x^4 e^x/(e^x-1)^2 dx computed with mpmath at 30
  // digits, on both sides of the change of method at y = 3.
  const std::pair<double, double> reference[] = {
      {0.5, 0.98761075209973746642}, {1.0, 0.95173213570327944724}, {2.999, 0.66292453542045963439},
      {3.0, 0.6627580441523862805},  {7.5, 0.16216879965612278147}, {10.0, 0.0758210030310913252},
      {40.0, 0.0012176136379244656632}};
  for (auto [y, c] : reference) EXPECT_NEAR(debyecv(y) / c, 1.0, 1e-14) << y;
  // Continuous across the change of method.
  EXPECT_NEAR(debyecv(std::nextafter(3.0, 0.0)) / debyecv(3.0), 1.0, 1e-14);
  // The solver inverts the function to 1e-10 and more (below y = 0.05, that
  // is above 20 theta, c is within 1e-4 of 1 and y is ill-conditioned).
  for (double y : {0.05, 0.1, 1.0, 2.999, 3.0, 7.5, 40.0, 500.0}) {
    const double theta = debyetemperature(debyecv(y), 100.0);
    EXPECT_NEAR(theta / (100.0 * y), 1.0, 1e-10) << y;
  }
  EXPECT_TRUE(std::isnan(debyetemperature(0.5, 0.0)));
  EXPECT_TRUE(std::isnan(debyetemperature(1.2, 10.0)));
  EXPECT_TRUE(std::isnan(debyetemperature(0.0, 10.0)));
}

}  // namespace
