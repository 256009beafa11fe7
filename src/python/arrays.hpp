// lattice_thermo._core: numpy arrays and Python's warnings on the library's
// side of the binding.
#pragma once

#include <pybind11/numpy.h>
#include <pybind11/pybind11.h>

#include <string>
#include <vector>

namespace pymodule {

namespace py = pybind11;

// An array of doubles, C-contiguous, converted from any dtype where needed.
using doubles = py::array_t<double, py::array::c_style | py::array::forcecast>;

// Each text through Python's warnings module (the GIL held); an error where
// the caller has made warnings errors.
void warn(const std::vector<std::string>& texts);

// The lines of a text, without their line ends.
std::vector<std::string> lines(const std::string& text);

// An array that can no longer be written: the results are frozen.
py::array frozen(py::array a);

// Temperatures as an array of doubles, each within 0 to the program's limit
// (ValueError otherwise).
doubles temperaturesof(const py::object& t);

}  // namespace pymodule
