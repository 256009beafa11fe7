// lattice_thermo --qha --efe: phonopy's fe-v.dat, the electrons' free
// energy of the cell at each volume, one line per temperature.
#pragma once

#include <cstddef>
#include <vector>

#include "thermo/base/problem.hpp"
#include "thermo/formats/text/input.hpp"

namespace thermo {

// The table in file order: f[k * volumes + i] (eV per cell) at temperature
// k (K) and the volume of e-v.dat's line i.
struct efedata {
  std::vector<double> temperature;
  std::vector<double> f;
  std::vector<double> flow;  // what each value's double leaves out of its digits (decimal.hpp)
  std::vector<long> line;
  std::size_t volumes = 0;
};

// Reads lines of a temperature and `volumes` energies, blanks between them;
// '#' starts a comment anywhere, and lines with nothing else are passed
// over. False with p on a line with another count of numbers, an item that
// is not a finite number, a temperature that is negative or not above the
// one before, or a file with fewer than 4 temperatures (the spline's least).
bool readefe(source& in, std::size_t volumes, efedata& d, problem& p, std::vector<char>& storage);

}  // namespace thermo
