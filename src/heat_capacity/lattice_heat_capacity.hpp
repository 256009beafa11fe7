// The whole run: header line, DOS file, 99 table rows.
#pragma once

#include "heat_capacity/dos.hpp"
#include "heat_capacity/report.hpp"

namespace heat_capacity {

// Runs the program: writes the header line to out, reads the DOS file at
// path, then writes one row per temperature from 10 K to 990 K. A failed
// input or output operation stops the run at once with one diagnostic on
// err. Returns the exit status: 0 after the last row, 1 after a failure.
int lattice_heat_capacity(common::outchannel& out, common::outchannel& err, const char* path = dospath);

}  // namespace heat_capacity
