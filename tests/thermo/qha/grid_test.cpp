// The grid mode's surface, its minimum and its exact derivatives: a
// polynomial recovered by the fit, the refusals of grids that do not
// determine it, the fit less one point, and on made-up crystals the
// identities, the symmetry of a cubic crystal, and the derivatives against
// differences of the rows.
#include <gtest/gtest.h>

#include <cmath>
#include <map>
#include <string>
#include <vector>

#include "griddata.hpp"
#include "qhadata.hpp"
#include "thermo/qha/grid_qha.hpp"
#include "thermo/qha/surface.hpp"
#include "thermo/qha/surface_minimum.hpp"

namespace thermotest {
namespace {

// The lengths of an n x n grid over [lo, hi]^2 (or n^3 with three axes).
std::vector<double> gridpoints(int axes, int n, double lo, double hi) {
  std::vector<double> x;
  const std::vector<double> v = spaced(lo, hi, n);
  const int total = axes == 2 ? n * n : n * n * n;
  for (int i = 0; i < total; ++i) {
    if (axes == 2) x.insert(x.end(), {v[i / n], v[i % n]});
    else x.insert(x.end(), {v[i / (n * n)], v[(i / n) % n], v[i % n]});
  }
  return x;
}

TEST(ThermoGridSurface, RecoversAPolynomialAndItsMinimum) {
  for (int axes : {2, 3}) {
    const std::vector<double> x = gridpoints(axes, 5, 3.5, 3.7);
    const std::size_t n = x.size() / axes;
    for (int degree : {3, 4}) {
      const surfacebasis b = makebasis(axes, degree, x.data(), n);
      std::vector<double> u(x.size());
      for (std::size_t i = 0; i < n; ++i) b.scaled(x.data() + i * axes, u.data() + i * axes);
      surfacefit fit;
      std::string why;
      ASSERT_TRUE(fit.make(b, u.data(), n, thermo::axisnames(axes), why)) << why;
      // A bowl with its minimum at x = 3.61, 3.62(, 3.63) and a cubic term,
      // as lengths: the fit in scaled variables gives it back exactly.
      auto bowl = [&](const double* p) {
        double s = 0.0;
        for (int j = 0; j < axes; ++j) {
          const double d = p[j] - (3.61 + 0.01 * j);
          s += 40.0 * d * d + 25.0 * d * d * d;
        }
        return s + 10.0 * (p[0] - 3.61) * (p[axes - 1] - 3.6 - 0.01 * axes);
      };
      std::vector<double> g(n), coef(b.terms());
      for (std::size_t i = 0; i < n; ++i) g[i] = bowl(x.data() + i * axes);
      fit.solve(g.data(), coef.data());
      EXPECT_LT(fit.rms(g.data(), coef.data()), 1e-13);
      const double probe[3] = {3.55, 3.66, 3.52};
      double pu[3];
      b.scaled(probe, pu);
      EXPECT_NEAR(surfacevalue(b, coef.data(), pu), bowl(probe), 1e-13);
      const double start[3] = {0.0, 0.0, 0.0};
      const surfaceminimum m = minimise(b, coef.data(), start);
      ASSERT_EQ(m.where, surfaceminimum::status::inside);
      // A minimum of the bowl: its gradient zero there to rounding.
      double grad[3];
      matrix3 h;
      surfacevalue(b, coef.data(), m.u.data(), grad, &h);
      for (int j = 0; j < axes; ++j) EXPECT_LT(std::fabs(grad[j]), 1e-12) << axes << " axes, degree " << degree;
      // k a^2 c (or k a b c) exactly in the monomials.
      const std::vector<double> vol = productcoefficients(b, 0.7, axes == 2 ? std::array<int, 3>{2, 1, 0}
                                                                              : std::array<int, 3>{1, 1, 1});
      const double expect = axes == 2 ? 0.7 * probe[0] * probe[0] * probe[1] : 0.7 * probe[0] * probe[1] * probe[2];
      EXPECT_NEAR(surfacevalue(b, vol.data(), pu), expect, 1e-13 * expect);
    }
  }
}

TEST(ThermoGridSurface, RefusesGridsThatDoNotDetermineIt) {
  std::string why;
  surfacefit fit;
  auto make = [&](int axes, int degree, const std::vector<double>& x) {
    const surfacebasis b = makebasis(axes, degree, x.data(), x.size() / axes);
    std::vector<double> u(x.size());
    for (std::size_t i = 0; i < x.size() / axes; ++i) b.scaled(x.data() + i * axes, u.data() + i * axes);
    why.clear();
    return fit.make(b, u.data(), x.size() / axes, thermo::axisnames(axes), why);
  };
  // 4 x 3 values: c has 3, a surface of degree 3 needs 4.
  std::vector<double> x;
  for (int i = 0; i < 4; ++i)
    for (int k = 0; k < 3; ++k) x.insert(x.end(), {3.5 + 0.05 * i, 3.5 + 0.05 * k});
  EXPECT_FALSE(make(2, 3, x));
  EXPECT_NE(why.find("c takes 3 distinct values; a surface of degree 3 needs 4"), std::string::npos) << why;
  // 5 distinct values on each axis, but all on the diagonal: rank deficient.
  x.clear();
  for (int i = 0; i < 12; ++i) x.insert(x.end(), {3.5 + 0.01 * (i % 6), 3.5 + 0.01 * (i % 6) + (i >= 6 ? 1e-3 : 0.0)});
  EXPECT_FALSE(make(2, 3, x));
  EXPECT_NE(why.find("deficient rank"), std::string::npos) << why;
  // Fewer points than terms: 5 points on 5 values each, 10 terms.
  x.clear();
  for (int i = 0; i < 5; ++i) x.insert(x.end(), {3.5 + 0.01 * i, 3.5 + 0.01 * ((2 * i) % 5)});
  EXPECT_FALSE(make(2, 3, x));
  EXPECT_NE(why.find("5 points for the 10 terms"), std::string::npos) << why;
  // One value of a: its scale stays finite, and the axis is named.
  x.clear();
  for (int i = 0; i < 12; ++i) x.insert(x.end(), {3.6, 3.5 + 0.01 * i});
  EXPECT_FALSE(make(2, 3, x));
  EXPECT_NE(why.find("a takes 1 distinct value; "), std::string::npos) << why;
  // A 4 x 4 grid suits degree 3, not 4.
  x = gridpoints(2, 4, 3.5, 3.7);
  EXPECT_TRUE(make(2, 3, x)) << why;
  EXPECT_FALSE(make(2, 4, x));
  EXPECT_NE(why.find("a takes 4 distinct values; a surface of degree 4 needs 5"), std::string::npos) << why;
}

TEST(ThermoGridSurface, TheFitLessOnePointIsTheFitOfTheRest) {
  const std::vector<double> x = gridpoints(2, 5, 3.5, 3.7);
  const std::size_t n = x.size() / 2;
  const surfacebasis b = makebasis(2, 3, x.data(), n);
  std::vector<double> u(x.size()), g(n);
  for (std::size_t i = 0; i < n; ++i) {
    b.scaled(x.data() + 2 * i, u.data() + 2 * i);
    g[i] = std::sin(3.0 * x[2 * i]) * std::cos(2.0 * x[2 * i + 1]);  // not a cubic: residuals
  }
  surfacefit less, rest;
  std::string why;
  ASSERT_TRUE(less.make(b, u.data(), n, thermo::axisnames(2), why, 7)) << why;
  std::vector<double> u2(u), g2(g);
  u2.erase(u2.begin() + 14, u2.begin() + 16);
  g2.erase(g2.begin() + 7);
  ASSERT_TRUE(rest.make(b, u2.data(), n - 1, thermo::axisnames(2), why)) << why;
  std::vector<double> c1(b.terms()), c2(b.terms());
  g[7] = 1e300;  // never read
  less.solve(g.data(), c1.data());
  rest.solve(g2.data(), c2.data());
  for (std::size_t t = 0; t < b.terms(); ++t) EXPECT_NEAR(c1[t], c2[t], 1e-12) << t;
  EXPECT_NEAR(less.rms(g.data(), c1.data()), rest.rms(g2.data(), c2.data()), 1e-15);
}

// The grid mode's CSV rows by column.
std::vector<std::map<std::string, double>> gridrows(const griddataset& d, std::vector<std::string> extra) {
  extra.push_back("--csv");
  const outcome r = runwith(gridargs(d, extra));
  EXPECT_EQ(r.status, 0) << r.err;
  return qharows(r.out);
}

TEST(ThermoGridQha, IdentitiesAndExactDerivatives) {
  // An anisotropic crystal: c stiffer to shear, its frequency rising with c/a.
  crystal x = cubic(1.5);
  x.frequency = [](double a, double b, double c) { return 6.0 * std::pow(a * b * c / 12.0, -1.5) * (1.0 + 0.8 * (c - a)); };
  for (int axes : {2, 3}) {
    const griddataset d =
        makegrid("ident" + std::to_string(axes), x, axes, spaced(2.22, 2.36, axes == 2 ? 7 : 5));
    const auto rows = gridrows(d, {"--temperatures", "0,150,299.95,300,300.05,700"});
    ASSERT_EQ(rows.size(), 6u);
    const char* names[] = {"a", "b", "c"};
    for (const auto& r : rows) {
      const double b = axes == 3 ? r.at("b") : r.at("a");
      EXPECT_NEAR(r.at("volume"), r.at("a") * b * r.at("c"), 1e-14 * r.at("volume"));
      const double sum = r.at("alpha_a") * (axes == 2 ? 2.0 : 1.0) + (axes == 3 ? r.at("alpha_b") : 0.0) + r.at("alpha_c");
      EXPECT_NEAR(r.at("thermal_expansion"), sum, 1e-12 * std::fabs(sum));
    }
    // Against central differences of a(T), c(T) and G(T) on a 0.1-K grid.
    const auto &lo = rows[2], &at = rows[3], &hi = rows[4];
    for (int j = 0; j < 3; ++j) {
      if (j == 1 && axes == 2) continue;
      const std::string k = names[j];
      const double diff = (hi.at(k) - lo.at(k)) / 0.1 / at.at(k);
      EXPECT_NEAR(at.at("alpha_" + k), diff, 1e-6 * std::fabs(diff)) << k;
    }
    const double kj = 1000.0;  // J per kJ
    const double s = -(hi.at("gibbs_energy") - lo.at("gibbs_energy")) / 0.1 * kj;
    EXPECT_NEAR(at.at("entropy"), s, 1e-6 * s);
    const double cp = -300.0 * (hi.at("gibbs_energy") - 2.0 * at.at("gibbs_energy") + lo.at("gibbs_energy")) / 0.0025 * kj;
    EXPECT_NEAR(at.at("heat_capacity_p"), cp, 1e-4 * cp);  // G's second difference keeps 4 digits
    const double cpfromS = 300.0 * (hi.at("entropy") - lo.at("entropy")) / 0.1;
    EXPECT_NEAR(at.at("heat_capacity_p"), cpfromS, 1e-6 * cpfromS);
    EXPECT_GT(at.at("heat_capacity_p"), at.at("heat_capacity_v"));
    EXPECT_EQ(rows[0].at("alpha_a"), 0.0);
    EXPECT_EQ(rows[0].at("heat_capacity_p"), 0.0);
  }
}

TEST(ThermoGridQha, ACubicCrystalKeepsItsSymmetry) {
  // The same values on each axis: the fitted surface is symmetric in a, b
  // and c, and its minimum on the diagonal.
  const griddataset d = makegrid("cube", cubic(1.2), 3, spaced(2.22, 2.36, 5));
  for (const auto& r : gridrows(d, {"--tmax", "800", "--tstep", "200"})) {
    EXPECT_NEAR(r.at("a"), r.at("c"), 1e-12 * r.at("a")) << r.at("temperature");
    EXPECT_NEAR(r.at("b"), r.at("c"), 1e-12 * r.at("a"));
    EXPECT_NEAR(r.at("alpha_a"), r.at("alpha_c"), 1e-9 * std::fabs(r.at("alpha_c")) + 1e-20);
    EXPECT_NEAR(r.at("alpha_b"), r.at("thermal_expansion") / 3.0, 1e-9 * std::fabs(r.at("alpha_c")) + 1e-20);
  }
}

}  // namespace
}  // namespace thermotest
