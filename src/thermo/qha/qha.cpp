#include "thermo/qha/qha.hpp"

#include <cmath>
#include <limits>
#include <utility>

#include "thermo/base/two_threads.hpp"
#include "thermo/harmonic/constants.hpp"
#include "thermo/qha/parameter_derivatives.hpp"
#include "thermo/qha/qha_strain.hpp"

namespace thermo {

namespace {

constexpr double ev = elementary;                         // J
constexpr double kjmol = elementary * avogadro / 1000.0;  // kJ/mol per eV
constexpr double jmol = elementary * avogadro;            // J/mol per eV

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
    alpha = clampedzero(alpha, zerofloor * classical / (b * v));
    cv = clampedzero(cv, zerofloor * classical);
    cp = clampedzero(cp, zerofloor * classical);
    s = clampedzero(s, zerofloor * classical);
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
  const double v = p[3], b = p[1];
  qharow& row = out.row;
  // The scale of "zero within rounding": 3 n k_B per cell.
  const double classical = 3.0 * m.atoms * boltzmann / ev;  // eV/K
  double values[rowerrorcount];
  rowvalues(t, classical, p, dp, d2p, values);
  row.temperature = t;
  row.volume = v;
  row.gibbs_energy = (p[0] + m.reference) * kjmol;
  row.bulk_modulus = values[2];
  row.bulk_modulus_prime = p[2];
  row.fit_rms = std::sqrt(squares / n) * kjmol;
  double cv = 0.0, s = 0.0;
  if (t > 0.0) {
    cv = clampedzero(-t * secondderivative(m.form, v, p, dp, d2p), zerofloor * classical);
    s = clampedzero(-dp[0], zerofloor * classical);
  }
  const double alpha = values[3];
  const double gamma = cv >= gammafloor * classical ? alpha * b * v / cv : std::numeric_limits<double>::quiet_NaN();
  row.thermal_expansion = alpha;
  row.linear_thermal_expansion = alpha / 3.0;
  row.heat_capacity_p = values[4];
  row.heat_capacity_v = cv * jmol;
  row.gruneisen = gamma;
  row.entropy = s * jmol;
  // B_S = B_T in the limit where gamma is lost.
  row.bulk_modulus_s = std::isnan(gamma) ? row.bulk_modulus : b * (1.0 + alpha * gamma * t) * gpa;
  if (out.errors && !rowerrors(m.form, data, t, classical, p, row.errors, out.errorswhy)) {
    constexpr double none = std::numeric_limits<double>::quiet_NaN();
    row.errors.fill({none, none, none});
  }
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
  for (int j : {0, 1, 4})
    for (double* x : {&r.errors[j].data, &r.errors[j].model, &r.errors[j].fit}) *x /= z;
  return r;
}

bool staticfit(const qhamodel& m, parameters& p, std::string& why) { return fitof(m, m.energy, p, why); }

bool zerokelvinfit(const qhamodel& m, parameters& p, std::string& why) { return fitof(m, zerokelvin(m), p, why); }

}  // namespace thermo
