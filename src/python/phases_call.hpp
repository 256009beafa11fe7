// lattice_thermo._core: several phases, as lattice_thermo --qha given more
// than once computes them: their rows per formula unit with the stable
// phase, and the pressures where they cross.
#pragma once

#include <string>
#include <vector>

#include "qha_call.hpp"

namespace pymodule {

// What qha_phases returns: per-phase arrays of shape (phases, pressures,
// temperatures), by column name; the error bars' where asked for.
struct phasesresult {
  py::array phase, formula_units, pressures, temperatures;
  py::array columns[12];  // volume ... linear_thermal_expansion, as QhaResult's
  py::array stable, last_temperature;
  std::array<py::object, 3 * thermo::rowerrorcount> errors = nones<3 * thermo::rowerrorcount>();
};

// What transitions returns: one entry per row, by column name; the error
// bars' where asked for (else None).
struct transitionsresult {
  py::array temperature, phase_low, phase_high, pressure, volume_change, entropy_change, clapeyron_slope;
  std::array<py::object, 6> errors = nones<6>();  // pressure's three, then clapeyron_slope's
};

// The classes and functions, in module m.
void bindphases(py::module_& m);

}  // namespace pymodule

PYMODULE_INITIALISED(pymodule::phasesresult, "QhaPhasesResult");
PYMODULE_INITIALISED(pymodule::transitionsresult, "TransitionsResult");
