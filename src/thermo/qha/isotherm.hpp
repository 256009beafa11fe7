// lattice_thermo: one phase at one temperature, as the phase boundaries
// need it: its G at any pressure, from the fit at that pressure (as a row
// at that pressure has it), with the exact derivatives dG/dP = V and
// dG/dT = -S of the fitted model, each fit started from the last one's
// parameters moved along their pressure derivative; and a guide: one fit,
// at the pressure that levels the data's ends, tilted by P V to any
// pressure, which tells where to look.
#pragma once

#include <string>
#include <vector>

#include "thermo/qha/eos_fit.hpp"
#include "thermo/qha/model.hpp"

namespace thermo {

struct isotherm {
  const qhamodel* model = nullptr;
  double units = 1.0;  // formula units per cell
  double temperature = 0.0;
  // At each volume: G_i at zero pressure less the reference, dG_i/dT and
  // d2G_i/dT2 (eV, eV/K, eV/K^2 per cell), G_i at the pressure of the
  // last fit.
  std::vector<double> g, dg, d2g, gp;
  // The guide: the fit at guidepressure (GPa).
  parameters guide{};
  double guidepressure = 0.0;
  // A volume per formula unit (A^3) that every phase compared shares: each
  // fit at P is of G_i + P (V_i - units common), whose E0 is G less
  // P units common, far smaller than G at high pressure and so rounded
  // less; the term cancels exactly in differences of G per formula unit.
  double common = 0.0;
  // The last fit, at lastpressure and lastcommon, with its pressure
  // derivative (per eV/A^3), where the next one starts.
  parameters last{}, lastslope{};
  hessian lasthessian{};
  double lastpressure = 0.0, lastcommon = 0.0;
  bool started = false;
};

// The phase of model m, with `units` formula units per cell, at temperature
// t (K): its data and the guide. False with the reason where t is not
// tabulated or the guide's fit fails.
bool makeisotherm(const qhamodel& m, double units, double t, isotherm& it, std::string& why);

// The phase at pressure p (GPa), per formula unit.
struct phasestate {
  double gibbs = 0.0;    // eV, G less reference/units and P common
  double volume = 0.0;   // A^3, dG/dP of the fitted model
  double entropy = 0.0;  // eV/K, -dG/dT of the fitted model (lastentropy)
  double fitted = 0.0;   // A^3 per cell, the fit's V0, as a row gives it
  double bulk = 0.0;     // eV/A^3, the fit's B0
  bool inside = false;   // fitted within the volumes sampled
  double size = 0.0;     // eV, the largest |G_i less P common| fitted: gibbs's rounding is some ulp of it
};
bool isothermat(isotherm& it, double p, phasestate& out, std::string& why);
// S (eV/K per formula unit) of the last fit.
double lastentropy(const isotherm& it);

// The guide at pressure p (GPa), per cell: the volume where its pressure
// is p (from `v`, which holds a start, by Newton's steps), G there (eV,
// less the reference), and its bulk modulus (eV/A^3). False where Newton's
// steps do not settle (the guide's B turns negative, or V runs off).
bool guideat(const isotherm& it, double p, double& v, double& g, double& bulk);

// The guide's pressures (GPa) at the smallest and largest volume sampled.
void guiderange(const isotherm& it, double& atsmallest, double& atlargest);

}  // namespace thermo
