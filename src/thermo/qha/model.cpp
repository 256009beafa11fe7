#include "thermo/qha/model.hpp"

#include <algorithm>
#include <cmath>
#include <numbers>
#include <numeric>

#include "thermo/harmonic/constants.hpp"

namespace thermo {

namespace {

constexpr double ev = elementary;      // J
constexpr double kev = boltzmann / ev;  // k_B, eV/K

template <class T>
std::vector<T> take(std::vector<T>& from, const std::vector<std::size_t>& order) {
  std::vector<T> to;
  if (from.empty()) return to;
  to.reserve(order.size());
  for (std::size_t i : order) to.push_back(std::move(from[i]));
  return to;
}

}  // namespace

qhamodel makemodel(qhainput in) {
  const std::size_t n = in.volume.size();
  qhamodel m;
  m.order.resize(n);
  std::iota(m.order.begin(), m.order.end(), 0);
  std::stable_sort(m.order.begin(), m.order.end(),
                   [&](std::size_t a, std::size_t b) { return in.volume[a] < in.volume[b]; });
  m.form = in.form;
  // The reference: the lowest static energy. Each difference from it is
  // exact where the energies share a large offset (Sterbenz), and the parts
  // their doubles leave out are added back.
  if (n > 0) {
    const std::size_t r = static_cast<std::size_t>(std::min_element(in.energy.begin(), in.energy.end()) - in.energy.begin());
    m.reference = in.energy[r];
    auto low = [](const std::vector<double>& x, std::size_t i) { return x.empty() ? 0.0 : x[i]; };
    const double rlow = low(in.energylow, r);
    m.referencelow = rlow;
    for (std::size_t i = 0; i < n; ++i) in.energy[i] = (in.energy[i] - m.reference) + (low(in.energylow, i) - rlow);
    for (std::size_t k = 0; k < in.electrons.f.size(); ++k)
      in.electrons.f[k] = (in.electrons.f[k] - m.reference) + (low(in.electronslow, k) - rlow);
  }
  m.volume = take(in.volume, m.order);
  m.energy = take(in.energy, m.order);
  m.dos = take(in.dos, m.order);
  m.zeropoint = take(in.zeropoint, m.order);
  m.dosatfermi = take(in.dosatfermi, m.order);
  m.phonons = in.phonons.empty() ? tabulated{} : in.phonons.reordered(m.order);
  m.electrons = in.electrons.empty() ? tabulated{} : in.electrons.reordered(m.order);
  m.atoms = in.atoms;
  for (double v : m.volume) m.points.emplace_back(v);
  if (m.form == eos::strain) {
    const double hartree = thermo::hartree / ev;  // eV
    m.strain = in.strain;
    m.strain.floor = 1e-15 * hartree * hartree;  // 1e-15 Ha^2
    const int degree = straindegrees(m.strain, n).back();
    if (n > static_cast<std::size_t>(degree)) m.strainbase = makebasis(m.strain.kind, m.volume, degree);
  }
  if (!m.electrons.empty()) splinecolumns(m.electrons);
  if (m.zeropoint.empty())
    for (const harmonicdos& d : m.dos) m.zeropoint.push_back(d.zeropoint / ev);
  return m;
}

qhamodel makemodel(eos form, const std::vector<double>& volume, const std::vector<double>& energy,
                   std::vector<harmonicdos> dos) {
  qhainput in;
  in.form = form;
  in.volume = volume;
  in.energy = energy;
  if (!dos.empty()) in.atoms = dos[0].states / 3.0;
  in.dos = std::move(dos);
  return makemodel(std::move(in));
}

bool gibbsat(const qhamodel& m, double t, double pressure, double* g, double* dg, double* d2g) {
  const std::size_t n = m.volume.size();
  long kp = 0, ke = 0;
  if (!m.phonons.empty() && (kp = m.phonons.find(t)) < 0) return false;
  if (!m.electrons.empty() && (ke = m.electrons.find(t)) < 0) return false;
  for (std::size_t i = 0; i < n; ++i) {
    if (m.dos.empty()) {
      const std::size_t at = static_cast<std::size_t>(kp) * n + i;
      g[i] = m.phonons.f[at];
      dg[i] = m.phonons.df[at];
      d2g[i] = m.phonons.d2f[at];
    } else {
      const harmonic h = evaluate(m.dos[i], t);
      g[i] = h.free_energy / ev;
      dg[i] = -h.entropy / ev;
      d2g[i] = t > 0.0 ? -h.heat_capacity / (t * ev) : 0.0;
    }
    if (m.electrons.empty()) {
      g[i] += m.energy[i];
    } else {
      const std::size_t at = static_cast<std::size_t>(ke) * n + i;
      g[i] += m.electrons.f[at];
      dg[i] += m.electrons.df[at];
      d2g[i] += m.electrons.d2f[at];
    }
    if (!m.dosatfermi.empty()) {
      // Sommerfeld: F_el = -a T^2, a = (pi^2/6) k_B^2 N(E_F).
      const double a = std::numbers::pi * std::numbers::pi / 6.0 * kev * kev * m.dosatfermi[i];
      g[i] -= a * t * t;
      dg[i] -= 2.0 * a * t;
      d2g[i] -= 2.0 * a;
    }
    g[i] += pressure * m.volume[i] / gpa;
  }
  return true;
}

std::vector<double> zerokelvin(const qhamodel& m) {
  std::vector<double> g(m.volume.size());
  for (std::size_t i = 0; i < g.size(); ++i) g[i] = m.energy[i] + m.zeropoint[i];
  return g;
}

}  // namespace thermo
