// lattice_thermo._core: the results of the module's calls, made of read-only
// numpy arrays (or None) alone, pickled and copied as the tuple of them.
#pragma once

#include <array>
#include <string>

#include "arrays.hpp"

namespace pymodule {

// Makes class c, whose every member is one of the arrays (or None) that
// `arraysof` lists, picklable (and so copyable): its state is the tuple of
// them, each array taken back as a read-only copy. A state of another
// length, or one that holds something other than an array or None, is a
// ValueError.
template <class T, std::size_t N>
void picklable(py::class_<T>& c, std::array<py::object*, N> (*arraysof)(T&)) {
  static_assert(sizeof(T) == N * sizeof(py::object), "every member of a result is in its pickled state");
  const std::string name = "not a pickled " + std::string(py::str(c.attr("__name__")));
  c.def(py::pickle(
      [arraysof](const T& r) {
        T held = r;
        py::tuple state(N);
        std::size_t i = 0;
        for (py::object* a : arraysof(held)) state[i++] = *a;
        return state;
      },
      [arraysof, name](const py::tuple& state) {
        if (state.size() != N) throw py::value_error(name);
        T r;
        std::size_t i = 0;
        for (py::object* a : arraysof(r)) {
          const py::object item = state[i++];
          if (item.is_none()) *a = py::none();
          else if (py::isinstance<py::array>(item)) *a = frozen(py::array(item.attr("copy")()));
          else throw py::value_error(name);
        }
        return r;
      }));
}

}  // namespace pymodule
