// lattice_thermo: where two phases' Gibbs energies per formula unit cross,
// at one temperature: every crossing in a pressure interval, each found to
// full double precision by a bracketing root finder on the fits themselves,
// with each phase's exact V and S there.
#pragma once

#include <string>
#include <vector>

#include "thermo/qha/isotherm.hpp"

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
  bool failed = false;  // a fit failed: why
  std::string why;
};

// The crossings of a's and b's G per formula unit at their temperature, in
// [pmin, pmax] (GPa). Where to look comes from the guides, sampled at 24
// pressures across the interval (clipped to where both guides' volumes lie
// within a quarter of their span of the volumes sampled), a cell whose ends
// differ in sign holding a crossing, and one whose slopes differ in sign
// split where the slope vanishes. Each is then found on the fits: Newton's
// steps on dG(p) with its exact derivative dV, inside a bracket once one is
// seen, bisecting where a step would leave it, and a last step of the
// bracket's tolerance past the root, until the bracket is 4 ulp of p wide
// (of 1 GPa near 0) or G_b - G_a is 0.
pairoutcome crossings(isotherm& a, isotherm& b, double pmin, double pmax);

// G_b - G_a per formula unit at equal G less the references (eV): the
// references' difference, as a sum hi + lo of two doubles, with what their
// doubles leave out of the decimals they came from.
void referencegap(const isotherm& a, const isotherm& b, double& hi, double& lo);

}  // namespace thermo
