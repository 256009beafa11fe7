// lattice_thermo --qha: the inputs checked against each other, where one
// file's mistake would otherwise give plausible numbers: cells, the files'
// order, units, the electrons' table. Each check adds whole lines
// "lattice_thermo: FILE: ..." to errors (the run stops) or warnings.
#pragma once

#include <string>
#include <vector>

#include "thermo/qha/eos_fit.hpp"
#include "thermo/qha/model.hpp"

namespace thermo {

// How messages name the inputs: e-v.dat, the electrons' file, and the file
// of each volume in e-v.dat's order.
struct qhanames {
  std::string ev, efe;
  std::vector<std::string> volume;
};

struct findings {
  std::string errors, warnings;
};

// What a DOS file tells of its cell, volume by volume in e-v.dat's order:
// the cell's volume (A^3; 0 where it does not say) and atoms (0 likewise).
struct cellinfo {
  std::vector<double> volume;
  std::vector<long> natom;
};

// Static B0 (GPa) outside these bounds: e-v.dat is probably not in eV and
// A^3. Beyond the upper one (an E(V) 10,000 times stiffer than diamond's)
// the run is refused: there the phonons' free energy is lost in rounding
// against E(V), and S, alpha and Cp with it.
inline constexpr double lowestb0 = 0.1, highestb0 = 2000.0, refusedb0 = 1e6;
// Volumes per atom (A^3) outside these bounds: e-v.dat and the DOS files
// probably describe different cells.
inline constexpr double lowestvolumeperatom = 3.0, highestvolumeperatom = 150.0;

// A DOS that knows its cell: its volume within 1e-4 of its e-v.dat line's,
// and the same atoms in every one (errors). DOS files whose states differ by
// more than 1 % (a warning).
void checkcells(const qhainput& in, const cellinfo& cells, const qhanames& names, findings& f);

// The zero-point energy, and theta_inf of DOS files, fall as the volume
// grows (warnings where they do not: the files may be out of order); a
// zero-point energy off by 2x or more from both nearest volumes' is a unit
// mistake (an error).
void checkorder(const qhamodel& m, const std::vector<double>& thetainf, const qhanames& names, findings& f);

// The static fit's B0 against the bounds above, and the volumes per atom.
void checkstatic(const qhamodel& m, const parameters& fit, const qhanames& names, findings& f);

// The electrons' table at its lowest temperature against E(V): more than
// 10 meV apart, it may hold only the thermal part (a warning); and, of a
// phase's model, does where G there has no minimum within the volumes (an
// error, in place of every row's failure).
void checkelectrons(const qhainput& in, const qhanames& names, findings& f);
void checkelectrons(const qhamodel& m, const qhanames& names, findings& f);

}  // namespace thermo
