// lattice_thermo._core: the quasi-harmonic mode on its files, read and
// checked as lattice_thermo --qha reads them.
#pragma once

#include "qha_call.hpp"

namespace pymodule {

// qha_files, in module m.
void bindqhafiles(py::module_& m);

}  // namespace pymodule
