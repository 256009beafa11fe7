#include "thermo/cli/options.hpp"

#include <CLI/CLI.hpp>
#include <algorithm>
#include <cmath>
#include <cstring>
#include <utility>
#include <vector>

#include "thermo/base/number_text.hpp"
#include "thermo/base/problem.hpp"
#include "thermo/cli/anisotropic_options.hpp"
#include "thermo/cli/debye_options.hpp"
#include "thermo/cli/displacement_options.hpp"
#include "thermo/cli/option_names.hpp"
#include "thermo/cli/option_values.hpp"
#include "thermo/cli/phase_options.hpp"
#include "thermo/formats/outputs/atomic_write.hpp"

namespace thermo {

namespace {

void say(common::outchannel& ch, const std::string& s) { ch.write(s.data(), s.size()); }

// Which options were given, where their values cannot tell.
struct given {
  bool atoms = false, writepds = false, cutoff = false, list = false, eos = false, pressure = false;
  bool qhaonly = false, writefv = false;  // an option of --qha alone; --write-fv
  bool debye = false;                     // --debye, which takes no DOS files
  bool evunits = false;                   // --energy-unit or --volume-unit
};

// What the options must satisfy together; `bad` reports a usage error.
template <class Bad>
int checkoptions(const options& o, const given& g, Bad bad) {
  if (o.files.empty() && !g.debye) return bad("no DOS file given");
  const auto evdashes = std::count_if(o.qha.phases.begin(), o.qha.phases.end(), [](const phaseinput& p) { return p.evfile == "-"; });
  if (std::count(o.files.begin(), o.files.end(), "-") + evdashes + (o.aniso.gridfile == "-") > 1)
    return bad("standard input ('-') may be given once only" +
               std::string(evdashes > 0 ? ": as the E(V) file or as one DOS file" : ""));
  if (!o.qha.evfile.empty() && !g.debye && (o.yaml || !o.writepds.empty() || o.peratom))
    return bad("--yaml, --write-pds and --per-atom do not go with --qha");
  if (g.writepds && o.writepds.empty()) return bad("--write-pds needs a file name, not ''");
  if (!o.writepds.empty() && o.files.size() != 1) return bad("--write-pds takes exactly one DOS file");
  if (o.yaml && o.files.size() != 1) return bad("--yaml takes exactly one DOS file");
  if (o.read.columngiven && o.read.column < 2) return bad("--column must be 2 or more: column 1 holds the energies");
  if (g.cutoff && !(o.read.cutoff >= 0.0 && std::isfinite(o.read.cutoff)))
    return bad("--cutoff-frequency must be a number, 0 or more");
  const temperatures& t = o.temps;
  for (double v : t.list)
    if (!(v >= 0.0 && v <= maxtemperature))
      return bad("temperature " + significant(v) + " K is outside 0 to " + significant(maxtemperature) + " K");
  if (t.list.empty()) {
    if (!std::isfinite(t.tmin) || !std::isfinite(t.tmax) || t.tmin < 0.0 || t.tmax < t.tmin)
      return bad("temperatures must satisfy 0 <= tmin <= tmax");
    if (t.tmax > maxtemperature) return bad("temperatures above " + significant(maxtemperature) + " K are not taken");
    if (!(t.tstep > 0.0) || !std::isfinite(t.tstep)) return bad("--tstep must be positive");
  }
  if (!(t.countd() <= maxtemperatures))
    return bad("the options give more than " + significant(maxtemperatures) + " temperatures");
  if (g.atoms && !g.debye && !(o.atoms > 0.0 && std::isfinite(o.atoms))) return bad("--atoms must be positive");
  if (g.debye) return -1;  // checked with its own options
  const bool grid = !o.aniso.gridfile.empty();
  if (grid && g.eos) return bad("--eos goes with --qha: --qha-grid fits a surface of the lengths (--degree)");
  if (g.evunits && o.qha.evfile.empty() && !grid)
    return bad("--energy-unit and --volume-unit go with --qha or --qha-grid (the units of its file)");
  if (o.qha.evfile.empty() && !grid) {
    if (g.eos || g.pressure || g.qhaonly)
      return bad("--eos, --pressure, --efe, --dos-at-fermi, --exclude-imaginary, --write-fv and --error-bars go with --qha");
  } else {
    if (!o.qha.efefile.empty() && !o.qha.dosatfermi.empty())
      return bad("--efe and --dos-at-fermi do not go together: fe-v.dat holds the electrons' whole free energy");
    if (g.writefv && o.qha.writefv.empty()) return bad("--write-fv needs a file name, not ''");
  }
  // An output that is one of the run's inputs would replace it, --force or
  // not; and standard output holds the rows.
  std::vector<std::string> inputs = o.files;
  inputs.insert(inputs.end(), {o.aniso.gridfile, o.aniso.latticefile});
  for (const phaseinput& p : o.qha.phases) {
    inputs.insert(inputs.end(), {p.evfile, p.efefile});
    inputs.insert(inputs.end(), p.files.begin(), p.files.end());
  }
  for (const auto& [name, path] : {std::pair{"--write-fv", &o.qha.writefv}, std::pair{"--write-pds", &o.writepds}}) {
    if (*path == "-") return bad(std::string(name) + " -: standard output holds the rows; give the file a name");
    for (const std::string& in : inputs)
      if (!path->empty() && !in.empty() && samefile(*path, in))
        return bad(std::string(name) + ": " + showpath(*path) + " is " +
                   (in == *path ? std::string() : "the same file as " + showpath(in) + ", ") +
                   "an input of this run, which it would replace (--force or not): give another file");
  }
  return -1;
}

}  // namespace

int parseoptions(int argc, const char* const* argv, options& o, common::outchannel& out,
                 common::outchannel& err) {
  // A usage error is one line and a pointer to --help, so that the reason
  // stays in sight.
  auto bad = [&](const std::string& what) {
    say(err, "lattice_thermo: " + what + "\ntry 'lattice_thermo --help'\n");
    return 2;
  };
  auto print = [&](const std::string& text, const char* what) {
    if (const int e = out.write(text.data(), text.size()); e != 0) {
      say(err, std::string("lattice_thermo: cannot write the ") + what + ": " + std::strerror(e) + "\n");
      return 1;
    }
    return 0;
  };
  CLI::App app{"", "lattice_thermo"};
  app.set_help_flag();
  bool help = false, version = false;
  std::string unitname, list;
  given g;
  // The numeric options, taken as text and read by optionnumber.
  struct numeric {
    const char* name;
    double* to;
    std::string text;
    CLI::Option* opt = nullptr;
  };
  double column = o.read.column;
  numeric numbers[] = {{"--column", &column, {}},         {"--cutoff-frequency", &o.read.cutoff, {}},
                       {"--tmin", &o.temps.tmin, {}},     {"--tmax", &o.temps.tmax, {}},
                       {"--tstep", &o.temps.tstep, {}},   {"--atoms", &o.atoms, {}}};
  for (numeric& n : numbers) n.opt = app.add_option(n.name, n.text);
  CLI::Option *columnopt = numbers[0].opt, *cutoffopt = numbers[1].opt, *atomsopt = numbers[5].opt;
  app.add_flag("-h,--help", help);
  app.add_flag("--version", version);
  auto* unitopt = app.add_option("--unit", unitname);
  app.add_flag("--pds", o.read.pds)->excludes(unitopt);
  app.add_flag("--sum-columns", o.read.sumcolumns)->excludes(columnopt);
  app.add_flag("--normalize", o.read.normalize);
  app.add_flag("--pretend-real", o.read.pretendreal);
  app.add_option("--temperatures", list)->excludes(numbers[2].opt)->excludes(numbers[3].opt)->excludes(numbers[4].opt);
  app.add_flag("--per-atom", o.peratom);
  auto* csv = app.add_flag("--csv", o.csv);
  app.add_flag("--yaml", o.yaml)->excludes(csv);
  auto* writepds = app.add_option("--write-pds", o.writepds);
  std::string eosname, pressures;
  phasetexts phases;  // --qha, --efe and --dos-at-fermi may come once per phase
  auto each = [&](const char* name, std::vector<std::string>& to) {
    return app.add_option(name, to)->allow_extra_args(false)->multi_option_policy(CLI::MultiOptionPolicy::TakeAll);
  };
  each("--qha", phases.evfiles);
  auto* eosopt = app.add_option("--eos", eosname);
  auto* pressureopt = app.add_option("--pressure", pressures);
  auto* efeopt = each("--efe", phases.efefiles);
  auto* fermiopt = each("--dos-at-fermi", phases.fermis);
  auto* namesopt = app.add_option("--phase-names", phases.names);
  auto* unitsopt = app.add_option("--formula-units", phases.units);
  auto* transitionsopt = app.add_option("--transitions", phases.transitions);
  auto* imaginaryopt = app.add_flag("--exclude-imaginary", o.qha.excludeimaginary);
  auto* writefvopt = app.add_option("--write-fv", o.qha.writefv);
  auto* errorbarsopt = app.add_flag("--error-bars", o.qha.errorbars);
  app.add_flag("--force", o.force);
  app.add_flag("--strict", o.strict);
  std::string energyunit, volumeunit;
  auto* energyunitopt = app.add_option("--energy-unit", energyunit);
  auto* volumeunitopt = app.add_option("--volume-unit", volumeunit);
  displacementflags displacement;
  adddisplacementoptions(app, displacement, o);
  anisotropicflags anisotropic;
  addanisotropicoptions(app, anisotropic, o);
  debyeflags debye;
  adddebyeoptions(app, debye, o);
  app.add_option("files", o.files);
  // What the parser would take in silence (--tmax= 20) or report without a
  // hint (--t-max).
  std::vector<optionname> known;
  for (const CLI::Option* opt : app.get_options())
    for (const std::string& name : opt->get_lnames()) known.push_back({"--" + name, opt->get_expected_min() > 0});
  if (const std::string misuse = misusedoption(argc, argv, known); !misuse.empty()) return bad(misuse);
  try {
    app.parse(argc, argv);
  } catch (const CLI::ParseError& e) {
    std::string what = e.what();
    const std::string name = what.substr(0, what.find(':'));
    if (what.find("At Most 1 required") != std::string::npos) what = name + " is given more than once";
    else if (dynamic_cast<const CLI::ArgumentMismatch*>(&e) != nullptr) what = name + " needs a value";
    else if (const std::size_t x = what.find(" excludes "); x != std::string::npos)
      what = what.substr(0, x) + " does not go with " + what.substr(x + 10);
    return bad(what);
  }
  if (help) return print(usage, "usage");
  if (version) return print(std::string("lattice_thermo ") + LATTICE_VERSION + "\n", "version");
  std::string why, item;
  g.debye = !debye.evfiles.empty();
  for (numeric& n : numbers)
    if (n.opt->count() > 0 && !(g.debye && n.opt == atomsopt) && !optionnumber(n.text, *n.to, why))
      return bad(std::string(n.name) + ": '" + n.text + "' " + why);
  if (columnopt->count() > 0) {
    if (column != std::floor(column)) return bad("--column: '" + numbers[0].text + "' is not a whole number");
    o.read.column = static_cast<int>(std::clamp(column, -1.0, 1e9));
  }
  o.read.unitgiven = unitopt->count() > 0;
  o.read.columngiven = columnopt->count() > 0;
  g.cutoff = cutoffopt->count() > 0;
  g.atoms = atomsopt->count() > 0;
  g.writepds = writepds->count() > 0;
  g.eos = eosopt->count() > 0;
  g.pressure = pressureopt->count() > 0;
  g.writefv = writefvopt->count() > 0;
  g.evunits = energyunitopt->count() + volumeunitopt->count() > 0;
  g.qhaonly = efeopt->count() + fermiopt->count() + imaginaryopt->count() + writefvopt->count() + errorbarsopt->count() > 0;
  o.temps.mingiven = numbers[2].opt->count() > 0;
  o.temps.maxgiven = numbers[3].opt->count() > 0;
  o.temps.stepgiven = numbers[4].opt->count() > 0;
  phases.namesgiven = namesopt->count() > 0;
  phases.unitsgiven = unitsopt->count() > 0;
  phases.transitionsgiven = transitionsopt->count() > 0;
  phases.pressuregiven = g.pressure;
  if (const std::string e = debyephases(debye, phases, o); !e.empty()) return bad(e);
  if (const std::string e = phasesof(argc, argv, known, phases, o); !e.empty()) return bad(e);
  if (const std::string why = checkdisplacementoptions(displacement, o); !why.empty()) return bad(why);
  if (g.eos && !parseeos(eosname, o.qha.form))
    return bad("unknown equation of state '" + eosname + "'; one of vinet, birch_murnaghan, murnaghan, strain");
  o.qha.formgiven = g.eos;
  const bool dosoptions = o.read.unitgiven || o.read.columngiven || o.read.pds || o.read.sumcolumns ||
                          o.read.normalize || o.read.pretendreal || cutoffopt->count() > 0;
  sharedtexts shared;
  if (displacement.mass->count() > 0) shared.mass = &displacement.masstext;
  if (g.atoms) shared.atoms = &numbers[5].text;
  if (anisotropic.degree->count() > 0) shared.degree = &anisotropic.degreetext;
  if (const std::string why = checkdebyeoptions(debye, shared, dosoptions, o); !why.empty()) return bad(why);
  if (const std::string why = checkanisotropicoptions(anisotropic, phases, o); !why.empty()) return bad(why);
  if (g.pressure && !optionlist(pressures, o.qha.pressures, item, why))
    return bad("--pressure: '" + item + "' " + why);
  for (const auto* opt : {energyunitopt, volumeunitopt})
    if (opt->count() > 0 && (opt == energyunitopt ? energyunit : volumeunit).empty())
      return bad(opt->get_name() + " needs a unit, not ''");
  if (const std::string e = parseevunits(energyunit, volumeunit, o.inputunits); !e.empty()) return bad(e);
  if (o.read.unitgiven && !parseunit(unitname, o.read.u))
    return bad("unknown unit '" + unitname + "'; one of THz, cm-1, meV, eV, Ry, Ha");
  if ((!list.empty() || app.count("--temperatures") > 0) && !optionlist(list, o.temps.list, item, why))
    return bad("--temperatures: '" + item + "' " + why);
  return checkoptions(o, g, bad);
}

}  // namespace thermo
