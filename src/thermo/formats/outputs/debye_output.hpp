// lattice_thermo --debye: its rows as CSV and as a table, and what the
// table's header says of each phase.
#pragma once

#include <string>
#include <vector>

#include "thermo/qha/debye_rows.hpp"

namespace thermo {

// Which columns a run has: the phase's name and whether it is the stable
// one (several phases), the electrons' own four, the spreads across the
// degrees (--error-bars: a <column>_err_fit for each value column).
struct debyelayout {
  bool phases = false, electrons = false, errors = false;
};

// What a table's header says of a phase: its name, file, formula units per
// cell, its model (the Grueneisen variant's name as given, or "") and its
// electrons ("" where none).
struct debyeinfo {
  std::string name, evfile;
  double formulaunits = 1.0;
  const debyemodel* model = nullptr;
  std::string variant, electrons;
};

// The model's lines of a header, each "# ..." with its line end: the file,
// the cell, theta's and gamma's route, the fits, the constants, the static
// fit at p = 0 (per formula unit where z > 1), the electrons.
std::string debyeheaderlines(const debyeinfo& p, bool named);

std::string debyecsvheader(const debyelayout& l);
// One row: its pressure, phase (where several), values, spreads (where
// asked for) and stable flag (where several).
void appenddebyecsv(std::string& s, const debyelayout& l, const debyerow& r, const debyerow& err,
                    const std::string& phase, bool stable);

void appenddebyetableheader(std::string& s, const debyelayout& l, const std::vector<debyeinfo>& phases, double pressure,
                            bool performula);
// The table's row: the values, and the spreads of V and B_T where asked
// for; the phase's name first (padded to width) where several.
void appenddebyetablerow(std::string& s, const debyelayout& l, const debyerow& r, const debyerow& err,
                         const std::string& phase, int width, bool stable);

}  // namespace thermo
