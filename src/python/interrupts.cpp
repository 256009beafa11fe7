#include "interrupts.hpp"

#include <pybind11/pybind11.h>

namespace pymodule {

void checksignals() {
  pybind11::gil_scoped_acquire held;
  if (PyErr_CheckSignals() != 0) throw pybind11::error_already_set();
}

}  // namespace pymodule
