#include "thermo/qha/qha.hpp"

#include <algorithm>
#include <cmath>
#include <limits>
#include <numeric>

#include "thermo/harmonic/constants.hpp"
#include "thermo/base/two_threads.hpp"

namespace thermo {

namespace {

constexpr double ev = elementary;                       // J
constexpr double kjmol = elementary * avogadro / 1000.0;  // kJ/mol per eV
constexpr double jmol = elementary * avogadro;            // J/mol per eV

}  // namespace

bool qhaat(const qhamodel& m, double t, double pressure, qharow& row, parameters& p, std::string& why) {
  const int n = static_cast<int>(m.volume.size());
  std::vector<double> g(n), dg(n), d2g(n);
  for (int i = 0; i < n; ++i) {
    const harmonic h = evaluate(m.dos[i], t);
    g[i] = m.energy[i] + h.free_energy / ev + pressure * m.volume[i] / gpa;
    dg[i] = -h.entropy / ev;
    d2g[i] = t > 0.0 ? -h.heat_capacity / (t * ev) : 0.0;
  }
  const gibbsdata data{m.points.data(), g.data(), dg.data(), d2g.data(), n};
  hessian h;
  if (!fiteos(m.form, data, p, h, why)) return false;
  parameters dp, d2p;
  parameterderivatives(m.form, data, p, h, dp, d2p);
  const double v = p[3], b = p[1];
  row.temperature = t;
  row.volume = v;
  row.gibbs_energy = p[0] * kjmol;
  row.bulk_modulus = b * gpa;
  if (!(t > 0.0)) {
    row.thermal_expansion = row.heat_capacity_p = row.heat_capacity_v = row.entropy = 0.0;
    row.gruneisen = std::numeric_limits<double>::quiet_NaN();
    row.bulk_modulus_s = row.bulk_modulus;
    return true;
  }
  const double alpha = dp[3] / v;
  const double cv = -t * secondderivative(m.form, v, p, dp, d2p);  // eV/K per cell
  const double gamma = alpha * b * v / cv;
  row.thermal_expansion = alpha;
  row.heat_capacity_p = -t * d2p[0] * jmol;
  row.heat_capacity_v = cv * jmol;
  row.gruneisen = gamma;
  row.entropy = -dp[0] * jmol;
  row.bulk_modulus_s = b * (1.0 + alpha * gamma * t) * gpa;
  return true;
}

qhamodel makemodel(eos form, const std::vector<double>& volume, const std::vector<double>& energy,
                   std::vector<harmonicdos> dos) {
  std::vector<std::size_t> order(volume.size());
  std::iota(order.begin(), order.end(), 0);
  std::sort(order.begin(), order.end(), [&](std::size_t a, std::size_t b) { return volume[a] < volume[b]; });
  qhamodel m;
  m.form = form;
  for (std::size_t i : order) {
    m.volume.push_back(volume[i]);
    m.points.emplace_back(volume[i]);
    m.energy.push_back(energy[i]);
    m.dos.push_back(std::move(dos[i]));
  }
  return m;
}

std::size_t lowestat(const qhamodel& m) {
  std::size_t k = 0;
  for (std::size_t i = 0; i < m.volume.size(); ++i)
    if (m.energy[i] + m.dos[i].zeropoint / ev < m.energy[k] + m.dos[k].zeropoint / ev) k = i;
  return k;
}

bool lowestinside(const qhamodel& m) {
  const std::size_t k = lowestat(m);
  return k > 0 && k + 1 < m.volume.size();
}

void qharows(const qhamodel& m, const double* t, std::size_t n, double pressure, qhaoutcome* out) {
  alternateruns(n, n >= 8, [&](std::size_t i) {
    parameters p;
    out[i].ok = qhaat(m, t[i], pressure, out[i].row, p, out[i].why);
  });
}

bool staticfit(const qhamodel& m, parameters& p, std::string& why) {
  const int n = static_cast<int>(m.volume.size());
  const std::vector<double> zero(n, 0.0);
  const gibbsdata data{m.points.data(), m.energy.data(), zero.data(), zero.data(), n};
  hessian h;
  return fiteos(m.form, data, p, h, why);
}

}  // namespace thermo
