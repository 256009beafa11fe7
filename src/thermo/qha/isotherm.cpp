#include "thermo/qha/isotherm.hpp"

#include <cmath>

#include "thermo/qha/parameter_derivatives.hpp"

namespace thermo {

namespace {

// The guide's pressure (GPa) at volume v.
double pressureof(const isotherm& it, double v) {
  double p, b;
  eospressure(it.model->form, v, it.guide.data(), p, b);
  return it.guidepressure + p * gpa;
}

}  // namespace

bool makeisotherm(const qhamodel& m, double units, double t, isotherm& it, std::string& why) {
  const std::size_t n = m.volume.size();
  it.model = &m;
  it.units = units;
  it.temperature = t;
  it.started = false;
  it.g.resize(n);
  it.dg.resize(n);
  it.d2g.resize(n);
  it.gp.resize(n);
  if (!gibbsat(m, t, 0.0, it.g.data(), it.dg.data(), it.d2g.data())) {
    why = "no tabulated values at this temperature";
    return false;
  }
  // The pressure that gives the smallest and the largest volume the same
  // G: the minimum lies inside, wherever heat has moved it.
  it.guidepressure = -(it.g[n - 1] - it.g[0]) / (m.volume[n - 1] - m.volume[0]) * gpa;
  for (std::size_t i = 0; i < n; ++i) it.gp[i] = it.g[i] + it.guidepressure * m.volume[i] / gpa;
  const gibbsdata data{m.points.data(), it.gp.data(), it.dg.data(), it.d2g.data(), static_cast<int>(n)};
  if (roughfit(m.form, data, it.guide)) return true;
  why = "the equation of state does not fit the data (Levenberg-Marquardt stalls)";
  return false;
}

bool isothermat(isotherm& it, double p, phasestate& out, std::string& why) {
  const qhamodel& m = *it.model;
  const std::size_t n = m.volume.size();
  const double shift = it.units * it.common;  // A^3 per cell
  // The start: the last fit moved along its pressure derivative, or the
  // guide tilted to p.
  parameters start;
  if (it.started) {
    for (int k = 0; k < 4; ++k) start[k] = it.last[k] + it.lastslope[k] * ((p - it.lastpressure) / gpa);
    start[0] -= (p * shift - it.lastpressure * it.units * it.lastcommon) / gpa;
  } else {
    // At the guide's volume for p: its G, B and B' = dB/dP = -V (dB/dV) / B
    // (from a difference: a start needs no more).
    double v = it.guide[3], g, b, bprime = it.guide[2];
    if (guideat(it, p, v, g, b)) {
      double pl, bl, ph, bh;
      eospressure(m.form, v * (1.0 - 1e-5), it.guide.data(), pl, bl);
      eospressure(m.form, v * (1.0 + 1e-5), it.guide.data(), ph, bh);
      bprime = -(bh - bl) / 2e-5 / b;
    } else {
      v = it.guide[3], g = it.guide[0], b = it.guide[1];
    }
    start = {g - p * shift / gpa, b, bprime, v};
  }
  out.size = 0.0;
  for (std::size_t i = 0; i < n; ++i) {
    it.gp[i] = it.g[i] + p * (m.volume[i] - shift) / gpa;
    out.size = std::fmax(out.size, std::fabs(it.gp[i]) / it.units);
  }
  const gibbsdata data{m.points.data(), it.gp.data(), it.dg.data(), it.d2g.data(), static_cast<int>(n)};
  hessian h;
  // The parameters' derivative as the data move by V_i x (x = P in eV/A^3):
  // that of the fit of G_i + P V_i, the shift moving E0 alone; its E0 part
  // is V = dG/dP.
  parameters bypressure;
  if (!fitnear(m.form, data, start, h, m.volume.data(), bypressure, why)) return false;
  it.last = start;
  it.lastslope = bypressure;
  it.lasthessian = h;
  it.lastpressure = p;
  it.lastcommon = it.common;
  it.started = true;
  out.gibbs = start[0] / it.units;
  out.volume = bypressure[0] / it.units;
  out.entropy = 0.0;
  out.fitted = start[3];
  out.bulk = start[1];
  out.inside = start[3] >= m.volume.front() && start[3] <= m.volume.back();
  return true;
}

double lastentropy(const isotherm& it) {
  const qhamodel& m = *it.model;
  const gibbsdata data{m.points.data(), it.gp.data(), it.dg.data(), it.d2g.data(), static_cast<int>(m.volume.size())};
  return -parameterslope(m.form, data, it.last, it.lasthessian, it.dg.data())[0] / it.units;
}

bool guideat(const isotherm& it, double p, double& v, double& g, double& bulk) {
  const eos form = it.model->form;
  const double target = (p - it.guidepressure) / gpa;  // eV/A^3, of the guide's own pressure
  const double vmin = it.model->volume.front(), vmax = it.model->volume.back(), span = vmax - vmin;
  double pv = 0.0;
  for (int iter = 0; iter < 60; ++iter) {
    eospressure(form, v, it.guide.data(), pv, bulk);
    if (!(bulk > 0.0)) return false;
    // P(V) - target = 0, with dP/dV = -B/V; a step at most a fifth of the span.
    double step = (pv - target) * v / bulk;
    step = std::fmax(-0.2 * span, std::fmin(0.2 * span, step));
    v += step;
    if (!(v > 0.5 * vmin && v < 2.0 * vmax)) return false;
    if (std::fabs(step) <= 1e-11 * v) {
      g = energy(form, v, it.guide.data()) + target * v;
      return true;
    }
  }
  return false;
}

void guiderange(const isotherm& it, double& atsmallest, double& atlargest) {
  atsmallest = pressureof(it, it.model->volume.front());
  atlargest = pressureof(it, it.model->volume.back());
}

bool isotherm::at(double p, phasestate& out, std::string& why) { return isothermat(*this, p, out, why); }
double isotherm::entropy() const { return lastentropy(*this); }
bool isotherm::guideat(double p, double& v, double& g, double& bulk) const { return thermo::guideat(*this, p, v, g, bulk); }
void isotherm::guiderange(double& atsmallest, double& atlargest) const {
  thermo::guiderange(*this, atsmallest, atlargest);
}

}  // namespace thermo
