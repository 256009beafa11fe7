// lattice_thermo._core: the Debye models from E(V) alone, as lattice_thermo
// --debye computes them, on arrays.
#pragma once

#include "arrays.hpp"

namespace pymodule {

// Adds debye(): its columns as a dict of read-only arrays of shape
// (pressures, temperatures) by the CSV's names, with pressures,
// temperatures and last_temperature.
void binddebye(py::module_& m);

}  // namespace pymodule
