// lattice_thermo --write-pds: a DOS resampled as lattice_heat_capacity's
// input file.
#pragma once

#include <string>

#include "thermo/harmonic/dos.hpp"

namespace thermo {

struct resampled {
  std::string text;         // the whole file
  double states = 0.0;      // the 339 points' trapezoid integral before normalising
  double sourcecv = 0.0;    // C at 300 K of the source's states above zero, J/K per cell
  double resampledcv = 0.0; // the same from the 339 points before normalising
};

// The fixed program's input for the DOS sp read from `source` in `unit`: 11
// header lines, then 339 energies evenly spaced from 0 to the highest
// tabulated energy, in hartree, each with the DOS averaged over its own
// interval (half an interval at either end), in states per hartree per atom.
// The source is the piecewise linear DOS through its points above zero, 0
// below the first of them; averaging keeps its states, which a value taken
// at each point would lose where a peak falls between points. Normalised to
// 3 states per atom. False where the 339 points hold no states.
bool pdsfile(const std::string& source, const char* unit, const spectrum& sp, resampled& out);

}  // namespace thermo
