// lattice_thermo: the error bars of a quasi-harmonic row: its volume, G,
// B_T, alpha and Cp again with each volume left out (the jackknife) and
// with each of the three equations of state (their spread), every fit
// started from the row's own.
#pragma once

#include <array>
#include <string>

#include "thermo/qha/error_bars.hpp"
#include "thermo/qha/eos_fit.hpp"

namespace thermo {

// The quantities of a row that carry error bars, in the order of their
// columns: volume, gibbs_energy, bulk_modulus, thermal_expansion,
// heat_capacity_p.
inline constexpr int rowerrorcount = 5;
inline constexpr const char* rowerrornames[rowerrorcount] = {"volume", "gibbs_energy", "bulk_modulus",
                                                             "thermal_expansion", "heat_capacity_p"};
using rowerrorbars = std::array<errorbar, rowerrorcount>;

// The five quantities, per cell, of the fit p (E0 less the reference) with
// its temperature derivatives at t (K): V (A^3), G less the reference
// (kJ/mol), B_T (GPa), alpha (1/K) and Cp (J/K/mol), alpha and Cp +0
// where they fall below zero by less than the rounding of their classical
// scale (`classical`, 3 n k_B in eV/K, as in a row).
void rowvalues(double t, double classical, const parameters& p, const parameters& dp, const parameters& d2p,
               double values[rowerrorcount]);

// The row's values fitted with `form` to data, from the start p (the fit
// is returned in p); false with why where the fit fails.
bool rowvaluesof(eos form, const gibbsdata& data, double t, double classical, parameters& p,
                 double values[rowerrorcount], std::string& why);

// Half the range of the row's values over the three forms, each fitted to
// data from the start p; false with why where one fails.
bool formerrors(const gibbsdata& data, double t, double classical, const parameters& p, double half[rowerrorcount],
                std::string& why);

// The error bars of the row fitted with `form` as p (E0 less the reference)
// to data at t: the jackknife over the volumes and half the range over the
// three forms, each fit started from p. False with why where one fails.
bool rowerrors(eos form, const gibbsdata& data, double t, double classical, const parameters& p, rowerrorbars& out,
               std::string& why);

}  // namespace thermo
