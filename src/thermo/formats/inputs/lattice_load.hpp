// lattice_thermo --qha --lattice: the lengths a, b, c of each line of
// e-v.dat read, checked against its volumes, and fitted along them.
#pragma once

#include <string>

#include "thermo/formats/inputs/grid_file.hpp"
#include "thermo/formats/inputs/qha_phase.hpp"
#include "thermo/qha/axial_path.hpp"

namespace thermo {

// Reads `file` for the phase ph (read, with its lines kept): a line per
// line of its e-v.dat, in its order, with volume / (a b c) the same on
// every line kept; fits the path. False with the error in messages.
bool readlatticepath(const qhaphase& ph, const std::string& file, const fileunits& units, axialpath& path,
                     std::string& messages);

}  // namespace thermo
