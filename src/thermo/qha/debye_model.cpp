#include "thermo/qha/debye_model.hpp"

#include <algorithm>
#include <cmath>
#include <numbers>

#include "thermo/base/number_text.hpp"
#include "thermo/harmonic/constants.hpp"
#include "thermo/harmonic/debye.hpp"

namespace thermo {

namespace {

constexpr double pi = std::numbers::pi;

// 1e-15 Ha^2, the weights' floor, in eV^2.
double floorof(const debyeconstants& k) { return 1e-15 * k.hartree * k.hartree; }

// The Poisson theta (K) where E'' = e2 (eV/A^6) at v (A^3).
double poissontheta(const debyemodel& m, double v, double e2) {
  if (!(e2 > 0.0)) return 0.0;
  return m.s.k.theta * std::cbrt(6.0 * pi * pi * m.s.atoms * v * v) * poissonfactor(m.s.poisson) *
         std::sqrt(e2 / m.s.mass);
}

// V0, B0 and theta0 of a static polynomial: false where it has no volume at p = 0.
bool zeropressure(const debyemodel& m, const strainpoly& p, double& v0, double& b0, double& theta0) {
  const strainbasis& b = m.staticbasis;
  if (!volumeat(b.scale, p, b.volume, pressuresat(b.scale, p, b.volume), 0.0, v0)) return false;
  double e[4];
  strainvalues(b.scale, p, v0, e, 2);
  b0 = v0 * e[2];
  theta0 = poissontheta(m, v0, e[2]);
  return b0 > 0.0;
}

}  // namespace

debyeconstants siconstants() {
  const double hbar = planck / (2.0 * pi);
  return {boltzmann / elementary, elementary * avogadro / 1000.0, 1e-9 * elementary / 1e-30,
          hbar / boltzmann * 1e-20 * std::sqrt(elementary * avogadro * 1e63), hartree / elementary, "SI"};
}

debyeconstants codata2006constants() {
  // Its table: k_B in Ha/K, Ha in eV and kJ/mol, Ha/bohr^3 in GPa, bohr in
  // A, amu in electron masses.
  const double kb = 3.166815e-6, ev = 27.21138386, kjmol = 2625.4996, gpa = 29421.0108037190, bohr = 0.52917720859;
  const double amu = 1.660538782e-24 / 9.10938215e-28;
  return {kb * ev, kjmol / ev, gpa * bohr * bohr * bohr / ev, bohr / (kb * std::sqrt(ev * amu)), ev, "CODATA 2006"};
}

double poissonfactor(double s) {
  const double a = 2.0 * (1.0 + s) / (3.0 * (1.0 - 2.0 * s)), b = (1.0 + s) / (3.0 * (1.0 - s));
  return std::cbrt(3.0 / (2.0 * a * std::sqrt(a) + b * std::sqrt(b)));
}

void thetaat(const debyemodel& m, const strainpoly& p, double v0, double b0, double theta0, double v, double& theta,
             double& gamma) {
  double e[4];
  strainvalues(m.staticbasis.scale, p, v, e, 3);
  const double prime = -(1.0 + v * e[3] / e[2]);  // B' of the static curve
  if (!m.s.gruneisen) {
    theta = poissontheta(m, v, e[2]);
    gamma = -1.0 / 6.0 + 0.5 * prime;
    return;
  }
  const double bulk = v * e[2];
  theta = bulk > 0.0 ? theta0 * std::pow(bulk / b0, m.s.b) * std::pow(v / v0, -m.s.a) : 0.0;
  gamma = m.s.a + m.s.b * prime;
}

double fermiat(const debyemodel& m, double v) {
  const std::vector<double>& n = m.data.dosatfermi;
  const std::vector<double>& x = m.data.volume;
  if (n.empty()) return 0.0;
  if (v <= x.front()) return n.front();
  if (v >= x.back()) return n.back();
  const std::size_t i = static_cast<std::size_t>(std::upper_bound(x.begin(), x.end(), v) - x.begin());
  return n[i - 1] + (n[i] - n[i - 1]) * (v - x[i - 1]) / (x[i] - x[i - 1]);
}

debyevib debyevibration(double theta, double t, double n, double kb) {
  const double zero = 9.0 / 8.0 * n * kb * theta;
  if (!(t > 0.0)) return {zero, zero, 0.0, 0.0};
  const debyereduced r = debyereducedat(theta / t);
  const double scale = 3.0 * n * kb;
  return {zero + scale * t * r.f, zero + scale * t * r.u, scale * r.s, scale * r.c};
}

bool makedebye(qhamodel data, const debyesettings& s, debyemodel& m, std::string& why) {
  m = debyemodel{};
  m.s = s;
  m.s.strain.floor = floorof(s.k);
  m.data = std::move(data);
  const std::vector<double>& v = m.data.volume;
  const std::vector<double>& e = m.data.energy;
  const std::size_t n = v.size();
  // The leading volumes where E(V) curves downward: from the first i whose
  // chord to the right is steeper than the one to the left, all but one
  // before it are left out.
  std::size_t i = 1;
  auto slope = [&](std::size_t a) { return (e[a + 1] - e[a]) / (v[a + 1] - v[a]); };
  while (i + 1 < n && !(slope(i - 1) < slope(i))) ++i;
  if (i + 1 >= n) return why = "E(V) nowhere curves upward over its volumes: it has no minimum", false;
  m.first = i - 1;
  const std::vector<double> sv(v.begin() + static_cast<long>(m.first), v.end());
  const std::vector<int> degrees = straindegrees(m.s.strain, sv.size());
  if (sv.size() < 5 || static_cast<std::size_t>(degrees.back()) + 1 > sv.size())
    return why = std::to_string(sv.size()) + " volumes where E(V) curves upward; the fit needs at least " +
                 std::to_string(std::max(5, degrees.back() + 1)),
           false;
  m.staticbasis = makebasis(m.s.strain.kind, sv, degrees.back());
  fitstrain(m.staticbasis, m.s.strain, e.data() + m.first, m.staticfit);
  const strainscale& sc = m.staticbasis.scale;
  m.staticpressures = pressuresat(sc, m.staticfit.mean, sv);
  if (!zeropressure(m, m.staticfit.mean, m.v0, m.b0, m.theta0))
    return why = "E(V) has no minimum within the volumes (" + significant(sv.front()) + " to " +
                 significant(sv.back()) + " A^3): its fit gives no volume at zero pressure",
           false;
  double ev[4];
  strainvalues(sc, m.staticfit.mean, m.v0, ev, 3);
  m.e0 = ev[0];
  m.b0prime = -(1.0 + m.v0 * ev[3] / ev[2]);
  for (const strainpoly& p : m.staticfit.members) {
    double a = NAN, b = NAN, t = NAN;
    if (!zeropressure(m, p, a, b, t)) a = b = t = NAN;
    m.memberv0.push_back(a);
    m.memberb0.push_back(b);
    m.membertheta0.push_back(t);
  }
  // The volumes of the F fits: from just below the lowest energy up to the
  // first where E'' < 0.
  const std::size_t low = static_cast<std::size_t>(std::min_element(e.begin() + static_cast<long>(m.first), e.end()) -
                                                   e.begin()) - m.first;
  std::size_t end = sv.size();
  for (std::size_t k = low > 0 ? low - 1 : 0; k < sv.size(); ++k) {
    strainvalues(sc, m.staticfit.mean, sv[k], ev, 2);
    if (ev[2] < 0.0) {
      end = k;
      break;
    }
  }
  const std::vector<double> gv(sv.begin(), sv.begin() + static_cast<long>(end));
  const std::vector<int> gd = straindegrees(m.s.strain, gv.size());
  if (gv.size() < 5 || static_cast<std::size_t>(gd.back()) + 1 > gv.size())
    return why = "E(V) curves downward from " + significant(sv[end]) + " A^3 on, which leaves " +
                 std::to_string(gv.size()) + " volumes for the fits of F(V; T); they need at least " +
                 std::to_string(std::max(5, gd.back() + 1)),
           false;
  m.grid = makebasis(m.s.strain.kind, gv, gd.back());
  for (std::size_t k = 0; k < gv.size(); ++k) {
    double theta, gamma;
    thetaat(m, m.staticfit.mean, m.v0, m.b0, m.theta0, gv[k], theta, gamma);
    if (!(theta > 0.0 && std::isfinite(theta))) {
      strainvalues(sc, m.staticfit.mean, gv[k], ev, 2);
      if (!(ev[2] > 0.0))
        return why = "E(V) curves downward at " + significant(gv[k]) + " A^3: there is no Debye temperature there",
               false;
      // E'' is fine: the Debye-Grueneisen exponents overflow (or underflow) theta.
      return why = "theta_D at " + significant(gv[k]) + " A^3 is " + significant(theta) + " K, theta0 (B/B0)^" +
                   significant(m.s.b) + " (V0/V)^" + significant(m.s.a) + " with theta0 = " + significant(m.theta0) +
                   " K and B/B0 = " + significant(gv[k] * ev[2] / m.b0) + ": is --gruneisen's A,B meant?",
             false;
    }
    m.gridtheta.push_back(theta);
    m.gridenergy.push_back(e[m.first + k]);
    m.gridfermi.push_back(m.data.dosatfermi.empty() ? 0.0 : m.data.dosatfermi[m.first + k]);
  }
  return true;
}

}  // namespace thermo
