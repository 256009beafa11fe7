#include "lattice_thermo.hpp"

#include <array>
#include <cerrno>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <string>
#include <string_view>
#include <thread>
#include <unistd.h>
#include <vector>

#include "thermo_constants.hpp"
#include "thermo_debye.hpp"
#include "thermo_dos.hpp"
#include "thermo_harmonic.hpp"

namespace thermo {

namespace {

constexpr const char* usage =
    "usage: lattice_thermo [--unit U] [--pds] [--tmin T] [--tmax T] [--tstep T] [--atoms N]\n"
    "                      [--per-atom] [--csv] FILE...\n"
    "  FILE        a DOS file: energy and DOS columns ('-' reads standard input)\n"
    "  --unit U    energy unit of column 1: THz (default), cm-1, meV, eV, Ry, Ha\n"
    "  --pds       the file is in lattice_heat_capacity's layout (hartree)\n"
    "  --tmin T    lowest temperature, K (default 0)\n"
    "  --tmax T    highest temperature, K (default 1000)\n"
    "  --tstep T   temperature step, K (default 10)\n"
    "  --atoms N   atoms per cell (default: the DOS integral / 3)\n"
    "  --per-atom  results per mole of atoms instead of per mole of cells\n"
    "  --csv       comma-separated values, shortest round-trip digits\n"
    "Results: free_energy and energy in kJ/mol, entropy and heat_capacity in J/K/mol,\n"
    "debye_temperature in K.\n";

struct options {
  unit u = unit::thz;
  bool pds = false;
  double tmin = 0.0, tmax = 1000.0, tstep = 10.0;
  double atoms = 0.0;  // 0: from the DOS
  bool peratom = false;
  bool csv = false;
  std::vector<std::string> files;
};

void say(lhc::outchannel& ch, const std::string& s) { ch.write(s.data(), s.size()); }

bool number(const char* text, double& v) {
  const char* end = text + std::strlen(text);
  const auto r = std::from_chars(text, end, v);
  return r.ec == std::errc() && r.ptr == end && std::isfinite(v);
}

// Parses the command line; returns -1 to go on, else an exit status.
int parse(int argc, const char* const* argv, options& o, lhc::outchannel& out, lhc::outchannel& err) {
  auto bad = [&](const std::string& what) {
    say(err, "lattice_thermo: " + what + "\n" + usage);
    return 2;
  };
  bool endopts = false;
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
      say(out, usage);
      return 0;
    }
    if (a == "--pds") o.pds = true;
    else if (a == "--per-atom") o.peratom = true;
    else if (a == "--csv") o.csv = true;
    else if (a == "--unit" || a == "--tmin" || a == "--tmax" || a == "--tstep" || a == "--atoms") {
      if (i + 1 >= argc) return bad("option " + std::string(a) + " needs a value");
      const char* v = argv[++i];
      if (a == "--unit") {
        if (!parseunit(v, o.u)) return bad("unknown unit '" + std::string(v) + "'; one of THz, cm-1, meV, eV, Ry, Ha");
        continue;
      }
      double x = 0.0;
      if (!number(v, x)) return bad("option " + std::string(a) + " needs a number, not '" + v + "'");
      if (a == "--tmin") o.tmin = x;
      else if (a == "--tmax") o.tmax = x;
      else if (a == "--tstep") o.tstep = x;
      else o.atoms = x;
    } else {
      return bad("unknown option '" + std::string(a) + "'");
    }
  }
  if (o.files.empty()) return bad("no DOS file given");
  if (o.tmin < 0.0 || o.tmax < o.tmin) return bad("temperatures must satisfy 0 <= tmin <= tmax");
  if (!(o.tstep > 0.0)) return bad("--tstep must be positive");
  if (o.atoms < 0.0) return bad("--atoms must be positive");
  return -1;
}

// Reads a whole file (or standard input for "-"); false with errno's text.
bool slurp(const std::string& path, std::string& text, std::string& why) {
  const int fd = path == "-" ? 0 : ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) {
    why = std::string("cannot open: ") + std::strerror(errno);
    return false;
  }
  text.clear();
  char buf[65536];
  for (;;) {
    const ssize_t k = ::read(fd, buf, sizeof buf);
    if (k < 0) {
      if (errno == EINTR) continue;
      why = std::string("cannot read: ") + std::strerror(errno);
      if (fd != 0) ::close(fd);
      return false;
    }
    if (k == 0) break;
    text.append(buf, static_cast<std::size_t>(k));
  }
  if (fd != 0) ::close(fd);
  return true;
}

void putcsv(std::string& s, double v) {
  char buf[64];
  if (std::isnan(v)) {
    s += "nan";
    return;
  }
  const auto r = std::to_chars(buf, buf + sizeof buf, v);
  s.append(buf, r.ptr);
}

std::string fixed(double v, int width, int decimals) {
  char buf[64];
  std::snprintf(buf, sizeof buf, "%*.*f", width, decimals, v);
  return buf;
}

// The whole output of one file, built before any of it is written.
std::string table(const std::string& path, const spectrum& sp, const harmonicdos& d, const options& o,
                  bool filecolumn) {
  const double atoms = o.atoms > 0.0 ? o.atoms : d.states / 3.0;
  const double per = o.peratom ? 1.0 / atoms : 1.0;
  const double thetainf = thetainfinity(d);
  std::string s;
  if (!o.csv) {
    s += "# file: " + path + "\n";
    s += std::string("# unit: ") + (o.pds ? "Ha (lattice_heat_capacity layout)" : unitname(o.u)) + "\n";
    s += "# points: " + std::to_string(sp.energy.size()) + " (" + std::to_string(d.energy.size()) + " with E > 0)\n";
    s += "# integral of the DOS: " + fixed(d.states, 0, 6) + " states; atoms per cell n = " + fixed(atoms, 0, 6) + "\n";
    s += "# states at or below zero energy: " + fixed(d.below, 0, 6) + " (" + fixed(100.0 * d.below / d.states, 0, 4) + " %)\n";
    s += "# zero-point energy: " + fixed(d.zeropoint * avogadro * per / 1000.0, 0, 6) + " kJ/mol" +
         (o.peratom ? " of atoms" : " of cells") + "\n";
    s += "# theta_inf: " + fixed(thetainf, 0, 3) + " K\n";
    s += "#   T [K]  F [kJ/mol]  S [J/K/mol]  Cv [J/K/mol]  E [kJ/mol]  theta_D [K]\n";
  }
  const long count = static_cast<long>(std::floor((o.tmax - o.tmin) / o.tstep * (1.0 + 1e-12))) + 1;
  // Every temperature is independent: two threads share them where the work
  // is worth a thread. Each value is computed the same way on either.
  std::vector<std::array<double, 6>> values(static_cast<std::size_t>(count));
  auto compute = [&](long from, long to) {
    for (long i = from; i < to; ++i) {
      const double t = o.tmin + static_cast<double>(i) * o.tstep;
      const harmonic h = evaluate(d, t);
      values[static_cast<std::size_t>(i)] = {
          t,
          h.free_energy * avogadro * per / 1000.0,
          h.entropy * avogadro * per,
          h.heat_capacity * avogadro * per,
          h.energy * avogadro * per / 1000.0,
          debyetemperature(h.heat_capacity / (3.0 * atoms * boltzmann), t)};
    }
  };
  if (static_cast<double>(count) * static_cast<double>(d.energy.size()) > 2e5 && count > 1) {
    std::thread other(compute, count / 2, count);
    compute(0, count / 2);
    other.join();
  } else {
    compute(0, count);
  }
  for (const auto& [t, f, ent, cv, en, theta] : values) {
    if (o.csv) {
      if (filecolumn) s += path + ",";
      for (double v : {t, f, ent, cv, en}) {
        putcsv(s, v);
        s += ',';
      }
      putcsv(s, theta);
      s += '\n';
    } else {
      s += fixed(t, 9, 2) + fixed(f, 12, 6) + fixed(ent, 13, 6) + fixed(cv, 14, 6) + fixed(en, 12, 6) +
           (std::isnan(theta) ? std::string("          nan") : fixed(theta, 13, 4)) + "\n";
    }
  }
  return s;
}

}  // namespace

int run(int argc, const char* const* argv, lhc::outchannel& out, lhc::outchannel& err) {
  options o;
  if (const int status = parse(argc, argv, o, out, err); status >= 0) return status;
  const bool filecolumn = o.files.size() > 1;
  int status = 0;
  if (o.csv) {
    std::string head = filecolumn ? "file," : "";
    head += "temperature,free_energy,entropy,heat_capacity,energy,debye_temperature\n";
    if (out.write(head.data(), head.size()) != 0) return 1;
  }
  std::string text;
  spectrum sp;
  for (const std::string& path : o.files) {
    std::string why;
    problem p;
    const std::string& name = path;
    if (!slurp(path, text, why)) {
      say(err, "lattice_thermo: " + name + ": " + why + "\n");
      status = 1;
      continue;
    }
    const bool ok = o.pds ? parsepds(text, sp, p) : parsecolumns(text, o.u, sp, p);
    if (!ok) {
      std::string where = "lattice_thermo: " + name;
      if (p.line > 0) where += ':' + std::to_string(p.line);
      say(err, where + ": " + p.what + "\n");
      status = 1;
      continue;
    }
    const harmonicdos d = prepare(sp);
    if (sp.negative > 0)
      say(err, "lattice_thermo: " + name + ": warning: " + std::to_string(sp.negative) +
                   " negative DOS values, kept as they are\n");
    if (d.below > 0.001 * d.states)
      say(err, "lattice_thermo: " + name + ": warning: " + fixed(100.0 * d.below / d.states, 0, 3) +
                   " % of the states lie at or below zero energy (imaginary modes); they take no part\n");
    const std::string rows = table(name, sp, d, o, filecolumn);
    if (const int e = out.write(rows.data(), rows.size()); e != 0) {
      say(err, std::string("lattice_thermo: cannot write the results: ") + std::strerror(e) + "\n");
      return 1;
    }
  }
  return status;
}

}  // namespace thermo
