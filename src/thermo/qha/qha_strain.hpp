// lattice_thermo: the quasi-harmonic approximation with the averaged strain
// polynomial (--eos strain): F(V) = E + F_vib + F_el fitted at each
// temperature (strain_fit), V where -F'(V) = P within the volumes, and the
// rest from the fit's exact temperature derivatives.
#pragma once

#include <string>
#include <vector>

#include "thermo/qha/qha.hpp"
#include "thermo/qha/strain_curve.hpp"

namespace thermo {

// The row at temperature t (K) and pressure (GPa), as qhaat gives it. With
// F, F_t and F_tt the fit and its temperature derivatives (the weights'
// included) at V: S = -F_t, Cv = -T F_tt, dV/dT = -F_t'/F'', Cp = -T (F_tt +
// F_t' dV/dT), B_T = V F'', B' = -(1 + V F'''/F''). Where no volume within
// those sampled gives P, the row is ok with its volume NaN (and no fit to
// give B0' or the rest). Where out.errors asks, the row's error bars: the
// jackknife, the three forms' spread and, as `fit`, the spread across the
// degrees (NaN, and why in out.errorswhy, where they cannot be taken).
bool strainqhaat(const qhamodel& m, double t, double pressure, qhaoutcome& out, bool keep = false);

// The fit of g (eV, less the reference) at the model's volumes: E, B, B' and
// V where -E' = pressure (GPa), as an equation of state's parameters (E0
// less the reference); false with why where no volume gives it.
bool strainparameters(const qhamodel& m, const std::vector<double>& g, double pressure, parameters& p,
                      std::string& why);

// The spread of each column of the row at t and pressure across the
// degrees of the average: each degree's own row from its own polynomial and
// derivatives, weighted as the average weighs them (memberspread). False
// where the average has no row there.
bool strainspread(const qhamodel& m, double t, double pressure, qharow& spread);

// The phase of model m at t, `units` formula units per cell, for the
// search for transitions: its fit of G_i at zero pressure, S = -F_t.
bool qhastraincurve(const qhamodel& m, double t, double units, straincurve& out, std::string& why);

}  // namespace thermo
