#include "thermo/formats/inputs/load.hpp"

#include <cmath>

#include "thermo/base/number_text.hpp"
#include "thermo/formats/inputs/pds.hpp"
#include "thermo/formats/text/columns.hpp"
#include "thermo/formats/text/input.hpp"
#include "thermo/formats/yaml/yaml_kind.hpp"
#include "thermo/harmonic/treatment.hpp"

namespace thermo {

void columnnotes(const std::string& w, const readoptions& ro, const columninfo& info, loaded& file) {
  const char* u = unitname(info.u);
  if (ro.unitgiven && info.headerunit && info.named != ro.u)
    file.notes += w + "the header names " + unitname(info.named) + "; --unit " + u + " is used\n";
  if (!info.othername.empty())
    file.notes += w + "the header names both " + unitname(info.named) + " and " + info.othername + "; reading " +
                  unitname(info.named) + "\n";
  if (!ro.unitgiven && !info.headerunit && info.highest > 150.0)
    file.notes += w + "the highest energy, " + significant(info.highest) +
                  " THz, is beyond any phonon's: the file is probably in cm-1 (--unit cm-1), "
                  "or in another unit --unit names\n";
  if (info.columns > 2 && !ro.columngiven && !ro.sumcolumns)
    file.notes += w + std::to_string(info.columns - 2) + " more numeric column" + (info.columns > 3 ? "s" : "") +
                  " after the DOS in column 2 (a projected DOS?): --column K reads column K, --sum-columns the sum "
                  "of columns 2 to " + std::to_string(info.columns) + "\n";
}

std::string unitlabelof(const readoptions& ro, const columninfo& info) {
  std::string label = std::string(unitname(info.u)) + (ro.unitgiven         ? " (--unit)"
                                                       : info.headerunit ? " (named in the file's header)"
                                                                         : " (the default: the file names no unit)");
  if (ro.sumcolumns) label += "; the DOS is the sum of columns 2 to the last";
  else if (ro.column != 2) label += "; the DOS is column " + std::to_string(ro.column);
  return label;
}

bool treat(loaded& file, const readoptions& ro, double atoms, unit u, const std::string& w, problem& p) {
  if (ro.pretendreal) fold(file.sp);
  const double states = integral(file.sp);
  if (ro.normalize) {
    if (normalize(file.sp, atoms) == 0.0) {
      p = {0, "--normalize: the DOS holds " + significant(states) + " states, less than half an atom's; give --atoms"};
      return false;
    }
  } else {
    const double n = atoms > 0.0 ? atoms : std::round(states / 3.0);
    if (atoms <= 0.0 && n < 1.0)
      file.notes += w + "the DOS holds " + significant(states) + " states, less than one atom's 3: check its unit\n";
    else if (!(std::fabs(states / 3.0 - n) <= 0.01 * n))
      file.notes += w + "the DOS holds " + significant(states) + " states, 3 x " + significant(states / 3.0) +
                    " atoms, more than 1 % from " + significant(n) + (atoms > 0.0 ? " (--atoms)" : "") +
                    (ro.pernormalised ? "; normalised to " : "; --normalize scales it to ") + significant(3.0 * n) +
                    "\n";
  }
  const double cutoff = ro.cutoff * joules(u);
  if (ro.cutoff > 0.0) file.cutofflabel = significant(ro.cutoff) + " " + file.unitname;
  file.cutoffthz = cutoff / joules(unit::thz);
  file.d = prepare(file.sp, cutoff);
  if (!(file.d.positive > 0.0) || file.d.energy.size() < 2) {
    p = {0, ro.cutoff > 0.0 ? "no states above the cutoff frequency" : "no states above zero energy"};
    return false;
  }
  return true;
}

void notetheta(loaded& file, const readoptions& ro, const std::string& w) {
  const double theta = thetainfinity(file.d);
  if (ro.unitgiven && !(theta >= 20.0 && theta <= 5000.0))
    file.notes += w + "with --unit " + file.unitname + " the DOS's theta_inf is " + significant(theta) +
                  " K, where a phonon spectrum's lies between 20 and 5,000 K: is the file in another unit?\n";
}

double imaginaryshare(const loaded& file) {
  return (file.d.below - (file.mesh ? file.meshcounts.rigidbelow : 0.0)) / file.d.states;
}

void notetreated(loaded& file, const std::string& w) {
  if (file.sp.negative > 0)
    file.notes += w + std::to_string(file.sp.negative) + " negative DOS values, kept as they are\n";
  // The rigid translations at q = 0 that come out at or below zero are no
  // imaginary modes.
  if (const double share = imaginaryshare(file); share > 0.001) {
    file.belownote = w + fixed(100.0 * share, 0, 3) + " % of the states take no part: they lie at or below " +
                     (file.cutofflabel.empty() ? std::string("zero energy (imaginary modes)") : "the cutoff, " + file.cutofflabel) +
                     " or between the last point there and the first above it\n";
    file.notes += file.belownote;
  }
}

scaling scalingof(const loaded& file, double atoms, bool peratom) {
  const harmonicdos& d = file.d;
  scaling s;
  s.atoms = atoms > 0.0 ? atoms : file.mesh ? static_cast<double>(file.meshcounts.natom) : d.states / 3.0;
  s.thetaatoms = atoms > 0.0 ? atoms : d.positive / 3.0;
  s.divisor = peratom ? s.atoms : 1.0;
  return s;
}

bool readfile(const std::string& path, const readoptions& ro, double atoms, filescratch& scratch, loaded& file,
              std::string& message) {
  source in;
  std::string why;
  if (!in.open(path, why)) {
    file = loaded{};
    message = "lattice_thermo: " + showpath(path) + ": " + why + "\n";
    return false;
  }
  return readopened(in, path, ro, atoms, scratch, file, message);
}

bool readopened(source& in, const std::string& path, const readoptions& ro, double atoms, filescratch& scratch,
                loaded& file, std::string& message) {
  const std::string shown = showpath(path);
  const std::string w = "lattice_thermo: " + shown + ": warning: ";
  file = loaded{};
  problem p;
  auto failed = [&] {
    message = "lattice_thermo: " + shown;
    if (p.line > 0) message += ':' + std::to_string(p.line);
    message += ": " + p.what + "\n";
    return false;
  };
  if (!ro.pds && yamlkindof(path, in) == yamlkind::thermal) {
    p = {0, "phonopy's thermal_properties.yaml holds thermal properties, not a DOS: give it to --qha with its "
            "e-v.dat, or give the mesh.yaml or total_dos.dat it was made from"};
    return failed();
  }
  if (!ro.pds && looksmesh(path, in.peek())) {
    file.mesh = true;
    if (ro.unitgiven && ro.u != unit::thz)
      file.notes += w + "a mesh.yaml holds frequencies in THz; --unit " + unitname(ro.u) + " does not apply to it\n";
    if (!readmesh(in, ro.cutoff, ro.pretendreal, file.d, file.meshcounts, p, path, &scratch.lines)) return failed();
    if (atoms > 0.0 && atoms != static_cast<double>(file.meshcounts.natom))
      file.notes += w + "natom is " + std::to_string(file.meshcounts.natom) + ", but --atoms " + significant(atoms) +
                    " is used\n";
    file.unitname = "THz";
    file.unitlabel = "THz (phonopy mesh.yaml: " + std::to_string(file.meshcounts.qpoints) + " q-points)";
    if (ro.cutoff > 0.0) file.cutofflabel = significant(ro.cutoff) + " THz";
    file.cutoffthz = ro.cutoff;
  } else {
    unit u;
    if (ro.pds) {
      if (!readpds(in, file.sp, p, scratch.lines)) return failed();
      u = unit::ha;
      file.unitlabel = "Ha (lattice_heat_capacity layout)";
    } else {
      columnchoice choice;
      choice.u = ro.u;
      choice.unitgiven = ro.unitgiven;
      choice.column = ro.column;
      choice.sum = ro.sumcolumns;
      columninfo info;
      if (!readcolumns(in, choice, file.sp, info, p, scratch.lines)) return failed();
      u = info.u;
      file.unitlabel = unitlabelof(ro, info);
      columnnotes(w, ro, info, file);
    }
    file.unitname = unitname(u);
    if (!treat(file, ro, atoms, u, w, p)) return failed();
    notetheta(file, ro, w);
  }
  notetreated(file, w);
  return true;
}

}  // namespace thermo
