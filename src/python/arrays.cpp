#include "arrays.hpp"

#include "thermo/base/number_text.hpp"
#include "thermo/harmonic/sweep.hpp"

namespace pymodule {

void warn(const std::vector<std::string>& texts) {
  for (const std::string& t : texts)
    if (PyErr_WarnEx(PyExc_UserWarning, t.c_str(), 2) != 0) throw py::error_already_set();
}

std::vector<std::string> lines(const std::string& text) {
  std::vector<std::string> out;
  for (std::size_t p = 0; p < text.size();) {
    const std::size_t e = text.find('\n', p);
    out.push_back(text.substr(p, e - p));
    p = e == std::string::npos ? text.size() : e + 1;
  }
  return out;
}

py::array frozen(py::array a) {
  a.attr("setflags")(py::arg("write") = false);
  return a;
}

namespace {

std::string nameof(py::handle h) { return py::str(py::type::handle_of(h).attr("__name__")); }

// For an array of objects: the type of its first item that is not a real
// number (bool is not taken for one), or "" where every item is.
std::string firstnotreal(const py::array& a) {
  const py::object real = py::module_::import("numbers").attr("Real");
  for (py::handle item : a.attr("ravel")())
    if (py::isinstance<py::bool_>(item) || !py::isinstance(item, real)) return item.is_none() ? "None" : nameof(item);
  return "";
}

// What a value that is not real numbers is, for the message: None, the type
// of a plain object or of a list's first item that is not a number ("" where
// every item is one), or an array's dtype. `a` is v as an array, or null.
std::string whatisit(const py::object& v, const py::object& a) {
  if (v.is_none()) return "None";
  if (!a) return nameof(v);
  const py::array array = py::reinterpret_borrow<py::array>(a);
  if (py::isinstance<py::array>(v)) return "an array of " + std::string(py::str(array.dtype()));
  switch (array.dtype().kind()) {
    case 'O': return firstnotreal(array);
    case 'U': return "str";
    case 'S': return "bytes";
    case 'b': return "bool";
    case 'c': return "complex";
    default: return std::string(py::str(array.dtype()));
  }
}

}  // namespace

doubles numbers(const py::object& v, const char* what, double most) {
  py::object a;  // v as an array of its own dtype; null where it is None or is no array
  if (!v.is_none()) a = py::array::ensure(v);
  if (a) {
    const py::array array = py::reinterpret_borrow<py::array>(a);
    const char kind = array.dtype().kind();
    if (!(static_cast<double>(array.size()) <= most))
      throw py::value_error(std::to_string(array.size()) + " " + what + " in one call; at most " + thermo::significant(most) +
                            ", as on the command line");
    if (kind == 'f' || kind == 'i' || kind == 'u' || (kind == 'O' && firstnotreal(array).empty()))
      if (doubles d = doubles::ensure(array)) return d;
  }
  const std::string is = whatisit(v, a);
  throw py::type_error(std::string(what) + " must be real numbers" + (is.empty() ? " within a float's range" : ", not " + is));
}

doubles temperaturesof(const py::object& t, bool flat) {
  doubles a = numbers(t, "temperatures", thermo::maxtemperatures);
  if (flat && a.ndim() > 1) throw py::value_error("temperatures must be a number or a 1-D sequence of numbers (K)");
  const double* v = a.data();
  for (py::ssize_t i = 0; i < a.size(); ++i)
    if (!(v[i] >= 0.0 && v[i] <= thermo::maxtemperature))
      throw py::value_error("temperature " + thermo::shortest(v[i]) + " K is outside 0 to " +
                            thermo::significant(thermo::maxtemperature) + " K");
  return a;
}

}  // namespace pymodule
