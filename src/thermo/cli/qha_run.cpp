#include "thermo/cli/qha_run.hpp"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <string>
#include <vector>

#include "thermo/base/number_text.hpp"
#include "thermo/cli/phase_options.hpp"
#include "thermo/cli/pipeline.hpp"
#include "thermo/cli/results_write.hpp"
#include "thermo/cli/strict.hpp"
#include "thermo/cli/transitions_run.hpp"
#include "thermo/formats/inputs/lattice_load.hpp"
#include "thermo/formats/inputs/qha_phase.hpp"
#include "thermo/formats/outputs/atomic_write.hpp"
#include "thermo/formats/outputs/fv_output.hpp"
#include "thermo/formats/outputs/grid_output.hpp"
#include "thermo/formats/outputs/phases_output.hpp"
#include "thermo/formats/outputs/qha_output.hpp"
#include "thermo/qha/doubt.hpp"
#include "thermo/qha/qha.hpp"

namespace thermo {

namespace {

// The rows of the phases, pressure by pressure and block by block, with
// their warnings: where a phase's V(T) leaves its volumes (its rows of that
// pressure stop), and the first row of each phase and pressure whose answer
// the fit leaves in doubt (of every row with --error-bars; else of the
// checkpoints and the last row). With several phases, each row says its
// phase and whether it is the stable one, of the phases with a row at that
// temperature.
struct rowrun {
  const options& o;
  const std::vector<qhaphase>& phases;
  common::outchannel& out;
  common::outchannel& err;
  atomicfile* fv;  // --write-fv's (one phase), or none
  const axialpath* path;  // --lattice's (one phase), or none
  bool anyrow = false, failed = false, writefailed = false;
  std::vector<char> rowed;  // each phase has had a row

  // The messages so far, then s and what --write-fv has gathered.
  bool write(const std::string& s) {
    if (!writeresults(out, err, messages, s, fv, fvtext, o.qha.writefv)) writefailed = true;
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
  // The doubt warning for r where its error bars were taken (never for the strain polynomials,
  // whose error bars are taken only where asked for) and none of its kind (1: in doubt, 2: cannot
  // be taken) was given.
  static bool judgeable(const qhaphase& ph) {
    return ph.model.volume.size() >= std::size_t{errorbarvolumes} && ph.model.form != eos::strain;
  }
  void judge(const qhaphase& ph, const qhaoutcome& r, double pressure, char& doubted) {
    const char kind = r.errorswhy.empty() ? 1 : 2;
    if ((doubted & kind) || !r.errors || !judgeable(ph)) return;
    const std::string w = doubtwarning("lattice_thermo: " + showpath(ph.evfile) + ": warning: ", r, ph.model.atoms,
                                       pressure, "--error-bars gives every row's error bars, --write-fv the fits");
    if (!w.empty()) doubted |= kind;
    messages += w;
  }

  // Whether r gives phase ph's row at pressure; its warnings. `live` turns
  // false where V(T) leaves the volumes.
  bool usable(const qhaphase& ph, const qhaoutcome& r, double t, double pressure, char& live, char& doubted,
              double last, char judged) {
    const qhamodel& m = ph.model;
    const std::string ev = showpath(ph.evfile), at = " GPa";
    const double vmin = m.volume.front(), vmax = m.volume.back();
    auto where = [&] { return significant(t) + " K and " + significant(pressure) + at; };
    if (!r.ok) {
      messages += "lattice_thermo: " + ev + ": at " + where() + ": " + r.why + "\n";
      failed = true;
      return false;
    }
    if (!(r.row.volume >= vmin && r.row.volume <= vmax)) {
      const std::string range = significant(vmin) + " to " + significant(vmax) + " A^3";
      const std::string stop = "at " + where() + " the volume, " + significant(r.row.volume) +
                               " A^3, leaves the volumes sampled (" + range + ")";
      judgelast(ph, last, judged, pressure, doubted);
      messages += "lattice_thermo: " + ev + ": warning: " + stop +
                  ": no rows from there on at this pressure, as the fit would be an extrapolation\n";
      if (fv != nullptr) fvtext += "# stop: " + stop + "\n\n\n";
      live = false;
      return false;
    }
    judge(ph, r, pressure, doubted);
    return true;
  }

  // Where a phase's rows stop at a pressure: its last row judged, if not yet (not a checkpoint).
  void judgelast(const qhaphase& ph, double t, char judged, double pressure, char& doubted) {
    if (judged || (doubted & 1) || !judgeable(ph)) return;
    qhaoutcome r;
    r.errors = true;
    if (qhaat(ph.model, t, pressure, r)) judge(ph, r, pressure, doubted);
  }

  void run(double pressure, bool first, bool pressurecolumn) {
    const std::size_t np = phases.size();
    const bool errors = o.qha.errorbars;
    const bool several = np > 1;
    const bool strainerrors = o.qha.form == eos::strain;  // with the spread across the degrees
    std::string text;
    int width = 5;
    for (const qhaphase& ph : phases) width = std::max(width, static_cast<int>(ph.name.size()));
    if (!o.csv) {
      if (!first) text += "\n";  // a blank line between blocks
      if (several) {
        appendphasestableheader(text, infoof(phases), o.qha.form, pressure, errors);
      } else {
        const qhaphase& ph = phases[0];
        const qhamodel& m = ph.model;
        appendqhatableheader(text, {ph.evfile, m.form, pressure, m.volume.front(), m.volume.back(), ph.staticfit,
                                    static_cast<int>(m.volume.size()), electronsof(ph),
                                    o.qha.formulaunits ? ph.formulaunits : 0.0, errors});
        if (path != nullptr) addpathtableheader(text, o.aniso.latticefile, *path);
      }
    }
    std::vector<char> live(np, 1), doubted(np, 0), use(np, 0), judged(np, 1);
    std::vector<double> last(np, 0.0);  // each phase's last row's temperature
    const long count = phases[0].temps.count();
    std::vector<double> t;
    std::vector<std::vector<qhaoutcome>> blocks(np);
    for (long from = 0; from < count; from += rowblock) {
      const long to = std::min(count, from + rowblock);
      t.resize(static_cast<std::size_t>(to - from));
      for (long i = from; i < to; ++i) t[static_cast<std::size_t>(i - from)] = phases[0].temps.at(i);
      for (std::size_t k = 0; k < np; ++k) {
        blocks[k].assign(live[k] ? t.size() : 0, qhaoutcome{});
        const bool enough = phases[k].model.volume.size() >= static_cast<std::size_t>(errorbarvolumes);
        for (std::size_t i = 0; i < blocks[k].size(); ++i)
          blocks[k][i].errors =
              enough && (errors || (judgeable(phases[k]) && doubtcheckpoint(from + static_cast<long>(i), count)));
        if (live[k]) qharows(phases[k].model, t.data(), t.size(), pressure, blocks[k].data(), fv != nullptr);
      }
      for (std::size_t i = 0; i < t.size(); ++i) {
        std::size_t stable = np;
        for (std::size_t k = 0; k < np; ++k) {
          use[k] = live[k] && usable(phases[k], blocks[k][i], t[i], pressure, live[k], doubted[k], last[k], judged[k]);
          if (use[k]) {
            last[k] = t[i];
            judged[k] = blocks[k][i].errors;
            blocks[k][i].row = performula(blocks[k][i].row, phases[k].formulaunits);
          }
          if (use[k] && (stable == np || blocks[k][i].row.gibbs_energy < blocks[stable][i].row.gibbs_energy))
            stable = k;
        }
        if (std::none_of(live.begin(), live.end(), [](char x) { return x != 0; })) {
          write(text);
          return;
        }
        for (std::size_t k = 0; k < np; ++k) {
          if (!use[k]) continue;
          anyrow = true;
          rowed[k] = 1;
          const qharow& r = blocks[k][i].row;
          // The row's values, --lattice's lengths, then the error bars' columns.
          const bool last = o.csv && errors && path != nullptr;
          if (several && o.csv) appendphasecsv(text, r, pressurecolumn, pressure, phases[k].name, k == stable, errors);
          else if (several) appendphasestablerow(text, r, phases[k].name, width, k == stable, errors);
          else if (o.csv) appendqhacsv(text, r, pressurecolumn, pressure, errors && !last, strainerrors);
          else appendqhatablerow(text, r, errors);
          if (path != nullptr) addpathfields(text, *path, r.volume * phases[k].formulaunits, r.thermal_expansion, o.csv);
          if (last) addrowerrors(text, r, strainerrors);
          if (fv != nullptr) appendfvblock(fvtext, phases[k].model, blocks[k][i], pressure);
        }
      }
      if (!write(text)) return;
      text.clear();
    }
  }

  std::string messages, fvtext;  // not yet written
};

// The run, its rows to out; under --strict (held) none and no file on a warning.
int rowsof(const options& o, common::outchannel& out, common::outchannel& err, const heldrun& held) {
  std::vector<qhaphase> phases;
  for (std::size_t k = 0; k < o.qha.phases.size(); ++k) phases.push_back(phaseof(o, k));
  if (const int status = readphases(phases, err); status >= 0) return status;
  if (const int status = checkphasecells(phases, o.qha.formulaunits, err); status >= 0) return status;
  if (const std::string e = errorbarsrefused(o, phases); !e.empty()) return err.write(e.data(), e.size()), 2;
  if (held.refused()) return 0;
  if (o.qha.transitions) return runtransitions(o, phases, out, err);
  axialpath path;
  if (!o.aniso.latticefile.empty()) {
    std::string messages;
    if (!readlatticepath(phases[0], o.aniso.latticefile, o.inputunits, path, messages))
      return err.write(messages.data(), messages.size()), 1;
  }
  atomicfile fv;
  rowrun run{o, phases, out, err, o.qha.writefv.empty() ? nullptr : &fv,
             o.aniso.latticefile.empty() ? nullptr : &path, false, false, false,
             std::vector<char>(phases.size(), 0), {}, {}};
  const std::string fvname = "lattice_thermo: " + showpath(o.qha.writefv) + ": ";
  std::string why;
  if (run.fv != nullptr &&
      !(fv.open(o.qha.writefv, o.force, o.newfilemode, why) && fv.write(fvheader(showpath(phases[0].evfile)), why)))
    return run.say(fvname + why + "\n"), 1;
  const bool pressurecolumn = o.qha.pressures.size() > 1;
  const bool errors = o.qha.errorbars;
  const bool strainerrors = o.qha.form == eos::strain;
  std::string header = phases.size() > 1 ? phasescsvheader(pressurecolumn, errors)
                                         : qhacsvheader(pressurecolumn, errors && run.path == nullptr, strainerrors);
  if (run.path != nullptr) addpathcsvheader(header);
  if (run.path != nullptr && errors) header.insert(header.size() - 1, errorcolumns(strainerrors));
  if (o.csv && !run.write(header)) return 1;
  for (std::size_t k = 0; k < o.qha.pressures.size(); ++k) {
    run.run(o.qha.pressures[k], k == 0, pressurecolumn);
    if (run.writefailed) return 1;
  }
  bool rowless = false;
  for (std::size_t k = 0; k < phases.size(); ++k) {
    if (run.rowed[k]) continue;
    const qhaphase& ph = phases[k];
    run.say("lattice_thermo: " + showpath(ph.evfile) + ": no temperature has its volume within the volumes sampled (" +
            significant(ph.model.volume.front()) + " to " + significant(ph.model.volume.back()) + " A^3)\n");
    rowless = true;
  }
  if (rowless) return 1;
  if (held.refused()) return run.failed ? 1 : 0;
  if (run.fv != nullptr && !fv.commit(why)) return run.say(fvname + why + "\n"), 1;
  return run.failed ? 1 : 0;
}

}  // namespace

int runqha(const options& o, common::outchannel& out, common::outchannel& err) {
  heldrun held(o.strict, out, err);
  return held.finish(rowsof(o, held.out(), held.err(), held));
}

}  // namespace thermo
