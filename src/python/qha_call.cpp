#include "qha_call.hpp"

#include <algorithm>
#include <cmath>
#include <limits>
#include <numeric>

#include "grid_call.hpp"
#include "interrupts.hpp"
#include "thermo/base/number_text.hpp"
#include "thermo/harmonic/sweep.hpp"
#include "thermo/qha/checks.hpp"
#include "thermo/qha/doubt.hpp"
#include "thermo/qha/eos.hpp"
#include "thermo/qha/qha.hpp"

namespace pymodule {

namespace {

constexpr double nan = std::numeric_limits<double>::quiet_NaN();

}  // namespace

thermo::qhamodel checkedmodel(const py::object& volumes, const py::object& energies, const std::vector<const dos*>& doses,
                              const std::string& form, const std::string& in, double& modes) {
  const doubles vs = numbers(volumes, "volumes"), es = numbers(energies, "energies");
  // Messages of a phase begin "phases[k]: ".
  const std::string at = in.empty() ? "" : in.substr(0, in.size() - 1) + ": ";
  if (vs.ndim() != 1 || es.ndim() != 1 || es.size() != vs.size())
    throw py::value_error(at + "volumes and energies must be 1-D arrays of the same length (" + std::to_string(vs.size()) +
                          " and " + std::to_string(es.size()) + " values)");
  const std::size_t n = static_cast<std::size_t>(vs.size());
  if (n < 5) throw py::value_error(at + std::to_string(n) + " volumes; the equation of state's four parameters need at least 5");
  if (doses.size() != n)
    throw py::value_error(at + std::to_string(n) + " volumes, but " + std::to_string(doses.size()) + " Dos are given: one for each volume, in the same order");
  const thermo::eos e = eosof(form);
  std::vector<double> v(vs.data(), vs.data() + n), en(es.data(), es.data() + n);
  for (std::size_t i = 0; i < n; ++i)
    if (!(v[i] > 0.0) || !std::isfinite(v[i]) || !std::isfinite(en[i]))
      throw py::value_error(at + "volume " + std::to_string(i + 1) + ": a volume that is not positive, or a value that is not finite");
  std::vector<std::size_t> order(n);
  std::iota(order.begin(), order.end(), std::size_t{0});
  std::stable_sort(order.begin(), order.end(), [&](std::size_t a, std::size_t b) { return v[a] < v[b]; });
  for (std::size_t k = 1; k < n; ++k)
    if (v[order[k]] == v[order[k - 1]])
      throw py::value_error(at + "volume " + std::to_string(order[k] + 1) + " is given twice (also as volume " +
                            std::to_string(order[k - 1] + 1) + ")");
  std::vector<thermo::harmonicdos> hs;
  modes = 0.0;
  for (const dos* d : doses) {
    if (d == nullptr) throw py::type_error("doses must be Dos objects");
    hs.push_back(d->file.d);
    modes += static_cast<double>(d->file.d.energy.size());
  }
  thermo::phononinfo info;
  for (const thermo::harmonicdos& h : hs) {
    info.thetainf.push_back(thermo::thetainfinity(h));
    info.imaginary.push_back(h.below > 1e-3 * h.states);
  }
  const thermo::qhamodel m = thermo::makemodel(e, v, en, std::move(hs));
  // The program's checks of the inputs against each other, named as the
  // arguments are.
  thermo::qhanames names;
  names.ev = in + "energies";
  names.options = false;
  for (std::size_t i = 0; i < n; ++i) names.volume.push_back(in + "doses[" + std::to_string(i) + "]");
  thermo::findings found;
  thermo::parameters fit;
  std::string why;
  thermo::checkorder(m, info, names, found);
  if (found.errors.empty() && thermo::staticfit(m, fit, why)) thermo::checkstatic(m, fit, info, names, found);
  if (!found.errors.empty()) throw py::value_error(lines(found.errors).front());
  warn(lines(found.warnings));
  thermo::parameters zero;
  if (!thermo::zerokelvinfit(m, zero, why)) throw py::value_error(at + "at 0 K: " + why);
  if (!(zero[3] >= m.volume.front() && zero[3] <= m.volume.back()))
    throw py::value_error(at + "E(V) with the zero-point energy has no minimum within the volumes");
  return m;
}

std::array<py::object*, 21 + 4 * thermo::rowerrorcount> arraysof(qharesult& r) {
  std::array<py::object*, 21 + 4 * thermo::rowerrorcount> a{
      &r.pressures, &r.temperatures, &r.volume, &r.gibbs_energy, &r.bulk_modulus, &r.thermal_expansion,
      &r.heat_capacity_p, &r.heat_capacity_v, &r.gruneisen, &r.entropy, &r.bulk_modulus_s,
      &r.bulk_modulus_prime, &r.fit_rms, &r.linear_thermal_expansion, &r.last_temperature,
      &r.a, &r.b, &r.c, &r.alpha_a, &r.alpha_b, &r.alpha_c};
  for (std::size_t j = 0; j < r.errors.size(); ++j) a[21 + j] = &r.errors[j];
  for (std::size_t j = 0; j < r.fits.size(); ++j) a[21 + r.errors.size() + j] = &r.fits[j];  // last: added later
  return a;
}

thermo::eos eosof(const std::string& form) {
  thermo::eos e;
  if (!thermo::parseeos(form, e)) throw py::value_error("unknown equation of state '" + form + "'; one of vinet, birch_murnaghan, murnaghan, strain");
  return e;
}

doubles pressuresof(const py::object& pressures) {
  const doubles press = numbers(pressures, "pressures", thermo::maxtemperatures);
  if (press.ndim() > 1) throw py::value_error("pressures must be a number or a 1-D sequence of numbers (GPa)");
  if (press.size() == 0) throw py::value_error("pressures is empty: give one pressure or more (GPa)");
  for (py::ssize_t i = 0; i < press.size(); ++i)
    if (!std::isfinite(press.data()[i])) throw py::value_error("pressure " + thermo::shortest(press.data()[i]) + " GPa is not finite");
  return press;
}

void checkerrorbars(bool errorbars, const thermo::qhamodel& m, const std::string& in) {
  if (errorbars && m.form == thermo::eos::strain && !in.empty())
    throw py::value_error("error_bars does not go with eos='strain' with several phases: the strain polynomials' "
                          "error bars are taken for one phase's rows");
  if (errorbars && m.volume.size() < static_cast<std::size_t>(thermo::errorbarvolumes))
    throw py::value_error((in.empty() ? "" : in.substr(0, in.size() - 1) + ": ") + "error_bars needs " +
                          std::to_string(thermo::errorbarvolumes) + " volumes or more (the fit's 5 and one to leave " +
                          "out); " + std::to_string(m.volume.size()) + " are given");
}

std::vector<std::string> errornames(const char* const* quantities, int k) {
  std::vector<std::string> names;
  for (int j = 0; j < k; ++j)
    for (const char* part : {"_err_data", "_err_model", "_err"}) names.push_back(std::string(quantities[j]) + part);
  return names;
}

std::size_t phaserows(const thermo::qhamodel& m, const double* t, std::size_t nt, double p, bool errorbars,
                      double modes, const std::string& lead, std::vector<thermo::qhaoutcome>& rows,
                      std::vector<std::string>& warnings) {
  // (The strain polynomials take error bars only where asked for: nothing to judge.)
  const bool enough = m.volume.size() >= static_cast<std::size_t>(thermo::errorbarvolumes);
  const bool judgeable = enough && m.form != thermo::eos::strain;
  rows.assign(nt, thermo::qhaoutcome{});
  for (std::size_t i = 0; i < nt; ++i)
    rows[i].errors =
        enough && (errorbars || (judgeable && thermo::doubtcheckpoint(static_cast<long>(i), static_cast<long>(nt))));
  // A row with its error bars costs some seven fits more.
  inruns(nt, runof(8.0 * modes * (errorbars ? 8.0 : 1.0)), [&](std::size_t b, std::size_t end) {
    thermo::qharows(m, t + b, end - b, p, rows.data() + b);
  });
  char doubted = 0;  // 1: in doubt, 2: error bars that cannot be taken, warned of
  auto judge = [&](const thermo::qhaoutcome& r) {
    const char kind = r.errorswhy.empty() ? 1 : 2;
    if (!r.errors || (doubted & kind)) return;
    const std::string w = thermo::doubtwarning(lead, r, m.atoms, p, "error_bars=True gives every row's error bars");
    if (w.empty()) return;
    doubted |= kind;
    warnings.push_back(w.substr(0, w.size() - 1));
  };
  const double vmin = m.volume.front(), vmax = m.volume.back();
  std::size_t last = nt;  // the last row inside
  for (std::size_t i = 0; i < nt; ++i) {
    const thermo::qhaoutcome& r = rows[i];
    if (!r.ok) {
      warnings.push_back(lead + "at " + thermo::shortest(t[i]) + " K and " + thermo::shortest(p) + " GPa: " + r.why);
      continue;
    }
    if (!(r.row.volume >= vmin && r.row.volume <= vmax)) {
      // The last row inside judged, where it was not.
      if (last < nt && !rows[last].errors && judgeable && !(doubted & 1)) {
        thermo::qhaoutcome x;
        x.errors = true;
        if (thermo::qhaat(m, t[last], p, x)) judge(x);
      }
      warnings.push_back(lead + "at " + thermo::shortest(r.row.temperature) + " K and " + thermo::shortest(p) +
                         " GPa the volume leaves the volumes sampled (" + thermo::shortest(vmin) + " to " +
                         thermo::shortest(vmax) + " A^3): NaN from there on at this pressure");
      return i;
    }
    judge(r);
    last = i;
  }
  return nt;
}

qharesult qhatable(const thermo::qhamodel& m, const std::vector<double>& temps, const std::vector<double>& press,
                   double modes, const thermo::axialpath* path, bool errorbars) {
  checkerrorbars(errorbars, m, "");
  const std::size_t nt = temps.size(), np = press.size();
  if (!(static_cast<double>(nt) * static_cast<double>(np) <= thermo::maxtemperatures))
    throw py::value_error(std::to_string(np) + " pressures times " + std::to_string(nt) + " temperatures in one call; at most " +
                          thermo::significant(thermo::maxtemperatures) + " rows, as on the command line");
  constexpr int columns = 18, errs = 3 * thermo::rowerrorcount;
  const bool fits = errorbars && m.form == thermo::eos::strain;  // the spread across the degrees too
  std::vector<double> out(columns * np * nt, nan), last(np, nan), err(errorbars ? errs * np * nt : 0, nan),
      fit(fits ? thermo::rowerrorcount * np * nt : 0, nan);
  std::vector<std::string> warnings;
  {
    py::gil_scoped_release unlocked;
    std::vector<thermo::qhaoutcome> rows;
    for (std::size_t k = 0; k < np; ++k) {
      const double p = press[k];
      const std::size_t inside = phaserows(m, temps.data(), nt, p, errorbars, modes, "", rows, warnings);
      for (std::size_t i = 0; i < inside; ++i) {
        const thermo::qhaoutcome& r = rows[i];
        if (!r.ok) continue;
        last[k] = r.row.temperature;
        double values[columns] = {r.row.volume, r.row.gibbs_energy, r.row.bulk_modulus, r.row.thermal_expansion,
                                  r.row.heat_capacity_p, r.row.heat_capacity_v, r.row.gruneisen, r.row.entropy,
                                  r.row.bulk_modulus_s, r.row.bulk_modulus_prime, r.row.fit_rms,
                                  r.row.linear_thermal_expansion, nan, nan, nan, nan, nan, nan};
        if (path != nullptr) {
          const thermo::axialrow x = thermo::alongpath(*path, r.row.volume, r.row.thermal_expansion);
          std::copy(x.length.begin(), x.length.end(), values + 12);
          std::copy(x.alpha.begin(), x.alpha.end(), values + 15);
        }
        for (int c = 0; c < columns; ++c) out[(static_cast<std::size_t>(c) * np + k) * nt + i] = values[c];
        for (int j = 0; errorbars && j < thermo::rowerrorcount; ++j) {
          const thermo::errorbar& e = r.row.errors[static_cast<std::size_t>(j)];
          const double three[3] = {e.data, e.model, e.total()};
          for (int c = 0; c < 3; ++c) err[(static_cast<std::size_t>(3 * j + c) * np + k) * nt + i] = three[c];
          if (fits) fit[(static_cast<std::size_t>(j) * np + k) * nt + i] = e.fit;
        }
      }
    }
  }
  warn(warnings);
  auto array = [&](const std::vector<double>& from, int c) {
    py::array_t<double> a({static_cast<py::ssize_t>(np), static_cast<py::ssize_t>(nt)});
    std::copy(from.begin() + static_cast<long>(c * np * nt), from.begin() + static_cast<long>((c + 1) * np * nt), a.mutable_data());
    return frozen(a);
  };
  py::array arrays[columns];
  for (int c = 0; c < columns; ++c) arrays[c] = array(out, c);
  py::array_t<double> p(static_cast<py::ssize_t>(np)), tt(static_cast<py::ssize_t>(nt)), l(static_cast<py::ssize_t>(np));
  std::copy(press.begin(), press.end(), p.mutable_data());
  std::copy(last.begin(), last.end(), l.mutable_data());
  std::copy(temps.begin(), temps.end(), tt.mutable_data());
  qharesult result{frozen(p), frozen(tt), arrays[0], arrays[1], arrays[2], arrays[3], arrays[4], arrays[5], arrays[6],
                   arrays[7], arrays[8], arrays[9], arrays[10], arrays[11], frozen(l)};
  if (path != nullptr) {
    result.a = arrays[12];
    result.b = arrays[13];
    result.c = arrays[14];
    result.alpha_a = arrays[15];
    result.alpha_b = arrays[16];
    result.alpha_c = arrays[17];
  }
  for (int c = 0; errorbars && c < errs; ++c) result.errors[static_cast<std::size_t>(c)] = array(err, c);
  for (int c = 0; fits && c < thermo::rowerrorcount; ++c) result.fits[static_cast<std::size_t>(c)] = array(fit, c);
  return result;
}

qharesult qha(const py::object& volumes, const py::object& energies, const std::vector<const dos*>& doses,
              const py::object& t, const std::string& form, const py::object& pressures, const py::object& lattice,
              bool errorbars) {
  double modes = 0.0;
  const thermo::qhamodel m = checkedmodel(volumes, energies, doses, form, "", modes);
  const bool withpath = !lattice.is_none();
  const thermo::axialpath path = withpath ? pathof(m, lattice) : thermo::axialpath{};
  const doubles temps = temperaturesof(t, true);
  const doubles press = pressuresof(pressures);
  return qhatable(m, std::vector<double>(temps.data(), temps.data() + temps.size()),
                  std::vector<double>(press.data(), press.data() + press.size()), modes, withpath ? &path : nullptr,
                  errorbars);
}

}  // namespace pymodule
