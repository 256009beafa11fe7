#include "thermo/cli/phase_options.hpp"

#include <algorithm>
#include <cmath>
#include <filesystem>

#include "thermo/base/number_text.hpp"
#include "thermo/base/problem.hpp"
#include "thermo/cli/option_values.hpp"
#include "thermo/formats/outputs/phases_output.hpp"
#include "thermo/qha/error_bars.hpp"

namespace thermo {

namespace {

// The names given, or the folders' where each is fit and unique, else
// phase1, phase2, ...
std::string namesof(const phasetexts& t, std::vector<phaseinput>& phases) {
  const std::size_t n = phases.size();
  std::vector<std::string> names;
  if (t.namesgiven) {
    std::size_t from = 0;
    for (;;) {
      const std::size_t comma = t.names.find(',', from);
      names.push_back(t.names.substr(from, comma == std::string::npos ? std::string::npos : comma - from));
      if (comma == std::string::npos) break;
      from = comma + 1;
    }
    if (names.size() != n)
      return "--phase-names gives " + std::to_string(names.size()) + " names for " + std::to_string(n) +
             " phases: one for each --qha, in their order";
    for (const std::string& s : names)
      if (!fitphasename(s)) return "--phase-names: '" + showpath(s) + "' is not a name: " + phasenamerule;
  } else {
    for (const phaseinput& p : phases) names.push_back(foldername(p.evfile));
  }
  for (std::size_t i = 0; i < n; ++i)
    for (std::size_t j = 0; j < i; ++j)
      if (names[i] == names[j] && t.namesgiven) return "--phase-names: two phases are named '" + names[i] + "'";
  const bool unique = std::all_of(names.begin(), names.end(), [&](const std::string& s) {
    return fitphasename(s) && std::count(names.begin(), names.end(), s) == 1;
  });
  for (std::size_t i = 0; i < n; ++i) phases[i].name = unique ? names[i] : "phase" + std::to_string(i + 1);
  return "";
}

// --formula-units: a positive whole number for each phase.
std::string unitsof(const phasetexts& t, std::vector<phaseinput>& phases) {
  std::vector<double> z;
  std::string item, why;
  if (!optionlist(t.units, z, item, why)) return "--formula-units: '" + item + "' " + why;
  if (z.size() != phases.size())
    return "--formula-units gives " + std::to_string(z.size()) + " values for " + std::to_string(phases.size()) +
           (phases.size() == 1 ? " phase" : " phases") + ": one for each --qha, in their order";
  for (std::size_t i = 0; i < z.size(); ++i) {
    if (!(z[i] >= 1.0 && z[i] <= 1e6 && z[i] == std::floor(z[i])))
      return "--formula-units: " + significant(z[i]) + " is not a positive whole number up to 1e6 (formula units per cell)";
    phases[i].formulaunits = z[i];
  }
  return "";
}

// Each --qha with the files, --efe and --dos-at-fermi that follow it.
std::string split(int argc, const char* const* argv, const std::vector<optionname>& known, const phasetexts& t,
                  options& o) {
  std::vector<phaseinput>& phases = o.qha.phases;
  const std::string& lead = t.leader;
  const placed at = placesof(argc, argv, known, lead, {"--efe", "--dos-at-fermi"});
  const std::string each = ": with several " + lead + ", each takes what follows it";
  for (std::size_t i = 0; i < at.files.size() && i < o.files.size(); ++i) {
    if (at.files[i] < 0) return std::string("'").append(showpath(o.files[i])) + "' comes before the first " + lead + each;
    phases[static_cast<std::size_t>(at.files[i])].files.push_back(o.files[i]);
  }
  for (std::size_t k = 0; k < 2; ++k) {
    const char* name = k == 0 ? "--efe" : "--dos-at-fermi";
    const std::vector<std::string>& given = k == 0 ? t.efefiles : t.fermis;
    for (std::size_t i = 0; i < given.size() && i < at.options[k].size(); ++i) {
      if (at.options[k][i] < 0) return std::string(name) + " comes before the first " + lead + each;
      phaseinput& p = phases[static_cast<std::size_t>(at.options[k][i])];
      if (k == 0 ? !p.efefile.empty() : !p.dosatfermi.empty())
        return std::string(name) + " is given twice after " + lead + " " + showpath(p.evfile);
      if (k == 0) p.efefile = given[i];
      else if (const std::string e = fermiof(given[i], p.dosatfermi); !e.empty()) return e;
    }
  }
  for (const phaseinput& p : phases) {
    if (p.files.empty() && lead == "--qha") return "--qha " + showpath(p.evfile) + " has no DOS files after it" + each;
    if (!p.efefile.empty() && !p.dosatfermi.empty())
      return "--efe and --dos-at-fermi do not go together: fe-v.dat holds the electrons' whole free energy";
  }
  return "";
}

}  // namespace

std::string fermiof(const std::string& text, std::vector<double>& to) {
  std::string item, why;
  if (!optionlist(text, to, item, why)) return "--dos-at-fermi: '" + item + "' " + why;
  for (double x : to)
    if (!(x >= 0.0)) return "--dos-at-fermi: " + significant(x) + " states/eV is negative";
  return "";
}

qhaphase phaseof(const options& o, std::size_t k) {
  qhaphase ph;
  const phaseinput& in = o.qha.phases[k];
  ph.evfile = in.evfile;
  ph.efefile = in.efefile;
  ph.name = in.name;
  ph.formulaunits = in.formulaunits;
  ph.files = in.files;
  ph.dosatfermi = in.dosatfermi;
  ph.excludeimaginary = o.qha.excludeimaginary;
  ph.units = o.inputunits;
  ph.read = o.read;
  ph.atoms = o.atoms;
  ph.form = o.qha.form;
  ph.strain.kind = o.qha.strain;
  ph.strain.degree = o.qha.degree;
  ph.temps = o.temps;
  return ph;
}

std::string errorbarsrefused(const options& o, const std::vector<qhaphase>& phases) {
  if (!o.qha.errorbars) return "";
  if (o.qha.form == eos::strain && (phases.size() > 1 || o.qha.transitions))
    return "lattice_thermo: --error-bars with --eos strain goes with one phase and no --transitions: the strain "
           "polynomials' error bars are taken for one phase's rows\ntry 'lattice_thermo --help'\n";
  for (const qhaphase& ph : phases)
    if (const std::size_t n = ph.model.volume.size(); n < static_cast<std::size_t>(errorbarvolumes))
      return "lattice_thermo: " + showpath(ph.evfile) + ": --error-bars needs " + std::to_string(errorbarvolumes) +
             " volumes or more (the fit's 5 and one to leave out); it has " + std::to_string(n) +
             "\ntry 'lattice_thermo --help'\n";
  return "";
}

std::string foldername(const std::string& path) {
  if (path == "-" || path.empty()) return "";
  std::error_code e;
  const std::filesystem::path p = std::filesystem::absolute(path, e);
  if (e) return "";
  return p.lexically_normal().parent_path().filename().string();
}

std::string phasesof(int argc, const char* const* argv, const std::vector<optionname>& known, const phasetexts& t,
                     options& o) {
  for (const std::string& f : t.efefiles)
    if (f.empty()) return "--efe needs a file name, not ''";
  const std::size_t n = t.evfiles.size();
  for (const std::string& f : t.evfiles)
    if (f.empty()) return t.leader + " needs a file name, not ''";
  if (n == 0) {
    if (t.namesgiven || t.unitsgiven || t.transitionsgiven)
      return "--phase-names, --formula-units and --transitions go with --qha or --debye";
    return "";
  }
  std::vector<phaseinput>& phases = o.qha.phases;
  phases.assign(n, phaseinput{});
  for (std::size_t i = 0; i < n; ++i) phases[i].evfile = t.evfiles[i];
  if (n == 1) {
    // As it always was: the files, --efe and --dos-at-fermi wherever they stand.
    if (t.efefiles.size() > 1) return "--efe is given more than once";
    if (t.fermis.size() > 1) return "--dos-at-fermi is given more than once";
    if (!t.fermis.empty())
      if (const std::string e = fermiof(t.fermis[0], o.qha.dosatfermi); !e.empty()) return e;
    o.qha.evfile = t.evfiles[0];
    o.qha.efefile = t.efefiles.empty() ? "" : t.efefiles[0];
    phases[0].efefile = o.qha.efefile;
    phases[0].dosatfermi = o.qha.dosatfermi;
    phases[0].files = o.files;
    if (t.namesgiven) return "--phase-names names the phases of several " + t.leader;
    if (t.transitionsgiven) return "--transitions needs two phases or more: give " + t.leader + " for each";
  } else {
    if (const std::string e = split(argc, argv, known, t, o); !e.empty()) return e;
    o.qha.evfile = phases[0].evfile;
    o.qha.efefile = phases[0].efefile;
    o.qha.dosatfermi = phases[0].dosatfermi;
    if (!o.qha.writefv.empty()) return "--write-fv takes one phase: give it with a single --qha";
  }
  if (const std::string e = namesof(t, phases); !e.empty()) return e;
  o.qha.formulaunits = t.unitsgiven;
  if (t.unitsgiven)
    if (const std::string e = unitsof(t, phases); !e.empty()) return e;
  if (t.transitionsgiven) {
    std::vector<double> range;
    std::string item, why;
    if (!optionlist(t.transitions, range, item, why)) return "--transitions: '" + item + "' " + why;
    if (range.size() != 2) return "--transitions takes two pressures, PMIN,PMAX (GPa)";
    if (!(range[0] < range[1])) return "--transitions: PMIN must be below PMAX";
    if (t.pressuregiven) return "--pressure does not go with --transitions, which finds the pressures";
    o.qha.transitions = true;
    o.qha.pmin = range[0];
    o.qha.pmax = range[1];
  }
  return "";
}

}  // namespace thermo
