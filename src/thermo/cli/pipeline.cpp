#include "thermo/cli/pipeline.hpp"

#include <algorithm>
#include <cmath>

#include "thermo/base/number_text.hpp"
#include "thermo/cli/strict.hpp"
#include "thermo/formats/outputs/atomic_write.hpp"
#include "thermo/formats/outputs/resample.hpp"
#include "thermo/harmonic/constants.hpp"
#include "thermo/harmonic/sampling.hpp"
#include "thermo/harmonic/sweep.hpp"

namespace thermo {

namespace {

void renderblock(const rowstream& r, const temperatures& temps, long from, long to, std::string& s, bool split) {
  std::vector<double> t(static_cast<std::size_t>(to - from));
  for (long i = from; i < to; ++i) t[static_cast<std::size_t>(i - from)] = temps.at(i);
  std::vector<row> rows(t.size());
  sweep(r.d, r.thetaatoms, r.divisor, t.data(), t.size(), rows.data(), split);
  switch (r.form) {
    case format::csv: appendcsvrows(s, rows.data(), rows.size(), r.file, r.samplinglimit); break;
    case format::yaml: appendyamlrows(s, rows.data(), rows.size()); break;
    case format::table: appendtablerows(s, rows.data(), rows.size(), r.layout, r.samplinglimit); break;
  }
}

// --write-pds; false (fatal for the run) where it fails.
bool writepds(const std::string& path, const options& o, const loaded& file, std::string& messages) {
  const std::string out = showpath(o.writepds);
  if (file.mesh) {
    messages += "lattice_thermo: " + out + ": --write-pds needs a tabulated DOS, and " + showpath(path) +
                " holds mesh frequencies; nothing written\n";
    return false;
  }
  resampled rs;
  std::string why;
  if (!pdsfile(path, file.unitname.c_str(), file.sp, rs)) {
    messages += "lattice_thermo: " + out + ": the DOS resampled to 339 points holds no states; nothing written\n";
    return false;
  }
  const double change = (rs.resampledcv - rs.sourcecv) / rs.sourcecv;
  if (rs.sourcecv > 0.0 && !(std::fabs(change) <= 0.01))
    messages += "lattice_thermo: " + out + ": warning: C at 300 K from the 339 resampled points is " +
                significant(100.0 * change, 3) + " % off the source's (" + fixed(rs.resampledcv * avogadro, 0, 4) +
                " against " + fixed(rs.sourcecv * avogadro, 0, 4) + " J/K/mol of cells): the grid is too coarse for this DOS\n";
  if (o.strict && haswarning(messages)) {
    messages += "lattice_thermo: " + out + ": nothing written: --strict makes the warning above an error\n";
    return false;
  }
  if (!writeatomically(o.writepds, rs.text, o.force, o.newfilemode, why)) {
    messages += "lattice_thermo: " + out + ": " + why + "\n";
    return false;
  }
  return true;
}

}  // namespace

bool rowstream::more(const temperatures& temps, std::string& s, bool split) {
  s.clear();
  if (next >= count) return false;
  const long to = std::min(count, next + rowblock);
  renderblock(*this, temps, next, to, s, split);
  next = to;
  return true;
}

fileresult finishfile(const std::string& path, const options& o, bool filecolumn, bool split, loaded& file) {
  fileresult r;
  r.path = path;
  const std::string shown = showpath(path);
  auto rest = std::make_unique<rowstream>();
  rest->d = std::move(file.d);
  const harmonicdos& d = rest->d;
  r.messages = file.notes;
  if (!o.writepds.empty() && !writepds(path, o, file, r.messages)) {
    r.fatal = true;
    return r;
  }
  const scaling scale = scalingof(file, o.atoms, o.peratom);
  const double atoms = scale.atoms;
  rest->thetaatoms = scale.thetaatoms;
  rest->divisor = scale.divisor;
  rest->form = o.yaml ? format::yaml : o.csv ? format::csv : format::table;
  rest->file = filecolumn ? path : std::string();
  rest->count = o.temps.count();
  rest->samplinglimit = samplinglimit(d, file.cutoffthz * joules(unit::thz), file.mesh);
  if (rest->form == format::table) {
    const row first = rowat(d, rest->thetaatoms, rest->divisor, o.temps.at(0));
    const row last = rowat(d, rest->thetaatoms, rest->divisor, o.temps.at(rest->count - 1));
    rest->layout = layoutfor(first, last, o.peratom);
    const std::string points =
        file.mesh ? std::to_string(file.meshcounts.qpoints) + " q-points, " + std::to_string(file.meshcounts.modes) +
                        " modes (" + std::to_string(file.meshcounts.integratedmodes) + " above the cutoff)"
                  : std::to_string(file.sp.energy.size()) + " (" + std::to_string(d.energy.size()) + " above " +
                        (file.cutofflabel.empty() ? "zero" : "the cutoff") + ")";
    appendtableheader(r.rows,
                      {shown, file.unitlabel, points, file.cutofflabel, atoms, rest->thetaatoms, o.peratom,
                       rest->samplinglimit, file.mesh},
                      d, rest->layout);
  } else if (rest->form == format::yaml) {
    const double per = o.peratom ? 1.0 / atoms : 1.0;
    const long natom = std::max(1L, std::lround(atoms));
    appendyamlheader(r.rows, {natom, file.cutoffthz,
                              file.mesh ? static_cast<double>(file.meshcounts.modes) : 3.0 * static_cast<double>(natom),
                              file.mesh ? static_cast<double>(file.meshcounts.integratedmodes) : d.positive,
                              d.zeropoint * avogadro * per / 1000.0, o.peratom, rest->samplinglimit});
  }
  const long to = std::min(rest->count, rowblock);
  renderblock(*rest, o.temps, 0, to, r.rows, split);
  rest->next = to;
  if (rest->next < rest->count) r.rest = std::move(rest);
  return r;
}

fileresult onefile(const std::string& path, const options& o, bool filecolumn, bool split, filescratch& scratch) {
  loaded file;
  std::string message;
  if (!readfile(path, o.read, o.atoms, scratch, file, message)) {
    fileresult r;
    r.path = path;
    r.messages = std::move(message);
    r.failed = true;
    return r;
  }
  return finishfile(path, o, filecolumn, split, file);
}

}  // namespace thermo
