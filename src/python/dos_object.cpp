#include "dos_object.hpp"

#include <cmath>

#include "thermo/harmonic/treatment.hpp"

namespace pymodule {

namespace {

std::string trim(std::string s) {
  while (!s.empty() && s.back() == '\n') s.pop_back();
  return s;
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

// The file's results scaled as the program scales them, and its warnings
// through Python's.
void finish(dos& d, std::optional<double> atoms, bool peratom) {
  if (atoms && !(*atoms > 0.0 && std::isfinite(*atoms))) throw py::value_error("atoms must be positive");
  d.scale = thermo::scalingof(d.file, atoms.value_or(0.0), peratom);
  d.peratom = peratom;
  warn(lines(d.file.notes));
}

}  // namespace

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
  thermo::notetreated(d.file, "");
  finish(d, atoms, peratom);
  return d;
}

dos fromfile(const std::string& path, const std::optional<std::string>& unit, std::optional<int> column, bool sumcolumns,
             bool normalize, double cutoff, bool pretendreal, std::optional<double> atoms, bool peratom, bool pds) {
  const thermo::readoptions ro = readoptionsof(unit, pds, column, sumcolumns, normalize, cutoff, pretendreal);
  dos d;
  thermo::filescratch scratch;
  std::string message;
  bool ok;
  {
    py::gil_scoped_release unlocked;
    ok = thermo::readfile(path, ro, atoms.value_or(0.0), scratch, d.file, message);
  }
  if (!ok) throw py::value_error(trim(message));
  finish(d, atoms, peratom);
  return d;
}

}  // namespace pymodule
