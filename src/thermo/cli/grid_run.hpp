// lattice_thermo --qha-grid: the grid mode from its files to its rows.
#pragma once

#include "common/channel.hpp"
#include "thermo/cli/options.hpp"

namespace thermo {

// The fit's health: a warning at the first temperature of each pressure
// where the surface's rms residual exceeds this share of G's spread over
// the grid, and where the minimum comes within this share of the box's
// width of an edge.
inline constexpr double gridrmsshare = 0.01, gridedgeshare = 0.05;

// Reads the grid and its cells' files (grid_load), fits each temperature at
// each pressure, and writes the rows of each pressure in turn while the
// minimum stays within the box the grid spans; the first temperature where
// it leaves the box, or where the surface has none, gives one warning and
// ends that pressure's rows. Returns the exit status: 1 on bad input or
// where no row lies within the box, 2 where the temperatures asked for are
// not the files'.
int rungrid(const options& o, common::outchannel& out, common::outchannel& err);

}  // namespace thermo
