// lattice_thermo --qha: the quasi-harmonic mode from its files to its rows.
#pragma once

#include "common/channel.hpp"
#include "thermo/cli/options.hpp"

namespace thermo {

// Reads the phase the command line describes (qha_phase), fits each
// temperature at each pressure, and writes the rows of each pressure in
// turn while V(T) stays within the volumes sampled; the first temperature
// outside them gives one warning and ends that pressure's rows. Warns of
// the first temperature of each phase and pressure whose answer the fit
// leaves in doubt (doubt.hpp), gives each row's error bars with
// --error-bars, and writes --write-fv. Returns the exit status: 1 on bad
// input, on a fit that fails, or where no row lies within the volumes; 2
// where the temperatures asked for are not the files', or where
// --error-bars is given with fewer than 6 volumes.
int runqha(const options& o, common::outchannel& out, common::outchannel& err);

}  // namespace thermo
