#include "thermo/qha/checks.hpp"

#include <cmath>

#include "thermo/base/number_text.hpp"
#include "thermo/qha/qha.hpp"

namespace thermo {

namespace {

std::string line(const std::string& file, const std::string& what) { return "lattice_thermo: " + file + ": " + what + "\n"; }

}  // namespace

void checkcells(const qhainput& in, const cellinfo& cells, const qhanames& names, findings& f) {
  const std::size_t n = in.volume.size();
  std::size_t first = n;  // the first file that gives its atoms
  for (std::size_t i = 0; i < n; ++i) {
    const double v = cells.volume[i];
    if (v > 0.0 && !(std::fabs(v - in.volume[i]) <= 1e-4 * in.volume[i]))
      f.errors += line(names.volume[i], "its cell's volume is " + significant(v, 8) + " A^3, but line " +
                                            std::to_string(i + 1) + " of the volumes in " + names.ev + " gives " +
                                            significant(in.volume[i], 8) +
                                            " A^3: the DOS files must follow " + names.ev + "'s order");
    if (cells.natom[i] <= 0) continue;
    if (first == n) first = i;
    else if (cells.natom[i] != cells.natom[first])
      f.errors += line(names.volume[i], "natom is " + std::to_string(cells.natom[i]) + ", but " +
                                            std::to_string(cells.natom[first]) + " in " + names.volume[first] +
                                            ": every volume must be the same cell");
  }
  for (std::size_t i = 1; i < in.dos.size(); ++i) {
    const double s = in.dos[i].states, s0 = in.dos[0].states;
    if (std::fabs(s - s0) > 0.01 * std::fabs(s0))
      f.warnings += line(names.volume[i], "warning: the DOS holds " + significant(s) + " states, " + names.volume[0] +
                                              " " + significant(s0) + ": every DOS must describe the same cell");
  }
}

void checkorder(const qhamodel& m, const std::vector<double>& thetainf, const qhanames& names, findings& f) {
  const std::size_t n = m.volume.size();
  auto name = [&](std::size_t i) { return names.volume[m.order[i]]; };
  // A unit mistake first: one volume's zero-point energy 2x or more off
  // both of its nearest volumes' (at an end, the two beside it).
  bool units = false;
  for (std::size_t i = 0; i < n && n >= 3; ++i) {
    const std::size_t a = i == 0 ? 1 : i - 1, b = i == 0 ? 2 : i + 1 == n ? n - 3 : i + 1;
    auto off = [&](std::size_t j) {
      const double r = m.zeropoint[i] / m.zeropoint[j];
      return !(r > 0.5 && r < 2.0);
    };
    if (std::isnan(m.zeropoint[i]) || std::isnan(m.zeropoint[a]) || std::isnan(m.zeropoint[b])) continue;
    if (off(a) && off(b)) {
      units = true;
      f.errors += line(name(i), "its zero-point energy, " + significant(m.zeropoint[i]) + " eV, is " +
                                    significant(m.zeropoint[i] / m.zeropoint[a], 3) + " times that of " + name(a) +
                                    " and " + significant(m.zeropoint[i] / m.zeropoint[b], 3) + " times that of " +
                                    name(b) + ": a unit mistake (a DOS in meV or cm-1 read as THz?), not physics");
    }
  }
  if (units) return;
  // A harmonic solid stiffens under compression: both fall as V grows.
  auto rising = [&](const std::vector<double>& x, const char* what) {
    for (std::size_t i = 1; i < n; ++i)
      if (x[i] > x[i - 1]) {
        f.warnings += line(name(i), std::string("warning: ") + what + " rises from " + significant(x[i - 1]) + " (" +
                                        name(i - 1) + ", " + significant(m.volume[i - 1]) + " A^3) to " +
                                        significant(x[i]) + " at " + significant(m.volume[i]) +
                                        " A^3, where a solid's falls as it expands: the files may be out of e-v.dat's "
                                        "order (a shell glob sorts -10 before -2)");
        return;
      }
  };
  if (!std::isnan(m.zeropoint[0])) rising(m.zeropoint, "the zero-point energy (eV)");
  if (!thetainf.empty()) {
    std::vector<double> sorted;
    for (std::size_t i : m.order) sorted.push_back(thetainf[i]);
    rising(sorted, "theta_inf (K)");
  }
}

void checkstatic(const qhamodel& m, const parameters& fit, const qhanames& names, findings& f) {
  const double b0 = fit[1] * gpa;
  if (b0 > refusedb0)
    f.errors += line(names.ev, "the static fit's B0 is " + significant(b0) + " GPa, beyond " + significant(refusedb0) +
                                   " GPa: the phonons would be lost in rounding against such an E(V); are the energies "
                                   "in eV and the volumes in A^3?");
  else if (!(b0 >= lowestb0 && b0 <= highestb0))
    f.warnings += line(names.ev, "warning: the static fit's B0 is " + significant(b0) + " GPa, outside " +
                                     significant(lowestb0) + " to " + significant(highestb0) +
                                     " GPa: the energies may not be in eV (meV?), or the volumes not in A^3");
  const double perv = m.volume.front() / m.atoms, perw = m.volume.back() / m.atoms;
  if (!(perv >= lowestvolumeperatom && perw <= highestvolumeperatom))
    f.warnings += line(names.ev, "warning: its volumes are " + significant(perv) + " to " + significant(perw) +
                                     " A^3 per atom for the " + significant(m.atoms) +
                                     " atoms the phonons describe, outside " + significant(lowestvolumeperatom) + " to " +
                                     significant(highestvolumeperatom) +
                                     " A^3: e-v.dat and the phonons may describe different cells");
}

namespace {

constexpr const char* thermalpart =
    "only the electrons' thermal part, where it must hold their whole free energy, the static energy included";

// "at T K its energy at V A^3 differs from EV's by X meV", of the first
// volume where the electrons' table at its lowest temperature is more than
// 10 meV from E(V); "" where none is.
std::string offby(const std::vector<double>& volume, const std::vector<double>& energy, const tabulated& electrons,
                  const qhanames& names) {
  for (std::size_t i = 0; !electrons.empty() && i < volume.size(); ++i)
    if (const double d = electrons.f[i] - energy[i]; !(std::fabs(d) <= 0.010))
      return "at " + shortest(electrons.temperature[0]) + " K its energy at " + significant(volume[i]) +
             " A^3 differs from " + names.ev + "'s by " + significant(1000.0 * d) + " meV";
  return "";
}

}  // namespace

void checkelectrons(const qhainput& in, const qhanames& names, findings& f) {
  if (const std::string said = offby(in.volume, in.energy, in.electrons, names); !said.empty())
    f.warnings += line(names.efe, "warning: " + said + ": it may hold " + thermalpart);
}

void checkelectrons(const qhamodel& m, const qhanames& names, findings& f) {
  const std::string said = offby(m.volume, m.energy, m.electrons, names);
  if (said.empty()) return;
  // Where G at that temperature has no minimum within the volumes, every
  // row would fail for it: one error, naming the file.
  const double t = m.electrons.temperature[0];
  qhaoutcome r;
  const bool fitted = (m.phonons.empty() || m.phonons.find(t) >= 0) && qhaat(m, t, 0.0, r);
  if (fitted ? r.row.volume >= m.volume.front() && r.row.volume <= m.volume.back() : r.why.empty())
    f.warnings += line(names.efe, "warning: " + said + ": it may hold " + thermalpart);
  else
    f.errors += line(names.efe, said + ", and with its energies G has no minimum within the volumes at " + shortest(t) +
                                    " K (" + (fitted ? "the fit puts it at " + significant(r.row.volume) + " A^3" : r.why) +
                                    "): it holds " + thermalpart);
}

}  // namespace thermo
