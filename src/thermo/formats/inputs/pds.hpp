// lattice_thermo --pds: a DOS in lattice_heat_capacity's layout, read in
// bounded memory.
#pragma once

#include <string_view>
#include <vector>

#include "thermo/formats/text/input.hpp"
#include "thermo/harmonic/dos.hpp"

namespace thermo {

// Reads 11 header items, then records of energy (hartree) and DOS (states
// per hartree) to the end, the way the fixed program reads its records
// (free-form, a record may run over lines). Problems name the line where
// they were found. `storage` is the line buffer, as for readcolumns.
bool readpds(source& in, spectrum& s, problem& p, std::vector<char>& storage);

// The same on a text in memory.
bool parsepds(std::string_view text, spectrum& s, problem& p);

}  // namespace thermo
