// lattice_thermo's output: the table for a person and the CSV for a program.
#pragma once

#include <array>
#include <string>
#include <vector>

#include "thermo/harmonic/dos.hpp"
#include "thermo/harmonic/harmonic.hpp"
#include "thermo/harmonic/sweep.hpp"

namespace thermo {

// What the table's header says about a file besides its numbers.
struct tableinfo {
  const std::string& path;
  std::string unit;     // e.g. "THz (the default)" or "Ha (lattice_heat_capacity layout)"
  std::string points;   // e.g. "339 (338 above zero)"
  std::string cutoff;   // empty, or the --cutoff-frequency with its unit
  double atoms;         // atoms per cell
  double thetaatoms;    // atoms of the Debye solid theta_D is matched against
  bool peratom;         // results per mole of atoms
  double samplinglimit; // K (see samplinglimit)
  bool mesh;            // modes of a q-mesh, not a tabulated DOS
};

// The widths of the table's six columns: the usual ones, widened where the
// values at the ends of the temperature range need it, so that at least two
// blanks stand before every value. A value wider still (between the ends)
// gets one blank before it.
struct tablelayout {
  std::array<int, 6> width = {9, 12, 13, 14, 12, 13};
};
tablelayout layoutfor(const row& first, const row& last, bool peratom);

// The CSV header line; with a first column `file` where several files run,
// and a last column `sampling_limit` (the file's, the same on each of its
// rows).
std::string csvheader(bool filecolumn);

// The table's `#` header lines for one file, ending in the column titles;
// the sampling limit among them.
void appendtableheader(std::string& s, const tableinfo& info, const harmonicdos& d, const tablelayout& layout);

// phonopy's thermal_properties.yaml: the header (natom, the cutoff in THz,
// the modes counted and integrated, the zero-point energy in kJ/mol), then
// an entry per row with full digits (and theta_D, .nan where there is none);
// lattice_thermo's own sampling_limit (K) after the zero-point energy.
struct yamlinfo {
  long natom;
  double cutoff;            // THz
  double modes, integratedmodes;
  double zeropoint;         // kJ/mol
  bool peratom;
  double samplinglimit;     // K
};
void appendyamlheader(std::string& s, const yamlinfo& info);
void appendyamlrows(std::string& s, const row* rows, std::size_t n);

// One line per row, in the table's columns or as CSV (shortest round-trip
// digits, `nan` where there is no value; `file`, quoted as RFC 4180 asks
// where it holds a comma, a quote or a line end, prefixes each row where
// not empty, and the sampling limit ends it). In the table, a row above 0 K
// and below the sampling limit ends in `unresolvedmark`.
inline constexpr const char* unresolvedmark = "  # unresolved";
void appendtablerows(std::string& s, const row* rows, std::size_t n, const tablelayout& layout, double limit);
void appendcsvrows(std::string& s, const row* rows, std::size_t n, const std::string& file, double limit);

// A path as a CSV field.
std::string csvfield(const std::string& text);

}  // namespace thermo
