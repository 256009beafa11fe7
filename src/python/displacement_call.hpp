// lattice_thermo._core: the thermal displacements, as lattice_thermo
// --displacements computes them: a Dos's <|u|^2> and B at any temperatures,
// and a file's or arrays' table, every atom at every temperature.
#pragma once

#include <optional>
#include <string>

#include "dos_object.hpp"

namespace pymodule {

// <|u|^2> (A^2) of an atom of mass `mass` (amu) at temperatures t, in t's
// shape, times `scale` (B: 8 pi^2 / 3).
py::object meansquare(const dos& d, const py::object& t, double mass, double scale);

// The table of a file (path as bytes) or of arrays (frequencies, densities:
// 1-D, a total DOS; 2-D, a column per atom) at the 1-D temperatures t, as a
// dict of arrays named like the CSV's columns; masses: None, a number (every
// atom's) or one per atom.
py::dict displacements(const py::object& source, const py::object& t, const py::object& masses,
                       const std::optional<std::string>& unit, double cutoff, bool pretendreal,
                       std::optional<double> mossbauer);

// Adds the Dos methods and the module function, with their docstrings.
void binddisplacements(py::module_& m, py::class_<dos>& cls);

}  // namespace pymodule
