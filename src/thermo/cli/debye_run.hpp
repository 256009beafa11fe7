// lattice_thermo --debye: the Debye models from their E(V) files to their
// rows, the static equation of state (--static), the static fit's members
// (--fits) or the transitions between phases (--transitions).
#pragma once

#include <string>
#include <vector>

#include "common/channel.hpp"
#include "thermo/cli/options.hpp"
#include "thermo/formats/outputs/debye_output.hpp"

namespace thermo {

// One phase: its model and what its header says of it.
struct debyephase {
  debyemodel model;
  debyeinfo info;
};

// Every phase the command line describes, each read and checked in turn
// (all of them, whichever fail), their messages written to err as they
// come. Returns -1 where the rows can be made, else the exit status (1).
int loaddebyephases(const options& o, std::vector<debyephase>& phases, common::outchannel& err);

// Reads the phases and writes what the options ask for. Returns the exit
// status: 1 on bad input, or where no row lies within the volumes fitted.
int rundebye(const options& o, common::outchannel& out, common::outchannel& err);

}  // namespace thermo
