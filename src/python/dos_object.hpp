// lattice_thermo._core: what a Dos object holds, and its two constructors,
// from arrays and from a file, by the program's own readers and treatments.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "arrays.hpp"
#include "thermo/formats/load.hpp"

namespace pymodule {

// A DOS ready for the sums, with how its results are scaled.
struct dos {
  thermo::loaded file;
  thermo::scaling scale{};
  bool peratom = false;
};

// Energies in `unit` and densities per that unit, checked point by point as
// a file's are; ValueError with the point's number where one is wrong.
dos fromarrays(const doubles& energies, const doubles& densities, const std::string& unit, std::optional<double> atoms,
               bool normalize, bool peratom, double cutoff, bool pretendreal);

// A file read as lattice_thermo reads it; ValueError naming FILE:LINE.
dos fromfile(const std::string& path, const std::optional<std::string>& unit, std::optional<int> column, bool sumcolumns,
             bool normalize, double cutoff, bool pretendreal, std::optional<double> atoms, bool peratom, bool pds);

}  // namespace pymodule
