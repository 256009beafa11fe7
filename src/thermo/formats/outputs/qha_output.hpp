// lattice_thermo --qha: its rows as CSV and as a table.
#pragma once

#include <string>

#include "thermo/qha/eos_fit.hpp"
#include "thermo/qha/qha.hpp"

namespace thermo {

// The CSV header, with a first column `pressure` where several pressures run.
std::string qhacsvheader(bool pressurecolumn);
// One CSV row (shortest round-trip digits, `nan` where there is none).
void appendqhacsv(std::string& s, const qharow& r, bool pressurecolumn, double pressure);
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
};
void appendqhatableheader(std::string& s, const qhatableinfo& info);
void appendqhatablerow(std::string& s, const qharow& r);
// The row's fields without the line's end.
void appendqhatablefields(std::string& s, const qharow& r);

}  // namespace thermo
