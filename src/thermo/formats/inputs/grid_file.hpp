// lattice_thermo --qha-grid and --lattice: the lattice lengths of each cell.
// The grid file has `a c volume energy` (two free lengths: b = a) or
// `a b c volume energy` per line; --lattice's file `a b c` per line, in
// e-v.dat's order. The cell's angles are fixed: volume / (a b c) is the same
// constant k on every line.
#pragma once

#include <string_view>
#include <vector>

#include "thermo/formats/inputs/ev_units.hpp"
#include "thermo/formats/text/input.hpp"
#include "thermo/harmonic/dos.hpp"

namespace thermo {

struct griddata {
  int axes = 0;                 // 2: a, c (b = a); 3: a, b, c
  std::vector<double> x;        // the lengths, axes per line (A)
  std::vector<double> volume;   // A^3
  std::vector<double> energy;   // eV per cell
  std::vector<double> energylow;  // what each energy's double leaves out of its digits
  std::vector<long> line;
  double k = 0.0;               // volume / (a b c)
};

// Reads the grid: every line of 4 numbers or every line of 5 (`#` and `!`
// lines and blank lines passed over), lengths and volumes positive, every
// value finite, no cell given twice, and k the same on every line within
// 1e-6 of the first line's. False with p at the first line that is not.
bool readgrid(source& in, griddata& g, problem& p, std::vector<char>& storage, const fileunits& units = {});
bool parsegrid(std::string_view text, griddata& g, problem& p);

struct latticedata {
  std::vector<double> x;  // a, b, c per line (A)
  std::vector<long> line;
};

// Reads --lattice's `a b c` lines (further items ignored), each positive
// and finite.
bool readlattice(source& in, latticedata& l, problem& p, std::vector<char>& storage, const fileunits& units = {});

// k = volume[i] / (a b c) of each line (b = a with two axes), the same on
// every line within 1e-6 of the first line's; its mean in k. False with p at
// the first line off it.
bool cellconstant(const std::vector<double>& x, int axes, const std::vector<double>& volume,
                  const std::vector<long>& line, double& k, problem& p);

}  // namespace thermo
