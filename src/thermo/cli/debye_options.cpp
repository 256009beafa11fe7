#include "thermo/cli/debye_options.hpp"

#include <cmath>

#include "thermo/base/number_text.hpp"
#include "thermo/cli/option_values.hpp"

namespace thermo {

namespace {

// The Debye-Grueneisen variants: gamma = a + B'/2.
struct variant {
  const char* name;
  double a;
};
constexpr variant variants[] = {{"slater", -1.0 / 6.0},
                                {"dugdale-macdonald", -0.5},
                                {"vashchenko-zubarev", -5.0 / 6.0},
                                {"free-volume", -0.95}};

// One value for every phase, or one each: positive, and whole where asked.
std::string perphase(const char* name, const std::string& text, std::size_t phases, bool whole, const char* unit,
                     std::vector<double>& to) {
  std::string item, why;
  if (!optionlist(text, to, item, why)) return std::string(name) + ": '" + item + "' " + why;
  if (to.size() != 1 && to.size() != phases)
    return std::string(name) + " gives " + std::to_string(to.size()) + " values for " + std::to_string(phases) +
           " phases: one for all, or one for each --debye in their order";
  for (double x : to)
    if (!(x > 0.0 && x <= 1e7) || (whole && x != std::floor(x)))
      return std::string(name) + ": " + significant(x) + " is not " + unit;
  to.resize(phases, to.front());
  return "";
}

std::string gruneisenof(const std::string& text, debyeoptions& d) {
  d.gruneisen = true;
  d.variant = text;
  for (const variant& v : variants)
    if (text == v.name) {
      d.a = v.a;
      d.b = 0.5;
      return "";
    }
  std::vector<double> ab;
  std::string item, why;
  if (text.find(',') == std::string::npos || !optionlist(text, ab, item, why) || ab.size() != 2)
    return "--gruneisen: '" + text + "' is none of slater, dugdale-macdonald, vashchenko-zubarev, free-volume, A,B "
           "(gamma = A + B B')";
  d.a = ab[0];
  d.b = ab[1];
  return "";
}

}  // namespace

void adddebyeoptions(CLI::App& app, debyeflags& f, options& o) {
  app.add_option("--debye", f.evfiles)->allow_extra_args(false)->multi_option_policy(CLI::MultiOptionPolicy::TakeAll);
  f.poisson = app.add_option("--poisson", f.poissontext);
  f.gruneisen = app.add_option("--gruneisen", f.gruneisentext);
  f.strain = app.add_option("--strain", f.straintext);
  f.constants = app.add_option("--constants", f.constantstext);
  f.statictable = app.add_flag("--static", o.debye.statictable);
  f.fits = app.add_flag("--fits", o.debye.fits);
}

std::string debyephases(const debyeflags& f, phasetexts& t, options& o) {
  if (f.evfiles.empty()) return "";
  if (!t.evfiles.empty()) return "--qha and --debye do not go together: one run is the one mode or the other";
  o.debye.on = true;
  t.evfiles = f.evfiles;
  t.leader = "--debye";
  return "";
}

std::string checkdebyeoptions(const debyeflags& f, const sharedtexts& shared, bool dosoptions, options& o) {
  debyeoptions& d = o.debye;
  const bool strainform = o.qha.form == eos::strain, grid = !o.aniso.gridfile.empty();
  if (d.on && grid) return "--qha-grid and --debye do not go together: one mode a run";
  if (!d.on) {
    if (f.poisson->count() + f.gruneisen->count() + f.constants->count() + f.statictable->count() + f.fits->count() > 0)
      return "--poisson, --gruneisen, --constants, --static and --fits go with --debye";
    if (f.strain->count() > 0 && !strainform) return "--strain goes with --debye or --eos strain";
    if (shared.degree != nullptr && !grid && !strainform) return "--degree goes with --qha-grid, --debye or --eos strain";
    if (grid) return "";  // --degree is the surface's
  }
  std::string why;
  if (f.strain->count() > 0 && !parsestrain(f.straintext, o.qha.strain))
    return "--strain: '" + f.straintext + "' is neither bm (Eulerian) nor pt (natural)";
  if (const std::string* t = shared.degree; t != nullptr && *t != "average") {
    double k = 0.0;
    if (!optionnumber(*t, k, why) || k != std::floor(k) || k < 2.0 || k > maxstraindegree)
      return "--degree: '" + *t + "' is neither average nor a whole number from 2 to " + std::to_string(maxstraindegree);
    o.qha.degree = static_cast<int>(k);
  }
  if (!d.on) return "";
  d.errorbars = o.qha.errorbars;  // one --error-bars: under --debye, the spread across the degrees
  const std::string *mass = shared.mass, *atoms = shared.atoms;
  const std::size_t phases = o.qha.phases.size();
  if (!o.files.empty()) return "--debye takes no DOS files ('" + o.files.front() + "'): E(V) alone";
  for (const phaseinput& p : o.qha.phases)
    if (!p.efefile.empty()) return "--efe does not go with --debye: give the electrons by --dos-at-fermi";
  if (o.displacements || o.yaml || o.peratom || !o.writepds.empty() || !o.qha.writefv.empty() ||
      !o.qha.efefile.empty() || o.qha.excludeimaginary || dosoptions)
    return "--debye does not go with --displacements, --yaml, --per-atom, --write-pds, --write-fv, --efe, "
           "--exclude-imaginary or the options that read DOS files";
  if (o.qha.formgiven && !strainform)
    return "--debye fits the strain polynomials: --eos " + std::string(eosname(o.qha.form)) + " does not go with it";
  o.qha.form = eos::strain;
  if (mass == nullptr) return "--debye needs --mass M: the molar mass of the cell, g/mol";
  if (atoms == nullptr) return "--debye needs --atoms N: the atoms in the cell";
  if (const std::string e = perphase("--mass", *mass, phases, false, "a molar mass (g/mol, above 0)", d.mass); !e.empty())
    return e;
  if (const std::string e = perphase("--atoms", *atoms, phases, true, "a whole number of atoms", d.atoms); !e.empty())
    return e;
  if (f.poisson->count() > 0) {
    if (!optionnumber(f.poissontext, d.poisson, why)) return "--poisson: '" + f.poissontext + "' " + why;
    if (!(d.poisson > -1.0 && d.poisson < 0.5))
      return "--poisson: " + significant(d.poisson) + " is not a Poisson ratio (above -1, below 0.5)";
  }
  if (f.gruneisen->count() > 0)
    if (const std::string e = gruneisenof(f.gruneisentext, d); !e.empty()) return e;
  if (f.constants->count() > 0) {
    if (f.constantstext != "si" && f.constantstext != "codata2006")
      return "--constants: '" + f.constantstext + "' is neither si nor codata2006";
    d.codata2006 = f.constantstext == "codata2006";
  }
  if (d.statictable + d.fits + o.qha.transitions > 1) return "--static, --fits and --transitions do not go together";
  if (d.errorbars && (o.qha.degree > 0 || d.fits || o.qha.transitions))
    return "--error-bars needs the average of degrees (--degree average), and does not go with --fits or "
           "--transitions";
  return "";
}

}  // namespace thermo
