// lattice_thermo: the harmonic thermodynamic functions and the effective
// Debye temperature of any phonon DOS file. The whole run, with its output
// channels, so that tests drive it without a process.
#pragma once

#include "common/channel.hpp"

namespace thermo {

// Runs the program on its command line; returns the exit status: 0, 1 where
// a file failed (the others are still done), 2 on a usage error.
int run(int argc, const char* const* argv, common::outchannel& out, common::outchannel& err);

}  // namespace thermo
