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

// Each text through Python's warnings module (the GIL held), pointing at the
// line that called the public function (which calls the compiled one); an
// error where the caller has made warnings errors.
void warn(const std::vector<std::string>& texts);

// The lines of a text, without their line ends.
std::vector<std::string> lines(const std::string& text);

// An array that can no longer be written: the results are frozen.
py::array frozen(py::array a);

// A number or array-like of real numbers (any integer or float dtype) as
// doubles, without a copy where it is C-contiguous float64 already. TypeError
// naming `what` where it is None, text, bool, complex or holds anything else;
// ValueError where it holds more than `most` values (before any copy).
doubles numbers(const py::object& v, const char* what, double most = 1e300);

// Temperatures as doubles, each within 0 to the program's limit and at most
// as many as the command line takes (ValueError otherwise); of any shape, or
// at most one dimension where `flat` is asked for.
doubles temperaturesof(const py::object& t, bool flat = false);

}  // namespace pymodule
