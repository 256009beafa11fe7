// lattice_thermo --qha: the temperatures of a phase's rows, where its files
// tabulate the free energies at temperatures of their own.
#pragma once

#include "thermo/formats/inputs/qha_phase.hpp"

namespace thermo {

// Where the phonons are tabulated, the files' temperatures: all of them, or
// those the options pick (--temperatures, or tmin to tmax, every tstep
// where --tstep is given, the files' first and last where tmin and tmax are
// not); a temperature asked for that the files lack is a usage error naming
// the nearest. Where the electrons are tabulated, each
// temperature of the rows must be among theirs (an error naming the first
// that is not). Returns -1, or the exit status with the message in
// ph.messages.
int choosetemperatures(qhaphase& ph);

}  // namespace thermo
