// lattice_thermo._core: the quasi-harmonic mode, as lattice_thermo --qha
// computes it, on arrays and Dos objects.
#pragma once

#include <array>
#include <string>
#include <vector>

#include "dos_object.hpp"
#include "thermo/qha/axial_path.hpp"
#include "thermo/qha/model.hpp"
#include "thermo/qha/qha.hpp"
#include "thermo/qha/row_errors.hpp"

namespace pymodule {

// N members of a result, None until set.
template <std::size_t N>
std::array<py::object, N> nones() {
  std::array<py::object, N> a;
  a.fill(py::none());
  return a;
}

// What qha returns.
struct qharesult {
  py::array pressures, temperatures, volume, gibbs_energy, bulk_modulus, thermal_expansion, heat_capacity_p,
      heat_capacity_v, gruneisen, entropy, bulk_modulus_s, bulk_modulus_prime, fit_rms, linear_thermal_expansion,
      last_temperature;
  // With lattice=: the lengths and their expansion along V(T); else None.
  py::object a = py::none(), b = py::none(), c = py::none(), alpha_a = py::none(), alpha_b = py::none(),
             alpha_c = py::none();
  // With error_bars=True: <name>_err_data, _err_model and _err of each of
  // thermo::rowerrornames, in that order; else None. With eos="strain" too,
  // <name>_err_fit of each (the spread across the degrees); else None.
  std::array<py::object, 3 * thermo::rowerrorcount> errors = nones<3 * thermo::rowerrorcount>();
  std::array<py::object, thermo::rowerrorcount> fits = nones<thermo::rowerrorcount>();
};

// The quasi-harmonic mode: the result's arrays by column name, with shape
// (pressures, temperatures), NaN from where V(T) leaves the volumes, and the
// last temperature inside per pressure; warnings as text. With errorbars,
// each row's error bars too.
qharesult qha(const py::object& volumes, const py::object& energies, const std::vector<const dos*>& doses,
              const py::object& t, const std::string& form, const py::object& pressures,
              const py::object& lattice = py::none(), bool errorbars = false);

// The rows of model m at the temperatures (K) and pressures (GPa), as
// QhaResult's arrays, NaN from where V(T) leaves the volumes; the fits'
// warnings through Python's, and a ValueError past the command line's 1e7
// rows. modes: the DOS points summed over at one temperature, for the
// runs' length; path: the lengths along the volumes (or none); errorbars:
// each row's error bars (ValueError where m has too few volumes for them).
qharesult qhatable(const thermo::qhamodel& m, const std::vector<double>& temps, const std::vector<double>& press,
                   double modes, const thermo::axialpath* path = nullptr, bool errorbars = false);

// One phase's rows at temperatures t[0..nt) and pressure p (GPa), as the
// program makes them: with their error bars where `errorbars`, else at the
// doubt warning's checkpoints; the warnings of the range rule, of failed
// fits and of doubt (each after `lead`, which names the phase) added to
// `warnings`. Returns how many rows lie within the volumes before the first
// that leaves them (failed ones among them, not ok). Without the GIL.
std::size_t phaserows(const thermo::qhamodel& m, const double* t, std::size_t nt, double p, bool errorbars,
                      double modes, const std::string& lead, std::vector<thermo::qhaoutcome>& rows,
                      std::vector<std::string>& warnings);

// The names of the error bars' arrays of k quantities (volume_err_data,
// volume_err_model, volume_err, ...), and the result's attribute for each,
// from its member `errors` in that order (None where the call did not ask
// for error bars). Defined after the other columns, so that a result's
// table has them last, as the program's CSV does.
std::vector<std::string> errornames(const char* const* quantities, int k);
template <class Result>
void errorattributes(py::class_<Result>& cls, const std::vector<std::string>& names) {
  for (std::size_t j = 0; j < names.size(); ++j)
    cls.def_property_readonly(names[j].c_str(), [j](const Result& r) { return r.errors[j]; });
}

// The model of one phase's arrays and Dos objects, checked as the program
// checks its files: ValueError at the first fault, the checks' warnings
// through the warnings module. `in` names the phase's arguments ("" or
// "phases[1]."); modes: the DOS points summed over, for the runs' length.
thermo::qhamodel checkedmodel(const py::object& volumes, const py::object& energies, const std::vector<const dos*>& doses,
                              const std::string& form, const std::string& in, double& modes);

// ValueError where error bars are asked for and a phase has fewer volumes
// than the jackknife needs; `in` names it as checkedmodel's does.
void checkerrorbars(bool errorbars, const thermo::qhamodel& m, const std::string& in);

// Its arrays, in the order of its pickled state.
std::array<py::object*, 21 + 4 * thermo::rowerrorcount> arraysof(qharesult& r);

// The equation of state of its name (ValueError naming those there are).
thermo::eos eosof(const std::string& form);

// One or more pressures, GPa, finite (ValueError otherwise).
doubles pressuresof(const py::object& pressures);

}  // namespace pymodule

PYMODULE_INITIALISED(pymodule::qharesult, "QhaResult");
