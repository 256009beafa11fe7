// lattice_thermo --qha with several phases: their cells' atoms against
// the formula units they are compared by.
#pragma once

#include <string>
#include <vector>

#include "thermo/qha/checks.hpp"

namespace thermo {

// Several phases compared per formula unit: the atoms of each cell (0
// where unknown) against its formula units. Cells of different atoms
// without formula units given is an error naming both counts; formula
// units given that do not follow the atoms' ratio, a warning. `options`:
// the messages name the command line's --formula-units, else Python's
// formula_units.
struct phasecell {
  std::string name, ev;
  long atoms = 0;
  double formulaunits = 1.0;
};
void checkformulaunits(const std::vector<phasecell>& phases, bool given, bool options, findings& f);

}  // namespace thermo
