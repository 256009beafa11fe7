// The sampling limit: on DOS whose energy steps, onset and modes are known,
// it moves with them, and above it the results do not depend on them.
#include <gtest/gtest.h>

#include <cmath>

#include "thermo/harmonic/harmonic.hpp"
#include "thermo/harmonic/sampling.hpp"

#include "testutil.hpp"

namespace {

using namespace thermotest;

// A Debye DOS of 3 states up to E_D = k_B theta, on phonopy's kind of grid:
// steps of `step` from below zero, so that zero falls midway between two
// points, and no states below `onset` (as a coarse q-mesh leaves it).
spectrum phonopygrid(double theta, double step, double onset = 0.0) {
  spectrum s;
  const double ed = boltzmann * theta;
  for (double e = -2.5 * step; e <= ed; e += step) {
    s.energy.push_back(e);
    s.dos.push_back(e > 0.0 && e >= onset ? 9.0 * e * e / (ed * ed * ed) : 0.0);
  }
  return s;
}

double cv(const harmonicdos& d, double t) { return evaluate(d, t).heat_capacity; }

TEST(ThermoSampling, HalvingTheStepHalvesTheLimitAndAboveItCAgrees) {
  const double theta = 300.0, step = boltzmann * 4.0;  // 4 K a step
  const harmonicdos coarse = prepare(phonopygrid(theta, step)), fine = prepare(phonopygrid(theta, step / 2.0));
  const double lc = samplinglimit(coarse, 0.0, false), lf = samplinglimit(fine, 0.0, false);
  // About 3.3 steps: the lowest three steps give 1 % of C there.
  ASSERT_GT(lc, 3.0 * 4.0);
  EXPECT_LT(lc, 3.6 * 4.0);
  EXPECT_NEAR(lf / lc, 0.5, 0.01);
  for (double t = lc; t < 2.0 * theta; t *= 1.1) EXPECT_NEAR(cv(coarse, t) / cv(fine, t), 1.0, 0.01) << t;
  // Far below the limit the two steps disagree: the limit marks a real effect.
  EXPECT_GT(std::fabs(cv(coarse, lc / 6.0) / cv(fine, lc / 6.0) - 1.0), 0.01);
}

TEST(ThermoSampling, NoStatesBelowAnOnsetSetTheLimitAndAboveItCIsTheCrystals) {
  // The Debye crystal on a fine grid, and the same with nothing below 20 K
  // or 10 K: the limit follows the onset, not the step, and above it C is
  // within 1 % of the crystal's.
  const double theta = 300.0, step = boltzmann * 0.5;
  const harmonicdos crystal = prepare(phonopygrid(theta, step));
  std::vector<double> limits;
  for (double onset : {20.0, 10.0}) {
    const harmonicdos gapped = prepare(phonopygrid(theta, step, boltzmann * onset));
    const double limit = samplinglimit(gapped, 0.0, false);
    limits.push_back(limit);
    ASSERT_GT(limit, 3.0 * onset);
    EXPECT_LT(limit, 4.5 * onset);
    for (double t = limit; t < 2.0 * theta; t *= 1.1) EXPECT_NEAR(cv(gapped, t) / cv(crystal, t), 1.0, 0.01) << t;
    // Well below the limit the missing states are felt.
    EXPECT_LT(cv(gapped, limit / 12.0) / cv(crystal, limit / 12.0), 0.9) << onset;
  }
  EXPECT_NEAR(limits[1] / limits[0], 0.5, 0.05);
}

TEST(ThermoSampling, ModesOfAQMeshFollowTheirLowestEnergy) {
  // A Debye crystal's modes, E = c |q|, on n^3 meshes of the cube |q_i| < 1
  // with Gamma left out: the limit is a third of the lowest mode energy,
  // halves with a mesh twice as fine, and above it the two meshes' C agree.
  auto mesh = [](int n) {
    std::vector<std::pair<double, double>> modes;
    const double c = boltzmann * 300.0 / std::sqrt(3.0);
    for (int i = 0; i < n; ++i)
      for (int j = 0; j < n; ++j)
        for (int k = 0; k < n; ++k) {
          const double qx = 2.0 * i / n - 1.0 + 1.0 / n * (n % 2 == 0), qy = 2.0 * j / n - 1.0 + 1.0 / n * (n % 2 == 0),
                       qz = 2.0 * k / n - 1.0 + 1.0 / n * (n % 2 == 0);
          const double e = c * std::sqrt(qx * qx + qy * qy + qz * qz);
          if (e > 0.0) modes.emplace_back(e, 3.0 / (static_cast<double>(n) * n * n));
        }
    return frommodes(modes, 0.0, 0.0);
  };
  const harmonicdos coarse = mesh(9), fine = mesh(19);
  const double lc = samplinglimit(coarse, 0.0, true), lf = samplinglimit(fine, 0.0, true);
  ASSERT_NEAR(lc, coarse.energy[0] / (3.0 * boltzmann), 0.01 * lc);
  EXPECT_NEAR(lf / lc, 9.0 / 19.0, 0.01);
  for (double t = lc; t < 100.0; t *= 1.1) EXPECT_NEAR(cv(coarse, t) / cv(fine, t), 1.0, 0.01) << t;
  // Measured from a cutoff, and the same at any energy scale.
  EXPECT_NEAR(samplinglimit(coarse, 0.5 * coarse.energy[0], true), lc / 2.0, 0.01 * lc);
}

TEST(ThermoSampling, FiniteAtEveryScaleAndForOddDos) {
  // The rule has no scale of its own: energies 1e-15 and 1e3 times a
  // phonon's give limits as many times its, within the three digits.
  const spectrum s = phonopygrid(300.0, boltzmann * 4.0);
  const double limit = samplinglimit(prepare(s), 0.0, false);
  for (double scale : {1e-15, 1e3}) {
    spectrum t = s;
    for (double& e : t.energy) e *= scale;
    for (double& g : t.dos) g /= scale;
    EXPECT_NEAR(samplinglimit(prepare(t), 0.0, false) / (scale * limit), 1.0, 0.01) << scale;
  }
  // Negative DOS values among the lowest points (smearing leaves them): a
  // finite limit all the same.
  spectrum negative = s;
  negative.dos[3] = -negative.dos[5];
  EXPECT_TRUE(std::isfinite(samplinglimit(prepare(negative), 0.0, false)));
  // Three points from zero: the lowest three steps are the whole DOS,
  // nothing to resolve.
  spectrum three;
  three.energy = {0.0, 1e-21, 2e-21, 3e-21};
  three.dos = {0.0, 1e21, 2e21, 1e21};
  EXPECT_EQ(samplinglimit(prepare(three), 0.0, false), 0.0);
  // No point holding states: no limit.
  harmonicdos none = prepare(three);
  for (double& w : none.weight) w = 0.0;
  EXPECT_TRUE(std::isnan(samplinglimit(none, 0.0, false)));
}

}  // namespace
