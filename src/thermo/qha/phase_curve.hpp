// lattice_thermo: one phase at one temperature as the search for where two
// phases' Gibbs energies cross sees it: G per formula unit at any
// pressure, with V = dG/dP and S = -dG/dT there, and a cheap guide that
// tells where to look. An equation of state's fits (isotherm) and a strain
// polynomial (strain_curve) are two such.
#pragma once

#include <string>

namespace thermo {

// The phase at pressure p (GPa), per formula unit.
struct phasestate {
  double gibbs = 0.0;    // eV, G less reference/units and P common
  double volume = 0.0;   // A^3, dG/dP of the fitted model
  double entropy = 0.0;  // eV/K, -dG/dT of the fitted model (phasecurve::entropy)
  double fitted = 0.0;   // A^3 per cell, the fit's volume, as a row gives it
  double bulk = 0.0;     // eV/A^3, B_T there
  bool inside = false;   // fitted within the volumes sampled
  double size = 0.0;     // eV, the largest |G_i less P common| fitted: gibbs's rounding is some ulp of it
};

struct phasecurve {
  double units = 1.0;  // formula units per cell
  // A volume per formula unit (A^3) that every phase compared shares: G at
  // P is taken less P units common, far smaller than G at high pressure and
  // so rounded less; the term cancels exactly in differences of G per
  // formula unit.
  double common = 0.0;
  double lastpressure = 0.0;  // GPa, of the last state

  virtual ~phasecurve() = default;
  // The state at p; false with why where its fit fails.
  virtual bool at(double p, phasestate& out, std::string& why) = 0;
  // S (eV/K per formula unit) of the last state.
  virtual double entropy() const = 0;
  // The guide at p per cell: the volume where its pressure is p (from `v`,
  // which holds a start), G there (eV, less the reference) and B (eV/A^3).
  // False where it has none.
  virtual bool guideat(double p, double& v, double& g, double& bulk) const = 0;
  // The guide's volume at its own pressure: where to start.
  virtual double guidevolume() const = 0;
  // The guide's pressures (GPa) at the smallest and the largest volume sampled.
  virtual void guiderange(double& atsmallest, double& atlargest) const = 0;
  // The volumes sampled (A^3 per cell).
  virtual double smallest() const = 0;
  virtual double largest() const = 0;
  // The energy taken out of every G (eV per cell), and what its double
  // leaves out of the decimal it came from.
  virtual double reference() const = 0;
  virtual double referencelow() const = 0;
};

}  // namespace thermo
