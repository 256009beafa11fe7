#include "arrays.hpp"

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

doubles temperaturesof(const py::object& t) {
  doubles a = doubles::ensure(t);
  if (!a) throw py::value_error("temperatures must be numbers");
  const double* v = a.data();
  for (py::ssize_t i = 0; i < a.size(); ++i)
    if (!(v[i] >= 0.0 && v[i] <= thermo::maxtemperature))
      throw py::value_error("temperature " + std::to_string(v[i]) + " K is outside 0 to 1e9 K");
  return a;
}

}  // namespace pymodule
