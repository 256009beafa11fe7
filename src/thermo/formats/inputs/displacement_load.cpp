#include "thermo/formats/inputs/displacement_load.hpp"

#include <algorithm>
#include <cmath>

#include "thermo/base/number_text.hpp"
#include "thermo/formats/text/columns.hpp"
#include "thermo/formats/yaml/mesh.hpp"
#include "thermo/formats/yaml/yaml_kind.hpp"
#include "thermo/harmonic/displacement.hpp"
#include "thermo/harmonic/treatment.hpp"

namespace thermo {

namespace {

// The share of <|u|^2> at high temperatures that a DOS may leave below its
// first states before it is warned of.
constexpr double unresolvedwarning = 0.01;

bool rowsfit(std::size_t temperatures, std::size_t atoms, problem& p) {
  if (static_cast<double>(temperatures) * static_cast<double>(atoms) <= maxdisplacementrows) return true;
  p = {0, std::to_string(temperatures) + " temperatures for " + std::to_string(atoms) + " atoms: more than " +
              significant(maxdisplacementrows) + " rows in one run"};
  return false;
}

// The warning where a DOS's lowest energies leave too much of <|u|^2> out.
void noteunresolved(double share, double energy, const std::string& where, const std::string& w, std::string& notes) {
  if (!(share > unresolvedwarning)) return;
  notes += w + "the DOS's lowest energies are too coarse for the 1/E weight of <|u|^2>: its first states lie at " +
           significant(energy / joules(unit::thz), 4) + " THz" + where + ", and a crystal's g ~ E^2 below three times "
           "that would add about " + fixed(100.0 * share, 0, 1) + " % to <|u|^2> at high temperatures (a finer q-mesh "
           "resolves it)\n";
}

// The first energy above zero with states.
double firststates(const spectrum& s) {
  for (std::size_t i = 0; i < s.energy.size(); ++i)
    if (s.energy[i] > 0.0 && s.dos[i] > 0.0) return s.energy[i];
  return 0.0;
}

}  // namespace

double displacementtable::meansquare(std::size_t i, std::size_t j) const {
  if (!matrices) return values[i * atoms + j];
  const double* u = values.data() + (i * atoms + j) * 6;
  return u[0] + u[1] + u[2];
}

bool massesfor(const displacementoptions& o, std::size_t atoms, const char* what, std::vector<double>& masses,
               problem& p) {
  if (!o.masses.empty() && o.masses.size() != atoms) {
    p = {0, "--masses gives " + std::to_string(o.masses.size()) + " masses, but the file has " + std::to_string(atoms) +
                " " + what + ": one mass each"};
    return false;
  }
  if (!o.masses.empty()) masses = o.masses;
  else if (o.mass > 0.0) masses.assign(atoms, o.mass);
  else {
    p = {0, "the atoms' masses are needed: --masses M1,M2,... (amu, one for each of the " + std::to_string(atoms) + " " +
                what + ") or --mass M for a crystal of one element"};
    return false;
  }
  return true;
}

bool finishtable(displacementtable& out, problem& p) {
  for (std::size_t i = 0; i < out.temperatures.size(); ++i)
    for (std::size_t j = 0; j < out.atoms; ++j)
      if (!std::isfinite(out.meansquare(i, j)) || !(out.meansquare(i, j) >= 0.0)) {
        p = {0, "<|u|^2> of atom " + std::to_string(j + 1) + " at " + shortest(out.temperatures[i]) +
                    " K is not a finite positive number: the lowest energies hold states where 1/E^2 overflows, or "
                    "the DOS is negative there"};
        return false;
      }
  return true;
}

double totalmeansquare(const loaded& file, double mass, double t) {
  const double cutoff = file.cutoffthz * joules(unit::thz);
  const lowestinterval low = file.mesh ? lowestinterval{} : lowestof(file.sp, cutoff);
  return meansquaredisplacement(displacementsum(file.d, low, t, file.meshcounts.rigid), file.d.states, mass);
}

void notecoarse(const loaded& file, const std::string& w, std::string& notes) {
  if (file.mesh) return;
  noteunresolved(unresolvedshare(file.sp, file.cutoffthz * joules(unit::thz)), firststates(file.sp), "", w, notes);
}

bool columndisplacements(std::vector<spectrum>& columns, const readoptions& ro, const displacementoptions& o,
                         const std::vector<double>& t, const std::function<void()>& poll, displacementtable& out,
                         problem& p, const std::string& w) {
  const std::size_t n = columns.size();
  if (!massesfor(o, n, "DOS columns", out.masses, p) || !rowsfit(t.size(), n, p)) return false;
  out.atoms = n;
  out.elements.assign(n, "");
  out.temperatures = t;
  out.values.assign(t.size() * n, 0.0);
  out.massesfrom = o.masses.empty() ? "--mass" : "--masses";
  const double cutoff = ro.cutoff * joules(ro.u);
  double below = 0.0, share = 0.0, at = 0.0;
  std::string where;
  for (std::size_t k = 0; k < n; ++k) {
    spectrum& s = columns[k];
    const std::string column = "column " + std::to_string(k + 2);
    if (ro.pretendreal) fold(s);
    const double states = integral(s);
    if (!(std::fabs(states - 3.0) <= 0.03))
      out.notes += w + column + " (atom " + std::to_string(k + 1) + ") holds " + significant(states) +
                   " states, more than 1 % from an atom's 3; normalised to 3\n";
    const harmonicdos d = prepare(s, cutoff);
    if (!(d.positive > 0.0) || d.energy.size() < 2) {
      p = {0, column + ": no states above " + (cutoff > 0.0 ? "the cutoff frequency" : "zero energy")};
      return false;
    }
    below = std::max(below, d.below / d.states);
    if (const double u = unresolvedshare(s, cutoff); u > share) {
      share = u;
      at = firststates(s);
      where = " in " + column;
    }
    const lowestinterval low = lowestof(s, cutoff);
    for (std::size_t i = 0; i < t.size(); ++i) {
      if (poll && (i + 1) % 256 == 0) poll();
      out.values[i * n + k] = meansquaredisplacement(displacementsum(d, low, t[i]), states, out.masses[k]);
    }
  }
  noteunresolved(share, at, where, w, out.notes);
  out.route = "a DOS column per atom (columns 2 to " + std::to_string(n + 1) + "), each normalised to 3 states";
  out.leftout = "states that take no part (at or below " +
                (cutoff > 0.0 ? "the cutoff, " + significant(ro.cutoff) + " " + unitname(ro.u) : std::string("zero energy")) +
                "): at most " + fixed(100.0 * below, 0, 4) + " % of a column's";
  return true;
}

bool totaldisplacements(const loaded& file, const displacementoptions& o, double atoms, const std::vector<double>& t,
                        const std::function<void()>& poll, displacementtable& out, problem& p, const std::string& w) {
  if (!o.masses.empty() && o.masses.size() != 1) {
    p = {0, "a total DOS is a crystal of one element's: give its mass as --mass M (--masses gives one to each DOS column "
            "of a projected DOS)"};
    return false;
  }
  const double mass = o.masses.empty() ? o.mass : o.masses[0];
  if (!(mass > 0.0)) {
    p = {0, "the mass of the crystal's atoms is needed: --mass M (amu), for a total DOS of one element"};
    return false;
  }
  const double count = atoms > 0.0 ? atoms : file.mesh ? static_cast<double>(file.meshcounts.natom) : file.d.states / 3.0;
  const std::size_t n = static_cast<std::size_t>(std::max(1.0, std::round(std::min(count, 1e9))));
  if (!rowsfit(t.size(), n, p)) return false;
  out.atoms = n;
  out.elements.assign(n, "");
  out.masses.assign(n, mass);
  out.temperatures = t;
  out.values.assign(t.size() * n, 0.0);
  out.massesfrom = o.masses.empty() ? "--mass" : "--masses";
  for (std::size_t i = 0; i < t.size(); ++i) {
    if (poll && (i + 1) % 256 == 0) poll();
    std::fill_n(out.values.begin() + static_cast<long>(i * n), n, totalmeansquare(file, mass, t[i]));
  }
  notecoarse(file, w, out.notes);
  out.route = file.mesh ? "the modes of the mesh, every atom the same (the mean over the cell's)"
                        : "a total DOS of " + std::to_string(n) + " atom" + (n > 1 ? "s" : "") +
                              " of one element, normalised to 3 states an atom: every atom the same";
  out.leftout = "states that take no part: " + fixed(100.0 * file.d.below / file.d.states, 0, 4) + " %" +
                (file.mesh ? " of the modes, and the 3 rigid translations at q = 0" : "");
  return true;
}

bool readdisplacements(source& in, const std::string& path, const readoptions& ro, const displacementoptions& o,
                       double atoms, const std::vector<double>& t, bool split, const std::function<void()>& poll,
                       filescratch& scratch, displacementtable& out, std::string& message) {
  const std::string w = "lattice_thermo: " + showpath(path) + ": warning: ";
  out = displacementtable{};
  problem p;
  // A total DOS is taken as 3 states an atom, as --normalize would make it.
  readoptions total = ro;
  total.pernormalised = true;
  auto failed = [&] {
    message = messageof(path, p);
    return false;
  };
  const bool thermal = !ro.pds && yamlkindof(path, in) == yamlkind::thermal;
  if (!ro.pds && !thermal && looksmesh(path, in.peek())) {
    if (!meshdisplacements(in, path, ro, o, t, split, poll, scratch, out, p, w)) return failed();
  } else if (ro.pds || thermal || ro.columngiven || ro.sumcolumns) {
    loaded file;
    if (!readopened(in, path, total, atoms, scratch, file, message)) return false;
    out.notes = file.notes;
    out.unit = file.unitlabel;
    if (!totaldisplacements(file, o, atoms, t, poll, out, p, w)) return failed();
  } else {
    // One column, a total DOS; more, a column per atom.
    loaded file;
    std::vector<spectrum> columns;
    columnchoice choice{ro.u, ro.unitgiven, 2, false, &columns};
    columninfo info;
    if (!readcolumns(in, choice, file.sp, info, p, scratch.lines)) return failed();
    readoptions used = ro;
    used.u = info.u;
    used.sumcolumns = columns.size() > 1;
    out.unit = unitlabelof(ro, info);
    file.unitname = unitname(info.u);
    columnnotes(w, used, info, file);
    out.notes = file.notes;
    if (columns.size() > 1) {
      if (!columndisplacements(columns, used, o, t, poll, out, p, w)) return failed();
    } else {
      file.unitlabel = out.unit;
      if (!treat(file, total, atoms, info.u, w, p)) return failed();
      notetheta(file, ro, w);
      notetreated(file, w);
      out.notes = file.notes;
      if (!totaldisplacements(file, o, atoms, t, poll, out, p, w)) return failed();
    }
  }
  if (!finishtable(out, p)) return failed();
  return true;
}

}  // namespace thermo
