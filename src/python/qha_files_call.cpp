#include "qha_files_call.hpp"

#include <pybind11/stl.h>

#include "phase_inputs.hpp"

namespace pymodule {

namespace {

qharesult qhafiles(const py::bytes& ev, const std::vector<py::bytes>& files, const std::optional<py::bytes>& efe,
                   const std::vector<double>& dosatfermi, const std::string& form, const py::object& pressures,
                   const py::object& t, bool excludeimaginary, bool errorbars, const std::string& energyunit,
                   const std::string& volumeunit) {
  const thermo::eos e = eosof(form);
  const doubles press = pressuresof(pressures);
  std::optional<std::vector<double>> temps;
  if (!t.is_none()) {
    const doubles a = temperaturesof(t, true);
    temps.emplace(a.data(), a.data() + a.size());
  }
  phasefiles g;
  g.ev = ev;
  g.files = files;
  g.efe = efe;
  g.dosatfermi = dosatfermi;
  g.excludeimaginary = excludeimaginary;
  g.energyunit = energyunit;
  g.volumeunit = volumeunit;
  const std::vector<thermo::qhaphase> phases = readphasefiles({g}, e, temps);
  const thermo::qhaphase& ph = phases[0];
  return qhatable(ph.model, rowtemperatures(ph), std::vector<double>(press.data(), press.data() + press.size()),
                  modesof(ph.model), nullptr, errorbars);
}

}  // namespace

void bindqhafiles(py::module_& m) {
  m.def("qha_files", &qhafiles, R"doc(
The quasi-harmonic mode on its files, read and checked as lattice_thermo
--qha reads them: ev, phonopy's e-v.dat (a line per volume: the cell's
volume in A^3 and its static energy in eV); files, in e-v.dat's order, a
DOS file per volume (read as Dos.from_file reads it) or phonopy's
thermal_properties.yaml per volume; efe, phonopy's fe-v.dat (the
electrons' free energy in eV per cell, the static energy included, at each
temperature and volume), or dos_at_fermi, N(E_F) per volume in e-v.dat's
order (states/eV per cell) for Sommerfeld's F_el; eos (vinet, strain,
birch_murnaghan or murnaghan); pressures (GPa); temperatures (K; None: 0 to
1000 K every 10 K, or every temperature of the thermal_properties.yaml
files, which must hold those given); exclude_imaginary: the volumes with
imaginary modes left out, each named in a warning; error_bars: each value's
error bars, as qha(..., error_bars=True) gives them; energy_unit (eV, meV,
Ry, Ha, kJ/mol) and volume_unit (A3, bohr3), those of e-v.dat, as
--energy-unit and --volume-unit. Paths are str, bytes or os.PathLike.

Returns a QhaResult equal to the program's CSV bit for bit, with NaN where
the program writes no row (from where V(T) leaves the volumes). A file that
cannot be opened raises OSError (FileNotFoundError, ...); a bad file, or
files that disagree, ValueError with the program's message (a near-certain
mistake, such as files out of order or energies in another unit, is such
an error); what the program warns of goes through the warnings module.)doc");
}

}  // namespace pymodule
