// --qha --eos strain: the rows are the exact temperature derivatives of the
// averaged fit (the weights' own derivatives included): S against -dG/dT,
// Cp against -T d2G/dT2 and alpha against d ln V/dT by differences, Cp -
// Cv = T V alpha^2 B_T; a fixed degree with too few volumes refused; the
// spread across degrees zero where every degree is exact.
#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "testutil.hpp"
#include "thermo/harmonic/harmonic.hpp"
#include "thermo/qha/qha_strain.hpp"

namespace {

using namespace thermotest;

// E(V) of Vinet with a Debye DOS per volume whose theta scales with a
// Grueneisen parameter of 2, at n volumes.
qhamodel copperlike(int n, int degree = 0) {
  const double p[4] = {-4.0, 130.0 / gpa, 4.8, 11.8};
  qhainput in;
  in.form = eos::strain;
  in.strain.degree = degree;
  for (int i = 0; i < n; ++i) {
    const double v = 11.8 * (0.93 + 0.17 * i / (n - 1));
    in.volume.push_back(v);
    in.energy.push_back(energy(eos::vinet, v, p));
    in.dos.push_back(prepare(debyedos(340.0 * std::pow(v / 11.8, -2.0), 400)));
  }
  return makemodel(in);
}

TEST(ThermoQhaStrain, ExactTemperatureDerivatives) {
  const qhamodel m = copperlike(13);
  for (double pressure : {0.0, 4.0}) {
    const double t = 500.0, h = 0.25;
    qhaoutcome r, lo, hi, lo2, hi2;
    ASSERT_TRUE(strainqhaat(m, t, pressure, r));
    ASSERT_TRUE(strainqhaat(m, t - h, pressure, lo) && strainqhaat(m, t + h, pressure, hi));
    ASSERT_TRUE(strainqhaat(m, t - 2 * h, pressure, lo2) && strainqhaat(m, t + 2 * h, pressure, hi2));
    auto d1 = [&](double qharow::*c) {
      return (lo2.row.*c - 8.0 * (lo.row.*c) + 8.0 * (hi.row.*c) - hi2.row.*c) / (12.0 * h);
    };
    const double g2 = (-lo2.row.gibbs_energy + 16.0 * lo.row.gibbs_energy - 30.0 * r.row.gibbs_energy +
                       16.0 * hi.row.gibbs_energy - hi2.row.gibbs_energy) / (12.0 * h * h);
    EXPECT_NEAR(-1000.0 * d1(&qharow::gibbs_energy) / r.row.entropy, 1.0, 1e-9);
    EXPECT_NEAR(-1000.0 * t * g2 / r.row.heat_capacity_p, 1.0, 1e-5);
    EXPECT_NEAR(d1(&qharow::volume) / r.row.volume / r.row.thermal_expansion, 1.0, 1e-7);
    // Cp - Cv = T V alpha^2 B_T (J/K/mol: GPa A^3 is 1e-21 J).
    const qharow& x = r.row;
    const double gap = t * x.volume * x.thermal_expansion * x.thermal_expansion * x.bulk_modulus * 1e-21 * 6.02214076e23;
    EXPECT_NEAR((x.heat_capacity_p - x.heat_capacity_v) / gap, 1.0, 1e-10);
    // Beside Vinet's fit of the same data.
    qhamodel vinet = m;
    vinet.form = eos::vinet;
    qhaoutcome v;
    ASSERT_TRUE(qhaat(vinet, t, pressure, v));
    EXPECT_NEAR(x.volume / v.row.volume, 1.0, 1e-4);
    EXPECT_NEAR(x.thermal_expansion / v.row.thermal_expansion, 1.0, 2e-2);
  }
}

TEST(ThermoQhaStrain, DegreesAndTheirSpread) {
  // A degree that the volumes cannot take is refused with the reason.
  const qhamodel few = copperlike(6, 6);
  qhaoutcome r;
  EXPECT_FALSE(strainqhaat(few, 300.0, 0.0, r));
  EXPECT_NE(r.why.find("--degree 6 needs 7 volumes"), std::string::npos) << r.why;
  // The spread across the degrees of the average: small, and finite.
  const qhamodel m = copperlike(13);
  qharow s;
  ASSERT_TRUE(strainspread(m, 300.0, 0.0, s));
  ASSERT_TRUE(strainqhaat(m, 300.0, 0.0, r));
  EXPECT_GT(s.volume, 0.0);
  EXPECT_LT(s.volume, 1e-4 * r.row.volume);
  EXPECT_LT(s.heat_capacity_p, 1e-2 * r.row.heat_capacity_p);
  // At 0 K the row is the zero-point fit's, with nothing thermal.
  ASSERT_TRUE(strainqhaat(m, 0.0, 0.0, r));
  EXPECT_EQ(r.row.entropy, 0.0);
  EXPECT_TRUE(std::isnan(r.row.gruneisen));
}

}  // namespace
