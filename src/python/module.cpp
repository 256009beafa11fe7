// The Python module's compiled part, lattice_thermo._core: the bindings and
// their docstrings. No physics here, nor in the files beside it: a DOS is
// read and checked by the program's readers, treated by its treatments, and
// evaluated by its sweep and its quasi-harmonic fit; those files convert
// arrays and options, release the GIL, and hand messages to Python (errors
// as ValueError, warnings through the warnings module).
#include <pybind11/stl.h>

#include "arrays.hpp"
#include "dos_object.hpp"
#include "harmonic_calls.hpp"
#include "qha_call.hpp"
#include "thermo/harmonic/constants.hpp"
#include "thermo/harmonic/harmonic.hpp"
#include "thermo/harmonic/sampling.hpp"

using namespace pymodule;

PYBIND11_MODULE(_core, m) {
  m.doc() = "The compiled part of lattice_thermo; import lattice_thermo instead.";

  py::class_<thermalprops>(m, "ThermalProperties", R"doc(
The harmonic functions at a run of temperatures, as numpy arrays (read-only),
named like phonopy's ThermalProperties:
  temperatures       K
  free_energy        kJ/mol   F = E_zp + kT sum g ln(1 - e^-x)
  entropy            J/K/mol
  heat_capacity      J/K/mol  Cv
  internal_energy    kJ/mol
  debye_temperature  K        theta_D(T), NaN where there is none
per mole of cells (or of atoms, for a Dos made with per_atom=True).)doc")
      .def_readonly("temperatures", &thermalprops::temperatures)
      .def_readonly("free_energy", &thermalprops::free_energy)
      .def_readonly("entropy", &thermalprops::entropy)
      .def_readonly("heat_capacity", &thermalprops::heat_capacity)
      .def_readonly("internal_energy", &thermalprops::internal_energy)
      .def_readonly("debye_temperature", &thermalprops::debye_temperature)
      .def("__repr__", [](const thermalprops& t) {
        return "<ThermalProperties at " + std::to_string(py::len(t.temperatures)) + " temperatures>";
      });

  py::class_<qharesult>(m, "QhaResult", R"doc(
The quasi-harmonic results, read-only numpy arrays of shape
(pressures, temperatures), named like lattice_thermo --qha --csv's columns
and per mole of cells:
  volume             A^3 per cell, V(T)
  gibbs_energy       kJ/mol, G(T)
  bulk_modulus       GPa, B_T
  thermal_expansion  1/K, volumetric alpha = (1/V) dV/dT
  heat_capacity_p    J/K/mol, Cp = -T d2G/dT2
  heat_capacity_v    J/K/mol, Cv at V(T) of the fitted model
  gruneisen          alpha B_T V / Cv (NaN at 0 K)
  entropy            J/K/mol, S = -dG/dT
  bulk_modulus_s     GPa, B_S = B_T (1 + alpha gamma T)
NaN from the first temperature whose V(T) leaves the volumes sampled, at
that pressure; and, of shape (pressures,) and (temperatures,):
  pressures          GPa
  temperatures       K
  last_temperature   K, the last temperature within the volumes (NaN: none))doc")
      .def_readonly("pressures", &qharesult::pressures)
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
      .def_readonly("last_temperature", &qharesult::last_temperature)
      .def("__repr__", [](const qharesult& r) {
        return "<QhaResult at " + std::to_string(py::len(r.pressures)) + " pressures and " +
               std::to_string(py::len(r.temperatures)) + " temperatures>";
      });

  py::class_<dos>(m, "Dos", R"doc(
A phonon density of states, checked as lattice_thermo checks it, ready for
the harmonic functions.

Dos(energies, densities, unit="THz", atoms=None, normalize=False,
    per_atom=False, cutoff_frequency=0.0, pretend_real=False)

energies, densities: 1-D array-likes of any float dtype (read without a copy
where they are contiguous float64): the energies in `unit` (THz, cm-1, meV,
eV, Ry or Ha, in any case), strictly increasing, and the DOS in states per
that unit, per cell. A bad input raises ValueError with the program's own
text ("point 3: energies do not increase strictly").
atoms: atoms per cell (default: the DOS integral / 3). normalize: scale the
DOS to 3 n states. per_atom: results per mole of atoms. cutoff_frequency
(in `unit`) and pretend_real: modes at or below the cutoff take no part;
imaginary modes count with their absolute energy. What the program warns of
goes through the warnings module.

Results are per mole of cells (of atoms with per_atom): kJ/mol and J/K/mol,
where pymatgen's PhononDos gives J/mol and J/K/mol.)doc")
      .def(py::init(&fromarrays), py::arg("energies"), py::arg("densities"), py::arg("unit") = "THz",
           py::arg("atoms") = std::nullopt, py::arg("normalize") = false, py::arg("per_atom") = false,
           py::arg("cutoff_frequency") = 0.0, py::arg("pretend_real") = false)
      .def_static("from_file", &fromfile, py::arg("path"), py::arg("unit") = std::nullopt, py::arg("column") = std::nullopt,
                  py::arg("sum_columns") = false, py::arg("normalize") = false, py::arg("cutoff_frequency") = 0.0,
                  py::arg("pretend_real") = false, py::arg("atoms") = std::nullopt, py::arg("per_atom") = false,
                  py::arg("pds") = false, R"doc(
A DOS file read by lattice_thermo's own readers: columns (phonopy's
total_dos.dat, projected_dos.dat with sum_columns=True or column=K, plane-wave
codes' .dos files; the unit from unit=, else from the file's header, else
THz), phonopy's mesh.yaml, or with pds=True lattice_heat_capacity's layout.
A bad file raises ValueError naming FILE:LINE, as the program does.)doc")
      .def_static(
          "from_pds",
          [](const std::string& path, std::optional<double> atoms, bool peratom) {
            return fromfile(path, std::nullopt, std::nullopt, false, false, 0.0, false, atoms, peratom, true);
          },
          py::arg("path"), py::arg("atoms") = std::nullopt, py::arg("per_atom") = false,
          "A DOS in lattice_heat_capacity's layout (11 header lines, energy in hartree, DOS per hartree).")
      .def("cv", &quantity<&thermo::row::heat_capacity>, py::arg("t"), R"doc(
The heat capacity at constant volume, J/K/mol, at temperatures t (K): a
number or an array-like, the result in the same shape. (pymatgen's cv: J/K/mol.))doc")
      .def("entropy", &quantity<&thermo::row::entropy>, py::arg("t"), R"doc(
The entropy, J/K/mol, at temperatures t (K), in t's shape. (pymatgen's: J/K/mol.))doc")
      .def("helmholtz_free_energy", &quantity<&thermo::row::free_energy>, py::arg("t"), R"doc(
The Helmholtz free energy with the zero-point energy, kJ/mol, at temperatures
t (K), in t's shape. (pymatgen's helmholtz_free_energy is in J/mol: 1000 times
this.))doc")
      .def("internal_energy", &quantity<&thermo::row::energy>, py::arg("t"), R"doc(
The internal energy with the zero-point energy, kJ/mol, at temperatures t (K),
in t's shape. (pymatgen's internal_energy is in J/mol: 1000 times this.))doc")
      .def("debye_temperature", &quantity<&thermo::row::debye_temperature>, py::arg("t"), R"doc(
The effective Debye temperature theta_D(T), K, at temperatures t (K), in t's
shape: the theta of the Debye solid with this heat capacity (NaN at 0 K and
where there is none).)doc")
      .def("thermal_properties", &thermalproperties, py::arg("temperatures"), R"doc(
All the harmonic functions at the temperatures (K) in one call, on both cores
and without the GIL: a ThermalProperties of numpy arrays.)doc")
      .def(
          "zero_point_energy", [](const dos& d) { return d.file.d.zeropoint * thermo::avogadro / d.scale.divisor / 1000.0; },
          "The zero-point energy, kJ/mol (pymatgen's zero_point_energy is in J/mol: 1000 times this).")
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
          "unit", [](const dos& d) { return d.file.unitname; }, "The energy unit the DOS was read in.")
      .def_property_readonly(
          "sampling_limit",
          [](const dos& d) {
            return thermo::samplinglimit(d.file.d, d.file.cutoffthz * thermo::joules(thermo::unit::thz), d.file.mesh);
          },
          "The lowest temperature (K) the DOS's sampling resolves, as lattice_thermo's header gives it: below it, "
          "C, S and theta_D depend on the DOS's lowest energy steps (a mesh's lowest modes) more than on the crystal.");

  m.def("qha", &qha, py::arg("volumes"), py::arg("energies"), py::arg("doses"), py::arg("temperatures"),
        py::arg("eos") = "vinet", py::arg("pressures") = 0.0, R"doc(
The quasi-harmonic approximation, as lattice_thermo --qha computes it:
volumes (A^3 per cell) and static energies (eV per cell), a Dos for each
volume in the same order, temperatures (K), the equation of state (vinet,
birch_murnaghan or murnaghan) and one or more pressures (GPa). Returns a
QhaResult; where V(T) leaves the volumes sampled, a warning through the
warnings module and NaN from there on at that pressure. Runs on both cores
without the GIL.)doc");
}
