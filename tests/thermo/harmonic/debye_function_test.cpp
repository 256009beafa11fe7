// The Debye function and the Debye solid's reduced functions against
// 50-digit references over theta/T from 1e-6 to 1e4, and their limits.
#include <gtest/gtest.h>

#include <cmath>

#include "thermo/harmonic/debye.hpp"

namespace {

struct reference {
  double y;
  long double d, c, s, f;
};
const reference references[] = {
#include "debye_references.inc"
};

// |got - want| in units in the last place of want.
double ulps(double got, long double want) {
  const double w = static_cast<double>(want);
  const double ulp = std::nextafter(std::fabs(w), INFINITY) - std::fabs(w);
  return static_cast<double>(std::fabs(static_cast<long double>(got) - want)) / ulp;
}

TEST(ThermoDebyeFunction, FewUlpForEveryRatio) {
  // Every function within 5 ulp (the worst now: 4, where the tail of c's
  // integral is taken off the whole near y = 4), at every reference.
  for (const reference& r : references) {
    const thermo::debyereduced q = thermo::debyereducedat(r.y);
    EXPECT_LE(ulps(thermo::debyefunction(r.y), r.d), 5.0) << "D at " << r.y;
    EXPECT_LE(ulps(q.c, r.c), 5.0) << "c at " << r.y;
    EXPECT_LE(ulps(q.s, r.s), 5.0) << "s at " << r.y;
    EXPECT_LE(ulps(q.f, r.f), 5.0) << "f at " << r.y;
    EXPECT_EQ(q.u, thermo::debyefunction(r.y));
  }
  EXPECT_GE(sizeof references / sizeof references[0], 100u);
}

TEST(ThermoDebyeFunction, Limits) {
  EXPECT_EQ(thermo::debyefunction(0.0), 1.0);
  EXPECT_TRUE(std::isnan(thermo::debyefunction(-1.0)));
  // T = 0: every reduced function 0.
  const thermo::debyereduced zero = thermo::debyereducedat(INFINITY);
  EXPECT_EQ(zero.c, 0.0);
  EXPECT_EQ(zero.s, 0.0);
  EXPECT_EQ(zero.f, 0.0);
  // Far beyond e^-y's range: pi^4 / (5 y^3), and S = 4D/3.
  const double pi = 3.14159265358979323846, y = 1e5;
  EXPECT_NEAR(thermo::debyefunction(y) / (pi * pi * pi * pi / (5.0 * y * y * y)), 1.0, 1e-15);
  EXPECT_NEAR(thermo::debyereducedat(y).s / (4.0 / 3.0 * thermo::debyefunction(y)), 1.0, 1e-15);
}

}  // namespace
