#include "thermo/cli/qha_run.hpp"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <numeric>
#include <string>
#include <system_error>
#include <thread>
#include <vector>

#include "thermo/harmonic/constants.hpp"
#include "thermo/formats/ev_file.hpp"
#include "thermo/formats/load.hpp"
#include "thermo/base/number_text.hpp"
#include "thermo/cli/pipeline.hpp"
#include "thermo/qha/qha.hpp"
#include "thermo/formats/qha_output.hpp"
#include "thermo/cli/workers.hpp"

namespace thermo {

namespace {

// The model from the files; false with the messages of what is wrong.
bool loadmodel(const options& o, qhamodel& m, std::string& messages) {
  const std::string ev = showpath(o.qha.evfile);
  source in;
  std::string why;
  evdata data;
  problem p;
  filescratch scratch;
  if (!in.open(o.qha.evfile, why)) {
    messages += "lattice_thermo: " + ev + ": " + why + "\n";
    return false;
  }
  if (!readev(in, data, p, scratch.lines)) {
    // In steps: g++ 12 misreads a + chain with to_string here (-Wrestrict).
    messages += "lattice_thermo: " + ev;
    if (p.line > 0) {
      messages += ':';
      messages += std::to_string(p.line);
    }
    messages += ": " + p.what + "\n";
    return false;
  }
  const std::size_t n = data.volume.size();
  if (n < 5) {
    messages += "lattice_thermo: " + ev + ": " + std::to_string(n) +
                " volumes; the equation of state's four parameters need at least 5\n";
    return false;
  }
  if (n != o.files.size()) {
    messages += "lattice_thermo: " + ev + ": " + std::to_string(n) + " volumes, but " +
                std::to_string(o.files.size()) + " DOS files are given: one for each volume, in the same order\n";
    return false;
  }
  if (!distinctvolumes(data, p)) {
    messages += "lattice_thermo: " + ev + ":" + std::to_string(p.line) + ": " + p.what + "\n";
    return false;
  }
  // The DOS files on two workers, their messages in file order.
  std::vector<harmonicdos> dos(n);
  bool ok = true;
  struct one {
    loaded file;
    std::string message;
    bool ok = false;
  };
  std::size_t taken = 0;
  inorder<one, filescratch>(
      n,
      [&](filescratch& sc, std::size_t i) {
        one r;
        r.ok = readfile(o.files[i], o.read, o.atoms, sc, r.file, r.message);
        return r;
      },
      [&](one r) {
        messages += r.ok ? r.file.notes : r.message;
        ok = ok && r.ok;
        dos[taken++] = std::move(r.file.d);
        return true;
      });
  if (!ok) return false;
  // Every DOS describes the same cell: the same number of states.
  for (std::size_t i = 1; i < n; ++i)
    if (std::fabs(dos[i].states - dos[0].states) > 0.01 * std::fabs(dos[0].states))
      messages += "lattice_thermo: " + showpath(o.files[i]) + ": warning: the DOS holds " + significant(dos[i].states) +
                  " states, " + showpath(o.files[0]) + " " + significant(dos[0].states) +
                  ": every DOS must describe the same cell\n";
  m = makemodel(o.qha.form, data.volume, data.energy, std::move(dos));
  return true;
}

}  // namespace

int runqha(const options& o, common::outchannel& out, common::outchannel& err) {
  auto say = [&](const std::string& s) { err.write(s.data(), s.size()); };
  std::string messages;
  qhamodel m;
  const bool loaded = loadmodel(o, m, messages);
  say(messages);
  if (!loaded) return 1;
  const std::string ev = showpath(o.qha.evfile);
  const double vmin = m.volume.front(), vmax = m.volume.back();
  const std::string range = significant(vmin) + " to " + significant(vmax) + " A^3";
  // The static fit, and the minimum at 0 K: both inside the volumes.
  parameters fit, zero;
  std::string why;
  qharow row0;
  if (!lowestinside(m)) {
    say("lattice_thermo: " + ev + ": E(V) with the zero-point energy has no minimum within the volumes (" + range +
        "): it is lowest at the " + (lowestat(m) == 0 ? "smallest" : "largest") + " volume\n");
    return 1;
  }
  if (!staticfit(m, fit, why) || !qhaat(m, 0.0, 0.0, row0, zero, why)) {
    say("lattice_thermo: " + ev + ": at 0 K: " + why + "\n");
    return 1;
  }
  if (!(zero[3] >= vmin && zero[3] <= vmax)) {
    say("lattice_thermo: " + ev + ": E(V) with the zero-point energy has no minimum within the volumes (" + range +
        "): the fit puts it at " + significant(zero[3]) + " A^3\n");
    return 1;
  }
  int status = 0;
  bool anyrow = false;
  const bool pressurecolumn = o.qha.pressures.size() > 1;
  auto write = [&](const std::string& s) {
    if (const int e = out.write(s.data(), s.size()); e != 0) {
      say(std::string("lattice_thermo: cannot write the results: ") + std::strerror(e) + "\n");
      return false;
    }
    return true;
  };
  if (o.csv && !write(qhacsvheader(pressurecolumn))) return 1;
  const long count = o.temps.count();
  std::vector<double> t;
  std::vector<qhaoutcome> block;
  std::string text;
  for (const double& pressure : o.qha.pressures) {
    if (!o.csv) {
      text.clear();
      if (&pressure != &o.qha.pressures.front()) text += "\n";  // a blank line between blocks
      appendqhatableheader(text, {o.qha.evfile, m.form, pressure, vmin, vmax, fit, static_cast<int>(m.volume.size())});
      if (!write(text)) return 1;
    }
    bool inside = true;
    for (long from = 0; from < count && inside; from += rowblock) {
      const long to = std::min(count, from + rowblock);
      t.resize(static_cast<std::size_t>(to - from));
      for (long i = from; i < to; ++i) t[static_cast<std::size_t>(i - from)] = o.temps.at(i);
      block.assign(t.size(), qhaoutcome{});
      qharows(m, t.data(), t.size(), pressure, block.data());
      text.clear();
      for (std::size_t i = 0; i < block.size(); ++i) {
        const qhaoutcome& r = block[i];
        if (!r.ok) {
          say("lattice_thermo: " + ev + ": at " + significant(t[i]) + " K and " + significant(pressure) + " GPa: " + r.why + "\n");
          status = 1;
          continue;
        }
        if (!(r.row.volume >= vmin && r.row.volume <= vmax)) {
          say("lattice_thermo: " + ev + ": warning: at " + significant(r.row.temperature) + " K and " + significant(pressure) +
              " GPa the volume, " + significant(r.row.volume) + " A^3, leaves the volumes sampled (" + range +
              "): no rows from there on at this pressure, as the fit would be an extrapolation\n");
          inside = false;
          break;
        }
        anyrow = true;
        if (o.csv) appendqhacsv(text, r.row, pressurecolumn, pressure);
        else appendqhatablerow(text, r.row);
      }
      if (!write(text)) return 1;
    }
  }
  if (!anyrow) {
    say("lattice_thermo: " + ev + ": no temperature has its volume within the volumes sampled (" + range + ")\n");
    return 1;
  }
  return status;
}

}  // namespace thermo
