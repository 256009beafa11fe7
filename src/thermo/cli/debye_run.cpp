#include "thermo/cli/debye_run.hpp"

#include <algorithm>
#include <cmath>
#include <cstring>

#include "thermo/base/number_text.hpp"
#include "thermo/base/problem.hpp"
#include "thermo/base/two_threads.hpp"
#include "thermo/cli/pipeline.hpp"
#include "thermo/cli/results_write.hpp"
#include "thermo/cli/strict.hpp"
#include "thermo/cli/transitions_run.hpp"
#include "thermo/formats/inputs/debye_input.hpp"
#include "thermo/formats/outputs/debye_static_output.hpp"
#include "thermo/qha/strain_curve.hpp"

namespace thermo {

int loaddebyephases(const options& o, std::vector<debyephase>& phases, common::outchannel& err) {
  const debyeoptions& d = o.debye;
  phases.assign(o.qha.phases.size(), debyephase{});
  bool failed = false;
  for (std::size_t k = 0; k < phases.size(); ++k) {
    const phaseinput& p = o.qha.phases[k];
    debyeinput in;
    in.evfile = p.evfile;
    in.dosatfermi = p.dosatfermi;
    in.energyunit = o.inputunits.energy;  // --energy-unit, --volume-unit
    in.volumeunit = o.inputunits.volume;
    debyesettings& s = in.settings;
    s.mass = d.mass[k];
    s.atoms = d.atoms[k];
    s.poisson = d.poisson;
    s.gruneisen = d.gruneisen;
    s.a = d.a;
    s.b = d.b;
    s.strain.kind = o.qha.strain;
    s.strain.degree = o.qha.degree;
    s.k = d.codata2006 ? codata2006constants() : siconstants();
    std::string messages;
    if (!loaddebye(in, phases[k].model, messages)) failed = true;
    err.write(messages.data(), messages.size());
    debyeinfo& info = phases[k].info;
    info = {p.name, p.evfile, p.formulaunits, &phases[k].model, d.variant, ""};
    if (!p.dosatfermi.empty())
      info.electrons = "Sommerfeld's, N(E_F) " + significant(p.dosatfermi.front()) + " to " +
                       significant(p.dosatfermi.back()) + " states/eV per cell";
  }
  return failed ? 1 : -1;
}

namespace {

// The text so far to out, the messages first; false where it cannot be written.
struct writer {
  common::outchannel& out;
  common::outchannel& err;
  std::string text, messages;
  bool write() {
    if (!writeresults(out, err, messages, text)) return false;
    text.clear();
    return true;
  }
};

int widthof(const std::vector<debyephase>& phases) {
  int width = 5;
  for (const debyephase& p : phases) width = std::max(width, static_cast<int>(p.info.name.size()));
  return width;
}

// --fits and --static.
int staticrun(const options& o, const std::vector<debyephase>& phases, const debyelayout& l, writer& w) {
  const bool csv = o.csv, per = l.phases || o.qha.formulaunits;
  std::vector<debyeinfo> info;
  for (const debyephase& p : phases) info.push_back(p.info);
  const int width = widthof(phases);
  if (o.debye.fits) {
    w.text = csv ? fitscsvheader(l.phases) : "";
    if (!csv) appendfitstableheader(w.text, l.phases, info, per);
    for (const debyephase& p : phases)
      for (const debyemember& m : debyemembers(p.model)) {
        const debyemember r = performula(m, p.info.formulaunits);
        if (csv) appendfitcsv(w.text, l.phases, r, p.info.name);
        else appendfitstablerow(w.text, l.phases, r, p.info.name, width);
      }
    return w.write() ? 0 : 1;
  }
  w.text = csv ? staticcsvheader(l) : "";
  if (!csv) appendstatictableheader(w.text, l, info, per);
  bool any = false;
  for (double pressure : o.qha.pressures)
    for (const debyephase& p : phases) {
      debyestatic r, err{};
      if (!debyestaticat(p.model, pressure, r, l.errors ? &err : nullptr)) {
        w.messages += "lattice_thermo: " + showpath(p.info.evfile) + ": warning: at " + significant(pressure) +
                      " GPa the static fit has no volume within those fitted: no row\n";
        continue;
      }
      any = true;
      const double z = p.info.formulaunits;
      if (csv) appendstaticcsv(w.text, l, performula(r, z), performula(err, z), p.info.name);
      else appendstatictablerow(w.text, l, performula(r, z), performula(err, z), p.info.name, width);
    }
  if (!w.write()) return 1;
  return any ? 0 : 1;
}

// --transitions: each phase at a temperature from its fit of F(V; T).
int transitionsrun(const options& o, const std::vector<debyephase>& phases, common::outchannel& out,
                   common::outchannel& err) {
  transitionsource src;
  src.temps = o.temps;
  src.header = "# phase transitions from " + significant(o.qha.pmin) + " to " + significant(o.qha.pmax) + " GPa, " +
               std::to_string(phases.size()) + " phases; Debye models\n";
  for (const debyephase& p : phases) {
    src.names.push_back(p.info.name);
    src.files.push_back(p.info.evfile);
    src.header += debyeheaderlines(p.info, true);
  }
  src.at = [&](double t, transitionsat& r) {
    std::vector<straincurve> curves(phases.size());
    std::vector<phasecurve*> at;
    for (std::size_t k = 0; k < phases.size(); ++k) {
      debyecurve(phases[k].model, t, phases[k].info.formulaunits, curves[k]);
      at.push_back(&curves[k]);
    }
    r.failed.assign(phases.size(), "");
    transitionsamong(at, o.qha.pmin, o.qha.pmax, r);
  };
  return runtransitions(o, src, out, err);
}

}  // namespace

namespace {

int rowsof(const options& o, common::outchannel& out, common::outchannel& err);

}  // namespace

// Under --strict (held) no rows where a warning came.
int rundebye(const options& o, common::outchannel& out, common::outchannel& err) {
  heldrun held(o.strict, out, err);
  return held.finish(rowsof(o, held.out(), held.err()));
}

namespace {

int rowsof(const options& o, common::outchannel& out, common::outchannel& err) {
  std::vector<debyephase> phases;
  if (const int status = loaddebyephases(o, phases, err); status >= 0) return status;
  if (o.qha.transitions) return transitionsrun(o, phases, out, err);
  const std::size_t np = phases.size();
  debyelayout l;
  l.phases = np > 1;
  l.errors = o.debye.errorbars;
  for (const debyephase& p : phases) l.electrons = l.electrons || !p.info.electrons.empty();
  writer w{out, err, {}, {}};
  if (o.debye.fits || o.debye.statictable) return staticrun(o, phases, l, w);
  std::vector<debyeinfo> info;
  for (const debyephase& p : phases) info.push_back(p.info);
  const int width = widthof(phases);
  if (o.csv) w.text = debyecsvheader(l);
  std::vector<char> rowed(np, 0);
  const long count = o.temps.count();
  // Each phase's fits of F(V, T) at the temperatures of a block; where one
  // block holds them all, made once for every pressure.
  std::vector<std::vector<debyeisotherm>> isotherms(np);
  long cached = -1;  // the block they hold
  auto fitblock = [&](long from, std::size_t n) {
    if (cached == from) return;
    for (auto& block : isotherms) block.assign(n, debyeisotherm{});
    alternateruns(n, n >= 8, [&](std::size_t i) {
      for (std::size_t k = 0; k < np; ++k)
        debyeisothermat(phases[k].model, o.temps.at(from + static_cast<long>(i)), isotherms[k][i]);
    });
    cached = from;
  };
  for (std::size_t j = 0; j < o.qha.pressures.size(); ++j) {
    const double pressure = o.qha.pressures[j];
    if (!o.csv) {
      if (j > 0) w.text += "\n";
      appenddebyetableheader(w.text, l, info, pressure, l.phases || o.qha.formulaunits);
    }
    std::vector<char> live(np, 1);
    for (long from = 0; from < count && std::any_of(live.begin(), live.end(), [](char x) { return x != 0; });
         from += rowblock) {
      const std::size_t n = static_cast<std::size_t>(std::min(count, from + rowblock) - from);
      // Each phase's rows of the block, two threads sharing the temperatures.
      std::vector<std::vector<debyerow>> rows(np, std::vector<debyerow>(n)), errs(np, std::vector<debyerow>(n));
      std::vector<std::vector<char>> ok(np, std::vector<char>(n, 0));
      fitblock(from, n);
      alternateruns(n, n >= 8, [&](std::size_t i) {
        for (std::size_t k = 0; k < np; ++k)
          if (live[k])
            ok[k][i] = debyerowat(phases[k].model, isotherms[k][i], pressure, rows[k][i], l.errors ? &errs[k][i] : nullptr);
      });
      for (std::size_t i = 0; i < n; ++i) {
        std::size_t stable = np;
        for (std::size_t k = 0; k < np; ++k) {
          if (!live[k]) continue;
          const debyemodel& m = phases[k].model;
          if (!ok[k][i]) {
            live[k] = 0;
            w.messages += "lattice_thermo: " + showpath(phases[k].info.evfile) + ": warning: at " +
                          significant(o.temps.at(from + static_cast<long>(i))) + " K and " + significant(pressure) +
                          " GPa no volume within those fitted (" + significant(m.grid.volume.front()) + " to " +
                          significant(m.grid.volume.back()) +
                          " A^3) gives that pressure: no rows from there on at this pressure\n";
            continue;
          }
          const double z = phases[k].info.formulaunits;
          rows[k][i] = performula(rows[k][i], z);
          errs[k][i] = performula(errs[k][i], z);
          if (stable == np || rows[k][i].gibbs_energy < rows[stable][i].gibbs_energy) stable = k;
        }
        for (std::size_t k = 0; k < np; ++k) {
          if (!live[k]) continue;
          rowed[k] = 1;
          if (o.csv) appenddebyecsv(w.text, l, rows[k][i], errs[k][i], phases[k].info.name, k == stable);
          else appenddebyetablerow(w.text, l, rows[k][i], errs[k][i], phases[k].info.name, width, k == stable);
        }
      }
      if (!w.write()) return 1;
    }
  }
  if (!w.write()) return 1;
  int status = 0;
  for (std::size_t k = 0; k < np; ++k)
    if (!rowed[k]) {
      w.messages += "lattice_thermo: " + showpath(phases[k].info.evfile) +
                    ": no temperature and pressure has its volume within the volumes fitted\n";
      status = 1;
    }
  w.write();
  return status;
}

}  // namespace

}  // namespace thermo
