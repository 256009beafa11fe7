// lattice_thermo --debye: one phase's E(V) file read, in its units, into the
// Debye model, with the warnings of what it left out and what it found.
#pragma once

#include <string>
#include <vector>

#include "thermo/qha/debye_model.hpp"

namespace thermo {

struct debyeinput {
  std::string evfile;              // as the command line names it ("-": standard input)
  std::vector<double> dosatfermi;  // states/eV per cell, in the file's order; empty: no electrons
  std::string ferminame = "--dos-at-fermi";   // as messages name it
  double energyunit = 1.0, volumeunit = 1.0;  // the file's units as factors to eV and A^3
  debyesettings settings;
};

// The model of the E(V) that m's volumes and energies (eV, A^3) give, in
// any order: sorted, less the lowest energy, with N(E_F) beside; checked
// (at least 5 volumes, each once, as many N(E_F) as volumes). False with
// the message in `messages`; its warnings there too: the volumes the fits
// leave out, and a B0 or volumes per atom that suggest another unit or cell.
bool debyemodelof(const std::string& name, const std::vector<double>& volume, const std::vector<double>& energy,
                  const std::vector<double>& energylow, const debyeinput& in, debyemodel& m, std::string& messages);

// The same from the file (whose lines the messages name).
bool loaddebye(const debyeinput& in, debyemodel& m, std::string& messages);

}  // namespace thermo
