#include "thermo/cli/grid_run.hpp"

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

#include "thermo/base/number_text.hpp"
#include "thermo/cli/pipeline.hpp"
#include "thermo/cli/results_write.hpp"
#include "thermo/cli/strict.hpp"
#include "thermo/formats/inputs/grid_load.hpp"
#include "thermo/formats/outputs/atomic_write.hpp"
#include "thermo/formats/outputs/grid_output.hpp"
#include "thermo/formats/outputs/phases_output.hpp"
#include "thermo/qha/grid_errors.hpp"

namespace thermo {

namespace {

// The rows of one grid, pressure by pressure, with their warnings.
struct gridrun {
  const options& o;
  const gridphase& gp;
  common::outchannel& out;
  common::outchannel& err;
  atomicfile* fv;  // --write-fv's, or none
  const griderrormodel* errors;  // --error-bars', or none
  bool anyrow = false, writefailed = false;
  std::string messages, fvtext;  // not yet written

  void flush() {
    err.write(messages.data(), messages.size());
    messages.clear();
  }
  // The messages so far, then s and what --write-fv has gathered.
  bool write(const std::string& s) {
    if (!writeresults(out, err, messages, s, fv, fvtext, o.qha.writefv)) writefailed = true;
    return !writefailed;
  }

  // The box as messages show it: "a from 3.53 to 3.65 A, c from ...".
  std::string box() const {
    const surfacebasis& b = gp.model.basis;
    std::string s;
    for (int j = 0; j < b.axes; ++j)
      s += std::string(j > 0 ? ", " : "") + axisnames(b.axes)[j] + " " + significant(b.low[j]) + " to " +
           significant(b.high[j]) + " A";
    return s;
  }

  // Whether r gives a row; its warnings. `live` turns false where the
  // minimum leaves the box or there is none; `loose` and `edge` record the
  // health warnings given.
  bool usable(const gridoutcome& r, double t, double pressure, bool& live, bool& loose, bool& edge, bool& unsure) {
    const std::string name = "lattice_thermo: " + showpath(gp.files.evfile) + ": ";
    const std::string at = "at " + significant(t) + " K and " + significant(pressure) + " GPa";
    const char* const* names = axisnames(gp.model.axes);
    if (r.where != surfaceminimum::status::inside) {
      std::string stop;
      if (r.where == surfaceminimum::status::outside)
        stop = at + " the minimum leaves the box the grid spans: " + names[r.axis] + " = " + significant(r.minimum[r.axis]) +
               " A, beyond " + significant(gp.model.basis.low[r.axis]) + " to " + significant(gp.model.basis.high[r.axis]) +
               " A";
      else
        stop = at + " the surface has no minimum within the box (" + box() + ")" +
               (r.axis >= 0 ? std::string(": it falls away along ") + names[r.axis] : std::string());
      messages += name + "warning: " + stop + ": no rows from there on at this pressure, as the fit would be an "
                  "extrapolation\n";
      if (fv != nullptr) fvtext += "# stop: " + stop + "\n\n\n";
      live = false;
      return false;
    }
    if (!unsure && !r.errorswhy.empty()) {
      unsure = true;
      messages += name + "warning: " + at + " the fit's error bars cannot be taken (" + r.errorswhy +
                  "): NaN there; its answer may be in doubt\n";
    }
    if (!loose && r.row.fit_rms > gridrmsshare * r.spread) {
      loose = true;
      messages += name + "warning: " + at + " the surface's rms residual, " + significant(r.row.fit_rms) +
                  " kJ/mol, is more than 1 % of G's spread over the grid (" + significant(r.spread) +
                  " kJ/mol): the surface does not follow the data (see --write-fv; --degree 4)\n";
    }
    if (!edge && r.edge < gridedgeshare) {
      edge = true;
      const int j = r.edgeaxis;
      const double x = r.row.length[j == 1 && gp.model.axes == 2 ? 2 : j];  // the row's b is a
      messages += name + "warning: " + at + " the minimum, " + names[j] + " = " + significant(x) + " A, is within 5 % of the box's width of its edge (" + significant(gp.model.basis.low[j]) + " to " +
                  significant(gp.model.basis.high[j]) + " A): the surface is least certain there; widen the grid\n";
    }
    return true;
  }

  void run(double pressure, bool first, bool pressurecolumn) {
    const gridmodel& m = gp.model;
    std::string text;
    if (!o.csv) {
      if (!first) text += "\n";
      appendgridtableheader(text, {gp.files.evfile, m, pressure, gp.staticminimum, gp.staticrms, electronsof(gp.files),
                                   errors != nullptr});
    }
    bool live = true, loose = false, edge = false, unsure = false;
    const temperatures& temps = gp.files.temps;
    const long count = temps.count();
    std::vector<double> t;
    std::vector<gridoutcome> block;
    for (long from = 0; from < count && live; from += rowblock) {
      const long to = std::min(count, from + rowblock);
      t.resize(static_cast<std::size_t>(to - from));
      for (long i = from; i < to; ++i) t[static_cast<std::size_t>(i - from)] = temps.at(i);
      block.assign(t.size(), gridoutcome{});
      if (errors != nullptr) griderrorrows(m, *errors, t.data(), t.size(), pressure, block.data(), fv != nullptr);
      else gridrows(m, t.data(), t.size(), pressure, block.data(), fv != nullptr);
      for (std::size_t i = 0; i < t.size() && live; ++i) {
        if (!usable(block[i], t[i], pressure, live, loose, edge, unsure)) break;
        anyrow = true;
        const griderrorbars* e = errors != nullptr ? &block[i].errors : nullptr;
        if (o.csv) appendgridcsv(text, block[i].row, m.axes, pressurecolumn, pressure, e);
        else appendgridtablerow(text, block[i].row, m.axes, e);
        if (fv != nullptr) appendgridfvblock(fvtext, m, block[i], pressure);
      }
      if (!write(text)) return;
      text.clear();
    }
  }
};

// The run, its rows to out; under --strict (held) no rows and no file
// where a warning came.
int gridrunof(const options& o, common::outchannel& out, common::outchannel& err, const heldrun& held) {
  gridphase gp;
  qhaphase& ph = gp.files;
  ph.evfile = o.aniso.gridfile;
  ph.efefile = o.qha.efefile;
  ph.files = o.files;
  ph.dosatfermi = o.qha.dosatfermi;
  ph.excludeimaginary = o.qha.excludeimaginary;
  ph.read = o.read;
  ph.atoms = o.atoms;
  ph.temps = o.temps;
  gp.degree = o.aniso.degree;
  gp.units = o.inputunits;
  const int status = readgridphase(gp);
  err.write(ph.messages.data(), ph.messages.size());
  if (status >= 0) return status;
  griderrormodel errors;
  std::string why;
  if (o.qha.errorbars && !makegriderrors(gp.model, errors, why)) {
    // A usage error, found once the files are read.
    const std::string m = "lattice_thermo: " + showpath(ph.evfile) + ": --error-bars: " + why +
                          "\ntry 'lattice_thermo --help'\n";
    err.write(m.data(), m.size());
    return 2;
  }
  if (held.refused()) return 0;
  atomicfile fv;
  gridrun run{o, gp, out, err, o.qha.writefv.empty() ? nullptr : &fv, o.qha.errorbars ? &errors : nullptr,
              false, false, {}, {}};
  const std::string fvname = "lattice_thermo: " + showpath(o.qha.writefv) + ": ";
  if (run.fv != nullptr && !(fv.open(o.qha.writefv, o.force, o.newfilemode, why) &&
                             fv.write(gridfvheader(showpath(ph.evfile), gp.model.axes), why))) {
    run.messages += fvname + why + "\n";
    run.flush();
    return 1;
  }
  const bool pressurecolumn = o.qha.pressures.size() > 1;
  if (o.csv && !run.write(gridcsvheader(gp.model.axes, pressurecolumn, o.qha.errorbars))) return 1;
  for (std::size_t k = 0; k < o.qha.pressures.size(); ++k) {
    run.run(o.qha.pressures[k], k == 0, pressurecolumn);
    if (run.writefailed) return 1;
  }
  if (!run.anyrow) {
    run.messages += "lattice_thermo: " + showpath(ph.evfile) + ": no temperature has its minimum within the box (" +
                    run.box() + ")\n";
    run.flush();
    return 1;
  }
  if (held.refused()) return 0;
  if (run.fv != nullptr && !fv.commit(why)) {
    run.messages += fvname + why + "\n";
    run.flush();
    return 1;
  }
  return 0;
}

}  // namespace

int rungrid(const options& o, common::outchannel& out, common::outchannel& err) {
  heldrun held(o.strict, out, err);
  return held.finish(gridrunof(o, held.out(), held.err(), held));
}

}  // namespace thermo
