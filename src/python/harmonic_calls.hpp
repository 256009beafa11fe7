// lattice_thermo._core: a Dos's harmonic functions at temperatures given as
// a number or any array-like, computed on both cores without the GIL.
#pragma once

#include <limits>

#include "dos_object.hpp"
#include "thermo/harmonic/sweep.hpp"

namespace pymodule {

// What thermal_properties returns, with the Dos's sampling limit and
// theta_inf (K; NaN where unknown).
struct thermalprops {
  py::array temperatures, free_energy, entropy, heat_capacity, internal_energy, debye_temperature;
  double samplinglimit = std::numeric_limits<double>::quiet_NaN(), thetainfinity = std::numeric_limits<double>::quiet_NaN();
};

// A ThermalProperties from its pickled state, each array checked; a state
// of six arrays (pickled before the sampling limit and theta_inf were kept)
// leaves both NaN.
thermalprops unpickled(const py::tuple& state);

// A read-only bool per temperature: false below the sampling limit.
py::array resolvedof(const thermalprops& t);

// The rows at every temperature of t, Ctrl-C heard between runs of them.
std::vector<thermo::row> rowsof(const dos& d, const doubles& t);

// One field of the rows at t times `scale` (1000: kJ to J), in t's shape (a
// float for a scalar).
template <double thermo::row::*field, double scale = 1.0>
py::object quantity(const dos& d, const py::object& t) {
  const doubles a = temperaturesof(t);
  const auto rows = rowsof(d, a);
  if (a.ndim() == 0) return py::float_(rows[0].*field * scale);
  py::array_t<double> out(std::vector<py::ssize_t>(a.shape(), a.shape() + a.ndim()));
  double* o = out.mutable_data();
  for (std::size_t i = 0; i < rows.size(); ++i) o[i] = rows[i].*field * scale;
  return out;
}

// All of them, as read-only arrays, in phonopy's units (kJ/mol for F and U).
thermalprops thermalproperties(const dos& d, const py::object& t);

}  // namespace pymodule

PYMODULE_INITIALISED(pymodule::thermalprops, "ThermalProperties");
