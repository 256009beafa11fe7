// lattice_thermo._core: the anisotropic modes, as lattice_thermo --qha-grid
// and --qha --lattice compute them: a grid of cells (a file, or an array)
// with a Dos or a file of each, and the lengths along qha's volumes.
#pragma once

#include <vector>

#include "dos_object.hpp"
#include "qha_call.hpp"
#include "thermo/qha/axial_path.hpp"
#include "thermo/qha/grid_qha.hpp"
#include "thermo/qha/model.hpp"

namespace pymodule {

// What qha_grid returns: arrays of shape (pressures, temperatures), b and
// alpha_b equal to a and alpha_a where the grid has two lengths.
struct gridresult {
  py::array pressures, temperatures, a, b, c, volume, alpha_a, alpha_b, alpha_c, thermal_expansion, heat_capacity_p,
      heat_capacity_v, entropy, gibbs_energy, fit_rms, last_temperature;
  int axes;
  // With error_bars=True: <name>_err_data, _err_model and _err of each of
  // thermo::griderrornames, in that order (b's and alpha_b's a's where the
  // grid has two lengths); else None.
  std::array<py::object, 3 * thermo::griderrorcount> errors = nones<3 * thermo::griderrorcount>();
};

// grid: a path (bytes) or an array of rows `a c volume energy` or `a b c
// volume energy`; files: a Dos for each row, or a path (bytes) for each,
// read as the program reads them; errorbars: each row's error bars, as
// --error-bars gives them. ValueError on bad input, warnings through the
// warnings module.
gridresult qhagrid(const py::object& grid, const py::list& files, const py::object& t, int degree,
                   const py::object& pressures, bool errorbars = false);

// The lengths along a model's volumes from `lattice` (rows a, b, c in the
// order of the volumes given): ValueError where they do not fit.
thermo::axialpath pathof(const thermo::qhamodel& m, const py::object& lattice);

void bindgrid(py::module_& m);

}  // namespace pymodule

PYMODULE_INITIALISED(pymodule::gridresult, "QhaGridResult");
