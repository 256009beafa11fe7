// The harmonic functions against closed forms: a Debye DOS and an Einstein
// peak.
#include <gtest/gtest.h>

#include <cmath>

#include "thermo/harmonic/debye.hpp"
#include "thermo/harmonic/harmonic.hpp"

#include "testutil.hpp"

namespace {

using namespace thermotest;

TEST(ThermoHarmonic, DebyeDosGivesItsThetaAndHeatCapacity) {
  const double theta = 300.0;
  const harmonicdos d = prepare(debyedos(theta, 20000));
  EXPECT_NEAR(d.states, 3.0, 1e-7);
  for (double t = 10.0; t <= 1000.0; t += 10.0) {
    const harmonic h = evaluate(d, t);
    const double r = h.heat_capacity / (3.0 * boltzmann);
    EXPECT_NEAR(r / debyecv(theta / t), 1.0, 1e-6) << t;
    EXPECT_NEAR(debyetemperature(r, t) / theta, 1.0, 1e-4) << t;
  }
  // theta_inf of a Debye DOS is its theta: <E^2> = 3 E_D^2 / 5.
  EXPECT_NEAR(thetainfinity(d) / theta, 1.0, 1e-6);
}

TEST(ThermoHarmonic, EinsteinPeakGivesTheClosedForms) {
  // A narrow triangle of three states at E0: its trapezoid integral holds
  // them all at E0.
  const double e0 = 4e-21, de = 1e-27;  // zero DOS at both ends
  spectrum s;
  s.energy = {e0 - de, e0, e0 + de};
  s.dos = {0.0, 3.0 / de, 0.0};  // three states, all at e0
  const harmonicdos d = prepare(s);
  for (double t : {5.0, 50.0, 300.0, 3000.0}) {
    const harmonic h = evaluate(d, t);
    const double x = e0 / (boltzmann * t);
    const double n = 1.0 / std::expm1(x);
    const double lm = std::log1p(-std::exp(-x));  // ln(1 - e^-x), accurate at large x too
    EXPECT_NEAR(h.heat_capacity / (3.0 * boltzmann * x * x * std::exp(x) * n * n), 1.0, 1e-9) << t;
    EXPECT_NEAR(h.energy / (3.0 * e0 * (0.5 + n)), 1.0, 1e-9) << t;
    EXPECT_NEAR(h.free_energy / (3.0 * (0.5 * e0 + boltzmann * t * lm)), 1.0, 1e-9) << t;
    EXPECT_NEAR(h.entropy / (3.0 * boltzmann * (x * n - lm)), 1.0, 1e-9) << t;
  }
  // T = 0 gives the zero-point energy; far beyond x = 700 the values stay finite.
  const harmonic zero = evaluate(d, 0.0);
  EXPECT_EQ(zero.heat_capacity, 0.0);
  EXPECT_EQ(zero.entropy, 0.0);
  EXPECT_NEAR(zero.free_energy / (1.5 * e0), 1.0, 1e-8);
  EXPECT_NEAR(zero.energy / (1.5 * e0), 1.0, 1e-8);
  const harmonic cold = evaluate(d, e0 / (boltzmann * 1e5));
  EXPECT_EQ(cold.heat_capacity, 0.0);
  EXPECT_NEAR(cold.energy / (1.5 * e0), 1.0, 1e-8);
  // High temperature: C tends to 3 n k_B, theta_D(T) to theta_inf.
  EXPECT_NEAR(evaluate(d, 1e7).heat_capacity / (3.0 * boltzmann), 1.0, 1e-9);
  const double hot = 100.0 * e0 / boltzmann;  // x = 0.01
  const double r = evaluate(d, hot).heat_capacity / (3.0 * boltzmann);
  EXPECT_NEAR(debyetemperature(r, hot) / thetainfinity(d), 1.0, 1e-4);
  EXPECT_NEAR(thetainfinity(d), std::sqrt(5.0 / 3.0) * e0 / boltzmann, 1e-9 * thetainfinity(d));
}

}  // namespace
