// The Debye models on an exact third-order Birch-Murnaghan E(V): the Debye
// solid's limits, the Poisson theta against the Slater Debye-Grueneisen
// run, the two sets of constants against each other, the static fit and its
// error bars, the entropy against -dG/dT, the electrons.
#include <gtest/gtest.h>

#include <cmath>
#include <numbers>
#include <vector>

#include "thermo/qha/debye_rows.hpp"

namespace {

using namespace thermo;

constexpr double e0 = -3.7, v0 = 11.8, b0 = 0.85, b1 = 4.5;  // eV, A^3, eV/A^3
double bm3(double v) {
  const double eta = std::pow(v0 / v, 2.0 / 3.0), d = eta - 1.0;
  return e0 + 9.0 / 16.0 * v0 * b0 * (d * d * d * b1 + d * d * (6.0 - 4.0 * eta));
}

// Copper-like: 1 atom, 63.546 g/mol, 15 volumes from -8 % to +12 %.
debyemodel model(debyesettings s = {}, std::vector<double> fermi = {}) {
  qhainput in;
  for (int i = 0; i < 15; ++i) {
    in.volume.push_back(v0 * (0.92 + 0.2 * i / 14.0));
    in.energy.push_back(bm3(in.volume.back()));
  }
  in.dosatfermi = fermi;
  if (s.mass == 0.0) s.mass = 63.546;
  debyemodel m;
  std::string why;
  EXPECT_TRUE(makedebye(makemodel(in), s, m, why)) << why;
  return m;
}

debyerow rowat(const debyemodel& m, double t, double p, debyerow* spread = nullptr) {
  debyeisotherm iso;
  debyeisothermat(m, t, iso);
  debyerow r{};
  EXPECT_TRUE(debyerowat(m, iso, p, r, spread)) << t << " K, " << p << " GPa";
  return r;
}

TEST(ThermoDebyeModel, DebyeSolidLimits) {
  const double kb = siconstants().kb, n = 2.0, theta = 400.0;
  // theta/T -> 0: Cv -> 3 n k_B, as 1 - y^2/20.
  for (double y : {1e-4, 1e-6, 1e-8})
    EXPECT_NEAR(debyevibration(theta, theta / y, n, kb).cv / (3.0 * n * kb), 1.0 - y * y / 20.0, 2e-16);
  // Low T: Cv -> (12 pi^4 / 5) n k_B (T/theta)^3.
  const double t = 4.0, pi4 = std::pow(std::numbers::pi, 4);
  EXPECT_NEAR(debyevibration(theta, t, n, kb).cv / (12.0 * pi4 / 5.0 * n * kb * std::pow(t / theta, 3)), 1.0, 1e-14);
  // T = 0: the zero-point energy 9/8 n k_B theta, nothing else.
  const debyevib zero = debyevibration(theta, 0.0, n, kb);
  EXPECT_DOUBLE_EQ(zero.f, 9.0 / 8.0 * n * kb * theta);
  EXPECT_EQ(zero.s, 0.0);
  EXPECT_EQ(zero.cv, 0.0);
  // F = U - T S at any T.
  const debyevib v = debyevibration(theta, 300.0, n, kb);
  EXPECT_NEAR(v.f, v.u - 300.0 * v.s, 1e-15 * std::fabs(v.u));
  EXPECT_NEAR(poissonfactor(0.25), 0.859949, 5e-7);
}

TEST(ThermoDebyeModel, SlaterDebyeGrueneisenIsThePoissonModel) {
  // theta0 (B/B0)^(1/2) (V/V0)^(1/6) is the Poisson theta's own volume
  // dependence, and gamma = -1/6 + B'/2 its Slater gamma.
  debyesettings dg;
  dg.gruneisen = true;
  const debyemodel a = model(), b = model(dg);
  for (double t : {0.0, 100.0, 700.0})
    for (double p : {0.0, 3.0}) {
      const debyerow x = rowat(a, t, p), y = rowat(b, t, p);
      EXPECT_NEAR(y.volume / x.volume, 1.0, 1e-13);
      EXPECT_NEAR(y.debye_temperature / x.debye_temperature, 1.0, 1e-12);
      EXPECT_NEAR(y.thermal_expansion, x.thermal_expansion, 1e-12 * x.thermal_expansion);
      EXPECT_NEAR(y.heat_capacity_p, x.heat_capacity_p, 1e-12 * x.heat_capacity_p);
    }
  // Another variant moves gamma by its a, and theta with it.
  dg.a = -0.5;
  const debyemodel c = model(dg);
  const debyerow x = rowat(a, 300.0, 0.0), z = rowat(c, 300.0, 0.0);
  EXPECT_NEAR(z.gruneisen - x.gruneisen, -1.0 / 3.0, 0.01);
  EXPECT_GT(z.volume, 0.0);
}

TEST(ThermoDebyeModel, ConstantsOfTheTwoTablesAgree) {
  // SI's and CODATA 2006's routes to theta (through atomic units) agree to
  // the constants' own differences, some 1e-6.
  const debyeconstants si = siconstants(), old = codata2006constants();
  for (double r : {si.kb / old.kb, si.kjmol / old.kjmol, si.gpa / old.gpa, si.theta / old.theta, si.hartree / old.hartree})
    EXPECT_NEAR(r, 1.0, 4e-6);
  debyesettings s;
  s.k = old;
  const debyerow x = rowat(model(), 300.0, 0.0), y = rowat(model(s), 300.0, 0.0);
  EXPECT_NEAR(y.debye_temperature / x.debye_temperature, 1.0, 4e-6);
  EXPECT_NEAR(y.heat_capacity_v / x.heat_capacity_v, 1.0, 4e-6);
  // theta at V0 in closed form: hbar/k_B (6 pi^2 n V^2)^(1/3) f sqrt(B0/(V0 M)), SI.
  const debyemodel m = model();
  const double hbar = 6.62607015e-34 / (2.0 * std::numbers::pi), kb = 1.380649e-23, e = 1.602176634e-19;
  const double mass = 63.546e-3 / 6.02214076e23, v = v0 * 1e-30, b = b0 * e / 1e-30;
  const double theta = hbar / kb * std::cbrt(6.0 * std::numbers::pi * std::numbers::pi * v * v) * 0.8599494 *
                       std::sqrt(b / (v * mass));
  EXPECT_NEAR(m.theta0 / theta, 1.0, 1e-6);
}

TEST(ThermoDebyeModel, StaticFitExactWithErrorBarsZero) {
  const debyemodel m = model();
  EXPECT_NEAR(m.v0 / v0, 1.0, 1e-12);
  EXPECT_NEAR(m.b0 / b0, 1.0, 1e-10);
  EXPECT_NEAR(m.b0prime / b1, 1.0, 1e-8);
  EXPECT_NEAR(m.e0 + m.data.reference, e0, 1e-13);
  for (double p : {0.0, 10.0}) {
    debyestatic r, err;
    ASSERT_TRUE(debyestaticat(m, p, r, &err));
    EXPECT_LT(err.volume, 1e-11 * v0);
    EXPECT_LT(err.bulk_modulus, 1e-8 * b0 * 160.2);
  }
  for (const debyemember& k : debyemembers(m))
    EXPECT_TRUE(k.degree < 3 || std::fabs(k.volume / v0 - 1.0) < 1e-12) << k.degree;
  // Beyond the pressures of the volumes fitted: no row.
  debyestatic r;
  EXPECT_FALSE(debyestaticat(m, 200.0, r));
}

TEST(ThermoDebyeModel, EntropyIsMinusTheSlopeOfG) {
  // S of the Debye functions against -dG/dT of the fitted F(V; T)'s
  // minimum: the same to the fits' accuracy; and the Grueneisen relations.
  const debyemodel m = model();
  const double t = 300.0, h = 0.5;
  debyerow spread{};
  const debyerow r = rowat(m, t, 0.0, &spread), lo = rowat(m, t - h, 0.0), hi = rowat(m, t + h, 0.0);
  const double slope = -(hi.gibbs_energy - lo.gibbs_energy) / (2.0 * h) * 1000.0;  // J/K/mol
  EXPECT_NEAR(slope / r.entropy, 1.0, 1e-4);
  const double cvt = r.heat_capacity_v * (1.0 + r.thermal_expansion * r.gruneisen * t);
  EXPECT_NEAR(r.heat_capacity_p / cvt, 1.0, 1e-14);
  EXPECT_NEAR(r.bulk_modulus_s / r.bulk_modulus, r.heat_capacity_p / r.heat_capacity_v, 1e-14);
  // The spread across degrees: small and positive where the F fits are not exact.
  EXPECT_GT(spread.volume, 0.0);
  EXPECT_LT(spread.volume, 1e-4 * r.volume);
  EXPECT_LT(spread.bulk_modulus, 1e-2 * r.bulk_modulus);
}

TEST(ThermoDebyeModel, SommerfeldElectrons) {
  // A N(E_F) the same at every volume: S and Cv gain (pi^2/3) k_B^2 N T, F
  // loses (pi^2/6) k_B^2 N T^2, and the volume does not move.
  const double n = 1.5, t = 500.0;
  const debyemodel a = model(), b = model({}, std::vector<double>(15, n));
  const debyerow x = rowat(a, t, 0.0), y = rowat(b, t, 0.0);
  const debyeconstants k = siconstants();
  const double sel = std::numbers::pi * std::numbers::pi / 3.0 * n * k.kb * k.kb * t * k.kjmol * 1000.0;
  EXPECT_NEAR(y.volume / x.volume, 1.0, 1e-12);
  EXPECT_NEAR(y.entropy - x.entropy, sel, 1e-9 * sel);
  EXPECT_NEAR(y.heat_capacity_v - x.heat_capacity_v, sel, 1e-9 * sel);
  EXPECT_NEAR(y.electronic_entropy, sel, 1e-12 * sel);
  EXPECT_NEAR(y.electronic_free_energy, -0.5 * t * sel / 1000.0, 1e-12 * t * sel);
  EXPECT_NEAR(x.gibbs_energy - y.gibbs_energy, 0.5 * t * sel / 1000.0, 1e-9 * t * sel);
}

}  // namespace
