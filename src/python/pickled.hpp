// lattice_thermo._core: the results of the module's calls, made of read-only
// numpy arrays (or None) alone, pickled and copied as the tuple of them.
#pragma once

#include <array>
#include <string>

#include "arrays.hpp"

namespace pymodule {

// Makes class c, whose every member is one of the arrays (or None) that
// `arraysof` lists or one of the whole numbers `intsof` lists, picklable (and
// so copyable): its state is the tuple of them, each array taken back as a
// read-only copy. A state of another length, or one that holds something
// else in an array's place, is a ValueError; but one `added` arrays short,
// pickled before the last `added` were, takes those as None.
template <class T, std::size_t N, std::size_t M = 0>
void picklable(py::class_<T>& c, std::array<py::object*, N> (*arraysof)(T&),
               std::array<int*, M> (*intsof)(T&) = nullptr, std::size_t added = 0) {
  constexpr std::size_t size = N * sizeof(py::object) + M * sizeof(int);
  static_assert(sizeof(T) == (size + alignof(T) - 1) / alignof(T) * alignof(T),
                "every member of a result is in its pickled state");
  const std::string name = "not a pickled " + std::string(py::str(c.attr("__name__")));
  c.def(py::pickle(
      [arraysof, intsof](const T& r) {
        T held = r;
        py::tuple state(N + M);
        std::size_t i = 0;
        for (py::object* a : arraysof(held)) state[i++] = *a;
        if constexpr (M > 0)
          for (int* k : intsof(held)) state[i++] = *k;
        return state;
      },
      [arraysof, intsof, name, added](const py::tuple& state) {
        const std::size_t arrays = state.size() - M;
        if (state.size() < M || (arrays != N && (added == 0 || arrays + added != N))) throw py::value_error(name);
        T r;
        std::size_t i = 0;
        for (py::object* a : arraysof(r)) {
          if (i >= arrays) break;  // an older state's: None
          const py::object item = state[i++];
          if (item.is_none()) *a = py::none();
          else if (py::isinstance<py::array>(item)) *a = frozen(py::array(item.attr("copy")()));
          else throw py::value_error(name);
        }
        if constexpr (M > 0)
          for (int* k : intsof(r)) *k = state[i++].cast<int>();
        return r;
      }));
}

}  // namespace pymodule
