#include "thermo/options.hpp"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <string_view>

namespace thermo {

const char* const usage =
    "usage: lattice_thermo [--unit U] [--pds] [--tmin T] [--tmax T] [--tstep T] [--atoms N]\n"
    "                      [--per-atom] [--csv] [--write-pds OUT [--force]] FILE...\n"
    "  FILE        a DOS file: energy and DOS columns ('-' reads standard input)\n"
    "  --unit U    energy unit of column 1: THz (default), cm-1, meV, eV, Ry, Ha\n"
    "  --pds       the file is in lattice_heat_capacity's layout (hartree)\n"
    "  --tmin T    lowest temperature, K (default 0)\n"
    "  --tmax T    highest temperature, K (default 1000)\n"
    "  --tstep T   temperature step, K (default 10)\n"
    "  --atoms N   atoms per cell (default: the DOS integral / 3)\n"
    "  --per-atom  results per mole of atoms instead of per mole of cells\n"
    "  --csv       comma-separated values, shortest round-trip digits\n"
    "  --write-pds OUT  also write the DOS resampled as lattice_heat_capacity's input\n"
    "                   (339 points, hartree, 3 states per atom); one FILE only\n"
    "  --force     let --write-pds replace an existing OUT\n"
    "Results: free_energy and energy in kJ/mol, entropy and heat_capacity in J/K/mol,\n"
    "debye_temperature in K.\n";

double temperatures::countd() const { return std::floor((tmax - tmin) / tstep * (1.0 + 1e-12)) + 1.0; }

namespace {

void say(common::outchannel& ch, const std::string& s) { ch.write(s.data(), s.size()); }

bool number(const char* text, double& v) {
  const char* end = text + std::strlen(text);
  const auto r = std::from_chars(text, end, v);
  return r.ec == std::errc() && r.ptr == end && std::isfinite(v);
}

// Which options were given, where their defaults cannot tell.
struct given {
  bool unit = false, atoms = false, writepds = false;
};

std::string shortest(double v) {
  char buf[32];
  std::snprintf(buf, sizeof buf, "%g", v);
  return buf;
}

// What the options must satisfy together; `bad` reports a usage error.
template <class Bad>
int checkoptions(const options& o, const given& g, Bad bad) {
  if (o.files.empty()) return bad("no DOS file given");
  if (std::count(o.files.begin(), o.files.end(), "-") > 1) return bad("standard input ('-') may be given once only");
  if (g.writepds && o.writepds.empty()) return bad("--write-pds needs a file name, not ''");
  if (!o.writepds.empty() && o.files.size() != 1) return bad("--write-pds takes exactly one DOS file");
  if (o.pds && g.unit) return bad("--pds files are in hartree: --unit does not go with --pds");
  const temperatures& t = o.temps;
  if (t.tmin < 0.0 || t.tmax < t.tmin) return bad("temperatures must satisfy 0 <= tmin <= tmax");
  if (t.tmax > maxtemperature) return bad("temperatures above " + shortest(maxtemperature) + " K are not taken");
  if (!(t.tstep > 0.0)) return bad("--tstep must be positive");
  if (!(t.countd() <= maxtemperatures))
    return bad("--tmin, --tmax and --tstep give more than " + shortest(maxtemperatures) + " temperatures");
  if (g.atoms && !(o.atoms > 0.0)) return bad("--atoms must be positive");
  return -1;
}

}  // namespace

int parseoptions(int argc, const char* const* argv, options& o, common::outchannel& out,
                 common::outchannel& err) {
  auto bad = [&](const std::string& what) {
    say(err, "lattice_thermo: " + what + "\n" + usage);
    return 2;
  };
  bool endopts = false;
  given g;
  for (int i = 1; i < argc; ++i) {
    const std::string_view a = argv[i];
    if (endopts || a == "-" || a.empty() || a[0] != '-') {
      o.files.emplace_back(a);
      continue;
    }
    if (a == "--") {
      endopts = true;
      continue;
    }
    if (a == "-h" || a == "--help") {
      if (const int e = out.write(usage, std::strlen(usage)); e != 0) {
        say(err, std::string("lattice_thermo: cannot write the usage: ") + std::strerror(e) + "\n");
        return 1;
      }
      return 0;
    }
    if (a == "--pds") o.pds = true;
    else if (a == "--per-atom") o.peratom = true;
    else if (a == "--csv") o.csv = true;
    else if (a == "--force") o.force = true;
    else if (a == "--write-pds") {
      if (i + 1 >= argc) return bad("option --write-pds needs a value");
      o.writepds = argv[++i];
      g.writepds = true;
    }
    else if (a == "--unit" || a == "--tmin" || a == "--tmax" || a == "--tstep" || a == "--atoms") {
      if (i + 1 >= argc) return bad("option " + std::string(a) + " needs a value");
      const char* v = argv[++i];
      if (a == "--unit") {
        g.unit = true;
        if (!parseunit(v, o.u)) return bad("unknown unit '" + std::string(v) + "'; one of THz, cm-1, meV, eV, Ry, Ha");
        continue;
      }
      double x = 0.0;
      if (!number(v, x)) return bad("option " + std::string(a) + " needs a number, not '" + v + "'");
      if (a == "--tmin") o.temps.tmin = x;
      else if (a == "--tmax") o.temps.tmax = x;
      else if (a == "--tstep") o.temps.tstep = x;
      else {
        o.atoms = x;
        g.atoms = true;
      }
    } else {
      return bad("unknown option '" + std::string(a) + "'");
    }
  }
  return checkoptions(o, g, bad);
}

}  // namespace thermo
