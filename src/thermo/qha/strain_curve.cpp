#include "thermo/qha/strain_curve.hpp"

#include <cmath>
#include <numbers>

#include "thermo/base/number_text.hpp"
#include "thermo/qha/debye_rows.hpp"

namespace thermo {

void straincurve::settle() {
  const double level = -(values.back() - values.front()) / (volume.back() - volume.front());
  if (!volumeat(scale, f, volume, pressuresat(scale, f, volume), level, guide))
    guide = 0.5 * (volume.front() + volume.back());
  lastvolume = guide;
}

bool straincurve::guideat(double p, double& v, double& g, double& bulk) const {
  const double pe = p / gpaunit, lo = volume.front(), hi = volume.back();
  // Within the volumes fitted, the bracketed root; beyond them, Newton's
  // steps from the nearer end, for a search that must look there.
  const std::vector<double> pressures = pressuresat(scale, f, volume);
  if (!volumeat(scale, f, volume, pressures, pe, v)) {
    v = pe > pressures.front() ? lo : hi;
    if (!volumenear(scale, f, pe, 0.5 * lo, 2.0 * hi, v)) return false;
  }
  double e[4];
  strainvalues(scale, f, v, e, 2);
  g = e[0] + pe * v;
  bulk = v * e[2];
  return bulk > 0.0;
}

bool straincurve::at(double p, phasestate& out, std::string& why) {
  double v = lastvolume, g, bulk;
  if (!guideat(p, v, g, bulk)) {
    why = "the fit of F(V) gives no volume at " + significant(p) + " GPa";
    return false;
  }
  const double pe = p / gpaunit, shift = units * common;
  out.gibbs = (g - pe * shift) / units;
  out.volume = v / units;
  out.fitted = v;
  out.bulk = bulk;
  out.inside = v >= volume.front() && v <= volume.back();
  out.size = 0.0;
  for (std::size_t i = 0; i < volume.size(); ++i)
    out.size = std::fmax(out.size, std::fabs(values[i] + pe * (volume[i] - shift)) / units);
  lastpressure = p;
  lastvolume = v;
  return true;
}

void straincurve::guiderange(double& atsmallest, double& atlargest) const {
  double e[4];
  strainvalues(scale, f, volume.front(), e, 1);
  atsmallest = -e[1] * gpaunit;
  strainvalues(scale, f, volume.back(), e, 1);
  atlargest = -e[1] * gpaunit;
}

void debyecurve(const debyemodel& m, double t, double units, straincurve& out) {
  debyeisotherm iso;
  debyeisothermat(m, t, iso);
  out.units = units;
  out.scale = m.grid.scale;
  out.f = iso.fit.mean;
  out.volume = m.grid.volume;
  out.values = iso.f;
  out.ref = m.data.reference;
  out.reflow = m.data.referencelow;
  out.gpaunit = m.s.k.gpa;
  out.entropyat = [&m, t](double v) {
    double theta, gamma;
    thetaat(m, m.staticfit.mean, m.v0, m.b0, m.theta0, v, theta, gamma);
    const double kb = m.s.k.kb;
    const double el = std::numbers::pi * std::numbers::pi / 3.0 * fermiat(m, v) * kb * kb * t;
    return debyevibration(theta, t, m.s.atoms, kb).s + el;
  };
  out.settle();
}

}  // namespace thermo
