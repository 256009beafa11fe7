// lattice_thermo: the error bars of a transition between two phases: its
// pressure and Clapeyron slope again with each volume of either phase left
// out (the jackknife of each phase, their variances added: the phases'
// data are independent) and with each of the three equations of state, both
// phases alike (their spread). Each crossing is found again by Newton's
// steps on the fits, from the full run's pressure.
#pragma once

#include <string>

#include "thermo/qha/error_bars.hpp"
#include "thermo/qha/isotherm.hpp"

namespace thermo {

// A phase's isotherm with one volume left out (left < 0: none) and fitted
// with `form`, over a model of its own that holds only what the fits need
// (volumes, reference); its G_i are the full isotherm's. Not to be moved:
// `it` points at `model`.
struct isothermvariant {
  qhamodel model;
  isotherm it;
  isothermvariant() = default;
  isothermvariant(const isothermvariant&) = delete;
  isothermvariant& operator=(const isothermvariant&) = delete;
};
void makevariant(const isotherm& full, int left, eos form, isothermvariant& out);

// The pressure (GPa) where a's and b's G per formula unit cross, by
// Newton's steps on the fits from p0 (a few where the root moves little),
// and dp/dT = dS/dV there (GPa/K): out[0] and out[1]. The phases share
// their `common` volume (crossings sets it). False with why where a fit
// fails or the steps do not settle.
bool crossingnear(isotherm& a, isotherm& b, double p0, double out[2], std::string& why);

// The error bars of the pressure and the slope of a's and b's crossing at
// p0 (found by crossings, which set their common volume), the phases fitted
// with `form`. False with why where a re-run fails.
bool transitionerrors(const isotherm& a, const isotherm& b, eos form, double p0, errorbar& pressure,
                      errorbar& slope, std::string& why);

}  // namespace thermo
