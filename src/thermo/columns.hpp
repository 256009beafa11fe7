// lattice_thermo: a DOS file in columns, the energy and the DOS on each
// line, read line by line in bounded memory.
#pragma once

#include <string_view>
#include <vector>

#include "thermo/dos.hpp"
#include "thermo/input.hpp"

namespace thermo {

// Reads lines of at least two numbers, the energy in unit u and the DOS per
// that unit; further columns are ignored. Lines whose first non-blank
// character is '#' or '!', and blank lines, are passed over. Items are
// separated by blanks, tabs or a comma and read by the project's free-form
// reader. `storage` is the line buffer, kept by the caller from one file to
// the next. False with p on the first problem.
bool readcolumns(source& in, unit u, spectrum& s, problem& p, std::vector<char>& storage);

// The same on a text in memory.
bool parsecolumns(std::string_view text, unit u, spectrum& s, problem& p);

}  // namespace thermo
