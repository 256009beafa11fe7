#include "harmonic_calls.hpp"

#include "interrupts.hpp"
#include "thermo/harmonic/harmonic.hpp"

namespace pymodule {

std::vector<thermo::row> rowsof(const dos& d, const doubles& t) {
  std::vector<thermo::row> rows(static_cast<std::size_t>(t.size()));
  // A row costs a sum over the modes and theta_D's search, worth some
  // hundreds of modes.
  const std::size_t per = runof(static_cast<double>(d.file.d.energy.size()) + 500.0);
  py::gil_scoped_release unlocked;
  inruns(rows.size(), per, [&](std::size_t b, std::size_t e) {
    thermo::sweep(d.file.d, d.scale.thetaatoms, d.scale.divisor, t.data() + b, e - b, rows.data() + b, true);
  });
  return rows;
}

thermalprops thermalproperties(const dos& d, const py::object& t) {
  const doubles a = temperaturesof(t, true);
  const auto rows = rowsof(d, a);
  const py::ssize_t n = static_cast<py::ssize_t>(rows.size());
  py::array_t<double> temps(n), f(n), s(n), c(n), u(n), theta(n);
  for (py::ssize_t i = 0; i < n; ++i) {
    const thermo::row& r = rows[static_cast<std::size_t>(i)];
    temps.mutable_data()[i] = r.temperature;
    f.mutable_data()[i] = r.free_energy;
    s.mutable_data()[i] = r.entropy;
    c.mutable_data()[i] = r.heat_capacity;
    u.mutable_data()[i] = r.energy;
    theta.mutable_data()[i] = r.debye_temperature;
  }
  return {frozen(temps), frozen(f), frozen(s), frozen(c), frozen(u), frozen(theta), samplinglimitof(d),
          thermo::thetainfinity(d.file.d)};
}

thermalprops unpickled(const py::tuple& state) {
  if (state.size() != 6 && state.size() != 8) throw py::value_error("not a pickled ThermalProperties");
  py::array a[6];
  py::ssize_t n = 0;
  for (std::size_t i = 0; i < 6; ++i) {
    const doubles v = numbers(state[i], "a pickled ThermalProperties");
    if (i == 0) n = v.size();
    if (v.ndim() != 1 || v.size() != n) throw py::value_error("not a pickled ThermalProperties");
    a[i] = frozen(py::array_t<double>(v.size(), v.data()));
  }
  thermalprops t{a[0], a[1], a[2], a[3], a[4], a[5]};
  if (state.size() == 8) {
    t.samplinglimit = state[6].cast<double>();
    t.thetainfinity = state[7].cast<double>();
  }
  return t;
}

py::array resolvedof(const thermalprops& t) {
  const doubles temps = doubles::ensure(t.temperatures);
  py::array_t<bool> out(temps.size());
  for (py::ssize_t i = 0; i < temps.size(); ++i) out.mutable_data()[i] = !(temps.data()[i] < t.samplinglimit);
  return frozen(out);
}

}  // namespace pymodule
