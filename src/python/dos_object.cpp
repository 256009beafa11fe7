#include "dos_object.hpp"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cmath>

#include "thermo/base/number_text.hpp"
#include "thermo/harmonic/constants.hpp"
#include "thermo/harmonic/harmonic.hpp"
#include "thermo/harmonic/sampling.hpp"
#include "thermo/harmonic/treatment.hpp"
#include "thermo/formats/yaml/yaml_kind.hpp"

namespace pymodule {

namespace {

std::string trim(std::string s) {
  while (!s.empty() && s.back() == '\n') s.pop_back();
  return s;
}

// A frozen copy of n values.
py::array frozencopy(const double* v, std::size_t n) {
  return frozen(py::array_t<double>(static_cast<py::ssize_t>(n), v));
}

// The tabulated DOS in its unit, as the sums take it.
void keeptable(dos& d) {
  if (d.file.mesh) return;
  thermo::unit u = thermo::unit::thz;
  thermo::parseunit(d.file.unitname, u);
  const double j = thermo::joules(u);
  const std::size_t n = d.file.sp.energy.size();
  py::array_t<double> e(static_cast<py::ssize_t>(n)), g(static_cast<py::ssize_t>(n));
  for (std::size_t i = 0; i < n; ++i) {
    e.mutable_data()[i] = d.file.sp.energy[i] / j;
    g.mutable_data()[i] = d.file.sp.dos[i] * j;
  }
  d.frequencies = frozen(e);
  d.densities = frozen(g);
}

// The file's results scaled as the program scales them, and its warnings
// through Python's.
void finish(dos& d, std::optional<double> atoms, bool peratom) {
  d.scale = thermo::scalingof(d.file, atoms.value_or(0.0), peratom);
  d.peratom = peratom;
  warn(lines(d.file.notes));
}

void checkatoms(std::optional<double> atoms) {
  if (atoms && !(*atoms > 0.0 && std::isfinite(*atoms))) throw py::value_error("atoms must be positive");
}

}  // namespace

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

// OSError, of the subclass errno names (FileNotFoundError, ...), where the
// file at path is not there, cannot be read or is a directory. Asked of the
// file system without opening it: a pipe opened twice would lose its writer.
void checkopens(const std::string& path, const py::bytes& shown) {
  if (path == "-") return;
  struct stat st;
  int error = 0;
  if (::stat(path.c_str(), &st) != 0) error = errno;
  else if (S_ISDIR(st.st_mode)) error = EISDIR;
  else if (::access(path.c_str(), R_OK) != 0) error = errno;
  if (error == 0) return;
  errno = error;
  PyErr_SetFromErrnoWithFilenameObject(PyExc_OSError, py::module_::import("os").attr("fsdecode")(shown).ptr());
  throw py::error_already_set();
}

dos fromarrays(const py::object& frequencies, const py::object& densities, const std::optional<std::string>& unit,
               std::optional<double> atoms, bool normalize, bool peratom, double cutoff, bool pretendreal) {
  const doubles f = numbers(frequencies, "frequencies"), g = numbers(densities, "densities");
  if (f.ndim() != 1 || g.ndim() != 1 || f.size() != g.size())
    throw py::value_error("frequencies and densities must be 1-D arrays of the same length (" +
                          std::to_string(f.size()) + " and " + std::to_string(g.size()) + " values)");
  checkatoms(atoms);
  const thermo::readoptions ro = readoptionsof(unit, false, std::nullopt, false, normalize, cutoff, pretendreal);
  dos d;
  thermo::problem p;
  thermo::columninfo info;
  info.u = ro.u;
  info.columns = 2;
  {
    thermo::spectrumbuilder build(d.file.sp, ro.u);
    const double* e = f.data();
    const double* v = g.data();
    for (py::ssize_t i = 0; i < f.size(); ++i)
      if (!build.add(e[i], v[i], static_cast<long>(i) + 1, p)) throw py::value_error("point " + std::to_string(p.line) + ": " + p.what);
    if (!build.finish(p)) throw py::value_error(p.what);
    info.highest = build.lastraw();
  }
  d.file.unitname = thermo::unitname(ro.u);
  d.file.unitlabel = d.file.unitname;
  thermo::columnnotes("", ro, info, d.file);
  const bool unchanged = !normalize && !(pretendreal && f.size() > 0 && f.data()[0] < 0.0);
  if (!thermo::treat(d.file, ro, atoms.value_or(0.0), ro.u, "", p)) throw py::value_error(p.what);
  thermo::notetreated(d.file, "");
  if (unchanged) {  // the values given, bit for bit
    d.frequencies = frozencopy(f.data(), static_cast<std::size_t>(f.size()));
    d.densities = frozencopy(g.data(), static_cast<std::size_t>(g.size()));
  } else {
    keeptable(d);
  }
  finish(d, atoms, peratom);
  return d;
}

dos fromfile(const py::bytes& path, const std::optional<std::string>& unit, std::optional<int> column, bool sumcolumns,
             bool normalize, double cutoff, bool pretendreal, std::optional<double> atoms, bool peratom, bool pds) {
  const std::string name = path;
  if (name.find('\0') != std::string::npos) throw py::value_error("the path holds a NUL character: " + thermo::showpath(name));
  checkatoms(atoms);
  const thermo::readoptions ro = readoptionsof(unit, pds, column, sumcolumns, normalize, cutoff, pretendreal);
  checkopens(name, path);
  dos d;
  d.source = thermo::showpath(name);
  thermo::filescratch scratch;
  std::string message;
  bool ok;
  bool table = false;
  {
    py::gil_scoped_release unlocked;
    thermo::source in;
    std::string why;
    if (!in.open(name, why)) {
      ok = false;
      message = "lattice_thermo: " + d.source + ": " + why;
    } else if (!pds && thermo::yamlkindof(name, in) == thermo::yamlkind::thermal) {
      ok = false;
      table = true;
    } else {
      ok = thermo::readopened(in, name, ro, atoms.value_or(0.0), scratch, d.file, message);
    }
  }
  // phonopy's thermal properties, in Python's words.
  if (table)
    throw py::value_error("lattice_thermo: " + d.source + ": phonopy's thermal_properties.yaml holds thermal properties, "
                          "not a DOS: give it, one for each volume, to lattice_thermo.qha_files(ev, files) with its "
                          "e-v.dat, or read the mesh.yaml or total_dos.dat it was made from");
  if (!ok) throw py::value_error(trim(message));
  keeptable(d);
  finish(d, atoms, peratom);
  return d;
}

double samplinglimitof(const dos& d) {
  return thermo::samplinglimit(d.file.d, d.file.cutoffthz * thermo::joules(thermo::unit::thz), d.file.mesh);
}

std::string reprof(const dos& d) {
  const thermo::harmonicdos& h = d.file.d;
  std::string s = "<Dos";
  if (!d.source.empty()) s += " from " + d.source;
  s += ": ";
  if (d.file.mesh)
    s += std::to_string(d.file.meshcounts.modes) + " modes at " + std::to_string(d.file.meshcounts.qpoints) + " q-points";
  else
    s += std::to_string(d.file.sp.energy.size()) + " points";
  const std::string atoms = thermo::significant(d.scale.atoms);
  s += " in " + d.file.unitname + ", " + thermo::significant(h.states) + " states, " + atoms +
       (atoms == "1" ? " atom" : " atoms") + " per cell, theta_inf " +
       thermo::significant(thermo::thetainfinity(h)) + " K, per mole of " + (d.peratom ? "atoms" : "cells") + ">";
  return s;
}

}  // namespace pymodule
