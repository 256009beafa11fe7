#include "debye_call.hpp"

#include <algorithm>
#include <cmath>
#include <limits>
#include <numeric>

#include "interrupts.hpp"
#include "qha_call.hpp"
#include "thermo/base/number_text.hpp"
#include "thermo/base/two_threads.hpp"
#include "thermo/formats/inputs/debye_input.hpp"
#include "thermo/qha/debye_rows.hpp"
#include "thermo/harmonic/sweep.hpp"

namespace pymodule {

namespace {

constexpr int values = thermo::debyecolumns - 2;
const char* const names[values] = {"volume", "gibbs_energy", "bulk_modulus", "bulk_modulus_s", "bulk_modulus_prime",
                                   "thermal_expansion", "heat_capacity_v", "heat_capacity_p", "entropy",
                                   "debye_temperature", "gruneisen", "electronic_free_energy", "electronic_energy",
                                   "electronic_entropy", "electronic_heat_capacity"};

// The messages' lines without "lattice_thermo: " and the phase's name.
std::vector<std::string> bare(const std::string& messages) {
  std::vector<std::string> out;
  for (std::string l : lines(messages)) {
    for (const std::string head : {"lattice_thermo: energies: warning: ", "lattice_thermo: energies: ",
                                   "lattice_thermo: "})
      if (l.rfind(head, 0) == 0) l.erase(0, head.size());
    out.push_back(l);
  }
  return out;
}

py::dict debye(const py::object& volumes, const py::object& energies, double mass, double atoms, const py::object& t,
               const py::object& pressures, double poisson, const py::object& gruneisen, const std::string& strain,
               int degree, const std::string& constants, const py::object& fermi, bool errors) {
  const doubles vs = numbers(volumes, "volumes"), es = numbers(energies, "energies");
  if (vs.ndim() != 1 || es.ndim() != 1 || es.size() != vs.size())
    throw py::value_error("volumes and energies must be 1-D arrays of the same length (" + std::to_string(vs.size()) +
                          " and " + std::to_string(es.size()) + " values)");
  thermo::debyeinput in;
  thermo::debyesettings& s = in.settings;
  if (!(mass > 0.0 && mass <= 1e7)) throw py::value_error("mass " + thermo::significant(mass) + " is not a molar mass (g/mol, above 0)");
  if (!(atoms >= 1.0 && atoms <= 1e7 && atoms == std::floor(atoms)))
    throw py::value_error("atoms " + thermo::significant(atoms) + " is not a whole number of atoms");
  if (!(poisson > -1.0 && poisson < 0.5)) throw py::value_error("poisson " + thermo::significant(poisson) + " is not a Poisson ratio (above -1, below 0.5)");
  if (!thermo::parsestrain(strain, s.strain.kind)) throw py::value_error("strain '" + strain + "' is neither bm nor pt");
  if (degree != 0 && (degree < 2 || degree > thermo::maxstraindegree))
    throw py::value_error("degree " + std::to_string(degree) + " is not from 2 to 12 (or 'average')");
  if (constants != "si" && constants != "codata2006") throw py::value_error("constants '" + constants + "' is neither si nor codata2006");
  if (errors && degree != 0) throw py::value_error("error_bars needs the average of degrees (degree='average')");
  s.mass = mass;
  s.atoms = atoms;
  s.poisson = poisson;
  s.strain.degree = degree;
  s.k = constants == "si" ? thermo::siconstants() : thermo::codata2006constants();
  if (!gruneisen.is_none()) {
    const auto ab = gruneisen.cast<std::pair<double, double>>();
    s.gruneisen = true;
    s.a = ab.first;
    s.b = ab.second;
  }
  if (!fermi.is_none()) {
    const doubles f = numbers(fermi, "dos_at_fermi");
    for (py::ssize_t i = 0; i < f.size(); ++i)
      if (!(f.data()[i] >= 0.0)) throw py::value_error("dos_at_fermi: " + thermo::significant(f.data()[i]) + " states/eV is negative");
    in.dosatfermi.assign(f.data(), f.data() + f.size());
    in.ferminame = "dos_at_fermi";
  }
  const std::size_t n = static_cast<std::size_t>(vs.size());
  std::vector<double> v(vs.data(), vs.data() + n), e(es.data(), es.data() + n);
  for (std::size_t i = 0; i < n; ++i)
    if (!(v[i] > 0.0) || !std::isfinite(v[i]) || !std::isfinite(e[i]))
      throw py::value_error("volume " + std::to_string(i + 1) + ": a volume that is not positive, or a value that is not finite");
  std::vector<std::size_t> order(n);
  std::iota(order.begin(), order.end(), std::size_t{0});
  std::stable_sort(order.begin(), order.end(), [&](std::size_t a, std::size_t b) { return v[a] < v[b]; });
  for (std::size_t k = 1; k < n; ++k)
    if (v[order[k]] == v[order[k - 1]])
      throw py::value_error("volume " + std::to_string(order[k] + 1) + " is given twice (also as volume " +
                            std::to_string(order[k - 1] + 1) + ")");
  thermo::debyemodel model;
  std::string messages;
  if (!thermo::debyemodelof("energies", v, e, {}, in, model, messages)) throw py::value_error(bare(messages).back());
  warn(bare(messages));
  const doubles temps = temperaturesof(t, true), press = pressuresof(pressures);
  const std::size_t nt = static_cast<std::size_t>(temps.size()), np = static_cast<std::size_t>(press.size());
  if (!(static_cast<double>(nt) * static_cast<double>(np) <= thermo::maxtemperatures))
    throw py::value_error("at most " + thermo::significant(thermo::maxtemperatures) + " temperatures times pressures in one call");
  const int columns = errors ? 2 * values : values;
  std::vector<double> out(static_cast<std::size_t>(columns + 1) * np * nt, std::numeric_limits<double>::quiet_NaN());
  std::vector<double> last(np, std::numeric_limits<double>::quiet_NaN());
  std::vector<std::string> warnings;
  {
    py::gil_scoped_release unlocked;
    std::vector<thermo::debyerow> rows(nt), spreads(nt);
    std::vector<double> rms(nt);
    std::vector<char> ok(nt);
    for (std::size_t k = 0; k < np; ++k) {
      const double p = press.data()[k];
      inruns(nt, runof(2e4), [&](std::size_t b, std::size_t end) {
        thermo::alternateruns(end - b, end - b >= 8, [&](std::size_t i) {
          thermo::debyeisotherm iso;
          debyeisothermat(model, temps.data()[b + i], iso);
          rms[b + i] = iso.fit.rms * s.k.kjmol;
          ok[b + i] = thermo::debyerowat(model, iso, p, rows[b + i], errors ? &spreads[b + i] : nullptr);
        });
      });
      for (std::size_t i = 0; i < nt; ++i) {
        if (!ok[i]) {
          warnings.push_back("at " + thermo::shortest(temps.data()[i]) + " K and " + thermo::shortest(p) +
                             " GPa no volume within those fitted gives that pressure: NaN from there on at this pressure");
          break;
        }
        last[k] = temps.data()[i];
        double x[2 * values];
        thermo::debyevalues(rows[i], x);
        thermo::debyevalues(spreads[i], x + values);
        for (int c = 0; c < columns; ++c) out[(static_cast<std::size_t>(c) * np + k) * nt + i] = x[c];
        out[(static_cast<std::size_t>(columns) * np + k) * nt + i] = rms[i];
      }
    }
  }
  warn(warnings);
  py::dict result;
  auto array = [&](int c) {
    py::array_t<double> a({static_cast<py::ssize_t>(np), static_cast<py::ssize_t>(nt)});
    std::copy(out.begin() + static_cast<long>(c * np * nt), out.begin() + static_cast<long>((c + 1) * np * nt), a.mutable_data());
    return frozen(a);
  };
  for (int c = 0; c < columns; ++c)
    result[(std::string(names[c % values]) + (c >= values ? "_err_fit" : "")).c_str()] = array(c);
  result["fit_rms"] = array(columns);
  py::array_t<double> p(static_cast<py::ssize_t>(np)), tt(static_cast<py::ssize_t>(nt)), l(static_cast<py::ssize_t>(np));
  std::copy(press.data(), press.data() + np, p.mutable_data());
  std::copy(last.begin(), last.end(), l.mutable_data());
  std::copy(temps.data(), temps.data() + nt, tt.mutable_data());
  result["pressures"] = frozen(p);
  result["temperatures"] = frozen(tt);
  result["last_temperature"] = frozen(l);
  return result;
}

}  // namespace

void binddebye(py::module_& m) {
  m.def("debye", &debye, R"doc(
The quasi-harmonic Debye model from E(V) alone, as lattice_thermo --debye
computes it: volumes (A^3 per cell) and static energies (eV per cell), the
cell's molar mass (g/mol) and atoms, temperatures (K) and one or more
pressures (GPa); theta_D from the Poisson ratio, or Debye-Grueneisen with
gruneisen=(a, b) (gamma = a + b B'); the strain polynomials' strain (bm or
pt) and degree (0: their average); si or codata2006 constants; N(E_F)
(states/eV per cell) at each volume for Sommerfeld's electrons; and with
error_bars the spread of each column across the degrees. Where no volume
within those fitted gives a pressure, a warning and NaN from there on at
that pressure; strict=True raises ValueError in place of each warning, as
--strict. Runs on both cores without the GIL; Ctrl-C stops it.)doc");
}

}  // namespace pymodule
