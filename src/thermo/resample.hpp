// lattice_thermo --write-pds: a DOS resampled as lattice_heat_capacity's
// input file.
#pragma once

#include <string>

#include "thermo/dos.hpp"

namespace thermo {

// The text of the fixed program's input for the DOS sp read from `source`
// in `unit`: 11 header lines, then 339 energies evenly spaced from 0 to the
// highest tabulated energy with the DOS linearly interpolated (0 below the
// first point above zero), in hartree and states per hartree per atom,
// normalised to 3 states per atom by the trapezoid rule over the 339 points.
std::string pdsfile(const std::string& source, const char* unit, const spectrum& sp);

}  // namespace thermo
