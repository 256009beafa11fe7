// lattice_thermo: the warning where a quasi-harmonic row's answer is in
// doubt: where the fit's error bar of its volume, B_T, alpha or Cp is more
// than a stated share of the value, once per phase and pressure; and which
// rows a run that does not ask for error bars takes them of, at little cost.
#pragma once

#include <string>

#include "thermo/qha/qha.hpp"

namespace thermo {

// Where a warning says the answer is in doubt: an error bar beyond
// doubtshare of its value; for alpha of the larger of |alpha| and
// doubtfloor times its classical scale 3 n k_B / (B_T V) (alpha crosses
// zero in some crystals), for Cp of the larger of Cp and doubtfloor 3 n k_B.
// G is not judged: its zero is any energy's.
inline constexpr double doubtshare = 0.15, doubtfloor = 0.5;

// The quantity (0..4) of the row's values and error bars, per cell, whose
// error bar is the largest share of what it is judged against, where that
// share exceeds doubtshare; -1 where none does. `atoms` per cell.
int doubtful(const double values[rowerrorcount], const rowerrorbars& errors, double atoms, double& share);

// Where error bars are not asked for, the rows whose error bars the test
// takes, at little cost: of `count` temperatures, the last, and where there
// are 100 or more, those a quarter, half and three quarters of the way (i
// from 0).
bool doubtcheckpoint(long i, long count);

// The warning's line for the outcome r (its row per cell, with its error
// bars) of a phase with `atoms` per cell at `pressure` (GPa), after `lead`
// (what names the phase): where a value's error bar exceeds the test's
// share of it, or where the error bars could not be taken; "" where
// neither. `hint` says how to see the error bars and the fits.
std::string doubtwarning(const std::string& lead, const qhaoutcome& r, double atoms, double pressure,
                         const std::string& hint);

}  // namespace thermo
