#include "thermo/cli/qha_run.hpp"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <string>
#include <vector>

#include "thermo/base/number_text.hpp"
#include "thermo/cli/pipeline.hpp"
#include "thermo/cli/qha_phase.hpp"
#include "thermo/formats/atomic_write.hpp"
#include "thermo/formats/fv_output.hpp"
#include "thermo/formats/qha_output.hpp"
#include "thermo/qha/qha.hpp"

namespace thermo {

namespace {

// B0' outside these bounds, or a residual beyond this share of G's spread
// over the volumes: too few volumes, or badly placed ones.
constexpr double lowestb0prime = 1.0, highestb0prime = 10.0, rmsshare = 0.01;

// What the table's header says of the electrons.
std::string electronsof(const qhaphase& ph) {
  if (!ph.efefile.empty()) return "their free energy from " + showpath(ph.efefile) + " (S and Cv from a spline in T)";
  if (ph.dosatfermi.empty()) return "";
  return "Sommerfeld's, N(E_F) " + significant(ph.dosatfermi.front()) + " to " + significant(ph.dosatfermi.back()) +
         " states/eV per cell";
}

// The rows of a phase, pressure by pressure and block by block, with their
// warnings: where V(T) leaves the volumes (the rows of that pressure stop),
// and the first temperature of each pressure where the fit looks unhealthy.
struct rowrun {
  const options& o;
  const qhaphase& ph;
  common::outchannel& out;
  common::outchannel& err;
  atomicfile* fv;  // --write-fv's, or none
  bool anyrow = false, failed = false, writefailed = false;

  // The messages so far, then s and what --write-fv has gathered.
  bool write(const std::string& s) {
    std::string why;
    flush();
    if (const int e = out.write(s.data(), s.size()); e != 0) {
      messages += std::string("lattice_thermo: cannot write the results: ") + std::strerror(e) + "\n";
      writefailed = true;
    } else if (fv != nullptr && !fv->write(fvtext, why)) {
      messages += "lattice_thermo: " + showpath(o.qha.writefv) + ": " + why + "\n";
      writefailed = true;
    }
    fvtext.clear();
    flush();
    return !writefailed;
  }
  void flush() {
    err.write(messages.data(), messages.size());
    messages.clear();
  }
  void say(const std::string& s) {
    messages += s;
    flush();
  }

  void run(double pressure, bool first, bool pressurecolumn) {
    const qhamodel& m = ph.model;
    const std::string ev = showpath(ph.evfile), at = " GPa";
    const double vmin = m.volume.front(), vmax = m.volume.back();
    const std::string range = significant(vmin) + " to " + significant(vmax) + " A^3";
    std::string text;
    if (!o.csv) {
      if (!first) text += "\n";  // a blank line between blocks
      appendqhatableheader(text, {ph.evfile, m.form, pressure, vmin, vmax, ph.staticfit,
                                  static_cast<int>(m.volume.size()), electronsof(ph)});
    }
    bool stiff = false, loose = false;
    const long count = ph.temps.count();
    std::vector<double> t;
    std::vector<qhaoutcome> block;
    for (long from = 0; from < count; from += rowblock) {
      const long to = std::min(count, from + rowblock);
      t.resize(static_cast<std::size_t>(to - from));
      for (long i = from; i < to; ++i) t[static_cast<std::size_t>(i - from)] = ph.temps.at(i);
      block.assign(t.size(), qhaoutcome{});
      qharows(m, t.data(), t.size(), pressure, block.data(), fv != nullptr);
      for (std::size_t i = 0; i < block.size(); ++i) {
        const qhaoutcome& r = block[i];
        auto where = [&] { return significant(t[i]) + " K and " + significant(pressure) + at; };
        if (!r.ok) {
          messages += "lattice_thermo: " + ev + ": at " + where() + ": " + r.why + "\n";
          failed = true;
          continue;
        }
        if (!(r.row.volume >= vmin && r.row.volume <= vmax)) {
          const std::string stop = "at " + where() + " the volume, " + significant(r.row.volume) +
                                   " A^3, leaves the volumes sampled (" + range + ")";
          messages += "lattice_thermo: " + ev + ": warning: " + stop +
                      ": no rows from there on at this pressure, as the fit would be an extrapolation\n";
          if (fv != nullptr) fvtext += "# stop: " + stop + "\n\n\n";
          write(text);
          return;
        }
        if (!stiff && !(r.row.bulk_modulus_prime >= lowestb0prime && r.row.bulk_modulus_prime <= highestb0prime)) {
          stiff = true;
          messages += "lattice_thermo: " + ev + ": warning: at " + where() + " the fit's B0' is " +
                      significant(r.row.bulk_modulus_prime) + ", outside 1 to 10: too few volumes, or badly placed "
                      "ones, for this equation of state (see --write-fv)\n";
        }
        if (!loose && r.row.fit_rms > rmsshare * r.spread) {
          loose = true;
          messages += "lattice_thermo: " + ev + ": warning: at " + where() + " the fit's rms residual, " +
                      significant(r.row.fit_rms) + " kJ/mol, is more than 1 % of G's spread over the volumes (" +
                      significant(r.spread) + " kJ/mol): the equation of state does not follow the data "
                      "(see --write-fv)\n";
        }
        anyrow = true;
        if (o.csv) appendqhacsv(text, r.row, pressurecolumn, pressure);
        else appendqhatablerow(text, r.row);
        if (fv != nullptr) appendfvblock(fvtext, m, r, pressure);
      }
      if (!write(text)) return;
      text.clear();
    }
  }

  std::string messages, fvtext;  // not yet written
};

}  // namespace

int runqha(const options& o, common::outchannel& out, common::outchannel& err) {
  qhaphase ph = phaseof(o);
  const int status = loadphase(o, ph);
  err.write(ph.messages.data(), ph.messages.size());
  if (status >= 0) return status;
  atomicfile fv;
  rowrun run{o, ph, out, err, o.qha.writefv.empty() ? nullptr : &fv, false, false, false, {}, {}};
  const std::string fvname = "lattice_thermo: " + showpath(o.qha.writefv) + ": ";
  std::string why;
  if (run.fv != nullptr && !(fv.open(o.qha.writefv, o.force, o.newfilemode, why) && fv.write(fvheader(showpath(ph.evfile)), why)))
    return run.say(fvname + why + "\n"), 1;
  const bool pressurecolumn = o.qha.pressures.size() > 1;
  if (o.csv && !run.write(qhacsvheader(pressurecolumn))) return 1;
  for (std::size_t k = 0; k < o.qha.pressures.size(); ++k) {
    run.run(o.qha.pressures[k], k == 0, pressurecolumn);
    if (run.writefailed) return 1;
  }
  if (!run.anyrow)
    return run.say("lattice_thermo: " + showpath(ph.evfile) + ": no temperature has its volume within the volumes sampled (" +
                   significant(ph.model.volume.front()) + " to " + significant(ph.model.volume.back()) + " A^3)\n"),
           1;
  if (run.fv != nullptr && !fv.commit(why)) return run.say(fvname + why + "\n"), 1;
  return run.failed ? 1 : 0;
}

}  // namespace thermo
