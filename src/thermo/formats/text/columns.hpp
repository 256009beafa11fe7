// lattice_thermo: a DOS file in columns, the energy and the DOS on each
// line, read line by line in bounded memory.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "thermo/formats/text/input.hpp"
#include "thermo/harmonic/dos.hpp"

namespace thermo {

// Which column holds the DOS, and the unit where no header names one.
struct columnchoice {
  unit u = unit::thz;
  bool unitgiven = false;  // u was given: it wins over the header
  int column = 2;          // the DOS column, from 1
  bool sum = false;        // the DOS is the sum of columns 2 to the last
  // Where set, every DOS column (2 to the last, as many on each line as on
  // the first) is also kept as read, each in its own spectrum.
  std::vector<spectrum>* each = nullptr;
};

// What reading found besides the points.
struct columninfo {
  unit u = unit::thz;        // the unit the energies were read in
  bool headerunit = false;   // the header names a unit ...
  unit named = unit::thz;    // ... this one
  std::string othername;     // a second, different unit the header names, as written
  int columns = 0;           // numeric columns on the first data line
  double highest = 0.0;      // the highest energy, in u
};

// Reads a column file: lines before the first line that starts with a
// number form its header; lines whose first non-blank character is '#' or
// '!', and blank lines, are passed over anywhere. The header and comments
// before the first data line are searched for the name of an energy unit
// (THz, cm^-1, meV, ...), which is used unless choice.unitgiven. Each data
// line holds the energy in column 1 and the DOS per that unit in
// choice.column (or the sum of columns 2 to the last); items are separated
// by blanks, tabs or a comma and read by the project's free-form reader.
// `storage` is the line buffer, kept by the caller from one file to the
// next. False with p on the first problem.
bool readcolumns(source& in, const columnchoice& choice, spectrum& s, columninfo& info, problem& p,
                 std::vector<char>& storage);

// The same on a text in memory, the DOS in column 2.
bool parsecolumns(std::string_view text, unit u, spectrum& s, problem& p);

}  // namespace thermo
