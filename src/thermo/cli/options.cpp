#include "thermo/cli/options.hpp"

#include <CLI/CLI.hpp>
#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstring>

#include "thermo/base/number_text.hpp"

namespace thermo {

const char* const usage =
    "usage: lattice_thermo [options] FILE...\n"
    "  FILE              a DOS file: energy and DOS columns, or phonopy's mesh.yaml\n"
    "                    ('-' reads standard input, once)\n"
    "Input:\n"
    "  --unit U          energy unit of column 1, in any case: THz, cm-1 (cm^-1, 1/cm),\n"
    "                    meV, eV, Ry, Ha; default: the unit the file's header names, else THz\n"
    "  --pds             the file is in lattice_heat_capacity's layout (hartree)\n"
    "  --column K        the DOS is column K (default 2)\n"
    "  --sum-columns     the DOS is the sum of columns 2 to the last (projected DOS)\n"
    "  --normalize       scale the DOS to 3n states (n: --atoms, else the nearest whole\n"
    "                    number of its integral / 3)\n"
    "  --cutoff-frequency F  modes at or below F (in the file's unit) take no part\n"
    "  --pretend-real    imaginary modes count with their absolute frequency\n"
    "Temperatures, K:\n"
    "  --tmin T --tmax T --tstep T  from tmin to tmax (default 0, 1000, 10)\n"
    "  --temperatures LIST          or these, e.g. 298.15,300,500\n"
    "Results:\n"
    "  --atoms N         atoms per cell (default: the DOS integral / 3)\n"
    "  --per-atom        per mole of atoms instead of per mole of cells\n"
    "  --csv             comma-separated values, shortest round-trip digits\n"
    "  --yaml            phonopy's thermal_properties.yaml layout, full digits (one FILE)\n"
    "  --write-pds OUT   also write the DOS resampled as lattice_heat_capacity's input\n"
    "                    (339 points, hartree, 3 states per atom; one FILE)\n"
    "  --force           let --write-pds replace an existing OUT\n"
    "Quasi-harmonic mode (Cp, thermal expansion, bulk modulus):\n"
    "  --qha EV_FILE     volume (A^3) and static energy (eV) per cell, a line per DOS FILE\n"
    "                    given, in the same order; at least 5 volumes\n"
    "  --eos NAME        vinet (default), birch_murnaghan or murnaghan\n"
    "  --pressure LIST   in GPa, default 0, e.g. 0,5,10\n"
    "  --version, --help\n"
    "Options take their value as --option VALUE or --option=VALUE.\n"
    "Results: free_energy and energy in kJ/mol, entropy and heat_capacity in J/K/mol,\n"
    "debye_temperature in K.\n";

double temperatures::countd() const {
  if (!list.empty()) return static_cast<double>(list.size());
  return std::floor((tmax - tmin) / tstep * (1.0 + 1e-12)) + 1.0;
}

namespace {

void say(common::outchannel& ch, const std::string& s) { ch.write(s.data(), s.size()); }

// A comma-separated list of numbers; false at the first item that is not a
// finite number.
bool parselist(const std::string& text, std::vector<double>& list, std::string& bad) {
  list.clear();
  std::size_t p = 0;
  for (;;) {
    const std::size_t e = std::min(text.find(',', p), text.size());
    const char* from = text.data() + p;
    const char* to = text.data() + e;
    while (from < to && *from == ' ') ++from;
    while (to > from && to[-1] == ' ') --to;
    double v = 0.0;
    const auto r = std::from_chars(from, to, v);
    if (from == to || r.ec != std::errc() || r.ptr != to || !std::isfinite(v)) {
      bad.assign(from, to);
      return false;
    }
    list.push_back(v);
    if (e == text.size()) return true;
    p = e + 1;
  }
}

// Which options were given, where their values cannot tell.
struct given {
  bool atoms = false, writepds = false, cutoff = false, list = false, eos = false, pressure = false;
};

// What the options must satisfy together; `bad` reports a usage error.
template <class Bad>
int checkoptions(const options& o, const given& g, Bad bad) {
  if (o.files.empty()) return bad("no DOS file given");
  if (std::count(o.files.begin(), o.files.end(), "-") > 1) return bad("standard input ('-') may be given once only");
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
  if (g.atoms && !(o.atoms > 0.0 && std::isfinite(o.atoms))) return bad("--atoms must be positive");
  if (o.qha.evfile.empty()) {
    if (g.eos || g.pressure) return bad("--eos and --pressure go with --qha");
  } else {
    if (o.yaml || !o.writepds.empty() || o.peratom)
      return bad("--yaml, --write-pds and --per-atom do not go with --qha");
  }
  return -1;
}

}  // namespace

int parseoptions(int argc, const char* const* argv, options& o, common::outchannel& out,
                 common::outchannel& err) {
  auto bad = [&](const std::string& what) {
    say(err, "lattice_thermo: " + what + "\n" + usage);
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
  app.add_flag("-h,--help", help);
  app.add_flag("--version", version);
  auto* unitopt = app.add_option("--unit", unitname);
  app.add_flag("--pds", o.read.pds)->excludes(unitopt);
  auto* columnopt = app.add_option("--column", o.read.column);
  app.add_flag("--sum-columns", o.read.sumcolumns)->excludes(columnopt);
  app.add_flag("--normalize", o.read.normalize);
  auto* cutoffopt = app.add_option("--cutoff-frequency", o.read.cutoff);
  app.add_flag("--pretend-real", o.read.pretendreal);
  auto* tmin = app.add_option("--tmin", o.temps.tmin);
  auto* tmax = app.add_option("--tmax", o.temps.tmax);
  auto* tstep = app.add_option("--tstep", o.temps.tstep);
  app.add_option("--temperatures", list)->excludes(tmin)->excludes(tmax)->excludes(tstep);
  auto* atomsopt = app.add_option("--atoms", o.atoms);
  app.add_flag("--per-atom", o.peratom);
  auto* csv = app.add_flag("--csv", o.csv);
  app.add_flag("--yaml", o.yaml)->excludes(csv);
  auto* writepds = app.add_option("--write-pds", o.writepds);
  std::string eosname, pressures;
  app.add_option("--qha", o.qha.evfile);
  auto* eosopt = app.add_option("--eos", eosname);
  auto* pressureopt = app.add_option("--pressure", pressures);
  app.add_flag("--force", o.force);
  app.add_option("files", o.files);
  try {
    app.parse(argc, argv);
  } catch (const CLI::ParseError& e) {
    std::string what = e.what();
    if (what.find("At Most 1 required") != std::string::npos)
      what = what.substr(0, what.find(':')) + " is given more than once";
    return bad(what);
  }
  if (help) return print(usage, "usage");
  if (version) return print(std::string("lattice_thermo ") + LATTICE_VERSION + "\n", "version");
  o.read.unitgiven = unitopt->count() > 0;
  o.read.columngiven = columnopt->count() > 0;
  g.cutoff = cutoffopt->count() > 0;
  g.atoms = atomsopt->count() > 0;
  g.writepds = writepds->count() > 0;
  g.eos = eosopt->count() > 0;
  g.pressure = pressureopt->count() > 0;
  if (app.count("--qha") > 0 && o.qha.evfile.empty()) return bad("--qha needs a file name, not ''");
  if (g.eos && !parseeos(eosname, o.qha.form))
    return bad("unknown equation of state '" + eosname + "'; one of vinet, birch_murnaghan, murnaghan");
  if (g.pressure) {
    std::string item;
    if (!parselist(pressures, o.qha.pressures, item)) return bad("--pressure: '" + item + "' is not a number");
  }
  if (o.read.unitgiven && !parseunit(unitname, o.read.u))
    return bad("unknown unit '" + unitname + "'; one of THz, cm-1, meV, eV, Ry, Ha");
  if (!list.empty() || app.count("--temperatures") > 0) {
    std::string item;
    if (!parselist(list, o.temps.list, item)) return bad("--temperatures: '" + item + "' is not a number");
  }
  return checkoptions(o, g, bad);
}

}  // namespace thermo
