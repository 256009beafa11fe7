// lattice_thermo --qha --write-fv: G(V) at each temperature, the data
// points and the fitted equation of state, in blocks as phonopy's
// helmholtz-volume.dat has them (gnuplot reads block k as `index k`).
#pragma once

#include <string>

#include "thermo/qha/qha.hpp"

namespace thermo {

// Volumes of the fitted curve, evenly from the smallest to the largest
// sampled, as phonopy's helholtz-volume_fitted.dat.
inline constexpr int fvpoints = 201;

// What the file says of itself, before the first block.
std::string fvheader(const std::string& evfile);

// One temperature's block: `# pressure: P GPa, temperature: T K`, `# fit:`
// with the parameters, the data points `V G` (A^3, eV per cell), a blank
// line, the fitted curve's points, and two blank lines. r must keep its G_i.
void appendfvblock(std::string& s, const qhamodel& m, const qhaoutcome& r, double pressure);

}  // namespace thermo
