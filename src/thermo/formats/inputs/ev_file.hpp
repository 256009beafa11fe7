// lattice_thermo --qha: the static energy at each volume, E(V), as
// phonopy's e-v.dat holds it.
#pragma once

#include <string_view>
#include <vector>

#include "thermo/formats/text/input.hpp"
#include "thermo/harmonic/dos.hpp"

namespace thermo {

// One line per volume: the cell volume (A^3) and the static energy of the
// cell (eV), in file order, with the line each was read on.
struct evdata {
  std::vector<double> volume, energy;
  std::vector<double> energylow;  // what each energy's double leaves out of its digits (decimal.hpp)
  std::vector<long> line;
};

// Reads `volume energy` lines (further items ignored); lines whose first
// non-blank character is '#' or '!', and blank lines, are passed over.
// False with p on a line that is not two finite numbers or a volume that is
// not positive.
bool readev(source& in, evdata& ev, problem& p, std::vector<char>& storage);

// False with p at the second line of a volume given twice (the earliest
// such line), found after sorting; the caller checks the count of volumes
// first.
bool distinctvolumes(const evdata& ev, problem& p);

// Both, on a text in memory.
bool parseev(std::string_view text, evdata& ev, problem& p);

}  // namespace thermo
