// lattice_thermo._core: the quasi-harmonic mode, as lattice_thermo --qha
// computes it, on arrays and Dos objects.
#pragma once

#include <array>
#include <vector>

#include "dos_object.hpp"
#include "thermo/qha/axial_path.hpp"
#include "thermo/qha/model.hpp"

namespace pymodule {

// What qha returns.
struct qharesult {
  py::array pressures, temperatures, volume, gibbs_energy, bulk_modulus, thermal_expansion, heat_capacity_p,
      heat_capacity_v, gruneisen, entropy, bulk_modulus_s, bulk_modulus_prime, fit_rms, linear_thermal_expansion,
      last_temperature;
  // With lattice=: the lengths and their expansion along V(T); else None.
  py::object a = py::none(), b = py::none(), c = py::none(), alpha_a = py::none(), alpha_b = py::none(),
             alpha_c = py::none();
};

// The quasi-harmonic mode: the result's arrays by column name, with shape
// (pressures, temperatures), NaN from where V(T) leaves the volumes, and the
// last temperature inside per pressure; warnings as text.
qharesult qha(const py::object& volumes, const py::object& energies, const std::vector<const dos*>& doses,
              const py::object& t, const std::string& form, const py::object& pressures,
              const py::object& lattice = py::none());

// The rows of model m at the temperatures (K) and pressures (GPa), as
// QhaResult's arrays, NaN from where V(T) leaves the volumes; the fits'
// warnings through Python's, and a ValueError past the command line's 1e7
// rows. modes: the DOS points summed over at one temperature, for the
// runs' length; path: the lengths along the volumes (or none).
qharesult qhatable(const thermo::qhamodel& m, const std::vector<double>& temps, const std::vector<double>& press,
                   double modes, const thermo::axialpath* path = nullptr);

// The model of one phase's arrays and Dos objects, checked as the program
// checks its files: ValueError at the first fault, the checks' warnings
// through the warnings module. `in` names the phase's arguments ("" or
// "phases[1]."); modes: the DOS points summed over, for the runs' length.
thermo::qhamodel checkedmodel(const py::object& volumes, const py::object& energies, const std::vector<const dos*>& doses,
                              const std::string& form, const std::string& in, double& modes);

// Its arrays, in the order of its pickled state.
std::array<py::object*, 21> arraysof(qharesult& r);

// The equation of state of its name (ValueError naming those there are).
thermo::eos eosof(const std::string& form);

// One or more pressures, GPa, finite (ValueError otherwise).
doubles pressuresof(const py::object& pressures);

}  // namespace pymodule

PYMODULE_INITIALISED(pymodule::qharesult, "QhaResult");
