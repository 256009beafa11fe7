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
#include "thermo/qha/phase_curve.hpp"

namespace thermo {

struct isotherm : phasecurve {
  const qhamodel* model = nullptr;
  double temperature = 0.0;
  // At each volume: G_i at zero pressure less the reference, dG_i/dT and
  // d2G_i/dT2 (eV, eV/K, eV/K^2 per cell), G_i at the pressure of the
  // last fit.
  std::vector<double> g, dg, d2g, gp;
  // The guide: the fit at guidepressure (GPa).
  parameters guide{};
  double guidepressure = 0.0;
  // Each fit at P is of G_i + P (V_i - units common) (phasecurve::common).
  // The last fit, at lastpressure and lastcommon, with its pressure
  // derivative (per eV/A^3), where the next one starts.
  parameters last{}, lastslope{};
  hessian lasthessian{};
  double lastcommon = 0.0;
  bool started = false;

  bool at(double p, phasestate& out, std::string& why) override;
  double entropy() const override;
  bool guideat(double p, double& v, double& g, double& bulk) const override;
  double guidevolume() const override { return guide[3]; }
  void guiderange(double& atsmallest, double& atlargest) const override;
  double smallest() const override { return model->volume.front(); }
  double largest() const override { return model->volume.back(); }
  double reference() const override { return model->reference; }
  double referencelow() const override { return model->referencelow; }
};

// The phase of model m, with `units` formula units per cell, at temperature
// t (K): its data and the guide. False with the reason where t is not
// tabulated or the guide's fit fails.
bool makeisotherm(const qhamodel& m, double units, double t, isotherm& it, std::string& why);

// The phase at pressure p (GPa), per formula unit: the fit there.
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
