// lattice_thermo --qha: its rows as CSV and as a table.
#pragma once

#include <string>

#include "thermo/qha/eos_fit.hpp"
#include "thermo/qha/qha.hpp"

namespace thermo {

// The CSV header, with a first column `pressure` where several pressures
// run, and with `errors` the error bars' columns last (errorcolumns).
std::string qhacsvheader(bool pressurecolumn, bool errors = false, bool fit = false);
// The error bars' columns: _err_data, _err_model and _err of volume,
// gibbs_energy, bulk_modulus, thermal_expansion and heat_capacity_p; with
// `fit` (the strain polynomials' spread across degrees) _err_fit before _err.
std::string errorcolumns(bool fit = false);
// One CSV row (shortest round-trip digits, `nan` where there is none).
void appendqhacsv(std::string& s, const qharow& r, bool pressurecolumn, double pressure, bool errors = false,
                  bool fit = false);
// The error bars' fields added to the row that ends s (after columns
// another writer has added to it).
void addrowerrors(std::string& s, const qharow& r, bool fit = false);
// Its fields from temperature to linear_thermal_expansion, without the
// line's end.
void appendqhafields(std::string& s, const qharow& r);

// What the table's header says: the files, the equation of state, the
// pressure, the volume range, the static fit and the electrons taken in.
struct qhatableinfo {
  std::string evfile;
  eos form;
  double pressure;  // GPa
  double vmin, vmax;
  const parameters& fit;  // of E(V) alone
  int volumes;
  std::string electrons;  // empty: none; else what gives them
  double formulaunits = 0.0;  // per cell, where --formula-units asks for values per formula unit
  bool errors = false;        // the error bars in the five columns that have them
};
void appendqhatableheader(std::string& s, const qhatableinfo& info);
// The column titles' line (without the leading "#").
std::string qhatabletitles(bool errors);
void appendqhatablerow(std::string& s, const qharow& r, bool errors = false);
// The row's fields without the line's end; with `errors`, V, G, B_T, alpha
// and Cp each with its error bar in the concise form 11.79852(31).
void appendqhatablefields(std::string& s, const qharow& r, bool errors = false);

}  // namespace thermo
