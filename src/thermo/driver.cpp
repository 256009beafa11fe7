#include "thermo/driver.hpp"

#include <array>
#include <cerrno>
#include <charconv>
#include <cmath>
#include <condition_variable>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <cstdlib>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <system_error>
#include <thread>
#include <unistd.h>
#include <vector>

#include "thermo/constants.hpp"
#include "thermo/debye.hpp"
#include "thermo/dos.hpp"
#include "thermo/harmonic.hpp"

namespace thermo {

namespace {

constexpr const char* usage =
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

struct options {
  unit u = unit::thz;
  bool pds = false;
  double tmin = 0.0, tmax = 1000.0, tstep = 10.0;
  double atoms = 0.0;  // 0: from the DOS
  bool peratom = false;
  bool csv = false;
  std::string writepds;  // empty: none
  bool force = false;
  std::vector<std::string> files;
};

void say(common::outchannel& ch, const std::string& s) { ch.write(s.data(), s.size()); }

bool number(const char* text, double& v) {
  const char* end = text + std::strlen(text);
  const auto r = std::from_chars(text, end, v);
  return r.ec == std::errc() && r.ptr == end && std::isfinite(v);
}

// Parses the command line; returns -1 to go on, else an exit status.
int parse(int argc, const char* const* argv, options& o, common::outchannel& out, common::outchannel& err) {
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
    else if (a == "--force") o.force = true;
    else if (a == "--write-pds") {
      if (i + 1 >= argc) return bad("option --write-pds needs a value");
      o.writepds = argv[++i];
    }
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
  if (!o.writepds.empty() && o.files.size() != 1) return bad("--write-pds takes exactly one DOS file");
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

// The DOS resampled onto the fixed program's input: 339 energies evenly
// spaced from 0 to the highest tabulated energy, the DOS linearly
// interpolated (0 below the first point above zero), in hartree and states
// per hartree per atom, normalised to 3 states per atom by the trapezoid
// rule over the 339 points, after 11 header lines.
std::string pdsfile(const std::string& path, const spectrum& sp, const options& o) {
  constexpr int n = 339;
  const std::size_t m = sp.energy.size();
  std::size_t first = 0;
  while (!(sp.energy[first] > 0.0)) ++first;
  const double emax = sp.energy[m - 1];
  std::vector<double> e(n), g(n);
  std::size_t j = first;
  for (int k = 0; k < n; ++k) {
    e[k] = emax * k / (n - 1);
    if (e[k] < sp.energy[first]) continue;  // g stays 0
    // At least two points lie above zero, so [j, j + 1] always exists.
    while (j + 2 < m && sp.energy[j + 1] < e[k]) ++j;
    const double w = (e[k] - sp.energy[j]) / (sp.energy[j + 1] - sp.energy[j]);
    g[k] = sp.dos[j] + w * (sp.dos[j + 1] - sp.dos[j]);
  }
  g[n - 1] = sp.dos[m - 1];  // the last point exactly, not up to rounding
  double integral = 0.0;
  for (int k = 1; k < n; ++k) integral += 0.5 * (g[k] + g[k - 1]) * (e[k] - e[k - 1]);
  const double norm = integral > 0.0 ? 3.0 / integral : 0.0;
  std::string s;
  s += "# Phonon DOS resampled by lattice_thermo for lattice_heat_capacity\n";
  s += "# Source: " + path + "\n";
  s += std::string("# Source energy unit: ") + (o.pds ? "Ha" : unitname(o.u)) + "\n";
  s += "# Source points: " + std::to_string(m) + "\n";
  s += "# Resampled: 339 energies evenly spaced from 0 to the highest source energy\n";
  s += "# DOS linearly interpolated; 0 below the first source point above zero\n";
  s += "# Normalised to 3 states per atom (trapezoid rule over the 339 points)\n";
  s += "# Highest energy: " + fixed(emax / hartree, 0, 12) + " hartree\n";
  s += "# Resampled DOS held " + fixed(integral, 0, 6) + " states; multiplied by " + fixed(norm, 0, 9) + "\n";
  s += "# Columns: energy (hartree), DOS (states per hartree per atom)\n";
  s += "# energy dos\n";
  char buf[80];
  for (int k = 0; k < n; ++k) {
    std::snprintf(buf, sizeof buf, "%22.14E %22.14E\n", e[k] / hartree, g[k] * norm * hartree);
    s += buf;
  }
  return s;
}

// Writes text to path through a temporary file in the same directory and a
// rename, so that a failure never leaves a half-written file; refuses an
// existing path unless force. False with the reason.
bool writeatomically(const std::string& path, const std::string& text, bool force, std::string& why) {
  if (!force && ::access(path.c_str(), F_OK) == 0) {
    why = "exists; --force replaces it";
    return false;
  }
  std::string tmp = path + ".tmpXXXXXX";
  const int fd = ::mkstemp(tmp.data());
  if (fd < 0) {
    why = std::string("cannot create a temporary file beside it: ") + std::strerror(errno);
    return false;
  }
  common::fdchannel ch(fd);
  int e = ch.write(text.data(), text.size());
  if (e == 0 && ::fsync(fd) != 0) e = errno;
  if (::close(fd) != 0 && e == 0) e = errno;
  if (e == 0 && ::chmod(tmp.c_str(), 0644) != 0) e = errno;
  if (e == 0 && ::rename(tmp.c_str(), path.c_str()) != 0) e = errno;
  if (e != 0) {
    ::unlink(tmp.c_str());
    why = std::string("cannot write: ") + std::strerror(e);
    return false;
  }
  return true;
}

// The whole output of one file, built before any of it is written.
std::string table(const std::string& path, const spectrum& sp, const harmonicdos& d, const options& o,
                  bool filecolumn, bool split) {
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
  // Every temperature is independent: where asked (one file, no other work
  // for the second core) two threads share them if the work is worth a
  // thread. Each value is computed the same way on either.
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
  if (split && static_cast<double>(count) * static_cast<double>(d.energy.size()) > 2e5 && count > 1) {
    std::thread other;
    try {
      other = std::thread(compute, count / 2, count);
    } catch (const std::system_error&) {  // no thread to be had: all of it here
    }
    compute(0, count / 2);
    if (other.joinable()) other.join();
    else compute(count / 2, count);
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

// What one file gives: its messages for standard error and its rows for
// standard output, written in that order once the file is done.
struct fileresult {
  std::string messages;
  std::string rows;
  bool failed = false;  // the file gave no rows
  bool fatal = false;   // the run stops here (its --write-pds output failed)
};

// Reads, checks and evaluates one file. `text` and `sp` are the caller's
// buffers, kept from one file to the next.
fileresult onefile(const std::string& path, const options& o, bool filecolumn, bool split, std::string& text,
                   spectrum& sp) {
  fileresult r;
  std::string why;
  problem p;
  if (!slurp(path, text, why)) {
    r.messages = "lattice_thermo: " + path + ": " + why + "\n";
    r.failed = true;
    return r;
  }
  const bool ok = o.pds ? parsepds(text, sp, p) : parsecolumns(text, o.u, sp, p);
  if (!ok) {
    r.messages = "lattice_thermo: " + path;
    if (p.line > 0) r.messages += ':' + std::to_string(p.line);
    r.messages += ": " + p.what + "\n";
    r.failed = true;
    return r;
  }
  const harmonicdos d = prepare(sp);
  if (sp.negative > 0)
    r.messages += "lattice_thermo: " + path + ": warning: " + std::to_string(sp.negative) +
                  " negative DOS values, kept as they are\n";
  if (d.below > 0.001 * d.states)
    r.messages += "lattice_thermo: " + path + ": warning: " + fixed(100.0 * d.below / d.states, 0, 3) +
                  " % of the states lie at or below zero energy (imaginary modes); they take no part\n";
  if (!o.writepds.empty() && !writeatomically(o.writepds, pdsfile(path, sp, o), o.force, why)) {
    r.messages += "lattice_thermo: " + o.writepds + ": " + why + "\n";
    r.fatal = true;
    return r;
  }
  r.rows = table(path, sp, d, o, filecolumn, split);
  return r;
}

// Does every file and hands each result to `emit` in file order; stops when
// emit returns false. One file is done here, its temperatures shared by two
// threads; several are done two at a time by two workers, at most `ahead`
// files beyond the one being emitted, so that memory stays bounded however
// many files there are.
template <class Emit>
void eachfile(const options& o, Emit emit) {
  const std::size_t n = o.files.size();
  const bool filecolumn = n > 1;
  auto alone = [&](bool split) {
    std::string text;
    spectrum sp;
    for (const std::string& path : o.files)
      if (!emit(onefile(path, o, filecolumn, split, text, sp))) return;
  };
  if (n == 1) return alone(true);
  constexpr std::size_t ahead = 4;
  std::mutex mu;
  std::condition_variable cv;
  // File i waits in slot i % ahead: a worker takes it only once file
  // i - ahead, the slot's last, has been emitted.
  std::array<std::optional<fileresult>, ahead> slots;
  std::size_t next = 0, emitted = 0;
  bool stop = false;
  auto worker = [&] {
    std::string text;
    spectrum sp;
    for (;;) {
      std::unique_lock lock(mu);
      cv.wait(lock, [&] { return stop || next >= n || next < emitted + ahead; });
      if (stop || next >= n) return;
      const std::size_t i = next++;
      lock.unlock();
      fileresult r = onefile(o.files[i], o, filecolumn, false, text, sp);
      lock.lock();
      slots[i % ahead] = std::move(r);
      cv.notify_all();
    }
  };
  std::vector<std::thread> workers;
  try {
    for (int k = 0; k < 2; ++k) workers.emplace_back(worker);
  } catch (const std::system_error&) {  // as many as could be had
  }
  if (workers.empty()) return alone(false);
  for (std::size_t i = 0; i < n; ++i) {
    std::unique_lock lock(mu);
    std::optional<fileresult>& slot = slots[i % ahead];
    cv.wait(lock, [&] { return slot.has_value(); });
    fileresult r = std::move(*slot);
    slot.reset();
    emitted = i + 1;
    cv.notify_all();
    lock.unlock();
    if (!emit(std::move(r))) {
      lock.lock();
      stop = true;
      cv.notify_all();
      break;
    }
  }
  for (std::thread& w : workers) w.join();
}

}  // namespace

int run(int argc, const char* const* argv, common::outchannel& out, common::outchannel& err) {
  options o;
  if (const int status = parse(argc, argv, o, out, err); status >= 0) return status;
  int status = 0;
  if (o.csv) {
    std::string head = o.files.size() > 1 ? "file," : "";
    head += "temperature,free_energy,entropy,heat_capacity,energy,debye_temperature\n";
    if (out.write(head.data(), head.size()) != 0) return 1;
  }
  eachfile(o, [&](fileresult r) {
    if (!r.messages.empty()) say(err, r.messages);
    if (r.failed) status = 1;
    if (r.fatal) {
      status = 1;
      return false;
    }
    if (const int e = out.write(r.rows.data(), r.rows.size()); e != 0) {
      say(err, std::string("lattice_thermo: cannot write the results: ") + std::strerror(e) + "\n");
      status = 1;
      return false;
    }
    return true;
  });
  return status;
}

}  // namespace thermo
