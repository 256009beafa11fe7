#include "phases_call.hpp"

#include <pybind11/stl.h>

#include <cmath>
#include <limits>

#include "interrupts.hpp"
#include "phase_inputs.hpp"
#include "pickled.hpp"
#include "thermo/base/number_text.hpp"
#include "thermo/base/two_threads.hpp"
#include "thermo/formats/outputs/phases_output.hpp"
#include "thermo/harmonic/sweep.hpp"
#include "thermo/qha/qha.hpp"
#include "thermo/qha/transition_table.hpp"

namespace pymodule {

namespace {

constexpr double nan = std::numeric_limits<double>::quiet_NaN();
constexpr int columns = 12, errs = 3 * thermo::rowerrorcount;
const char* const transitionerrornames[] = {"pressure", "clapeyron_slope"};

// The phases as handed over, each checked for error bars where asked for.
phases errorphases(const std::vector<py::tuple>& given, const std::string& form, const py::object& t, bool errorbars) {
  phases ph = phasesof(given, form, t);
  for (std::size_t k = 0; k < ph.models.size(); ++k)
    checkerrorbars(errorbars, ph.models[k], "phases[" + std::to_string(k) + "].");
  return ph;
}

py::array values(const std::vector<double>& v, std::vector<py::ssize_t> shape) {
  py::array_t<double> a(shape);
  std::copy(v.begin(), v.end(), a.mutable_data());
  return frozen(a);
}
py::array texts(const std::vector<std::string>& v) {
  py::list l;
  for (const std::string& s : v) l.append(s);
  return frozen(py::array(py::module_::import("numpy").attr("array")(l, "str")));
}

phasesresult qhaphases(const std::vector<py::tuple>& given, const py::object& t, const std::string& form,
                       const py::object& pressures, bool errorbars) {
  const doubles press = pressuresof(pressures);
  const phases ph = errorphases(given, form, t, errorbars);
  const std::vector<double>& temps = ph.temperatures;
  const std::size_t nt = temps.size(), np = static_cast<std::size_t>(press.size()),
                    nph = ph.models.size();
  if (!(static_cast<double>(nt) * static_cast<double>(np) * static_cast<double>(nph) <= thermo::maxtemperatures))
    throw py::value_error(std::to_string(nph) + " phases times " + std::to_string(np) + " pressures times " +
                          std::to_string(nt) + " temperatures in one call; at most " +
                          thermo::significant(thermo::maxtemperatures) + " rows");
  // out[((c * nph + f) * np + k) * nt + i]: column c of phase f at pressure k and temperature i.
  std::vector<double> out(columns * nph * np * nt, nan), last(nph * np, nan), stable(nph * np * nt, 0.0);
  std::vector<double> err(errorbars ? errs * nph * np * nt : 0, nan);
  std::vector<std::string> warnings;
  auto at = [&](int c, std::size_t f, std::size_t k, std::size_t i) -> double& {
    return out[((static_cast<std::size_t>(c) * nph + f) * np + k) * nt + i];
  };
  {
    py::gil_scoped_release unlocked;
    std::vector<thermo::qhaoutcome> rows;
    for (std::size_t k = 0; k < np; ++k) {
      const double p = press.data()[k];
      for (std::size_t f = 0; f < nph; ++f) {
        const std::size_t inside = phaserows(ph.models[f], temps.data(), nt, p, errorbars,
                                             ph.modes / static_cast<double>(nph), "phase " + ph.names[f] + ": ", rows,
                                             warnings);
        for (std::size_t i = 0; i < inside; ++i) {
          const thermo::qhaoutcome& r = rows[i];
          if (!r.ok) continue;
          last[f * np + k] = r.row.temperature;
          const thermo::qharow x = thermo::performula(r.row, ph.units[f]);
          const double v[columns] = {x.volume, x.gibbs_energy, x.bulk_modulus, x.thermal_expansion, x.heat_capacity_p,
                                     x.heat_capacity_v, x.gruneisen, x.entropy, x.bulk_modulus_s,
                                     x.bulk_modulus_prime, x.fit_rms, x.linear_thermal_expansion};
          for (int c = 0; c < columns; ++c) at(c, f, k, i) = v[c];
          for (int j = 0; errorbars && j < thermo::rowerrorcount; ++j) {
            const thermo::errorbar& e = x.errors[static_cast<std::size_t>(j)];
            const double three[3] = {e.data, e.model, e.total()};
            for (int c = 0; c < 3; ++c) err[((static_cast<std::size_t>(3 * j + c) * nph + f) * np + k) * nt + i] = three[c];
          }
        }
      }
      // The stable phase: the lowest G of those with a row, the first of equals.
      for (std::size_t i = 0; i < nt; ++i) {
        std::size_t best = nph;
        for (std::size_t f = 0; f < nph; ++f)
          if (!std::isnan(at(1, f, k, i)) && (best == nph || at(1, f, k, i) < at(1, best, k, i))) best = f;
        if (best < nph) stable[(best * np + k) * nt + i] = 1.0;
      }
    }
  }
  warn(warnings);
  phasesresult r;
  const auto n3 = std::vector<py::ssize_t>{static_cast<py::ssize_t>(nph), static_cast<py::ssize_t>(np),
                                           static_cast<py::ssize_t>(nt)};
  auto slice = [&](const std::vector<double>& from, int c) {
    return values(std::vector<double>(from.begin() + static_cast<long>(c * nph * np * nt),
                                      from.begin() + static_cast<long>((c + 1) * nph * np * nt)),
                  n3);
  };
  for (int c = 0; c < columns; ++c) r.columns[c] = slice(out, c);
  for (int c = 0; errorbars && c < errs; ++c) r.errors[static_cast<std::size_t>(c)] = slice(err, c);
  r.stable = frozen(py::array(values(stable, n3).attr("astype")("bool")));
  r.phase = texts(ph.names);
  r.formula_units = values(ph.units, {static_cast<py::ssize_t>(nph)});
  r.pressures = values(std::vector<double>(press.data(), press.data() + np), {static_cast<py::ssize_t>(np)});
  r.temperatures = values(temps, {static_cast<py::ssize_t>(nt)});
  r.last_temperature = values(last, {static_cast<py::ssize_t>(nph), static_cast<py::ssize_t>(np)});
  return r;
}

transitionsresult transitions(const std::vector<py::tuple>& given, const py::object& t, double pmin, double pmax,
                              const std::string& form, bool errorbars) {
  const phases ph = errorphases(given, form, t, errorbars);
  if (ph.models.size() < 2) throw py::value_error("transitions need two phases or more");
  if (!std::isfinite(pmin) || !std::isfinite(pmax) || !(pmin < pmax))
    throw py::value_error("pressure_range (" + thermo::shortest(pmin) + ", " + thermo::shortest(pmax) +
                          " GPa) must be two finite pressures, the first below the second");
  const std::vector<double>& temps = ph.temperatures;
  const std::size_t nt = temps.size(), nph = ph.models.size();
  std::vector<const thermo::qhamodel*> models;
  for (const thermo::qhamodel& m : ph.models) models.push_back(&m);
  const auto pairs = thermo::pairsof(nph);
  std::vector<thermo::pairrecord> records(pairs.size());
  std::vector<std::string> warnings, low, high;
  std::vector<double> temperature, pressure, dv, ds, slope, err[6];
  {
    py::gil_scoped_release unlocked;
    std::vector<thermo::transitionsat> block;
    // Each temperature costs some ten fits per phase; with error bars, ten
    // times as many.
    inruns(nt, runof(80.0 * ph.modes * (errorbars ? 10.0 : 1.0)), [&](std::size_t b, std::size_t end) {
      block.assign(end - b, thermo::transitionsat{});
      thermo::alternateruns(end - b, end - b >= 8, [&](std::size_t i) {
        thermo::transitionsof(models, ph.units, temps[b + i], pmin, pmax, block[i], errorbars);
      });
      for (std::size_t i = 0; i < end - b; ++i) {
        const double tt = temps[b + i];
        const thermo::transitionsat& r = block[i];
        for (std::size_t f = 0; f < nph; ++f)
          if (!r.failed[f].empty()) warnings.push_back("phase " + ph.names[f] + ": at " + thermo::shortest(tt) + " K: " + r.failed[f]);
        for (std::size_t p = 0; p < pairs.size(); ++p) {
          const auto [a, c] = pairs[p];
          if (!r.failed[a].empty() || !r.failed[c].empty()) continue;
          if (r.pairs[p].failed)
            warnings.push_back(ph.names[a] + " and " + ph.names[c] + ": at " + thermo::shortest(tt) + " K: " + r.pairs[p].why);
          records[p].note(tt, r.pairs[p]);
        }
        for (const thermo::transition& x : r.rows) {
          temperature.push_back(tt);
          low.push_back(ph.names[x.low]);
          high.push_back(ph.names[x.high]);
          pressure.push_back(x.pressure);
          dv.push_back(x.volumechange);
          ds.push_back(x.entropychange);
          slope.push_back(x.slope);
          const double e[6] = {x.pressureerr.data, x.pressureerr.model, x.pressureerr.total(),
                               x.slopeerr.data,    x.slopeerr.model,    x.slopeerr.total()};
          for (int c = 0; c < 6; ++c) err[c].push_back(e[c]);
          if (!x.errorswhy.empty())
            warnings.push_back(ph.names[x.low] + " and " + ph.names[x.high] + ": at " + thermo::shortest(tt) +
                               " K: the crossing's error bars cannot be taken (" + x.errorswhy + "): NaN");
        }
      }
    });
  }
  for (std::size_t p = 0; p < pairs.size(); ++p)
    if (records[p].missing > 0)
      warnings.push_back(thermo::pairwarning(ph.names[pairs[p].first], ph.names[pairs[p].second], records[p],
                                             static_cast<long>(nt), pmin, pmax));
  warn(warnings);
  const std::vector<py::ssize_t> n1 = {static_cast<py::ssize_t>(temperature.size())};
  transitionsresult r{values(temperature, n1), texts(low), texts(high), values(pressure, n1), values(dv, n1),
                      values(ds, n1), values(slope, n1)};
  for (int c = 0; errorbars && c < 6; ++c) r.errors[static_cast<std::size_t>(c)] = values(err[c], n1);
  return r;
}

constexpr std::size_t phasesstate = 18 + errs, transitionsstate = 7 + 6;

std::array<py::object*, phasesstate> arraysof(phasesresult& r) {
  std::array<py::object*, phasesstate> a{&r.phase, &r.formula_units, &r.pressures, &r.temperatures, &r.stable, &r.last_temperature};
  for (int c = 0; c < columns; ++c) a[6 + static_cast<std::size_t>(c)] = &r.columns[c];
  for (std::size_t c = 0; c < r.errors.size(); ++c) a[18 + c] = &r.errors[c];
  return a;
}

std::array<py::object*, transitionsstate> arraysof(transitionsresult& r) {
  std::array<py::object*, transitionsstate> a{&r.temperature, &r.phase_low, &r.phase_high, &r.pressure,
                                              &r.volume_change, &r.entropy_change, &r.clapeyron_slope};
  for (std::size_t c = 0; c < r.errors.size(); ++c) a[7 + c] = &r.errors[c];
  return a;
}

const char* const names[columns] = {"volume", "gibbs_energy", "bulk_modulus", "thermal_expansion", "heat_capacity_p",
                                    "heat_capacity_v", "gruneisen", "entropy", "bulk_modulus_s", "bulk_modulus_prime",
                                    "fit_rms", "linear_thermal_expansion"};

}  // namespace

void bindphases(py::module_& m) {
  auto result = py::class_<phasesresult>(m, "QhaPhasesResult", R"doc(
The quasi-harmonic results of several phases, read-only numpy arrays named
like lattice_thermo --qha --csv's columns, of shape (phases, pressures,
temperatures), per mole of formula units (volume per formula unit):
volume, gibbs_energy, bulk_modulus, thermal_expansion, heat_capacity_p,
heat_capacity_v, gruneisen, entropy, bulk_modulus_s, bulk_modulus_prime,
fit_rms, linear_thermal_expansion; NaN from the first temperature whose V(T)
leaves that phase's volumes sampled, at that pressure; and
  stable             bool, the phase of lowest G at that pressure and
                     temperature, of those with a value there
  phase              the phases' names, formula_units theirs
  pressures          GPa, temperatures K
  last_temperature   K, of shape (phases, pressures): the last within the volumes
With error_bars=True, each of volume, gibbs_energy, bulk_modulus,
thermal_expansion and heat_capacity_p has three more, as QhaResult's
(<name>_err_data, <name>_err_model, <name>_err), per formula unit (None
without it). It can be pickled and copied.)doc");
  result.def_readonly("phase", &phasesresult::phase)
      .def_readonly("formula_units", &phasesresult::formula_units)
      .def_readonly("pressures", &phasesresult::pressures)
      .def_readonly("temperatures", &phasesresult::temperatures)
      .def_readonly("stable", &phasesresult::stable)
      .def_readonly("last_temperature", &phasesresult::last_temperature);
  for (int c = 0; c < columns; ++c)
    result.def_property_readonly(names[c], [c](const phasesresult& r) { return r.columns[c]; });
  errorattributes(result, errornames(thermo::rowerrornames, thermo::rowerrorcount));
  result
      .def("__repr__",
           [](const phasesresult& r) {
             return "<QhaPhasesResult of " + std::to_string(r.phase.size()) + " phases at " +
                    std::to_string(r.pressures.size()) + " pressures and " + std::to_string(r.temperatures.size()) +
                    " temperatures>";
           });
  picklable<phasesresult, phasesstate>(result, &arraysof);
  py::class_<transitionsresult> table(m, "TransitionsResult", R"doc(
The transitions among several phases, as lattice_thermo --transitions --csv
gives them: read-only numpy arrays with one entry per row, in its order
(temperature by temperature, pair by pair, each pair's crossings in
increasing pressure):
  temperature        K
  phase_low          the phase of lower G just below the pressure (str)
  phase_high         the phase of lower G just above it (str)
  pressure           GPa, where their G per formula unit are equal
  volume_change      A^3 per formula unit, V_high - V_low (negative: the
                     high-pressure phase is denser)
  entropy_change     J/K/mol of formula units, S_high - S_low
  clapeyron_slope    GPa/K, dp/dT = dS/dV
With error_bars=True, the error bars of pressure and clapeyron_slope:
pressure_err_data (the jackknife over each phase's volumes in turn, the
variances added), pressure_err_model (half the range over the three
equations of state), pressure_err (the two in quadrature), and the same of
clapeyron_slope (None without it). It can be pickled and copied.)doc");
  table.def_readonly("temperature", &transitionsresult::temperature)
      .def_readonly("phase_low", &transitionsresult::phase_low)
      .def_readonly("phase_high", &transitionsresult::phase_high)
      .def_readonly("pressure", &transitionsresult::pressure)
      .def_readonly("volume_change", &transitionsresult::volume_change)
      .def_readonly("entropy_change", &transitionsresult::entropy_change)
      .def_readonly("clapeyron_slope", &transitionsresult::clapeyron_slope)
      .def("__len__", [](const transitionsresult& r) { return r.temperature.size(); })
      .def("__repr__",
           [](const transitionsresult& r) { return "<TransitionsResult of " + std::to_string(r.temperature.size()) + " rows>"; });
  errorattributes(table, errornames(transitionerrornames, 2));
  picklable<transitionsresult, transitionsstate>(table, &arraysof);
  m.def("qha_phases", &qhaphases, py::arg("phases"), py::arg("temperatures"), py::arg("eos"), py::arg("pressures"),
        py::arg("error_bars") = false, R"doc(
Several phases in one quasi-harmonic run, as lattice_thermo --qha given more
than once computes them: each phase's rows per formula unit at every
pressure and temperature, and which phase is stable; error_bars=True adds
each value's error bars, as for one phase. Returns a QhaPhasesResult.)doc");
  m.def("_check_phase_name", [](const std::string& name) { checkphasename(name, "name"); });
  m.def("transitions", &transitions, py::arg("phases"), py::arg("temperatures"), py::arg("pmin"), py::arg("pmax"),
        py::arg("eos"), py::arg("error_bars") = false, R"doc(
The pressures where each pair of phases' Gibbs energies per formula unit
cross, at each temperature, between pressure_range's two pressures (GPa), as
lattice_thermo --qha ... --transitions computes them, with the volume and
entropy changes there and the Clapeyron slope dp/dT = dS/dV from the exact
S and V; error_bars=True adds the error bars of the pressure and the slope
(each crossing found again without each volume of either phase, and with
each equation of state). Returns a TransitionsResult; one warning per pair
that lacks a row at some temperature names the first. Runs on both cores
without the GIL; Ctrl-C stops it.)doc");
}

}  // namespace pymodule
