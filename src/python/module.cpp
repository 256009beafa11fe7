// The Python module's compiled part, lattice_thermo._core: the bindings and
// the docstrings of everything public (the package's Python layer, with the
// signatures, takes them from here). No physics here, nor in the files
// beside it: a DOS is read and checked by the program's readers, treated by
// its treatments, and evaluated by its sweep and its quasi-harmonic fit;
// those files convert arrays and options, release the GIL, hear Ctrl-C, and
// hand messages to Python (errors as exceptions, warnings through the
// warnings module).
#include <pybind11/stl.h>

#include "arrays.hpp"
#include "displacement_call.hpp"
#include "dos_object.hpp"
#include "grid_call.hpp"
#include "harmonic_calls.hpp"
#include "debye_call.hpp"
#include "phases_call.hpp"
#include "pickled.hpp"
#include "qha_files_call.hpp"
#include "qha_call.hpp"
#include "thermo/base/number_text.hpp"
#include "thermo/harmonic/constants.hpp"
#include "thermo/harmonic/harmonic.hpp"
#include "thermo/harmonic/sampling.hpp"

using namespace pymodule;

namespace {

// "n temperatures (a to b K)", the span of a result's axis.
std::string span(const py::array& a, const char* what, const char* unit) {
  const doubles v = doubles::ensure(a);
  const py::ssize_t n = v ? v.size() : 0;
  std::string s = std::to_string(n) + " " + what;
  if (n > 0) s += " (" + thermo::shortest(v.data()[0]) + (n > 1 ? " to " + thermo::shortest(v.data()[n - 1]) : "") + " " + unit + ")";
  return s;
}

}  // namespace

PYBIND11_MODULE(_core, m) {
  // The public names carry Python signatures; these docstrings are their text.
  py::options options;
  options.disable_function_signatures();
  m.doc() = "The compiled part of lattice_thermo; import lattice_thermo instead.";

  py::class_<thermalprops>(m, "ThermalProperties", R"doc(
The harmonic functions at a run of temperatures, as read-only numpy arrays
in phonopy's ThermalProperties units (kJ/mol for energies, as phonopy gives
them, where the Dos methods named like pymatgen's give J/mol):
  temperatures       K
  free_energy        kJ/mol   F = E_zp + kT sum g ln(1 - e^-x)
  entropy            J/K/mol
  heat_capacity      J/K/mol  Cv
  internal_energy    kJ/mol
  debye_temperature  K        theta_D(T), NaN where there is none
per mole of cells (or of atoms, for a Dos made with per_atom=True); and of
the Dos they come from:
  sampling_limit     K, below which its sampling decides C, S and theta_D
  theta_infinity     K, theta_D's high-temperature limit
  resolved           bool per temperature, False below the sampling limit
It can be pickled and copied.)doc")
      .def_readonly("temperatures", &thermalprops::temperatures)
      .def_readonly("free_energy", &thermalprops::free_energy)
      .def_readonly("entropy", &thermalprops::entropy)
      .def_readonly("heat_capacity", &thermalprops::heat_capacity)
      .def_readonly("internal_energy", &thermalprops::internal_energy)
      .def_readonly("debye_temperature", &thermalprops::debye_temperature)
      .def_readonly("sampling_limit", &thermalprops::samplinglimit)
      .def_readonly("theta_infinity", &thermalprops::thetainfinity)
      .def_property_readonly("resolved", &resolvedof)
      .def("__repr__", [](const thermalprops& t) { return "<ThermalProperties at " + span(t.temperatures, "temperatures", "K") + ">"; })
      .def(py::pickle(
          [](const thermalprops& t) {
            return py::make_tuple(t.temperatures, t.free_energy, t.entropy, t.heat_capacity, t.internal_energy,
                                  t.debye_temperature, t.samplinglimit, t.thetainfinity);
          },
          &unpickled));

  py::class_<qharesult> qhacls(m, "QhaResult", R"doc(
The quasi-harmonic results, read-only numpy arrays of shape
(pressures, temperatures), named like lattice_thermo --qha --csv's columns
and per mole of cells:
  volume             A^3 per cell, V(T)
  gibbs_energy       kJ/mol, G(T)
  bulk_modulus       GPa, B_T
  thermal_expansion  1/K, volumetric alpha = (1/V) dV/dT
  heat_capacity_p    J/K/mol, Cp = -T d2G/dT2
  heat_capacity_v    J/K/mol, Cv at V(T) of the fitted model
  gruneisen          alpha B_T V / Cv (NaN where Cv < 1e-6 of 3 n R)
  entropy            J/K/mol, S = -dG/dT
  bulk_modulus_s     GPa, B_S = B_T (1 + alpha gamma T)
  bulk_modulus_prime the fitted B0' = (dB_T/dP)_T at V(T)
  fit_rms            kJ/mol, the fit's root-mean-square residual
  linear_thermal_expansion  1/K, alpha / 3 (cubic or isotropic crystals)
NaN from the first temperature whose V(T) leaves the volumes sampled, at
that pressure; and, of shape (pressures,) and (temperatures,):
  pressures          GPa
  temperatures       K
  last_temperature   K, the last temperature within the volumes (NaN: none)
With lattice= (rows a, b, c in A, one for each volume, in their order):
  a, b, c            A, the lengths along V(T): b/a and c/a quadratic in V
  alpha_a, alpha_b, alpha_c  1/K, their expansion from the exact dV/dT,
                     summing to thermal_expansion
(None without it). With error_bars=True, each of volume, gibbs_energy,
bulk_modulus, thermal_expansion and heat_capacity_p has three more, in its
unit:
  <name>_err_data    the jackknife over the volumes: sqrt((n-1)/n sum (x_(i)
                     - mean)^2), x_(i) the value with volume i left out
  <name>_err_model   half the range over Vinet, Birch-Murnaghan, Murnaghan
  <name>_err_fit     with eos="strain": the spread across the averaged
                     polynomial's degrees (else None)
  <name>_err         them all in quadrature
(None without error_bars=True): the fit's doubt, not the QHA's. It can be
pickled and copied.)doc");
  qhacls.def_readonly("pressures", &qharesult::pressures)
      .def_readonly("temperatures", &qharesult::temperatures)
      .def_readonly("volume", &qharesult::volume)
      .def_readonly("gibbs_energy", &qharesult::gibbs_energy)
      .def_readonly("bulk_modulus", &qharesult::bulk_modulus)
      .def_readonly("thermal_expansion", &qharesult::thermal_expansion)
      .def_readonly("heat_capacity_p", &qharesult::heat_capacity_p)
      .def_readonly("heat_capacity_v", &qharesult::heat_capacity_v)
      .def_readonly("gruneisen", &qharesult::gruneisen)
      .def_readonly("entropy", &qharesult::entropy)
      .def_readonly("bulk_modulus_s", &qharesult::bulk_modulus_s)
      .def_readonly("bulk_modulus_prime", &qharesult::bulk_modulus_prime)
      .def_readonly("fit_rms", &qharesult::fit_rms)
      .def_readonly("linear_thermal_expansion", &qharesult::linear_thermal_expansion)
      .def_readonly("last_temperature", &qharesult::last_temperature)
      .def_readonly("a", &qharesult::a)
      .def_readonly("b", &qharesult::b)
      .def_readonly("c", &qharesult::c)
      .def_readonly("alpha_a", &qharesult::alpha_a)
      .def_readonly("alpha_b", &qharesult::alpha_b)
      .def_readonly("alpha_c", &qharesult::alpha_c)
      .def("__repr__", [](const qharesult& r) {
        return "<QhaResult at " + span(r.pressures, "pressures", "GPa") + " and " + span(r.temperatures, "temperatures", "K") + ">";
      });
  // Each quantity's _err_data, _err_model, _err_fit (eos="strain") and _err,
  // in the order of the program's CSV.
  for (int j = 0; j < thermo::rowerrorcount; ++j) {
    const std::string q = thermo::rowerrornames[j];
    for (int c = 0; c < 4; ++c) {
      const std::size_t at = static_cast<std::size_t>(c < 2 ? 3 * j + c : 3 * j + 2);
      const std::size_t k = static_cast<std::size_t>(j);
      if (c == 2)
        qhacls.def_property_readonly((q + "_err_fit").c_str(), [k](const qharesult& r) { return r.fits[k]; });
      else
        qhacls.def_property_readonly((q + (c == 0 ? "_err_data" : c == 1 ? "_err_model" : "_err")).c_str(),
                                     [at](const qharesult& r) { return r.errors[at]; });
    }
  }
  // A result pickled before the _err_fit arrays: theirs None.
  picklable<qharesult, 21 + 4 * thermo::rowerrorcount, 0>(qhacls, &arraysof, nullptr, thermo::rowerrorcount);

  py::class_<dos> doscls(m, "Dos", R"doc(
A phonon density of states, checked as lattice_thermo checks it, ready for
the harmonic functions.

frequencies, densities: 1-D array-likes of real numbers (any integer or
float dtype; read without a copy where they are contiguous float64): the
frequencies (energies) in `unit`, strictly increasing, and the DOS in
states per that unit, per cell, as pymatgen's PhononDos(frequencies,
densities) takes them. energies= is the same as frequencies=.
unit: THz, cm-1, meV, eV, Ry or Ha, in any case; None is THz, with the
program's warning where the frequencies look like another unit.
atoms: atoms per cell (default: the DOS integral / 3). normalize: scale the
DOS to 3 n states. per_atom: results per mole of atoms. cutoff_frequency
(in `unit`) and pretend_real: modes at or below the cutoff take no part;
imaginary modes count with their absolute energy.

A bad input raises ValueError with the program's own text ("point 3:
energies do not increase strictly"), an argument of the wrong type
TypeError; what the program warns of goes through the warnings module,
pointing at the caller's line.

Units: the methods named like pymatgen's PhononDos methods give pymatgen's
units, J/mol (helmholtz_free_energy, internal_energy, zero_point_energy) and
J/K/mol (cv, entropy); thermal_properties gives phonopy's, kJ/mol and
J/K/mol. All per mole of cells, or of atoms with per_atom=True.

A Dos never changes: copy.copy and copy.deepcopy give the same object;
pickling raises TypeError (pickle the arrays and make it again).)doc");
  binddisplacements(m, doscls);
  doscls.def(py::init(&fromarrays))
      .def_static("from_file", &fromfile, R"doc(
A DOS file read by lattice_thermo's own readers: columns (phonopy's
total_dos.dat, projected_dos.dat with sum_columns=True or column=K,
plane-wave codes' .dos files; the unit from unit=, else from the file's
header, else THz), phonopy's mesh.yaml, or with pds=True
lattice_heat_capacity's layout. path: a str, bytes or os.PathLike. A file
that cannot be opened raises OSError (FileNotFoundError, PermissionError,
IsADirectoryError); a bad file ValueError naming FILE:LINE, as the program
does.)doc")
      .def_static(
          "from_pds",
          [](const py::bytes& path, std::optional<double> atoms, bool peratom) {
            return fromfile(path, std::nullopt, std::nullopt, false, false, 0.0, false, atoms, peratom, true);
          },
          "A DOS in lattice_heat_capacity's layout (11 header lines, energy in hartree, DOS per hartree).")
      .def("cv", &quantity<&thermo::row::heat_capacity>, R"doc(
The heat capacity at constant volume, J/K/mol (as pymatgen's cv), at
temperatures t (K): a number or an array-like, the result in the same
shape.)doc")
      .def("entropy", &quantity<&thermo::row::entropy>, R"doc(
The entropy, J/K/mol (as pymatgen's entropy), at temperatures t (K), in
t's shape.)doc")
      .def("helmholtz_free_energy", &quantity<&thermo::row::free_energy, 1000.0>, R"doc(
The Helmholtz free energy with the zero-point energy, J/mol (as pymatgen's
helmholtz_free_energy; thermal_properties().free_energy is in kJ/mol, as
phonopy's), at temperatures t (K), in t's shape.)doc")
      .def("internal_energy", &quantity<&thermo::row::energy, 1000.0>, R"doc(
The internal energy with the zero-point energy, J/mol (as pymatgen's
internal_energy; thermal_properties().internal_energy is in kJ/mol), at
temperatures t (K), in t's shape.)doc")
      .def("debye_temperature", &quantity<&thermo::row::debye_temperature>, R"doc(
The effective Debye temperature theta_D(T), K, at temperatures t (K), in t's
shape: the theta of the Debye solid with this heat capacity (NaN at 0 K and
where there is none).)doc")
      .def("thermal_properties", &thermalproperties, R"doc(
All the harmonic functions at the temperatures (K, a number or a 1-D
array-like) in one call, on both cores and without the GIL: a
ThermalProperties of numpy arrays in phonopy's units (kJ/mol for F and U).)doc")
      .def(
          "zero_point_energy", [](const dos& d) { return d.file.d.zeropoint * thermo::avogadro / d.scale.divisor; },
          "The zero-point energy, J/mol (as pymatgen's zero_point_energy).")
      .def_property_readonly(
          "theta_infinity", [](const dos& d) { return thermo::thetainfinity(d.file.d); },
          "theta_D's high-temperature limit sqrt(5 <E^2> / 3) / k_B, K.")
      .def_property_readonly(
          "states", [](const dos& d) { return d.file.d.states; }, "The integral of the DOS, states per cell.")
      .def_property_readonly(
          "atoms", [](const dos& d) { return d.scale.atoms; }, "Atoms per cell: given, natom of a mesh, or the states / 3.")
      .def_property_readonly(
          "per_atom", [](const dos& d) { return d.peratom; }, "Whether results are per mole of atoms.")
      .def_property_readonly(
          "unit", [](const dos& d) { return d.file.unitname; }, "The unit of the frequencies (of a mesh.yaml: THz).")
      .def_property_readonly(
          "frequencies", [](const dos& d) { return d.frequencies; }, R"doc(
The frequencies of the tabulated DOS in `unit`, a read-only array, as the
sums take them: those given (bit for bit, unless normalize or pretend_real
changed the table) or read; None for a mesh.yaml, which holds modes.)doc")
      .def_property_readonly(
          "densities", [](const dos& d) { return d.densities; }, R"doc(
The DOS at each of frequencies, states per `unit` per cell, a read-only
array; None for a mesh.yaml.)doc")
      .def_property_readonly(
          "sampling_limit", &samplinglimitof,
          "The lowest temperature (K) the DOS's sampling resolves, as lattice_thermo's header gives it: below it, "
          "C, S and theta_D depend on the DOS's lowest energy steps (a mesh's lowest modes) more than on the crystal.")
      .def("__repr__", &reprof);

  m.def("qha", &qha, py::arg("volumes"), py::arg("energies"), py::arg("doses"), py::arg("temperatures"), py::arg("eos"),
        py::arg("pressures"), py::arg("lattice") = py::none(), py::arg("error_bars") = false, R"doc(
The quasi-harmonic approximation, as lattice_thermo --qha computes it:
volumes (A^3 per cell) and static energies (eV per cell), a Dos for each
volume in the same order, temperatures (K, a number or a 1-D array-like),
the equation of state (vinet, birch_murnaghan, murnaghan or strain: the
averaged strain polynomials, as --eos strain) and one or more
pressures (GPa). Returns a QhaResult; where V(T) leaves the volumes sampled,
a warning through the warnings module and NaN from there on at that
pressure. error_bars=True adds each value's error bars (6 volumes or more),
at some seven times the cost; without, they are taken at a few
temperatures for the warning where an answer is in doubt (an error bar
beyond 15 % of its value), as on the command line. Runs on both cores
without the GIL; Ctrl-C stops it. At most 1e7 temperatures times pressures
in one call, as on the command line.
lattice: the lengths a, b, c of each volume's relaxed cell (rows, in the
volumes' order), as --lattice takes them: the result gains a, b, c and
their alpha.)doc");
  bindphases(m);
  bindgrid(m);
  bindqhafiles(m);
  binddebye(m);
}
