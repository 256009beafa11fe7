// The physics: the harmonic sum against the Debye model for a Debye DOS, the
// quadrature's behaviour, and the limits taken where the literal term fails.
#include <gtest/gtest.h>

#include <cmath>

#include "heat_capacity/debye.hpp"
#include "heat_capacity/dos.hpp"

namespace {

// Boltzmann constant in hartree per kelvin, as the harmonic sum has it.
constexpr double kbha = 1 / (2 * 157884.09375);

// The DOS of a Debye solid, 9 E^2 / E_D^3 (3 states per atom), on 339
// energies from 0 to E_D = k_B * 343 K.
heat_capacity::dostable debyedos() {
  heat_capacity::dostable t;
  const double ed = kbha * 343;
  for (int k = 0; k < heat_capacity::npoints; ++k) {
    const double e = ed * k / (heat_capacity::npoints - 1);
    t.energy[k] = e;
    t.dos[k] = 9 * e * e / (ed * ed * ed);
  }
  return t;
}

TEST(Harmonic, DebyeDosReproducesTheDebyeModel) {
  const auto t = debyedos();
  for (int i = 2; i <= 99; ++i) {
    const double temp = i * 10.0;
    const double harmonic = (heat_capacity::cvdos(t, temp) * 2) * 13.6000003814697265625;  // eV/K
    const double model = heat_capacity::debye(temp, 343.0) * 13.6000003814697265625;
    EXPECT_NEAR(harmonic / model, 1.0, 1e-4) << temp << " K";
  }
}

TEST(Harmonic, ZeroDosGivesZero) {
  auto t = debyedos();
  t.dos.fill(0.0);
  for (double temp : {10.0, 300.0, 990.0}) EXPECT_EQ(heat_capacity::cvdos(t, temp), 0.0);
}

TEST(Harmonic, OverflowingTermsGiveZeroNotNaN) {
  // A grid running to 0.05 hartree: beta E reaches about 1600 at 10 K.
  heat_capacity::dostable t;
  for (int k = 0; k < heat_capacity::npoints; ++k) {
    t.energy[k] = 0.05 * k / (heat_capacity::npoints - 1);
    t.dos[k] = k < 20 ? 1.0 : 0.0;
  }
  const double s = heat_capacity::cvdos(t, 10.0);
  EXPECT_TRUE(std::isfinite(s));
  EXPECT_GT(s, 0.0);
  // Only the low points contribute: the same as a table cut before overflow.
  auto cut = t;
  for (int k = 200; k < heat_capacity::npoints; ++k) cut.energy[k] = cut.energy[199];
  EXPECT_EQ(s, heat_capacity::cvdos(cut, 10.0));
}

TEST(Harmonic, ZeroEnergyTakesTheLimitOfItsTerm) {
  // Point 2 at exactly zero, as on grids through zero from small negative
  // energies; its term must be the E -> 0 limit, k_B per mode.
  auto t = debyedos();
  t.energy[0] = -1e-6;
  t.energy[1] = 0.0;
  t.dos[1] = 0.5;
  const double s0 = heat_capacity::cvdos(t, 300.0);
  EXPECT_TRUE(std::isfinite(s0));
  auto near = t;
  near.energy[1] = 1e-12;  // small, but e^(beta E) - 1 is not 0
  EXPECT_NEAR(s0, heat_capacity::cvdos(near, 300.0), 1e-9 * s0);
  // So small that e^(beta E) rounds to 1: also the limit, not 0/0.
  near.energy[1] = 1e-25;
  EXPECT_EQ(s0, heat_capacity::cvdos(near, 300.0));
}

TEST(Debye, TendsToThreeKb) {
  const double kb = 6.3337602114188485e-06;
  EXPECT_NEAR(heat_capacity::debye(1e5, 343.0) / (3 * kb), 1.0, 1e-6);
  EXPECT_NEAR(3 * kb * 13.6000003814697265625, 2.584e-4, 0.001e-4);  // in eV/K
  EXPECT_LT(heat_capacity::debye(990.0, 343.0), 3 * kb);
  // At 10 K the T^3 law agrees in six significant digits.
  const double t3 = (((((10 * 0.020137768135295987) * 10) * 10) / 343.0) / 343.0) / 343.0;
  EXPECT_NEAR(heat_capacity::debye(10.0, 343.0) * 13.6000003814697265625 / t3, 1.0, 5e-6);
}

TEST(Quadrature, EstimatesTakenOverTheSweep) {
  for (int i = 1; i <= 99; ++i) {
    const double temp = i * 10.0;
    int calls = 0;
    auto counted = [&](double v) {
      ++calls;
      EXPECT_GT(v, 0.0);  // nodes lie strictly inside: never at the lower limit 0
      return heat_capacity::integr(v);
    };
    const double viaCount = heat_capacity::rgauss(counted, 0.0, 343.0 / temp, 1e-5);
    // 24 evaluations an estimate; at 10 K the whole interval is rejected once.
    EXPECT_EQ(calls, temp == 10.0 ? 72 : 24) << temp << " K";
    EXPECT_EQ(viaCount, heat_capacity::rgauss(heat_capacity::integr, 0.0, 343.0 / temp, 1e-5));
  }
}

TEST(Quadrature, EmptyAndZeroIntegrands) {
  int calls = 0;
  auto counted = [&](double) { return ++calls, 1.0; };
  EXPECT_EQ(heat_capacity::rgauss(counted, 2.0, 2.0, 1e-5), 0.0);
  EXPECT_EQ(calls, 0);
  auto zero = [&](double) { return ++calls, 0.0; };
  EXPECT_EQ(heat_capacity::rgauss(zero, 0.0, 5.0, 1e-5), 0.0);
  EXPECT_EQ(calls, 24);
  // Polynomials of degree up to 15 are exact for the 16-point rule (to the
  // single-precision table): one estimate.
  calls = 0;
  auto cubic = [&](double v) { return ++calls, v * v * v; };
  EXPECT_NEAR(heat_capacity::rgauss(cubic, 0.0, 2.0, 1e-5), 4.0, 1e-6);
  EXPECT_EQ(calls, 24);
}

TEST(Quadrature, SingularSlopeIsWalkedToTheEnd) {
  // sqrt has an infinite slope at 0: the pieces shrink toward it, the walk
  // still reaches b, and the sum is close.
  int calls = 0;
  auto kink = [&](double v) { return ++calls, std::sqrt(v); };
  const double r = heat_capacity::rgauss(kink, 0.0, 1.0, 1e-5);
  EXPECT_NEAR(r, 2.0 / 3.0, 1e-6);
  EXPECT_LT(calls, 100000);
}

}  // namespace
