// lattice_thermo --qha: the file of each volume, a DOS or phonopy's
// thermal_properties.yaml, read on two workers; the volumes with imaginary
// modes; the thermal properties as the model's table.
#pragma once

#include <string>
#include <vector>

#include "thermo/formats/inputs/load.hpp"
#include "thermo/formats/yaml/thermal_properties.hpp"
#include "thermo/qha/tabulated.hpp"

namespace thermo {

struct volumefile {
  bool ok = false, table = false;  // table: phonopy's thermal properties
  loaded dos;
  thermaltable tab;
  std::string message;  // its error, or its warnings
};

// Reads the files on two workers, each recognised by its content (a DOS file
// as ro and atoms say), their messages appended in file order; false where
// one of them fails. `leaveout` (--exclude-imaginary): a DOS with imaginary
// modes, which is then left out and named, gives no warning of its states
// below zero besides.
bool readvolumes(const std::vector<std::string>& paths, const readoptions& ro, double atoms, bool leaveout,
                 std::vector<volumefile>& files, std::string& messages);

// Whether a volume has imaginary modes enough to leave it out: phonopy's
// rule for its thermal properties (more than 3 of its modes not
// integrated), and more than 0.1 % of a DOS's states at or below zero (or
// the cutoff).
bool imaginary(const volumefile& f);

// The thermal properties as a table of F, dF/dT and d2F/dT2 (eV per cell),
// every file with the first one's temperatures; false with the error (the
// first difference) in messages.
bool tablesof(const std::vector<volumefile>& v, const std::vector<std::string>& paths, tabulated& t,
              std::string& messages);

}  // namespace thermo
