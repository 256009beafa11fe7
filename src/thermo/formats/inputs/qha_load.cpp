// lattice_thermo: a quasi-harmonic phase's files read into its model and
// checked against each other.
#include <algorithm>
#include <cmath>
#include <string>
#include <vector>

#include "thermo/base/number_text.hpp"
#include "thermo/formats/inputs/efe_file.hpp"
#include "thermo/formats/inputs/ev_file.hpp"
#include "thermo/formats/inputs/qha_files.hpp"
#include "thermo/formats/inputs/qha_phase.hpp"
#include "thermo/formats/inputs/qha_temperatures.hpp"
#include "thermo/harmonic/constants.hpp"
#include "thermo/qha/qha.hpp"

namespace thermo {

namespace {

constexpr double kjmol = elementary * avogadro / 1000.0;  // kJ/mol per eV

// Keeps the entries of x whose index is kept.
template <class T>
void keep(std::vector<T>& x, const std::vector<bool>& kept) {
  std::size_t j = 0;
  for (std::size_t i = 0; i < x.size(); ++i)
    if (kept[i]) {
      if (j != i) x[j] = std::move(x[i]);
      ++j;
    }
  x.resize(j);
}

}  // namespace

bool readpoints(qhaphase& ph, evdata& data, qhainput& in, findings& found, phononinfo& phonons) {
  std::string& messages = ph.messages;
  std::size_t n = data.volume.size();
  std::vector<volumefile> files;
  if (!readvolumes(ph.files, ph.read, ph.atoms, ph.excludeimaginary, files, messages)) return false;
  ph.tables = files[0].table;
  for (std::size_t i = 1; i < n; ++i)
    if (files[i].table != ph.tables) {
      const std::size_t t = ph.tables ? 0 : i, d = ph.tables ? i : 0;
      return messages += "lattice_thermo: " + showpath(ph.files[t]) + " is phonopy's thermal_properties.yaml and " +
                         showpath(ph.files[d]) + " a DOS: one run takes either the one or the other, not a mix\n",
             false;
    }
  if (!ph.efefile.empty()) {
    source efe;
    std::string why;
    problem p;
    efedata table;
    filescratch scratch;
    if (!efe.open(ph.efefile, why)) return messages += "lattice_thermo: " + showpath(ph.efefile) + ": " + why + "\n", false;
    if (!readefe(efe, n, table, p, scratch.lines)) return messages += messageof(ph.efefile, p), false;
    in.electrons.temperature = std::move(table.temperature);
    in.electrons.f = std::move(table.f);
    in.electronslow = std::move(table.flow);
    in.electrons.volumes = n;
  }
  // --exclude-imaginary: the volumes dropped, each named.
  std::vector<bool> kept(n, true);
  if (ph.excludeimaginary) {
    for (std::size_t i = 0; i < n; ++i)
      if (imaginary(files[i])) {
        kept[i] = false;
        messages += "lattice_thermo: " + showpath(ph.files[i]) + ": imaginary modes: its volume, " +
                    shortest(data.volume[i]) + " A^3, is left out (--exclude-imaginary)\n";
      }
    keep(data.volume, kept);
    keep(data.energy, kept);
    keep(data.energylow, kept);
    keep(files, kept);
    keep(ph.files, kept);
    if (!ph.dosatfermi.empty()) keep(ph.dosatfermi, kept);
    if (!in.electrons.empty()) {
      std::vector<double> f, low;
      for (std::size_t k = 0; k < in.electrons.temperature.size(); ++k)
        for (std::size_t i = 0; i < n; ++i)
          if (kept[i]) {
            f.push_back(in.electrons.f[k * n + i]);
            low.push_back(in.electronslow[k * n + i]);
          }
      in.electrons.f = std::move(f);
      in.electronslow = std::move(low);
      in.electrons.volumes = data.volume.size();
    }
  }
  n = data.volume.size();
  // The model, and what the files tell of their cells.
  in.volume = data.volume;
  in.energy = data.energy;
  in.energylow = data.energylow;
  in.dosatfermi = ph.dosatfermi;
  cellinfo cells;
  ph.names.ev = showpath(ph.evfile);
  ph.names.efe = showpath(ph.efefile);
  for (std::size_t i = 0; i < n; ++i) {
    ph.names.volume.push_back(showpath(ph.files[i]));
    const volumefile& f = files[i];
    cells.volume.push_back(f.table ? f.tab.volume : f.dos.mesh ? f.dos.meshcounts.volume : 0.0);
    phonons.imaginary.push_back(imaginary(f));
    cells.natom.push_back(f.table ? f.tab.natom : f.dos.mesh ? f.dos.meshcounts.natom : 0);
    if (f.table) {
      in.zeropoint.push_back(f.tab.haszeropoint ? f.tab.zeropoint / kjmol
                             : f.tab.temperature[0] == 0.0 ? f.tab.free_energy[0] / kjmol : NAN);
    } else {
      phonons.thetainf.push_back(thetainfinity(f.dos.d));
      in.dos.push_back(f.dos.d);
    }
  }
  const scaling scale = files[0].table ? scaling{static_cast<double>(files[0].tab.natom), 0.0, 1.0}
                                       : scalingof(files[0].dos, ph.atoms, false);
  in.atoms = scale.atoms > 0.0 ? scale.atoms : 1.0;
  ph.cellatoms = scale.atoms >= 0.5 ? std::lround(scale.atoms) : 0;
  if (ph.tables && !tablesof(files, ph.files, in.phonons, ph.messages)) return false;
  checkcells(in, cells, ph.names, found);
  ph.kept = std::move(kept);
  return true;
}

int readphase(qhaphase& ph) {
  std::string& messages = ph.messages;
  const std::string ev = showpath(ph.evfile);
  evdata data;
  {
    source in;
    std::string why;
    problem p;
    filescratch scratch;
    if (!in.open(ph.evfile, why)) return messages += "lattice_thermo: " + ev + ": " + why + "\n", 1;
    if (!readev(in, data, p, scratch.lines)) return messages += messageof(ph.evfile, p), 1;
  }
  toevunits(data, ph.units);
  std::size_t n = data.volume.size();
  if (n != ph.files.size())
    return messages += "lattice_thermo: " + ev + ": " + std::to_string(n) + " volumes, but " +
                       std::to_string(ph.files.size()) + " DOS files are given: one for each volume, in the same order\n",
           1;
  if (problem p; !distinctvolumes(data, p)) return messages += messageof(ph.evfile, p), 1;
  if (!ph.dosatfermi.empty() && ph.dosatfermi.size() != n)
    return messages += "lattice_thermo: --dos-at-fermi gives " + std::to_string(ph.dosatfermi.size()) + " values, but " +
                       ev + " " + std::to_string(n) + " volumes: one for each, in its order\n",
           1;
  qhainput in;
  in.form = ph.form;
  in.strain = ph.strain;
  findings found;
  phononinfo phonons;
  if (!readpoints(ph, data, in, found, phonons)) return 1;
  n = data.volume.size();
  if (n < 5)
    return messages += "lattice_thermo: " + ev + ": " + std::to_string(n) + " volumes" +
                       (ph.excludeimaginary ? " without imaginary modes" : "") +
                       "; the equation of state's four parameters need at least 5\n",
           1;
  ph.model = makemodel(std::move(in));
  checkelectrons(ph.model, ph.names, found);
  if (found.errors.empty()) checkorder(ph.model, phonons, ph.names, found);
  // The fits of E(V) alone and at 0 K, the latter's minimum inside.
  const double vmin = ph.model.volume.front(), vmax = ph.model.volume.back();
  const std::string range = significant(vmin) + " to " + significant(vmax) + " A^3";
  std::string why;
  if (found.errors.empty() && !staticfit(ph.model, ph.staticfit, why)) {
    const std::vector<double>& e = ph.model.energy;
    const auto k = std::min_element(e.begin(), e.end()) - e.begin();
    found.errors += "lattice_thermo: " + ev + ": " +
                    (k == 0 || k + 1 == static_cast<long>(e.size())
                         ? "E(V) has no minimum within the volumes (" + range + "): it is lowest at the " +
                               (k == 0 ? "smallest" : "largest") + " volume, and its fit finds none (" + why + ")\n"
                         : "the static fit of E(V): " + why + "\n");
  }
  if (found.errors.empty()) checkstatic(ph.model, ph.staticfit, phonons, ph.names, found);
  messages += found.warnings + found.errors;
  if (!found.errors.empty()) return 1;
  if (!std::isnan(ph.model.zeropoint[0])) {
    if (!zerokelvinfit(ph.model, ph.zerofit, why))
      return messages += "lattice_thermo: " + ev + ": at 0 K: " + why + "\n", 1;
    if (!(ph.zerofit[3] >= vmin && ph.zerofit[3] <= vmax))
      return messages += "lattice_thermo: " + ev + ": E(V) with the zero-point energy has no minimum within the volumes (" +
                         range + "): the fit puts it at " + significant(ph.zerofit[3]) + " A^3\n",
             1;
  }
  return choosetemperatures(ph);
}

}  // namespace thermo
