// lattice_thermo: a phase at one temperature from a strain polynomial fitted
// to its F(V), as the search for transitions sees it (phase_curve): G at p
// is F(V) + p V where -F'(V) = p, found exactly; the fit is the same at
// every pressure, so its guide is the curve itself. The Debye models' phase
// at a temperature is one.
#pragma once

#include <functional>
#include <vector>

#include "thermo/qha/debye_model.hpp"
#include "thermo/qha/phase_curve.hpp"

namespace thermo {

struct straincurve : phasecurve {
  strainscale scale;
  strainpoly f;                        // F(V), eV per cell less the reference
  std::vector<double> volume, values;  // the volumes fitted (A^3) and F_i there
  double ref = 0.0, reflow = 0.0;      // the reference (eV), what its double leaves out
  std::function<double(double)> entropyat;  // S (eV/K per cell) at a volume
  double guide = 0.0;                  // where -F' levels the ends' F_i: a volume inside
  double gpaunit = 160.2176634;        // GPa per eV/A^3, of the run's constants
  double lastvolume = 0.0;

  // The curve's data set, the guide placed.
  void settle();
  bool at(double p, phasestate& out, std::string& why) override;
  double entropy() const override { return entropyat(lastvolume) / units; }
  bool guideat(double p, double& v, double& g, double& bulk) const override;
  double guidevolume() const override { return guide; }
  void guiderange(double& atsmallest, double& atlargest) const override;
  double smallest() const override { return volume.front(); }
  double largest() const override { return volume.back(); }
  double reference() const override { return ref; }
  double referencelow() const override { return reflow; }
};

// The Debye model's phase at temperature t, `units` formula units per cell:
// its fit of F(V; t), and S of the Debye functions (with the electrons).
void debyecurve(const debyemodel& m, double t, double units, straincurve& out);

}  // namespace thermo
