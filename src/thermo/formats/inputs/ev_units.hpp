// lattice_thermo: the units of an E(V) file (--energy-unit, --volume-unit),
// for every mode that reads one: each unit's factor to eV or A^3, a unit
// named as the command line names it, and a file's values converted. The
// command line parses both into options::inputunits; a mode that reads an
// E(V) file converts what readev gives with toevunits, or each value with
// the factors (toev for an energy with its low part), as readgrid does.
#pragma once

#include <string>
#include <string_view>

#include "thermo/formats/inputs/ev_file.hpp"

namespace thermo {

// CODATA 2018, as the program's other constants: the rydberg and the
// hartree in eV (the cubic bohr is constants.hpp's).
inline constexpr double rydbergev = 13.605693122994, hartreeev = 27.211386245988;

// The units of a file's values: eV per its energy unit, and A^3 per its
// volume unit (its lengths in the unit whose cube that is); per cell, as
// the file gives them (kJ/mol is per mole of cells).
struct fileunits {
  double energy = 1.0, volume = 1.0;
};

// The factor of an energy unit (eV, meV, Ry, Ha, kJ/mol) or a volume unit
// (A3, bohr3), in any case; false where the name is none of them.
bool parseenergyunit(std::string_view name, double& toev);
bool parsevolumeunit(std::string_view name, double& toa3);

// The units of --energy-unit and --volume-unit as given (an empty text
// keeps eV or A^3): "" where both are known, else the usage error's text.
std::string parseevunits(const std::string& energy, const std::string& volume, fileunits& u);

// An energy in eV: e times the factor, and what its double leaves out of the
// exact product carried in low beside what e's own digits left out, so that
// a large constant energy still changes no digit that counts.
void toev(double& e, double& low, double factor);

// Every volume and energy of an E(V) file in A^3 and eV.
void toevunits(evdata& ev, const fileunits& u);

}  // namespace thermo
