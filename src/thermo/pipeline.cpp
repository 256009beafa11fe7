#include "thermo/pipeline.hpp"

#include <algorithm>
#include <cmath>
#include <cstdio>

#include "thermo/atomic_write.hpp"
#include "thermo/columns.hpp"
#include "thermo/constants.hpp"
#include "thermo/input.hpp"
#include "thermo/pds.hpp"
#include "thermo/resample.hpp"
#include "thermo/sweep.hpp"

namespace thermo {

namespace {

void renderblock(const rowstream& r, const temperatures& temps, long from, long to, std::string& s, bool split) {
  std::vector<double> t(static_cast<std::size_t>(to - from));
  for (long i = from; i < to; ++i) t[static_cast<std::size_t>(i - from)] = temps.at(i);
  std::vector<row> rows(t.size());
  sweep(r.d, r.thetaatoms, r.divisor, t.data(), t.size(), rows.data(), split);
  if (r.csv) appendcsvrows(s, rows.data(), rows.size(), r.file);
  else appendtablerows(s, rows.data(), rows.size(), r.layout);
}

std::string percent(double v) {
  char buf[32];
  std::snprintf(buf, sizeof buf, "%.3g", v);
  return buf;
}

}  // namespace

std::string showpath(const std::string& path) {
  std::string s;
  for (const char c : path) {
    const auto u = static_cast<unsigned char>(c);
    if (u < 0x20 || u == 0x7F) {
      char buf[8];
      std::snprintf(buf, sizeof buf, "\\x%02X", u);
      s += buf;
    } else {
      s += c;
    }
  }
  return s;
}

bool rowstream::more(const temperatures& temps, std::string& s, bool split) {
  s.clear();
  if (next >= count) return false;
  const long to = std::min(count, next + rowblock);
  renderblock(*this, temps, next, to, s, split);
  next = to;
  return true;
}

bool readfile(const std::string& path, const options& o, filescratch& scratch, spectrum& sp, std::string& message) {
  source in;
  std::string why;
  if (!in.open(path, why)) {
    message = "lattice_thermo: " + showpath(path) + ": " + why + "\n";
    return false;
  }
  problem p;
  const bool ok = o.pds ? readpds(in, sp, p, scratch.lines) : readcolumns(in, o.u, sp, p, scratch.lines);
  if (!ok) {
    message = "lattice_thermo: " + showpath(path);
    if (p.line > 0) message += ':' + std::to_string(p.line);
    message += ": " + p.what + "\n";
  }
  return ok;
}

fileresult finishfile(const std::string& path, const options& o, bool filecolumn, bool split, const spectrum& sp) {
  fileresult r;
  r.path = path;
  const std::string shown = showpath(path);
  auto rest = std::make_unique<rowstream>();
  rest->d = prepare(sp);
  const harmonicdos& d = rest->d;
  if (sp.negative > 0)
    r.messages += "lattice_thermo: " + shown + ": warning: " + std::to_string(sp.negative) +
                  " negative DOS values, kept as they are\n";
  if (d.below > 0.001 * d.states)
    r.messages += "lattice_thermo: " + shown + ": warning: " + fixed(100.0 * d.below / d.states, 0, 3) +
                  " % of the states take no part: they lie at or below zero energy (imaginary modes)"
                  " or between the last point at or below zero and the first above it\n";
  const char* unit = o.pds ? "Ha" : unitname(o.u);
  if (!o.writepds.empty()) {
    const std::string out = showpath(o.writepds);
    resampled rs;
    std::string why;
    if (!pdsfile(path, unit, sp, rs)) {
      r.messages += "lattice_thermo: " + out + ": the DOS resampled to 339 points holds no states; nothing written\n";
      r.fatal = true;
      return r;
    }
    const double change = (rs.resampledcv - rs.sourcecv) / rs.sourcecv;
    if (rs.sourcecv > 0.0 && !(std::fabs(change) <= 0.01))
      r.messages += "lattice_thermo: " + out + ": warning: C at 300 K from the 339 resampled points is " +
                    percent(100.0 * change) + " % off the source's (" +
                    fixed(rs.resampledcv * avogadro, 0, 4) + " against " + fixed(rs.sourcecv * avogadro, 0, 4) +
                    " J/K/mol of cells): the grid is too coarse for this DOS\n";
    if (!writeatomically(o.writepds, rs.text, o.force, o.newfilemode, why)) {
      r.messages += "lattice_thermo: " + out + ": " + why + "\n";
      r.fatal = true;
      return r;
    }
  }
  const double atoms = o.atoms > 0.0 ? o.atoms : d.states / 3.0;
  rest->thetaatoms = o.atoms > 0.0 ? o.atoms : d.positive / 3.0;
  rest->divisor = o.peratom ? atoms : 1.0;
  rest->csv = o.csv;
  rest->file = filecolumn ? path : std::string();
  rest->count = o.temps.count();
  if (!o.csv) {
    const row first = rowat(d, rest->thetaatoms, rest->divisor, o.temps.at(0));
    const row last = rowat(d, rest->thetaatoms, rest->divisor, o.temps.at(rest->count - 1));
    rest->layout = layoutfor(first, last);
    appendtableheader(r.rows, {shown, o.pds ? "Ha (lattice_heat_capacity layout)" : unit, atoms, rest->thetaatoms,
                               o.peratom},
                      sp, d, rest->layout);
  }
  const long to = std::min(rest->count, rowblock);
  renderblock(*rest, o.temps, 0, to, r.rows, split);
  rest->next = to;
  if (rest->next < rest->count) r.rest = std::move(rest);
  return r;
}

fileresult onefile(const std::string& path, const options& o, bool filecolumn, bool split, filescratch& scratch) {
  spectrum sp;
  std::string message;
  if (!readfile(path, o, scratch, sp, message)) {
    fileresult r;
    r.path = path;
    r.messages = std::move(message);
    r.failed = true;
    return r;
  }
  return finishfile(path, o, filecolumn, split, sp);
}

}  // namespace thermo
