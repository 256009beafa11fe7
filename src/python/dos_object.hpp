// lattice_thermo._core: what a Dos object holds, and its two constructors,
// from arrays and from a file, by the program's own readers and treatments.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "arrays.hpp"
#include "initialised.hpp"
#include "thermo/formats/inputs/load.hpp"

namespace pymodule {

// A DOS ready for the sums, with how its results are scaled.
struct dos {
  thermo::loaded file;
  thermo::scaling scale{};
  bool peratom = false;
  std::string source;  // the file, as messages show it; empty for arrays
  // The tabulated DOS in file.unitname as the sums take it (after
  // pretend_real and normalize), read-only; None for a mesh.yaml's modes.
  py::object frequencies = py::none(), densities = py::none();
};

// Frequencies in `unit` (None: THz, with the file's warning where they look
// like another unit) and densities per that unit, checked point by point as
// a file's are; ValueError with the point's number where one is wrong.
dos fromarrays(const py::object& frequencies, const py::object& densities, const std::optional<std::string>& unit,
               std::optional<double> atoms, bool normalize, bool peratom, double cutoff, bool pretendreal);

// A file read as lattice_thermo reads it, its path as bytes: OSError
// (FileNotFoundError, ...) where it cannot be opened, ValueError naming
// FILE:LINE where it cannot be read.
dos fromfile(const py::bytes& path, const std::optional<std::string>& unit, std::optional<int> column, bool sumcolumns,
             bool normalize, double cutoff, bool pretendreal, std::optional<double> atoms, bool peratom, bool pds);

// How a file or arrays are read, from the arguments; ValueError where they
// do not go together or a value is out of its range.
thermo::readoptions readoptionsof(const std::optional<std::string>& unit, bool pds, std::optional<int> column,
                                  bool sumcolumns, bool normalize, double cutoff, bool pretendreal);

// OSError, of the subclass errno names (FileNotFoundError, ...), where the
// file at path (shown as `shown`) is not there, cannot be read or is a
// directory.
void checkopens(const std::string& path, const py::bytes& shown);

// The lowest temperature (K) the DOS's sampling resolves, as the program's
// header gives it.
double samplinglimitof(const dos& d);

// "<Dos ...>": where it came from, its points, unit, states, atoms and
// theta_inf.
std::string reprof(const dos& d);

}  // namespace pymodule

PYMODULE_INITIALISED(pymodule::dos, "Dos");
