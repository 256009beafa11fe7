// lattice_thermo --qha: what a row's fit says of its own health, where too
// few volumes, or badly placed ones, leave the equation of state unable to
// follow G(V).
#pragma once

#include <string>
#include <vector>

#include "thermo/qha/qha.hpp"

namespace thermo {

// B0' outside these bounds, or a residual beyond this share of G's spread
// over the volumes: too few volumes, or badly placed ones.
inline constexpr double lowestb0prime = 1.0, highestb0prime = 10.0, rmsshare = 0.01;

// The warnings of a row's fit, each said once a run: `stiff` (B0' out of
// bounds) and `loose` (the residual too large) record what has been said.
// Each text follows "at T K and P GPa " and has no line end; `see` ends it
// (" (see --write-fv)" on the command line).
std::vector<std::string> fithealth(const qhaoutcome& r, char& stiff, char& loose, const std::string& see);

}  // namespace thermo
