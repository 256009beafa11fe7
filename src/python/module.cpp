// The Python module's compiled part, lattice_thermo._core: the thermo
// library's own functions behind numpy arrays. No physics here: a DOS is read
// and checked by the program's readers, treated by its treatments, and
// evaluated by its sweep and its quasi-harmonic fit; what this file does is
// convert arrays and options, release the GIL, and hand messages to Python
// (errors as ValueError, warnings as text for the warnings module).
#include <pybind11/numpy.h>
#include <pybind11/pybind11.h>
#include <pybind11/stl.h>

#include <cmath>
#include <limits>
#include <optional>
#include <string>
#include <vector>

#include "thermo/constants.hpp"
#include "thermo/dos.hpp"
#include "thermo/eos.hpp"
#include "thermo/load.hpp"
#include "thermo/options.hpp"
#include "thermo/qha.hpp"
#include "thermo/sweep.hpp"

namespace py = pybind11;

namespace {

using doubles = py::array_t<double, py::array::c_style | py::array::forcecast>;
constexpr double nan = std::numeric_limits<double>::quiet_NaN();

// A DOS ready for the sums, with how its results are scaled.
struct dos {
  thermo::loaded file;
  double atoms = 0.0;       // atoms per cell
  double thetaatoms = 0.0;  // of theta_D's Debye solid
  double divisor = 1.0;     // per_atom: the atoms
  bool peratom = false;
  std::vector<std::string> warnings;
};

// Each text through Python's warnings module (the GIL held); an error where
// the caller has made warnings errors.
void warn(const std::vector<std::string>& texts) {
  for (const std::string& t : texts)
    if (PyErr_WarnEx(PyExc_UserWarning, t.c_str(), 2) != 0) throw py::error_already_set();
}

// An array that can no longer be written: the results are frozen.
py::array frozen(py::array a) {
  a.attr("setflags")(py::arg("write") = false);
  return a;
}

// What thermal_properties returns.
struct thermalprops {
  py::array temperatures, free_energy, entropy, heat_capacity, internal_energy, debye_temperature;
};

// What qha returns.
struct qharesult {
  py::array pressures, temperatures, volume, gibbs_energy, bulk_modulus, thermal_expansion, heat_capacity_p,
      heat_capacity_v, gruneisen, entropy, bulk_modulus_s, last_temperature;
};

std::string trim(std::string s) {
  while (!s.empty() && s.back() == '\n') s.pop_back();
  return s;
}

// The lines of a file's warnings, without their line ends.
std::vector<std::string> lines(const std::string& text) {
  std::vector<std::string> out;
  for (std::size_t p = 0; p < text.size();) {
    const std::size_t e = text.find('\n', p);
    out.push_back(text.substr(p, e - p));
    p = e == std::string::npos ? text.size() : e + 1;
  }
  return out;
}

thermo::readoptions readoptionsof(const std::optional<std::string>& unit, bool pds, std::optional<int> column,
                                  bool sumcolumns, bool normalize, double cutoff, bool pretendreal) {
  thermo::readoptions ro;
  if (unit) {
    if (!thermo::parseunit(*unit, ro.u)) throw py::value_error("unknown unit '" + *unit + "'; one of THz, cm-1, meV, eV, Ry, Ha");
    ro.unitgiven = true;
  }
  if (pds && unit) throw py::value_error("a lattice_heat_capacity file is in hartree: unit does not go with it");
  if (column && sumcolumns) throw py::value_error("column and sum_columns do not go together");
  if (column && *column < 2) throw py::value_error("column must be 2 or more: column 1 holds the energies");
  if (!(cutoff >= 0.0 && std::isfinite(cutoff))) throw py::value_error("cutoff_frequency must be a number, 0 or more");
  ro.pds = pds;
  if (column) {
    ro.column = *column;
    ro.columngiven = true;
  }
  ro.sumcolumns = sumcolumns;
  ro.normalize = normalize;
  ro.cutoff = cutoff;
  ro.pretendreal = pretendreal;
  return ro;
}

// How the results of a DOS read are scaled, as the program scales them.
void scale(dos& d, std::optional<double> atoms, bool peratom) {
  if (atoms && !(*atoms > 0.0 && std::isfinite(*atoms))) throw py::value_error("atoms must be positive");
  const thermo::harmonicdos& h = d.file.d;
  d.atoms = atoms ? *atoms : d.file.mesh ? static_cast<double>(d.file.meshcounts.natom) : h.states / 3.0;
  d.thetaatoms = atoms ? *atoms : h.positive / 3.0;
  d.peratom = peratom;
  d.divisor = peratom ? d.atoms : 1.0;
  d.warnings = lines(d.file.notes);
  if (d.file.sp.negative > 0)
    d.warnings.push_back(std::to_string(d.file.sp.negative) + " negative DOS values, kept as they are");
  if (h.below > 0.001 * h.states)
    d.warnings.push_back(std::to_string(100.0 * h.below / h.states) +
                         " % of the states take no part: they lie at or below the cutoff (zero unless given)"
                         " or between the last point there and the first above it");
}

dos fromarrays(const doubles& energies, const doubles& densities, const std::string& unit, std::optional<double> atoms,
               bool normalize, bool peratom, double cutoff, bool pretendreal) {
  if (energies.ndim() != 1 || densities.ndim() != 1 || energies.size() != densities.size())
    throw py::value_error("energies and densities must be 1-D arrays of the same length");
  dos d;
  const thermo::readoptions ro = readoptionsof(unit, false, std::nullopt, false, normalize, cutoff, pretendreal);
  thermo::problem p;
  {
    thermo::spectrumbuilder build(d.file.sp, ro.u);
    const double* e = energies.data();
    const double* g = densities.data();
    for (py::ssize_t i = 0; i < energies.size(); ++i)
      if (!build.add(e[i], g[i], static_cast<long>(i) + 1, p)) throw py::value_error("point " + std::to_string(p.line) + ": " + p.what);
    if (!build.finish(p)) throw py::value_error(p.what);
  }
  d.file.unitname = thermo::unitname(ro.u);
  d.file.unitlabel = d.file.unitname;
  if (!thermo::treat(d.file, ro, atoms.value_or(0.0), ro.u, "", p)) throw py::value_error(p.what);
  scale(d, atoms, peratom);
  warn(d.warnings);
  return d;
}

dos fromfile(const std::string& path, const std::optional<std::string>& unit, std::optional<int> column, bool sumcolumns,
             bool normalize, double cutoff, bool pretendreal, std::optional<double> atoms, bool peratom, bool pds) {
  thermo::options o;
  o.read = readoptionsof(unit, pds, column, sumcolumns, normalize, cutoff, pretendreal);
  o.atoms = atoms.value_or(0.0);
  dos d;
  thermo::filescratch scratch;
  std::string message;
  bool ok;
  {
    py::gil_scoped_release unlocked;
    ok = thermo::readfile(path, o, scratch, d.file, message);
  }
  if (!ok) throw py::value_error(trim(message));
  scale(d, atoms, peratom);
  warn(d.warnings);
  return d;
}

// Temperatures as a flat array of doubles, each finite and within the limits.
doubles temperaturesof(const py::object& t) {
  doubles a = doubles::ensure(t);
  if (!a) throw py::value_error("temperatures must be numbers");
  const double* v = a.data();
  for (py::ssize_t i = 0; i < a.size(); ++i)
    if (!(v[i] >= 0.0 && v[i] <= thermo::maxtemperature))
      throw py::value_error("temperature " + std::to_string(v[i]) + " K is outside 0 to 1e9 K");
  return a;
}

// The rows at every temperature of t, on both cores, without the GIL.
std::vector<thermo::row> rowsof(const dos& d, const doubles& t) {
  std::vector<thermo::row> rows(static_cast<std::size_t>(t.size()));
  py::gil_scoped_release unlocked;
  thermo::sweep(d.file.d, d.thetaatoms, d.divisor, t.data(), rows.size(), rows.data(), true);
  return rows;
}

// One field of the rows at t, in t's shape (a float for a scalar).
template <double thermo::row::*field>
py::object quantity(const dos& d, const py::object& t) {
  const doubles a = temperaturesof(t);
  const auto rows = rowsof(d, a);
  if (a.ndim() == 0) return py::float_(rows[0].*field);
  py::array_t<double> out(std::vector<py::ssize_t>(a.shape(), a.shape() + a.ndim()));
  double* o = out.mutable_data();
  for (std::size_t i = 0; i < rows.size(); ++i) o[i] = rows[i].*field;
  return out;
}

thermalprops thermalproperties(const dos& d, const py::object& t) {
  const doubles a = temperaturesof(t);
  const auto rows = rowsof(d, a);
  const py::ssize_t n = static_cast<py::ssize_t>(rows.size());
  py::array_t<double> temps(n), f(n), s(n), c(n), u(n), theta(n);
  for (py::ssize_t i = 0; i < n; ++i) {
    const thermo::row& r = rows[static_cast<std::size_t>(i)];
    temps.mutable_data()[i] = r.temperature;
    f.mutable_data()[i] = r.free_energy;
    s.mutable_data()[i] = r.entropy;
    c.mutable_data()[i] = r.heat_capacity;
    u.mutable_data()[i] = r.energy;
    theta.mutable_data()[i] = r.debye_temperature;
  }
  return {frozen(temps), frozen(f), frozen(s), frozen(c), frozen(u), frozen(theta)};
}

// The quasi-harmonic mode: the result's arrays by column name, with shape
// (pressures, temperatures), NaN from where V(T) leaves the volumes, and the
// last temperature inside per pressure; warnings as text.
qharesult qha(const doubles& volumes, const doubles& energies, const std::vector<const dos*>& doses, const py::object& t,
              const std::string& form, const py::object& pressures) {
  const std::size_t n = static_cast<std::size_t>(volumes.size());
  if (volumes.ndim() != 1 || energies.ndim() != 1 || static_cast<std::size_t>(energies.size()) != n)
    throw py::value_error("volumes and energies must be 1-D arrays of the same length");
  if (n < 5) throw py::value_error(std::to_string(n) + " volumes; the equation of state's four parameters need at least 5");
  if (doses.size() != n)
    throw py::value_error(std::to_string(n) + " volumes, but " + std::to_string(doses.size()) + " Dos are given: one for each volume, in the same order");
  thermo::eos e;
  if (!thermo::parseeos(form, e)) throw py::value_error("unknown equation of state '" + form + "'; one of vinet, birch_murnaghan, murnaghan");
  std::vector<double> v(volumes.data(), volumes.data() + n), en(energies.data(), energies.data() + n);
  for (std::size_t i = 0; i < n; ++i) {
    if (!(v[i] > 0.0) || !std::isfinite(v[i]) || !std::isfinite(en[i]))
      throw py::value_error("volume " + std::to_string(i + 1) + ": a volume that is not positive, or a value that is not finite");
    for (std::size_t j = 0; j < i; ++j)
      if (v[i] == v[j]) throw py::value_error("volume " + std::to_string(i + 1) + " is given twice (also as volume " + std::to_string(j + 1) + ")");
  }
  std::vector<thermo::harmonicdos> hs;
  for (const dos* d : doses) {
    if (d == nullptr) throw py::value_error("doses must be Dos objects");
    hs.push_back(d->file.d);
  }
  const thermo::qhamodel m = thermo::makemodel(e, v, en, std::move(hs));
  if (!thermo::lowestinside(m)) throw py::value_error("E(V) with the zero-point energy has no minimum within the volumes");
  const doubles temps = temperaturesof(t);
  const doubles press = doubles::ensure(pressures);
  if (!press || press.ndim() > 1) throw py::value_error("pressures must be a number or a 1-D sequence of numbers (GPa)");
  const std::size_t nt = static_cast<std::size_t>(temps.size()), np = static_cast<std::size_t>(std::max<py::ssize_t>(press.size(), 1));
  for (py::ssize_t i = 0; i < press.size(); ++i)
    if (!std::isfinite(press.data()[i])) throw py::value_error("pressures must be finite");
  constexpr int columns = 9;
  std::vector<double> out(columns * np * nt, nan), last(np, nan);
  std::vector<std::string> warnings;
  {
    py::gil_scoped_release unlocked;
    std::vector<thermo::qhaoutcome> rows(nt);
    const double vmin = m.volume.front(), vmax = m.volume.back();
    for (std::size_t k = 0; k < np; ++k) {
      const double p = press.data()[k];
      thermo::qharows(m, temps.data(), nt, p, rows.data());
      for (std::size_t i = 0; i < nt; ++i) {
        const thermo::qhaoutcome& r = rows[i];
        if (!r.ok) {
          warnings.push_back("at " + std::to_string(temps.data()[i]) + " K and " + std::to_string(p) + " GPa: " + r.why);
          continue;
        }
        if (!(r.row.volume >= vmin && r.row.volume <= vmax)) {
          warnings.push_back("at " + std::to_string(r.row.temperature) + " K and " + std::to_string(p) +
                             " GPa the volume leaves the volumes sampled (" + std::to_string(vmin) + " to " +
                             std::to_string(vmax) + " A^3): NaN from there on at this pressure");
          break;
        }
        last[k] = r.row.temperature;
        const double values[columns] = {r.row.volume, r.row.gibbs_energy, r.row.bulk_modulus, r.row.thermal_expansion,
                                        r.row.heat_capacity_p, r.row.heat_capacity_v, r.row.gruneisen, r.row.entropy,
                                        r.row.bulk_modulus_s};
        for (int c = 0; c < columns; ++c) out[(static_cast<std::size_t>(c) * np + k) * nt + i] = values[c];
      }
    }
  }
  warn(warnings);
  py::array arrays[columns];
  for (int c = 0; c < columns; ++c) {
    py::array_t<double> a({static_cast<py::ssize_t>(np), static_cast<py::ssize_t>(nt)});
    std::copy(out.begin() + static_cast<long>(c * np * nt), out.begin() + static_cast<long>((c + 1) * np * nt), a.mutable_data());
    arrays[c] = frozen(a);
  }
  py::array_t<double> p(static_cast<py::ssize_t>(np)), tt(static_cast<py::ssize_t>(nt)), l(static_cast<py::ssize_t>(np));
  for (std::size_t k = 0; k < np; ++k) {
    p.mutable_data()[k] = press.size() > 0 ? press.data()[k] : 0.0;
    l.mutable_data()[k] = last[k];
  }
  std::copy(temps.data(), temps.data() + nt, tt.mutable_data());
  return {frozen(p), frozen(tt), arrays[0], arrays[1], arrays[2], arrays[3], arrays[4], arrays[5], arrays[6], arrays[7],
          arrays[8], frozen(l)};
}

}  // namespace

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
          "zero_point_energy", [](const dos& d) { return d.file.d.zeropoint * thermo::avogadro / d.divisor / 1000.0; },
          "The zero-point energy, kJ/mol (pymatgen's zero_point_energy is in J/mol: 1000 times this).")
      .def_property_readonly(
          "theta_infinity", [](const dos& d) { return thermo::thetainfinity(d.file.d); },
          "theta_D's high-temperature limit sqrt(5 <E^2> / 3) / k_B, K.")
      .def_property_readonly(
          "states", [](const dos& d) { return d.file.d.states; }, "The integral of the DOS, states per cell.")
      .def_property_readonly(
          "atoms", [](const dos& d) { return d.atoms; }, "Atoms per cell: given, natom of a mesh, or the states / 3.")
      .def_property_readonly(
          "per_atom", [](const dos& d) { return d.peratom; }, "Whether results are per mole of atoms.")
      .def_property_readonly(
          "unit", [](const dos& d) { return d.file.unitname; }, "The energy unit the DOS was read in.");

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
