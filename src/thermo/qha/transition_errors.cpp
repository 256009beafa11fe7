#include "thermo/qha/transition_errors.hpp"

#include <cmath>
#include <limits>

#include "thermo/base/number_text.hpp"
#include "thermo/qha/transitions.hpp"

namespace thermo {

void makevariant(const isotherm& full, int left, eos form, isothermvariant& out) {
  const qhamodel& m = *full.model;
  qhamodel& v = out.model;
  v.form = form;
  v.reference = m.reference;
  v.referencelow = m.referencelow;
  v.atoms = m.atoms;
  v.volume.clear();
  v.points.clear();
  isotherm& it = out.it;
  it.model = &v;
  it.units = full.units;
  it.temperature = full.temperature;
  it.g.clear();
  it.dg.clear();
  it.d2g.clear();
  for (std::size_t i = 0; i < m.volume.size(); ++i) {
    if (static_cast<int>(i) == left) continue;
    v.volume.push_back(m.volume[i]);
    v.points.push_back(m.points[i]);
    it.g.push_back(full.g[i]);
    it.dg.push_back(full.dg[i]);
    it.d2g.push_back(full.d2g[i]);
  }
  it.gp.assign(it.g.size(), 0.0);
  // The full phase's guide is a start near enough for its variants.
  it.guide = full.guide;
  it.guidepressure = full.guidepressure;
  it.common = full.common;
  it.started = false;
}

bool crossingnear(isotherm& a, isotherm& b, double p0, double out[2], std::string& why) {
  double hi, lo;
  referencegap(a, b, hi, lo);
  double p = p0;
  phasestate sa, sb;
  for (int iter = 0; iter < 40; ++iter) {
    if (!isothermat(a, p, sa, why) || !isothermat(b, p, sb, why)) return false;
    // G_b - G_a (eV) and its pressure derivative V_b - V_a (eV/GPa).
    const double f = hi + ((sb.gibbs - sa.gibbs) + lo), d = (sb.volume - sa.volume) / gpa;
    const double step = -f / d;
    // Zero within the fits' rounding, or a step within 4 ulp of p: the
    // root as closely as the fits tell it.
    const double x = std::fmax(std::fabs(p), 1.0);
    if (std::fabs(f) <= 8.0 * std::numeric_limits<double>::epsilon() * (sa.size + sb.size) ||
        std::fabs(step) <= 4.0 * (std::nextafter(x, INFINITY) - x)) {
      out[0] = p;
      out[1] = (lastentropy(b) - lastentropy(a)) / (sb.volume - sa.volume) * gpa;
      return true;
    }
    if (!std::isfinite(step)) break;
    p += step;
  }
  why = "the crossing near " + significant(p0) + " GPa does not settle";
  return false;
}

bool transitionerrors(const isotherm& a, const isotherm& b, eos form, double p0, errorbar& pressure,
                      errorbar& slope, std::string& why) {
  isothermvariant va, vb;
  double variance[2] = {0.0, 0.0};
  for (int side = 0; side < 2; ++side) {
    const int n = static_cast<int>((side == 0 ? a : b).g.size());
    double sigma[2];
    const bool ok = jackknife(n, 2, [&](int i, double* x) {
      makevariant(a, side == 0 ? i : -1, form, va);
      makevariant(b, side == 1 ? i : -1, form, vb);
      return crossingnear(va.it, vb.it, p0, x, why);
    }, sigma);
    if (!ok) {
      why = "with a volume left out, " + why;
      return false;
    }
    for (int j = 0; j < 2; ++j) variance[j] += sigma[j] * sigma[j];
  }
  double half[2];
  const bool ok = formspread(2, [&](eos f, double* x) {
    makevariant(a, -1, f, va);
    makevariant(b, -1, f, vb);
    return crossingnear(va.it, vb.it, p0, x, why);
  }, half);
  if (!ok) {
    why = "with another equation of state, " + why;
    return false;
  }
  pressure = {std::sqrt(variance[0]), half[0], 0.0};
  slope = {std::sqrt(variance[1]), half[1], 0.0};
  return true;
}

}  // namespace thermo
