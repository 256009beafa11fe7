// lattice_thermo: a phonon DOS from a file of any energy unit, validated and
// converted to SI units.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace thermo {

// Energy units of a DOS file's first column, and joules per unit.
enum class unit { thz, cm1, mev, ev, ry, ha };
// Parses a unit name (THz, cm-1, meV, eV, Ry, Ha); false if unknown.
bool parseunit(std::string_view name, unit& u);
const char* unitname(unit u);
double joules(unit u);

// The tabulated DOS: energy in joules (strictly increasing), dos in states
// per joule, per cell.
struct spectrum {
  std::vector<double> energy;
  std::vector<double> dos;
  long negative = 0;  // count of negative DOS values (kept)
};

// A problem with a file: the line it was found on (0 where none applies) and
// what it is.
struct problem {
  long line = 0;
  std::string what;
};

// Reads a column file held in `text`: comment lines (first non-blank '#' or
// '!'), blank lines, and lines of at least two numbers, the energy in unit u
// and the DOS per that unit; further columns are ignored. Numbers are read
// with the project's free-form reader. Returns false and fills p on the
// first problem.
bool parsecolumns(std::string_view text, unit u, spectrum& s, problem& p);

// Reads the fixed program's layout held in `text`: 11 header items, then
// records of energy (hartree) and DOS (states per hartree) to the end.
//
// Both check what every DOS must satisfy: finite values, strictly increasing
// energies, at least two points above zero and a positive integral.
bool parsepds(std::string_view text, spectrum& s, problem& p);

}  // namespace thermo
