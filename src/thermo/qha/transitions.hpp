// lattice_thermo: where two phases' Gibbs energies per formula unit cross,
// at one temperature: every crossing in a pressure interval, each found to
// full double precision by a bracketing root finder on the fits themselves,
// with each phase's exact V and S there.
#pragma once

#include <string>
#include <vector>

#include "thermo/qha/eos.hpp"
#include "thermo/qha/phase_curve.hpp"

namespace thermo {

struct crossing {
  double pressure = 0.0;  // GPa
  bool firstlow = false;  // the first phase has the lower G just below it
  phasestate first, second;
};

struct pairoutcome {
  // Within both phases' volumes sampled, in increasing pressure.
  std::vector<crossing> crossings;
  // Crossings where either phase's volume lies outside its volumes
  // sampled, left out: where (GPa), and which phase is outside.
  struct lost {
    double pressure;
    bool first, second;
  };
  std::vector<lost> outside;
  // Crossings with a volume change that rounding alone could give (GPa),
  // left out; and whether G_b - G_a stays within rounding over the whole
  // interval: the phases do not differ (no crossings then).
  std::vector<double> touching;
  bool same = false;
  bool failed = false;  // a fit failed: why
  std::string why;
};

// The crossings of a's and b's G per formula unit at their temperature, in
// [pmin, pmax] (GPa; clipped to within a quarter of each guide's span of
// pressures beyond its volumes sampled). G_b - G_a is taken on the fits
// themselves at 13 pressures across the interval, both ends included: a
// cell whose ends differ in sign holds a crossing, and one whose slopes
// turn it back toward zero is split where the slope vanishes (Newton's
// steps on dV = 0). Each crossing is then found inside its bracket:
// Newton's steps on dG(p) with its exact derivative dV and the curvature
// -d(V/B_T), bisecting where a step would leave the bracket, a step at
// least the tolerance long, until G_b - G_a is 0 within the fits' rounding
// (8 ulp of the largest G_i fitted: the root is then as exact as the fits
// make G, some 1e-13 GPa) or the bracket is 4 ulp of p wide (of 1 GPa near
// 0). Where G_b - G_a and V_b - V_a stay within what rounding could give
// (1e-12 of the phases' energies, 1e-9 of V) at every pressure, the phases
// do not differ; a crossing whose volume change is within rounding is no
// transition.
pairoutcome crossings(phasecurve& a, phasecurve& b, double pmin, double pmax);

// G_b - G_a per formula unit at equal G less the references (eV): the
// references' difference, as a sum hi + lo of two doubles, with what their
// doubles leave out of the decimals they came from.
void referencegap(const phasecurve& a, const phasecurve& b, double& hi, double& lo);

}  // namespace thermo
