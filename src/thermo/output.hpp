// lattice_thermo's output: the table for a person and the CSV for a program.
#pragma once

#include <string>
#include <vector>

#include "thermo/dos.hpp"
#include "thermo/harmonic.hpp"
#include "thermo/sweep.hpp"

namespace thermo {

// What the table's header says about a file besides its numbers.
struct tableinfo {
  const std::string& path;
  const char* unit;   // e.g. "THz" or "Ha (lattice_heat_capacity layout)"
  double atoms;       // atoms per cell
  bool peratom;       // results per mole of atoms
};

// The CSV header line; with a first column `file` where several files run.
std::string csvheader(bool filecolumn);

// The table's `#` header lines for one file.
void appendtableheader(std::string& s, const tableinfo& info, const spectrum& sp, const harmonicdos& d);

// One line per row, in the table's fixed columns or as CSV (shortest
// round-trip digits, `nan` where there is no value; `file` prefixes each row
// where not empty).
void appendtablerows(std::string& s, const std::vector<row>& rows);
void appendcsvrows(std::string& s, const std::vector<row>& rows, const std::string& file);

// A value in fixed notation, as printf's %*.*f.
std::string fixed(double v, int width, int decimals);

}  // namespace thermo
