#include "qha_call.hpp"

#include <cmath>
#include <limits>

#include "thermo/qha/eos.hpp"
#include "thermo/qha/qha.hpp"

namespace pymodule {

namespace {

constexpr double nan = std::numeric_limits<double>::quiet_NaN();

}  // namespace

qharesult qha(const doubles& volumes, const doubles& energies, const std::vector<const dos*>& doses, const py::object& t,
              const std::string& form, const py::object& pressures) {
  const std::size_t n = static_cast<std::size_t>(volumes.size());
  if (volumes.ndim() != 1 || energies.ndim() != 1 || static_cast<std::size_t>(energies.size()) != n)
    throw py::value_error("volumes and energies must be 1-D arrays of the same length");
  if (n < 5) throw py::value_error(std::to_string(n) + " volumes; the equation of state's four parameters need at least 5");
  if (doses.size() != n)
    throw py::value_error(std::to_string(n) + " volumes, but " + std::to_string(doses.size()) + " Dos are given: one for each volume, in the same order");
  thermo::eos e;
  if (!thermo::parseeos(form, e)) throw py::value_error("unknown equation of state '" + form + "'; one of vinet, birch_murnaghan, murnaghan");
  std::vector<double> v(volumes.data(), volumes.data() + n), en(energies.data(), energies.data() + n);
  for (std::size_t i = 0; i < n; ++i) {
    if (!(v[i] > 0.0) || !std::isfinite(v[i]) || !std::isfinite(en[i]))
      throw py::value_error("volume " + std::to_string(i + 1) + ": a volume that is not positive, or a value that is not finite");
    for (std::size_t j = 0; j < i; ++j)
      if (v[i] == v[j]) throw py::value_error("volume " + std::to_string(i + 1) + " is given twice (also as volume " + std::to_string(j + 1) + ")");
  }
  std::vector<thermo::harmonicdos> hs;
  for (const dos* d : doses) {
    if (d == nullptr) throw py::value_error("doses must be Dos objects");
    hs.push_back(d->file.d);
  }
  const thermo::qhamodel m = thermo::makemodel(e, v, en, std::move(hs));
  if (!thermo::lowestinside(m)) throw py::value_error("E(V) with the zero-point energy has no minimum within the volumes");
  const doubles temps = temperaturesof(t);
  const doubles press = doubles::ensure(pressures);
  if (!press || press.ndim() > 1) throw py::value_error("pressures must be a number or a 1-D sequence of numbers (GPa)");
  const std::size_t nt = static_cast<std::size_t>(temps.size()), np = static_cast<std::size_t>(std::max<py::ssize_t>(press.size(), 1));
  for (py::ssize_t i = 0; i < press.size(); ++i)
    if (!std::isfinite(press.data()[i])) throw py::value_error("pressures must be finite");
  constexpr int columns = 9;
  std::vector<double> out(columns * np * nt, nan), last(np, nan);
  std::vector<std::string> warnings;
  {
    py::gil_scoped_release unlocked;
    std::vector<thermo::qhaoutcome> rows(nt);
    const double vmin = m.volume.front(), vmax = m.volume.back();
    for (std::size_t k = 0; k < np; ++k) {
      const double p = press.data()[k];
      thermo::qharows(m, temps.data(), nt, p, rows.data());
      for (std::size_t i = 0; i < nt; ++i) {
        const thermo::qhaoutcome& r = rows[i];
        if (!r.ok) {
          warnings.push_back("at " + std::to_string(temps.data()[i]) + " K and " + std::to_string(p) + " GPa: " + r.why);
          continue;
        }
        if (!(r.row.volume >= vmin && r.row.volume <= vmax)) {
          warnings.push_back("at " + std::to_string(r.row.temperature) + " K and " + std::to_string(p) +
                             " GPa the volume leaves the volumes sampled (" + std::to_string(vmin) + " to " +
                             std::to_string(vmax) + " A^3): NaN from there on at this pressure");
          break;
        }
        last[k] = r.row.temperature;
        const double values[columns] = {r.row.volume, r.row.gibbs_energy, r.row.bulk_modulus, r.row.thermal_expansion,
                                        r.row.heat_capacity_p, r.row.heat_capacity_v, r.row.gruneisen, r.row.entropy,
                                        r.row.bulk_modulus_s};
        for (int c = 0; c < columns; ++c) out[(static_cast<std::size_t>(c) * np + k) * nt + i] = values[c];
      }
    }
  }
  warn(warnings);
  py::array arrays[columns];
  for (int c = 0; c < columns; ++c) {
    py::array_t<double> a({static_cast<py::ssize_t>(np), static_cast<py::ssize_t>(nt)});
    std::copy(out.begin() + static_cast<long>(c * np * nt), out.begin() + static_cast<long>((c + 1) * np * nt), a.mutable_data());
    arrays[c] = frozen(a);
  }
  py::array_t<double> p(static_cast<py::ssize_t>(np)), tt(static_cast<py::ssize_t>(nt)), l(static_cast<py::ssize_t>(np));
  for (std::size_t k = 0; k < np; ++k) {
    p.mutable_data()[k] = press.size() > 0 ? press.data()[k] : 0.0;
    l.mutable_data()[k] = last[k];
  }
  std::copy(temps.data(), temps.data() + nt, tt.mutable_data());
  return {frozen(p), frozen(tt), arrays[0], arrays[1], arrays[2], arrays[3], arrays[4], arrays[5], arrays[6], arrays[7],
          arrays[8], frozen(l)};
}

}  // namespace pymodule
