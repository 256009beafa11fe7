#include "thermo/qha/qha.hpp"

#include <algorithm>
#include <cmath>
#include <limits>

#include "thermo/base/two_threads.hpp"
#include "thermo/harmonic/constants.hpp"
#include "thermo/qha/parameter_derivatives.hpp"
#include "thermo/qha/qha_strain.hpp"

namespace thermo {

namespace {

constexpr double ev = elementary;                         // J
constexpr double kjmol = elementary * avogadro / 1000.0;  // kJ/mol per eV
constexpr double jmol = elementary * avogadro;            // J/mol per eV

// +0 for a value below zero by less than floor (and for -0).
double clamped(double x, double floor) { return x <= 0.0 && x > -floor ? 0.0 : x; }

// The fit of G_i given at each volume, with E0 (the reference put back).
bool fitof(const qhamodel& m, const std::vector<double>& g, parameters& p, std::string& why) {
  if (m.form == eos::strain) {
    if (!strainparameters(m, g, 0.0, p, why)) return false;
  } else {
    const int n = static_cast<int>(m.volume.size());
    const std::vector<double> zero(g.size(), 0.0);
    const gibbsdata data{m.points.data(), g.data(), zero.data(), zero.data(), n};
    hessian h;
    if (!fiteos(m.form, data, p, h, why)) return false;
  }
  p[0] += m.reference;
  return true;
}

}  // namespace

void fillrow(const qhamodel& m, double t, double v, double b, double bprime, double g, double rms, double alpha,
             double cv, double cp, double s, qharow& row) {
  row.temperature = t;
  row.volume = v;
  row.gibbs_energy = g * kjmol;
  row.bulk_modulus = b * gpa;
  row.bulk_modulus_prime = bprime;
  row.fit_rms = rms * kjmol;
  // The scales of "zero within rounding": 3 n k_B per cell, and alpha's.
  const double classical = 3.0 * m.atoms * boltzmann / ev;  // eV/K
  if (t > 0.0) {
    alpha = clamped(alpha, zerofloor * classical / (b * v));
    cv = clamped(cv, zerofloor * classical);
    cp = clamped(cp, zerofloor * classical);
    s = clamped(s, zerofloor * classical);
  } else {
    alpha = cv = cp = s = 0.0;
  }
  const double gamma = cv >= gammafloor * classical ? alpha * b * v / cv : std::numeric_limits<double>::quiet_NaN();
  row.thermal_expansion = alpha;
  row.linear_thermal_expansion = alpha / 3.0;
  row.heat_capacity_p = cp * jmol;
  row.heat_capacity_v = cv * jmol;
  row.gruneisen = gamma;
  row.entropy = s * jmol;
  // B_S = B_T in the limit where gamma is lost.
  row.bulk_modulus_s = std::isnan(gamma) ? row.bulk_modulus : b * (1.0 + alpha * gamma * t) * gpa;
}

bool qhaat(const qhamodel& m, double t, double pressure, qhaoutcome& out, bool keep) {
  if (m.form == eos::strain) return strainqhaat(m, t, pressure, out, keep);
  const int n = static_cast<int>(m.volume.size());
  std::vector<double> g(n), dg(n), d2g(n);
  if (!gibbsat(m, t, pressure, g.data(), dg.data(), d2g.data())) {
    out.why = "no tabulated values at this temperature";
    return false;
  }
  const gibbsdata data{m.points.data(), g.data(), dg.data(), d2g.data(), n};
  parameters& p = out.p;
  hessian h;
  if (!fiteos(m.form, data, p, h, out.why)) return false;
  parameters dp, d2p;
  parameterderivatives(m.form, data, p, h, dp, d2p);
  double squares = 0.0;
  for (int i = 0; i < n; ++i) {
    const double r = energy(m.form, m.volume[i], p.data()) - g[i];
    squares += r * r;
  }
  const auto [lo, hi] = std::minmax_element(g.begin(), g.end());
  out.spread = (*hi - *lo) * kjmol;
  fillrow(m, t, p[3], p[1], p[2], p[0] + m.reference, std::sqrt(squares / n), dp[3] / p[3],
          -t * secondderivative(m.form, p[3], p, dp, d2p), -t * d2p[0], -dp[0], out.row);
  p[0] += m.reference;
  if (keep) {
    for (double& x : g) x += m.reference;
    out.g = std::move(g);
  }
  return true;
}

void qharows(const qhamodel& m, const double* t, std::size_t n, double pressure, qhaoutcome* out, bool keep) {
  alternateruns(n, n >= 8, [&](std::size_t i) { out[i].ok = qhaat(m, t[i], pressure, out[i], keep); });
}

qharow performula(qharow r, double z) {
  for (double* x : {&r.volume, &r.gibbs_energy, &r.heat_capacity_p, &r.heat_capacity_v, &r.entropy, &r.fit_rms}) *x /= z;
  return r;
}

bool staticfit(const qhamodel& m, parameters& p, std::string& why) { return fitof(m, m.energy, p, why); }

bool zerokelvinfit(const qhamodel& m, parameters& p, std::string& why) { return fitof(m, zerokelvin(m), p, why); }

}  // namespace thermo
