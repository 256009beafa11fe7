#include "thermo/qha/debye_rows.hpp"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace thermo {

namespace {

constexpr int values = debyecolumns - 2;

// The row at volume v from a static polynomial e (with its V0, B0 and
// theta0) and a polynomial f of F(V; T).
debyerow rowof(const debyemodel& m, const debyeisotherm& iso, const strainpoly& e, double v0, double b0, double theta0,
               const strainpoly& f, double v, double p) {
  const debyeconstants& k = m.s.k;
  const double t = iso.t;
  double theta, gamma, fv[4];
  thetaat(m, e, v0, b0, theta0, v, theta, gamma);
  strainvalues(m.grid.scale, f, v, fv, 3);
  const debyevib vib = debyevibration(theta, t, m.s.atoms, k.kb);
  // Sommerfeld: S_el = Cv_el = (pi^2/3) N(E_F) k_B^2 T, F_el = -T S_el / 2.
  const double sel = std::numbers::pi * std::numbers::pi / 3.0 * fermiat(m, v) * k.kb * k.kb * t;
  const double cv = vib.cv + sel, s = vib.s + sel;
  const double bt = v * fv[2];
  const double alpha = gamma * cv / (bt * v), factor = 1.0 + alpha * gamma * t;
  const double jmol = 1000.0 * k.kjmol;
  debyerow r;
  r.pressure = p;
  r.temperature = t;
  r.volume = v;
  r.gibbs_energy = (fv[0] + p / k.gpa * v + m.data.reference) * k.kjmol;
  r.bulk_modulus = bt * k.gpa;
  r.bulk_modulus_s = bt * factor * k.gpa;
  r.bulk_modulus_prime = -(1.0 + v * fv[3] / fv[2]);
  r.thermal_expansion = alpha;
  r.heat_capacity_v = cv * jmol;
  r.heat_capacity_p = cv * factor * jmol;
  r.entropy = s * jmol;
  r.debye_temperature = theta;
  r.gruneisen = gamma;
  r.electronic_free_energy = -0.5 * t * sel * k.kjmol;
  r.electronic_energy = 0.5 * t * sel * k.kjmol;
  r.electronic_entropy = sel * jmol;
  r.electronic_heat_capacity = sel * jmol;
  return r;
}

// The static member of a degree, or none.
std::size_t staticmember(const debyemodel& m, int degree) {
  const std::vector<int>& d = m.staticfit.degrees;
  return static_cast<std::size_t>(std::find(d.begin(), d.end(), degree) - d.begin());
}

}  // namespace

void debyevalues(const debyerow& r, double out[values]) {
  const double in[values] = {r.volume, r.gibbs_energy, r.bulk_modulus, r.bulk_modulus_s, r.bulk_modulus_prime,
                             r.thermal_expansion, r.heat_capacity_v, r.heat_capacity_p, r.entropy,
                             r.debye_temperature, r.gruneisen, r.electronic_free_energy, r.electronic_energy,
                             r.electronic_entropy, r.electronic_heat_capacity};
  std::copy(in, in + values, out);
}

debyerow debyefromvalues(double pressure, double temperature, const double x[values]) {
  return {pressure, temperature, x[0], x[1], x[2],  x[3],  x[4],  x[5],  x[6],
          x[7],     x[8],        x[9], x[10], x[11], x[12], x[13], x[14]};
}

void debyeisothermat(const debyemodel& m, double t, debyeisotherm& out) {
  const debyeconstants& k = m.s.k;
  const std::size_t n = m.grid.size();
  const double el = std::numbers::pi * std::numbers::pi / 6.0 * k.kb * k.kb * t * t;
  out.t = t;
  out.f.resize(n);
  for (std::size_t i = 0; i < n; ++i)
    out.f[i] = m.gridenergy[i] + debyevibration(m.gridtheta[i], t, m.s.atoms, k.kb).f - el * m.gridfermi[i];
  fitstrain(m.grid, m.s.strain, out.f.data(), out.fit);
  out.pressures = pressuresat(m.grid.scale, out.fit.mean, m.grid.volume);
  out.memberpressures.clear();
  for (const strainpoly& p : out.fit.members) out.memberpressures.push_back(pressuresat(m.grid.scale, p, m.grid.volume));
}

bool debyerowat(const debyemodel& m, const debyeisotherm& f, double p, debyerow& r, debyerow* spread) {
  const double pe = p / m.s.k.gpa;
  double v;
  if (!volumeat(m.grid.scale, f.fit.mean, m.grid.volume, f.pressures, pe, v)) return false;
  r = rowof(m, f, m.staticfit.mean, m.v0, m.b0, m.theta0, f.fit.mean, v, p);
  if (spread == nullptr) return true;
  const std::size_t members = f.fit.members.size();
  std::vector<std::vector<double>> columns(values, std::vector<double>(members, NAN));
  for (std::size_t k = 0; k < members; ++k) {
    const strainpoly& fk = f.fit.members[k];
    const std::size_t e = staticmember(m, f.fit.degrees[k]);
    double vk;
    if (e == m.staticfit.degrees.size() || !volumeat(m.grid.scale, fk, m.grid.volume, f.memberpressures[k], pe, vk))
      continue;
    const debyerow rk =
        rowof(m, f, m.staticfit.members[e], m.memberv0[e], m.memberb0[e], m.membertheta0[e], fk, vk, p);
    double x[values];
    debyevalues(rk, x);
    for (int c = 0; c < values; ++c) columns[static_cast<std::size_t>(c)][k] = x[c];
  }
  double x[values];
  for (int c = 0; c < values; ++c) x[c] = memberspread(f.fit.weights, columns[static_cast<std::size_t>(c)]);
  *spread = debyefromvalues(p, f.t, x);
  return true;
}

debyerow performula(debyerow r, double z) {
  for (double* x : {&r.volume, &r.gibbs_energy, &r.heat_capacity_v, &r.heat_capacity_p, &r.entropy,
                    &r.electronic_free_energy, &r.electronic_energy, &r.electronic_entropy,
                    &r.electronic_heat_capacity})
    *x /= z;
  return r;
}

namespace {

// The static columns of polynomial e at v and pressure p (eV/A^3).
debyestatic staticof(const debyemodel& m, const strainpoly& e, double v, double p, double pgpa) {
  double ev[4];
  strainvalues(m.staticbasis.scale, e, v, ev, 3);
  const double reference = m.data.reference;
  return {pgpa, v, ev[0] + reference, ev[0] + p * v + reference, v * ev[2] * m.s.k.gpa, -(1.0 + v * ev[3] / ev[2])};
}

}  // namespace

bool debyestaticat(const debyemodel& m, double pgpa, debyestatic& r, debyestatic* spread) {
  const strainbasis& b = m.staticbasis;
  const double p = pgpa / m.s.k.gpa;
  double v;
  if (!volumeat(b.scale, m.staticfit.mean, b.volume, m.staticpressures, p, v)) return false;
  r = staticof(m, m.staticfit.mean, v, p, pgpa);
  if (spread == nullptr) return true;
  const std::size_t members = m.staticfit.members.size();
  std::vector<double> x[5];
  for (std::vector<double>& c : x) c.resize(members);
  for (std::size_t k = 0; k < members; ++k) {
    const strainpoly& e = m.staticfit.members[k];
    double vk;
    if (!volumeat(b.scale, e, b.volume, pressuresat(b.scale, e, b.volume), p, vk)) {
      // The end where the member's enthalpy is lower.
      double lo[4], hi[4];
      strainvalues(b.scale, e, b.volume.front(), lo, 0);
      strainvalues(b.scale, e, b.volume.back(), hi, 0);
      vk = lo[0] + p * b.volume.front() <= hi[0] + p * b.volume.back() ? b.volume.front() : b.volume.back();
    }
    const debyestatic s = staticof(m, e, vk, p, pgpa);
    const double row[5] = {s.volume, s.energy, s.enthalpy, s.bulk_modulus, s.bulk_modulus_prime};
    for (int c = 0; c < 5; ++c) x[c][k] = row[c];
  }
  const std::vector<double>& w = m.staticfit.weights;
  *spread = {pgpa, memberspread(w, x[0]), memberspread(w, x[1]), memberspread(w, x[2]), memberspread(w, x[3]),
             memberspread(w, x[4])};
  return true;
}

std::vector<debyemember> debyemembers(const debyemodel& m) {
  std::vector<debyemember> out;
  for (std::size_t k = 0; k < m.staticfit.members.size(); ++k) {
    debyemember d{m.staticfit.degrees[k], m.staticfit.weights[k], NAN, NAN, NAN, NAN};
    if (std::isfinite(m.memberv0[k])) {
      const debyestatic s = staticof(m, m.staticfit.members[k], m.memberv0[k], 0.0, 0.0);
      d.volume = s.volume;
      d.energy = s.energy;
      d.bulk_modulus = s.bulk_modulus;
      d.bulk_modulus_prime = s.bulk_modulus_prime;
    }
    out.push_back(d);
  }
  return out;
}

}  // namespace thermo
