// The thermal displacements against closed forms: a Debye solid's <u_x^2>
// at every temperature and at 0 K, the Lamb-Mossbauer factor of 57Fe against
// the textbook formula and a hand value, the per-direction sums against
// plain loops over the modes, and the share a coarse DOS leaves out.
#include <gtest/gtest.h>

#include <cmath>
#include <numbers>
#include <random>
#include <vector>

#include "testutil.hpp"
#include "thermo/harmonic/displacement.hpp"
#include "thermo/harmonic/displacement_sums.hpp"
#include "thermo/harmonic/kernel.hpp"

namespace {

using namespace thermotest;

const double hbar = planck / (2.0 * std::numbers::pi);

// The integral of t / (e^t - 1) from 0 to x, as pi^2/6 - sum of e^-kx (x/k +
// 1/k^2), in long double.
double debyeintegral(double x) {
  long double sum = 0.0L;
  for (int k = 1; k < 1000000; ++k) {
    const long double term = std::exp(-static_cast<long double>(k) * x) * (x / k + 1.0L / (static_cast<long double>(k) * k));
    sum += term;
    if (term < 1e-25L * sum) break;
  }
  return static_cast<double>(std::numbers::pi_v<long double> * std::numbers::pi_v<long double> / 6.0L - sum);
}

// <u_x^2> of a Debye solid of temperature theta and mass m (amu), in A^2:
// (3 hbar^2 T / (m k_B theta^2)) [Phi(theta/T) + theta / 4T], Phi(x) the
// integral above over x; at 0 K, 3 hbar^2 / (4 m k_B theta).
double debyeux2(double theta, double mass, double t) {
  const double m = mass * amu;
  if (t == 0.0) return 3.0 * hbar * hbar / (4.0 * m * boltzmann * theta) * 1e20;
  const double x = theta / t;
  return 3.0 * hbar * hbar * t / (m * boltzmann * theta * theta) * (debyeintegral(x) / x + x / 4.0) * 1e20;
}

double meansquareof(const spectrum& s, double t, double mass) {
  const harmonicdos d = prepare(s);
  return meansquaredisplacement(displacementsum(d, lowestof(s, 0.0), t), d.states, mass);
}

// The trapezoid rule on the whole integrand, its limit at zero included,
// meets the closed form on 40,001 points; leaving out the interval from zero
// to the first point (as the harmonic functions may) would miss 1e-5.
TEST(ThermoDisplacement, DebyeSolidAtEveryTemperature) {
  const double theta = 300.0, mass = 63.546;
  const spectrum s = debyedos(theta, 40000);
  for (double t : {0.0, 1.0, 2.0, 5.0, 10.0, 30.0, 100.0, 300.0, 1000.0, 2000.0}) {
    const double want = 3.0 * debyeux2(theta, mass, t);
    EXPECT_NEAR(meansquareof(s, t, mass), want, 1e-8 * want) << t << " K";
    const harmonicdos d = prepare(s);
    const double without = meansquaredisplacement(displacementsum(d, {}, t), d.states, mass);
    if (t > 100.0) {
      EXPECT_GT(std::fabs(without - want), 1e-6 * want) << t << " K";
    }
  }
}

// The same DOS scaled to 6 states (two atoms) gives each atom the same.
TEST(ThermoDisplacement, NormalisedToThreeStatesAnAtom) {
  spectrum s = debyedos(250.0, 4000);
  const double one = meansquareof(s, 300.0, 50.0);
  for (double& g : s.dos) g *= 2.0;
  EXPECT_NEAR(meansquareof(s, 300.0, 50.0), one, 1e-14 * one);
  EXPECT_NEAR(bfactor(one), 8.0 * std::numbers::pi * std::numbers::pi / 3.0 * one, 1e-15 * one);
}

// coth(E / 2kT) / E at its limits: 1/E at 0 K and far above kT, 2kT/E^2
// far below it, never infinite or NaN.
TEST(ThermoDisplacement, CothOverEnergyAtItsLimits) {
  const double e[4] = {1e-30, 1e-21, 1e-19, 1e-10};
  double c[4];
  cothoverenergy(e, 4, 0.0, c);
  for (int i = 0; i < 4; ++i) EXPECT_DOUBLE_EQ(c[i], 1.0 / e[i]);
  const double kt = boltzmann * 300.0;
  cothoverenergy(e, 4, kt, c);
  EXPECT_NEAR(c[0], 2.0 * kt / (e[0] * e[0]), 1e-12 * c[0]);
  EXPECT_NEAR(c[1], 1.0 / std::tanh(e[1] / (2.0 * kt)) / e[1], 1e-13 * c[1]);
  EXPECT_DOUBLE_EQ(c[3], 1.0 / e[3]);
}

// Every variant of the kernels against long double: coth(x/2)/E from
// x = 1e-140 to the largest energy a DOS may hold, 1e-10 J (x = 1e11, e^x
// long infinite), and the batch sums for every
// count of modes left over after the four at a time.
TEST(ThermoDisplacement, KernelVariantsAgree) {
  using coths = void (*)(const double*, std::size_t, double, double*);
  using adds = void (*)(double*, const double*, const double*, std::size_t, std::size_t);
  std::vector<std::pair<coths, adds>> variants = {{cothsoverenergy, addmodes}};
  if (__builtin_cpu_supports("avx2") && __builtin_cpu_supports("fma"))
    variants.push_back({cothsoverenergy_avx2, addmodes_avx2});
  if (__builtin_cpu_supports("avx512f")) variants.push_back({cothsoverenergy_avx512, addmodes_avx512});
  const double kt = 1e-21;
  std::vector<double> e;
  // c is finite from x = 1e-143; no phonon passes maxenergy, 1e-10 J.
  for (double x = 1e-140; x * kt <= maxenergy; x *= 1.37) e.push_back(x * kt);
  std::vector<double> c(e.size()), p(9 * 24), sums(24);
  for (std::size_t i = 0; i < p.size(); ++i) p[i] = std::sin(static_cast<double>(i));
  for (const auto& [coth, add] : variants) {
    coth(e.data(), e.size(), kt, c.data());
    for (std::size_t i = 0; i < e.size(); ++i) {
      const long double x = static_cast<long double>(e[i]) / kt;
      const long double want = (x > 1e4L ? 1.0L : 1.0L / std::tanh(x / 2.0L)) / e[i];
      EXPECT_NEAR(c[i], static_cast<double>(want), 1e-15 * static_cast<double>(want)) << e[i];
    }
    for (std::size_t m = 0; m <= 9; ++m) {
      std::fill(sums.begin(), sums.end(), 1.0);
      add(sums.data(), c.data() + 100, p.data(), m, 24);
      for (std::size_t k = 0; k < 24; ++k) {
        long double want = 1.0L, scale = 1.0L;
        for (std::size_t v = 0; v < m; ++v) {
          want += static_cast<long double>(c[100 + v]) * p[v * 24 + k];
          scale += std::fabs(static_cast<long double>(c[100 + v]) * p[v * 24 + k]);
        }
        EXPECT_NEAR(sums[k], static_cast<double>(want), 1e-15 * static_cast<double>(scale)) << m;
      }
    }
  }
}

// 57Fe's 14.4125 keV line in a Debye solid of 470 K at 300 K: the textbook
// -ln f = (3 E_R / 2 k_B theta) [1 + 4 (T/theta)^2 integral of x/(e^x - 1)
// to theta/T], E_R = E^2 / 2 M c^2, and the value worked out by hand with
// 30 digits (mpmath), 0.82077517441.
TEST(ThermoDisplacement, LambMossbauerOfIron57) {
  const double theta = 470.0, t = 300.0, mass = 56.9353928, kev = 14.4125;
  const double f = lambmossbauer(meansquareof(debyedos(theta, 40000), t, mass), kev);
  const double eg = kev * 1e3 * elementary, mc2 = mass * amu * lightspeed * lightspeed;
  const double er = eg * eg / (2.0 * mc2);
  const double lnf = -(3.0 * er / (2.0 * boltzmann * theta)) * (1.0 + 4.0 * (t / theta) * (t / theta) * debyeintegral(theta / t));
  EXPECT_NEAR(f, std::exp(lnf), 1e-9);
  EXPECT_NEAR(f, 0.82077517441, 1e-9);
  EXPECT_NEAR(lambmossbauer(0.0, kev), 1.0, 0.0);
}

// The per-direction sums, on two threads and in batches, against a plain
// loop over the modes, with complex eigenvectors and T = 0 among the
// temperatures; the trace of each atom's is its share of the modes' sum.
TEST(ThermoDisplacement, SumsPerDirectionAgainstPlainLoops) {
  std::mt19937_64 random(7);
  std::uniform_real_distribution<double> u(-1.0, 1.0);
  const std::size_t atoms = 3, modes = 2500;
  std::vector<double> t = {0.0, 0.5, 10.0, 300.0, 5000.0};
  for (int i = 0; i < 60; ++i) t.push_back(17.0 * i);
  displacementsums sums(t, atoms, true);
  std::vector<double> want(t.size() * atoms * 6, 0.0), energy(modes), weight(modes), e(modes * atoms * 6);
  for (std::size_t m = 0; m < modes; ++m) {
    energy[m] = (0.05 + 10.0 * (u(random) + 1.0)) * planck * 1e12;
    weight[m] = 1.0 + static_cast<double>(m % 3);
    double norm = 0.0;
    for (std::size_t k = 0; k < atoms * 6; ++k) norm += (e[m * atoms * 6 + k] = u(random)) * e[m * atoms * 6 + k];
    for (std::size_t k = 0; k < atoms * 6; ++k) e[m * atoms * 6 + k] /= std::sqrt(norm);
    sums.add(energy[m], weight[m], e.data() + m * atoms * 6);
  }
  for (std::size_t i = 0; i < t.size(); ++i)
    for (std::size_t m = 0; m < modes; ++m) {
      const double c = t[i] == 0.0 ? 1.0 / energy[m]
                                   : 1.0 / std::tanh(energy[m] / (2.0 * boltzmann * t[i])) / energy[m];
      for (std::size_t j = 0; j < atoms; ++j) {
        const double* v = e.data() + (m * atoms + j) * 6;
        const double p[6] = {v[0] * v[0] + v[1] * v[1], v[2] * v[2] + v[3] * v[3], v[4] * v[4] + v[5] * v[5],
                             v[2] * v[4] + v[3] * v[5], v[0] * v[4] + v[1] * v[5], v[0] * v[2] + v[1] * v[3]};
        for (int k = 0; k < 6; ++k) want[(i * atoms + j) * 6 + static_cast<std::size_t>(k)] += weight[m] * c * p[k];
      }
    }
  const std::vector<double>& got = sums.sums();
  ASSERT_EQ(got.size(), want.size());
  for (std::size_t i = 0; i < want.size(); ++i) {
    const double scale = want[(i / 6) * 6];  // the atom's u_xx sum at that temperature
    EXPECT_NEAR(got[i], want[i], 1e-12 * scale) << i;
  }
}

// A DOS resolved to zero leaves nothing out; one whose states start late
// and coarse leaves a share out that the warning can name.
TEST(ThermoDisplacement, ShareACoarseDosLeavesOut) {
  EXPECT_LT(unresolvedshare(debyedos(300.0, 40000), 0.0), 1e-4);
  spectrum late = debyedos(300.0, 200);
  for (std::size_t i = 0; i < 12; ++i) late.dos[i] = 0.0;
  const double share = unresolvedshare(late, 0.0);
  EXPECT_GT(share, 0.03);
  EXPECT_LT(share, 0.2);
  EXPECT_EQ(unresolvedshare(late, 1e-22), 0.0);  // a cutoff leaves those energies out by choice
}

}  // namespace
