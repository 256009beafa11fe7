// lattice_thermo --displacements: every file's messages and rows, in the
// order the files were given.
#pragma once

#include "common/channel.hpp"
#include "thermo/cli/options.hpp"

namespace thermo {

// Returns the exit status: 0, or 1 where a file failed (the others are
// still done) or the results could not be written.
int rundisplacements(const options& o, common::outchannel& out, common::outchannel& err);

}  // namespace thermo
