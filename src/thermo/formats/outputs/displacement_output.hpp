// lattice_thermo --displacements: a file's rows, a temperature and an atom
// each, as a table for a person (its header saying how they were made) or
// as CSV for a program (shortest round-trip digits).
#pragma once

#include <cstddef>
#include <string>

#include "thermo/formats/inputs/displacement_load.hpp"

namespace thermo {

// The CSV header line: `file` first where several files run, the u_ab
// columns where `matrices`, lamb_mossbauer where `mossbauer`.
std::string displacementcsvheader(bool filecolumn, bool matrices, bool mossbauer);

// The table's `#` lines for one file, ending in its column titles;
// `mossbauer` the gamma ray's energy in keV, 0 for none.
void appenddisplacementheader(std::string& s, const std::string& shown, const displacementtable& t, double mossbauer);

// The rows of the temperatures [from, to), each with its atoms: in the
// table's columns, or as CSV with the columns of a header made with
// `matrices` (`nan` for the u_ab a file without eigenvectors lacks) and
// `file` (where not empty) first.
void appenddisplacementrows(std::string& s, const displacementtable& t, std::size_t from, std::size_t to,
                            double mossbauer, bool csv, bool matrices, const std::string& file);

}  // namespace thermo
