#include "thermo/pipeline.hpp"

#include <vector>

#include "thermo/atomic_write.hpp"
#include "thermo/harmonic.hpp"
#include "thermo/input.hpp"
#include "thermo/output.hpp"
#include "thermo/resample.hpp"
#include "thermo/sweep.hpp"

namespace thermo {

fileresult onefile(const std::string& path, const options& o, bool filecolumn, bool split, filescratch& scratch) {
  fileresult r;
  std::string why;
  problem p;
  std::string& text = scratch.text;
  spectrum& sp = scratch.sp;
  if (!readwhole(path, text, why)) {
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
  if (!o.writepds.empty() &&
      !writeatomically(o.writepds, pdsfile(path, o.pds ? "Ha" : unitname(o.u), sp), o.force, why)) {
    r.messages += "lattice_thermo: " + o.writepds + ": " + why + "\n";
    r.fatal = true;
    return r;
  }
  const double atoms = o.atoms > 0.0 ? o.atoms : d.states / 3.0;
  if (!o.csv)
    appendtableheader(r.rows, {path, o.pds ? "Ha (lattice_heat_capacity layout)" : unitname(o.u), atoms, o.peratom},
                      sp, d);
  const long count = o.temps.count();
  std::vector<double> t(static_cast<std::size_t>(count));
  for (long i = 0; i < count; ++i) t[static_cast<std::size_t>(i)] = o.temps.at(i);
  std::vector<row> rows(t.size());
  sweep(d, atoms, o.peratom ? atoms : 1.0, t.data(), t.size(), rows.data(), split);
  if (o.csv) appendcsvrows(r.rows, rows, filecolumn ? path : std::string());
  else appendtablerows(r.rows, rows);
  return r;
}

}  // namespace thermo
