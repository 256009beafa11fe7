// lattice_thermo --qha-grid: its rows as CSV and as a table, and
// --write-fv's blocks: G over the grid at each temperature with the fitted
// surface.
#pragma once

#include <string>

#include "thermo/qha/axial_path.hpp"
#include "thermo/qha/grid_qha.hpp"

namespace thermo {

// The CSV header: [pressure,]temperature,a,[b,]c,volume,alpha_a,[alpha_b,]
// alpha_c,thermal_expansion,heat_capacity_p,heat_capacity_v,entropy,
// gibbs_energy,fit_rms (b where the grid has three lengths).
// With --error-bars, after these the error bars' three columns of each of
// a, [b,] c, volume, alpha_a, [alpha_b,] alpha_c, thermal_expansion,
// heat_capacity_p and gibbs_energy (errors: the row's, or none).
std::string gridcsvheader(int axes, bool pressurecolumn, bool errors = false);
void appendgridcsv(std::string& s, const gridrow& r, int axes, bool pressurecolumn, double pressure,
                   const griderrorbars* errors = nullptr);

// What the table's header says.
struct gridtableinfo {
  std::string gridfile;
  const gridmodel& model;
  double pressure;             // GPa
  const surfaceminimum& fit;   // of E(x) alone
  double staticrms;            // eV
  std::string electrons;       // empty: none; else what gives them
  bool errors = false;         // the rows carry error bars
};
// With error bars (info.errors; a row's `errors`), the values that have
// them as x(u), the error bar in x's last digits.
void appendgridtableheader(std::string& s, const gridtableinfo& info);
void appendgridtablerow(std::string& s, const gridrow& r, int axes, const griderrorbars* errors = nullptr);

// The surface's mesh for --write-fv: this many lengths on each axis shown.
inline constexpr int gridfvpoints = 41;

std::string gridfvheader(const std::string& gridfile, int axes);
// One temperature's block: `# pressure: P GPa, temperature: T K`, the
// minimum, the data `a c G` (`a b c G`), a blank line, the fitted surface
// over the box (over a and c, b at the minimum's), a blank line after each
// a, and two blank lines. r must keep its surface and data.
void appendgridfvblock(std::string& s, const gridmodel& m, const gridoutcome& r, double pressure);

}  // namespace thermo

namespace thermo {

// --qha --lattice: the columns a, b, c, alpha_a, alpha_b, alpha_c after
// --qha's. The CSV header's names, and the table's header with a line on the
// path's fit, each added to the header s already holds (its last line the
// columns' names).
void addpathcsvheader(std::string& s);
void addpathtableheader(std::string& s, const std::string& latticefile, const axialpath& p);
// The columns of the row at volume v (A^3 per cell) with volumetric alpha,
// added to the row s ends with, CSV or table.
void addpathfields(std::string& s, const axialpath& p, double v, double alpha, bool csv);

}  // namespace thermo
