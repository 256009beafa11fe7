// lattice_thermo._core: objects made with __new__ and never initialised.
// pybind11 hands a method such an object's storage unconstructed; every
// argument of the module's own types is taken through a caster that refuses
// it first, with a TypeError.
#pragma once

#include <pybind11/pybind11.h>

#include <string>

namespace pymodule {

template <class T>
class initialisedcaster : public pybind11::detail::type_caster_base<T> {
 public:
  bool load(pybind11::handle src, bool convert) {
    return this->template load_impl<initialisedcaster<T>>(src, convert);
  }
  void load_value(pybind11::detail::value_and_holder&& v) {
    if (!v.holder_constructed())
      throw pybind11::type_error(std::string("this ") + pybind11::detail::type_caster<T>::shown +
                                 " was never initialised (made with __new__ alone)");
    pybind11::detail::type_caster_base<T>::load_value(std::move(v));
  }
};

}  // namespace pymodule

// Declares T's caster; `name` is its Python name. At namespace scope, before
// any binding of T.
#define PYMODULE_INITIALISED(T, name)                                 \
  template <>                                                         \
  class pybind11::detail::type_caster<T> : public pymodule::initialisedcaster<T> { \
   public:                                                            \
    static constexpr const char* shown = name;                        \
  }
