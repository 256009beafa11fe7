// lattice_thermo --qha: the inputs checked against each other, where one
// file's mistake would otherwise give plausible numbers: cells, the files'
// order, units, the electrons' table. Each check adds
// whole lines "lattice_thermo: FILE: ..." to errors (a near-certain mistake:
// the run stops) or warnings (unusual, but possible).
#pragma once

#include <string>
#include <vector>

#include "thermo/qha/eos_fit.hpp"
#include "thermo/qha/model.hpp"

namespace thermo {

// How messages name the inputs: e-v.dat, the electrons' file, and the file
// of each volume in e-v.dat's order; and whether the options that state
// what was meant are the command line's (--energy-unit, ...) or, for the
// Python module, none (the message then says what to convert).
struct qhanames {
  std::string ev, efe;
  std::vector<std::string> volume;
  bool options = true;
};

struct findings {
  std::string errors, warnings;
};

// What the phonons' files tell of their cells, volume by volume in
// e-v.dat's order: the cell's volume (A^3; 0 where they do not say) and
// atoms (0 likewise).
struct cellinfo {
  std::vector<double> volume;
  std::vector<long> natom;
};

// What the checks of order and units take from the phonons beyond the
// model, in e-v.dat's order: theta_inf of DOS files (empty for tables),
// and the volumes with imaginary modes (empty: none), whose zero-point
// energy leaves those modes out and so is passed over.
struct phononinfo {
  std::vector<double> thetainf;
  std::vector<char> imaginary;
};

// Static B0 (GPa) outside these bounds is refused: no solid at zero
// pressure is as soft as 0.1 GPa (solid neon's is 1) or stiffer than
// 2,000 (diamond's is 443); e-v.dat is then not in eV and A^3.
inline constexpr double lowestb0 = 0.1, highestb0 = 2000.0;
// Volumes per atom (A^3) outside these bounds: e-v.dat and the phonons
// probably describe different cells (a warning).
inline constexpr double lowestvolumeperatom = 3.0, highestvolumeperatom = 150.0;
// A static minimum (within the volumes) of fewer A^3 per atom is refused:
// the densest solid at zero pressure, diamond, holds 5.7.
inline constexpr double densestvolumeperatom = 4.0;
// The zero-point pressure -dZPE/dV as a share of the static B0, the
// zero-point expansion: 0.3 to 1.3 % in ordinary solids; above this, the
// energies are probably in Ry or Ha read as eV (13.6 or 27.2 times it).
inline constexpr double highestzeropointshare = 0.03;
// A cell's volume against its e-v.dat line's, relative.
inline constexpr double cellvolumetolerance = 1e-4;

// A file that knows its cell (mesh.yaml, or thermal_properties.yaml with
// `volume`): its volume within cellvolumetolerance of its e-v.dat line's,
// naming a whole ratio or bohr^3 where that is the cause; the same atoms in
// every one (errors). DOS files whose states differ by more than 1 % (a
// warning).
void checkcells(const qhainput& in, const cellinfo& cells, const qhanames& names, findings& f);

// The zero-point energy against volume: not monotonic (a V or a zigzag, as
// files out of order make it) is an error; rising throughout a warning,
// and theta_inf of DOS files likewise (warnings); a zero-point energy off
// by 2x or more from both nearest volumes' is a unit mistake (an error).
// Steps smaller than a quarter of the median slope times their width, or
// than 1e-6 of the energy, are noise and count for neither direction.
void checkorder(const qhamodel& m, const phononinfo& ph, const qhanames& names, findings& f);

// The static fit's B0 against the bounds above (errors), the volumes per
// atom (an error at the static minimum, else a warning), and the
// zero-point pressure's share of B0 (a warning; judged only where the
// static minimum lies within the volumes, as B0 is an extrapolation
// elsewhere).
void checkstatic(const qhamodel& m, const parameters& fit, const phononinfo& ph, const qhanames& names,
                 findings& f);

// The electrons' table at its lowest temperature against E(V): more than
// 10 meV apart, it may hold only the thermal part (a warning); and, of a
// phase's model, does where G there has no minimum within the volumes (an
// error, in place of every row's failure).
void checkelectrons(const qhainput& in, const qhanames& names, findings& f);
void checkelectrons(const qhamodel& m, const qhanames& names, findings& f);

}  // namespace thermo
