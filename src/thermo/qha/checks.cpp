#include "thermo/qha/checks.hpp"

#include <algorithm>
#include <cmath>

#include "thermo/base/number_text.hpp"
#include "thermo/harmonic/constants.hpp"
#include "thermo/qha/qha.hpp"

namespace thermo {

namespace {

std::string line(const std::string& file, const std::string& what) { return "lattice_thermo: " + file + ": " + what + "\n"; }

// x where it is within the tolerance of a whole number of 2 or more, else 0.
long whole(double x) {
  const double z = std::round(x);
  return z >= 2.0 && z <= 1e6 && std::fabs(x - z) <= cellvolumetolerance * x ? static_cast<long>(z) : 0;
}

// How x runs against volume, volume by volume in the model's order: the
// steps up and down that count, and the first step up (from, to).
struct run {
  int up = 0, down = 0;
  std::size_t from = 0, to = 0;
};
run runof(const std::vector<double>& x, const std::vector<double>& v, const std::vector<char>& skip) {
  std::vector<std::size_t> k;
  double size = 0.0;
  for (std::size_t i = 0; i < x.size(); ++i)
    if (!std::isnan(x[i]) && (skip.empty() || !skip[i])) {
      k.push_back(i);
      size = std::max(size, std::fabs(x[i]));
    }
  run r;
  if (k.size() < 3) return r;
  std::vector<double> slope, sizes;
  for (std::size_t j = 1; j < k.size(); ++j) slope.push_back((x[k[j]] - x[k[j - 1]]) / (v[k[j]] - v[k[j - 1]]));
  for (double s : slope) sizes.push_back(std::fabs(s));
  std::nth_element(sizes.begin(), sizes.begin() + static_cast<long>(sizes.size() / 2), sizes.end());
  const double median = sizes[sizes.size() / 2];
  for (std::size_t j = 0; j < slope.size(); ++j) {
    const double step = x[k[j + 1]] - x[k[j]];
    if (!(std::fabs(slope[j]) > 0.25 * median && std::fabs(step) > 1e-6 * size)) continue;
    if (step < 0.0) ++r.down;
    else if (r.up++ == 0) r.from = k[j], r.to = k[j + 1];
  }
  return r;
}

}  // namespace

void checkcells(const qhainput& in, const cellinfo& cells, const qhanames& names, findings& f) {
  const std::size_t n = in.volume.size();
  // e-v.dat's volumes over the cells': one ratio for every file is one
  // cause (another cell, another unit), said once; ratios that differ, the
  // files' order, each file that is off.
  std::size_t known = 0, off = 0, first = n;
  bool same = true;
  for (std::size_t i = 0; i < n; ++i) {
    if (!(cells.volume[i] > 0.0)) continue;
    const double r = in.volume[i] / cells.volume[i];
    if (known++ == 0) first = i;
    same = same && std::fabs(r - in.volume[first] / cells.volume[first]) <= cellvolumetolerance * r;
    if (std::fabs(r - 1.0) > cellvolumetolerance) ++off;
  }
  if (off == 0) known = 0;
  auto against = [&](std::size_t i) {
    return "its cell's volume is " + significant(cells.volume[i], 8) + " A^3, but line " + std::to_string(i + 1) +
           " of the volumes in " + names.ev + " gives " + significant(in.volume[i], 8) + " A^3";
  };
  if (known > 0 && same) {
    const double r = in.volume[first] / cells.volume[first];
    const long bigger = whole(1.0 / r), smaller = whole(r);
    const std::string cell = "; give " + names.ev + " and the phonons for the same cell";
    const std::string why =
        bigger > 0    ? "the files describe a cell " + std::to_string(bigger) + " times " + names.ev + "'s" + cell
        : smaller > 0 ? names.ev + " describes a cell " + std::to_string(smaller) + " times the files'" + cell
        : std::fabs(r * bohr3 - 1.0) <= cellvolumetolerance
            ? names.ev + "'s volumes are in bohr^3" +
                  (names.options ? ": --volume-unit bohr3 reads them" : ": convert them to A^3")
            : names.ev + "'s volumes are " + significant(r, 5) + " times the files' cells, which they must be";
    f.errors += line(names.volume[first], against(first) + (known > 1 ? ", and every file's by the same factor: " : ": ") + why);
    known = 0;
  }
  for (std::size_t i = 0; i < n && known > 0; ++i)
    if (cells.volume[i] > 0.0 && std::fabs(cells.volume[i] - in.volume[i]) > cellvolumetolerance * in.volume[i])
      f.errors += line(names.volume[i], against(i) + ": the files must follow " + names.ev + "'s order");
  first = n;  // the first file that gives its atoms
  for (std::size_t i = 0; i < n; ++i) {
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

void checkorder(const qhamodel& m, const phononinfo& ph, const qhanames& names, findings& f) {
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
  std::vector<char> skip;
  for (std::size_t i = 0; i < n && !ph.imaginary.empty(); ++i) skip.push_back(ph.imaginary[m.order[i]]);
  // A harmonic solid stiffens under compression: both fall as V grows. x
  // decides (a DOS's zero-point energy per state, blind to how well it is
  // normalized); shown is what the message names.
  auto judge = [&](const std::vector<double>& x, const std::vector<double>& shown, const char* what, bool order) {
    const run r = runof(x, m.volume, skip);
    if (r.up == 0) return;
    const std::string rises = std::string(what) + " rises from " + significant(shown[r.from]) + " (" + name(r.from) +
                              ", " + significant(m.volume[r.from]) + " A^3) to " + significant(shown[r.to]) + " at " +
                              significant(m.volume[r.to]) + " A^3";
    const std::string glob = "(a shell glob sorts -10 before -2, and --1 before -0)";
    if (order && r.down > 0)
      f.errors += line(name(r.to), rises + " and falls elsewhere: not monotonic in the volume, which is what files out "
                                           "of e-v.dat's order give " + glob + "; name them in its order");
    else
      f.warnings += line(name(r.to), "warning: " + rises + ", where a solid's falls as it expands: the files may be "
                                                           "out of e-v.dat's order " + glob);
  };
  std::vector<double> perstate = m.zeropoint;
  for (std::size_t i = 0; i < m.dos.size(); ++i) perstate[i] /= m.dos[i].states;
  if (!std::isnan(m.zeropoint[0])) judge(perstate, m.zeropoint, "the zero-point energy (eV)", true);
  if (!ph.thetainf.empty()) {
    std::vector<double> sorted;
    for (std::size_t i : m.order) sorted.push_back(ph.thetainf[i]);
    judge(sorted, sorted, "theta_inf (K)", false);
  }
}

void checkstatic(const qhamodel& m, const parameters& fit, const phononinfo& ph, const qhanames& names,
                 findings& f) {
  const double b0 = fit[1] * gpa;
  if (!(b0 >= lowestb0 && b0 <= highestb0)) {
    const bool high = b0 > highestb0;
    const std::string what = high ? "above " + significant(highestb0) + " GPa, stiffer than any solid (diamond: 443 GPa)"
                                  : "below " + significant(lowestb0) + " GPa, softer than any solid (neon: 1 GPa)";
    const std::string cause = high ? "the energies are not in eV" : "the energies are not in eV or the volumes not in A^3";
    const std::string remedy = !names.options ? " (" + std::string(high ? "meV or kJ/mol?" : "Ry, Ha or bohr^3?") +
                                                    "): convert them"
                               : high ? "; give their unit with --energy-unit (meV or kJ/mol?)"
                                      : "; give their units with --energy-unit (Ry or Ha?) and --volume-unit (bohr3?)";
    f.errors += line(names.ev, "the static fit's B0 is " + significant(b0) + " GPa, " + what + ": " + cause + remedy);
    return;
  }
  const double vmin = m.volume.front(), vmax = m.volume.back();
  const double perv = vmin / m.atoms, perw = vmax / m.atoms, per0 = std::clamp(fit[3], vmin, vmax) / m.atoms;
  const std::string cells = significant(perv) + " to " + significant(perw) + " A^3 per atom for the " +
                            significant(m.atoms) + " atoms the phonons describe";
  if (per0 < densestvolumeperatom)
    f.errors += line(names.ev, "its volumes are " + cells + ", the static minimum " + significant(per0) +
                                   ": no solid is that dense at zero pressure (diamond: 5.7): " + names.ev +
                                   " is for a smaller cell than the phonons' (per atom, or a primitive cell beside a "
                                   "conventional one?); give both for the same cell");
  else if (!(perv >= lowestvolumeperatom && perw <= highestvolumeperatom))
    f.warnings += line(names.ev, "warning: its volumes are " + cells + ", outside " + significant(lowestvolumeperatom) +
                                     " to " + significant(highestvolumeperatom) + " A^3: " + names.ev +
                                     " and the phonons may describe different cells");
  // The zero-point pressure: the least-squares slope of the zero-point
  // energy over the volumes without imaginary modes.
  double sv = 0.0, sz = 0.0, svv = 0.0, svz = 0.0, k = 0.0;
  for (std::size_t i = 0; i < m.volume.size(); ++i) {
    const double v = m.volume[i] - fit[3], z = m.zeropoint[i];
    if (std::isnan(z) || (!ph.imaginary.empty() && ph.imaginary[m.order[i]])) continue;
    sv += v, sz += z, svv += v * v, svz += v * z, k += 1.0;
  }
  const double pressure = -(k * svz - sv * sz) / (k * svv - sv * sv), share = pressure / fit[1];
  if (k >= 2.0 && fit[3] >= vmin && fit[3] <= vmax && share > highestzeropointshare)
    f.warnings += line(names.ev, "warning: the zero-point pressure, -dZPE/dV = " + significant(pressure * gpa, 3) +
                                     " GPa, is " + significant(100.0 * share, 3) +
                                     " % of the static B0 (ordinary solids: 0.3 to 1.3 %): the energies may be in Ry "
                                     "or Ha, not eV" + (names.options ? " (--energy-unit Ry reads them)"
                                                                      : " (convert them to eV)") +
                                     ", or " + names.ev + " for a smaller cell than the phonons'");
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
