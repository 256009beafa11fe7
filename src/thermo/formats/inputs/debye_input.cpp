#include "thermo/formats/inputs/debye_input.hpp"

#include "thermo/base/number_text.hpp"
#include "thermo/base/problem.hpp"
#include "thermo/formats/inputs/ev_file.hpp"
#include "thermo/formats/inputs/load.hpp"
#include "thermo/qha/checks.hpp"

namespace thermo {

namespace {

// A B0 beyond any solid's by far: the units are wrong, not the crystal.
constexpr double refusedb0 = 1e6;  // GPa

}  // namespace

bool debyemodelof(const std::string& name, const std::vector<double>& volume, const std::vector<double>& energy,
                  const std::vector<double>& energylow, const debyeinput& in, debyemodel& m, std::string& messages) {
  const std::string head = "lattice_thermo: " + name + ": ";
  const std::size_t n = volume.size();
  if (n < 5) return messages += head + std::to_string(n) + " volumes; the fits need at least 5\n", false;
  if (!in.dosatfermi.empty() && in.dosatfermi.size() != n)
    return messages += "lattice_thermo: " + in.ferminame + " gives " + std::to_string(in.dosatfermi.size()) +
                       " values for the " + std::to_string(n) + " volumes of " + name + ": one for each, in its order\n",
           false;
  qhainput q;
  q.form = eos::strain;
  q.volume = volume;
  q.energy = energy;
  q.energylow = energylow;
  q.dosatfermi = in.dosatfermi;
  q.atoms = in.settings.atoms;
  std::string why;
  if (!makedebye(makemodel(std::move(q)), in.settings, m, why)) return messages += head + why + "\n", false;
  const std::vector<double>& v = m.data.volume;
  if (m.first > 0)
    messages += head + "warning: E(V) curves downward at its smallest volumes: the first " +
                std::to_string(m.first) + " (to " + significant(v[m.first - 1]) + " A^3) are left out of the fits\n";
  if (const std::size_t kept = m.first + m.grid.size(); kept < n)
    messages += head + "warning: E(V) curves downward from " + significant(v[kept]) + " A^3 on: the " +
                std::to_string(n - kept) + " largest volumes are left out of the fits of F(V, T)\n";
  const double b0 = m.b0 * m.s.k.gpa;
  if (b0 > refusedb0)
    return messages += head + "the static fit's B0 is " + significant(b0) + " GPa, beyond " + significant(refusedb0) +
                       " GPa: are the energies in eV and the volumes in A^3?\n",
           false;
  if (!(b0 >= lowestb0 && b0 <= highestb0))
    messages += head + "warning: the static fit's B0 is " + significant(b0) + " GPa, outside " +
                significant(lowestb0) + " to " + significant(highestb0) +
                " GPa: the energies may not be in eV (meV?), or the volumes not in A^3\n";
  const double lo = v.front() / m.s.atoms, hi = v.back() / m.s.atoms;
  if (!(lo >= lowestvolumeperatom && hi <= highestvolumeperatom))
    messages += head + "warning: its volumes are " + significant(lo) + " to " + significant(hi) + " A^3 per atom for " +
                significant(m.s.atoms) + " atoms per cell (--atoms), outside " + significant(lowestvolumeperatom) +
                " to " + significant(highestvolumeperatom) + " A^3: is --atoms the cell's?\n";
  return true;
}

bool loaddebye(const debyeinput& in, debyemodel& m, std::string& messages) {
  evdata data;
  source file;
  std::string why;
  problem p;
  filescratch scratch;
  if (!file.open(in.evfile, why)) return messages += "lattice_thermo: " + showpath(in.evfile) + ": " + why + "\n", false;
  if (!readev(file, data, p, scratch.lines) || (data.volume.size() >= 5 && !distinctvolumes(data, p)))
    return messages += messageof(in.evfile, p), false;
  for (std::size_t i = 0; i < data.volume.size(); ++i) {
    data.volume[i] *= in.volumeunit;
    data.energy[i] *= in.energyunit;
    data.energylow[i] *= in.energyunit;
  }
  return debyemodelof(showpath(in.evfile), data.volume, data.energy, data.energylow, in, m, messages);
}

}  // namespace thermo
