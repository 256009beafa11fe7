// The strain polynomials and their averaged fit: an exact third-order
// Birch-Murnaghan E(V) fitted exactly by every degree from 3 on, in either
// strain; the tilt at an edge minimum; the volume at a pressure; the fit's
// temperature derivatives, the weights' included, against differences.
#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "thermo/qha/strain_fit.hpp"

namespace {

using namespace thermo;

// E(V) of third-order Birch-Murnaghan (eV, A^3), and its V0, B0, B0'.
constexpr double e0 = -3.7, v0 = 11.8, b0 = 0.85, b1 = 4.5;
double bm3(double v) {
  const double eta = std::pow(v0 / v, 2.0 / 3.0), d = eta - 1.0;
  return e0 + 9.0 / 16.0 * v0 * b0 * (d * d * d * b1 + d * d * (6.0 - 4.0 * eta));
}

std::vector<double> volumes(int n, double lo, double hi) {
  std::vector<double> v;
  for (int i = 0; i < n; ++i) v.push_back(v0 * (lo + (hi - lo) * i / (n - 1)));
  return v;
}

// V, B and B' of polynomial p at zero pressure.
void atzero(const strainbasis& b, const strainpoly& p, double& v, double& bulk, double& prime) {
  ASSERT_TRUE(volumeat(b.scale, p, b.volume, pressuresat(b.scale, p, b.volume), 0.0, v));
  double e[4];
  strainvalues(b.scale, p, v, e, 3);
  bulk = v * e[2];
  prime = -(1.0 + v * e[3] / e[2]);
}

TEST(ThermoStrain, ExactBirchMurnaghanEveryDegreeFromThree) {
  for (strainkind kind : {strainkind::eulerian, strainkind::natural}) {
    const std::vector<double> v = volumes(20, 0.9, 1.12);
    std::vector<double> e;
    for (double x : v) e.push_back(bm3(x));
    strainsettings s{kind, 0, 7.4e-13};
    const std::vector<int> degrees = straindegrees(s, v.size());
    ASSERT_EQ(degrees.front(), 2);
    ASSERT_EQ(degrees.back(), 9);  // 20 points: 2 to 9
    const strainbasis b = makebasis(kind, v, degrees.back());
    strainfit f;
    fitstrain(b, s, e.data(), f);
    double sum = 0.0;
    for (double w : f.weights) sum += w;
    EXPECT_NEAR(sum, 1.0, 1e-15);
    if (kind == strainkind::eulerian) {
      // BM3 is a cubic in the Eulerian strain: degree 2 has a residual and
      // no weight, every other is exact and the weights share equally.
      EXPECT_LT(f.weights[0], 1e-300);
      std::vector<double> vs, bs, ps;
      for (std::size_t k = 1; k < f.members.size(); ++k) {
        double vk, bk, pk;
        atzero(b, f.members[k], vk, bk, pk);
        EXPECT_NEAR(vk / v0, 1.0, 1e-12) << degrees[k];
        EXPECT_NEAR(bk / b0, 1.0, 1e-10) << degrees[k];
        EXPECT_NEAR(pk / b1, 1.0, 1e-8) << degrees[k];
        EXPECT_NEAR(f.weights[k], 1.0 / 7.0, 1e-12);  // degrees 3 to 9
        vs.push_back(vk);
        bs.push_back(bk);
      }
      // The error bars: zero to rounding.
      const std::vector<double> w(f.weights.begin() + 1, f.weights.end());
      EXPECT_LT(memberspread(w, vs), 1e-12 * v0);
      EXPECT_LT(memberspread(w, bs), 1e-10 * b0);
      EXPECT_LT(f.rms, 1e-13);
    }
    // Either way the average follows E(V).
    double vm, bm, pm;
    atzero(b, f.mean, vm, bm, pm);
    EXPECT_NEAR(vm / v0, 1.0, kind == strainkind::eulerian ? 1e-12 : 1e-6);
    EXPECT_NEAR(bm / b0, 1.0, kind == strainkind::eulerian ? 1e-10 : 1e-4);
  }
}

TEST(ThermoStrain, TiltAtAnEdgeMinimumAndTheVolumeAtAPressure) {
  // The lowest energy at the second volume: tilted by the chord at the
  // middle pair, m = n/2 (1-based).
  const std::vector<double> v = volumes(10, 0.99, 1.2);
  std::vector<double> e;
  for (double x : v) e.push_back(bm3(x));
  const strainsettings s{strainkind::eulerian, 0, 0.0};
  const strainbasis b = makebasis(s.kind, v, straindegrees(s, v.size()).back());
  strainfit f;
  fitstrain(b, s, e.data(), f);
  EXPECT_DOUBLE_EQ(f.mean.tilt, -(e[5] - e[4]) / (v[5] - v[4]));
  double vz, bz, pz;
  atzero(b, f.mean, vz, bz, pz);
  EXPECT_NEAR(vz / v0, 1.0, 1e-5);  // the tilt leaves the polynomials inexact
  // Pressures beyond the curve's at the ends have no volume: never
  // extrapolated.
  const std::vector<double> p = pressuresat(b.scale, f.mean, v);
  double vx;
  EXPECT_FALSE(volumeat(b.scale, f.mean, v, p, p.front() * 1.01, vx));
  EXPECT_FALSE(volumeat(b.scale, f.mean, v, p, p.back() - 0.01, vx));
  // Within them, a root to the last digits.
  ASSERT_TRUE(volumeat(b.scale, f.mean, v, p, 0.5 * p.front(), vx));
  double ex[4];
  strainvalues(b.scale, f.mean, vx, ex, 2);
  EXPECT_NEAR(-ex[1], 0.5 * p.front(), 2e-15 * vx * ex[2]);  // V within some ulp
}

TEST(ThermoStrain, TemperatureDerivativesOfTheAverage) {
  // y(T) = a + T c + T^2 d with a residual that varies, so that the weights
  // move with T; the derivatives against a fourth-order difference.
  const std::vector<double> v = volumes(14, 0.92, 1.1);
  auto values = [&](double t, int order) {
    std::vector<double> y;
    for (std::size_t i = 0; i < v.size(); ++i) {
      const double a = bm3(v[i]) + 1e-4 * std::sin(3.0 * i), c = -2e-4 * v[i] + 1e-6 * std::cos(5.0 * i),
                   d = -1e-8 * v[i] * v[i] + 3e-10 * std::sin(7.0 * i);
      y.push_back(order == 0 ? a + t * c + t * t * d : order == 1 ? c + 2.0 * t * d : 2.0 * d);
    }
    return y;
  };
  const strainsettings s{strainkind::eulerian, 0, 7.4e-13};
  const strainbasis b = makebasis(s.kind, v, straindegrees(s, v.size()).back());
  const double t = 300.0, h = 1.0;
  const std::vector<double> y = values(t, 0), dy = values(t, 1), d2y = values(t, 2);
  strainfit f;
  fitstrain(b, s, y.data(), f, dy.data(), d2y.data());
  strainfit at[4];
  const double offsets[4] = {-2.0, -1.0, 1.0, 2.0};
  for (int j = 0; j < 4; ++j) {
    const std::vector<double> yj = values(t + offsets[j] * h, 0);
    fitstrain(b, s, yj.data(), at[j]);
  }
  for (std::size_t c = 0; c < f.mean.a.size(); ++c) {
    auto a = [&](int j) { return at[j].mean.a[c]; };
    const double first = (a(0) - 8.0 * a(1) + 8.0 * a(2) - a(3)) / (12.0 * h);
    const double second = (-a(0) + 16.0 * a(1) - 30.0 * f.mean.a[c] + 16.0 * a(2) - a(3)) / (12.0 * h * h);
    const double scale = std::fabs(f.dmean.a[0]) + 1e-12;
    EXPECT_NEAR(f.dmean.a[c], first, 1e-7 * scale) << c;
    EXPECT_NEAR(f.d2mean.a[c], second, 1e-4 * std::fabs(f.d2mean.a[0]) + 1e-14) << c;
  }
}

}  // namespace
