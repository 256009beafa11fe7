#include "grid_call.hpp"

#include <cmath>
#include <limits>

#include "interrupts.hpp"
#include "pickled.hpp"
#include "qha_call.hpp"
#include "thermo/base/number_text.hpp"
#include "thermo/formats/inputs/grid_load.hpp"
#include "thermo/qha/grid_errors.hpp"
#include "thermo/harmonic/sweep.hpp"

namespace pymodule {

namespace {

constexpr double nan = std::numeric_limits<double>::quiet_NaN();

// The program's messages: its warnings through the warnings module, its
// errors as one ValueError.
void report(const std::string& messages, bool failed) {
  std::vector<std::string> warnings, errors;
  for (const std::string& l : lines(messages)) {
    if (l.empty()) continue;
    (l.find(": warning: ") != std::string::npos ? warnings : errors).push_back(l);
  }
  warn(warnings);
  if (!failed) return;
  std::string e;
  for (const std::string& l : errors) e += (e.empty() ? "" : "\n") + l;
  throw py::value_error(e.empty() ? "the grid cannot be used" : e);
}

// The grid from a path or from an array of rows, read by the program's
// reader: an array's rows are written as the lines of a file, exactly.
thermo::griddata gridof(const py::object& grid, std::string& name) {
  thermo::griddata g;
  thermo::problem p;
  if (py::isinstance<py::bytes>(grid)) {
    name = grid.cast<std::string>();
    thermo::source in;
    std::string why;
    std::vector<char> storage;
    if (!in.open(name, why)) throw py::value_error("lattice_thermo: " + thermo::showpath(name) + ": " + why);
    if (!thermo::readgrid(in, g, p, storage)) {
      std::string m = thermo::messageof(name, p);
      m.pop_back();
      throw py::value_error(m);
    }
    return g;
  }
  const doubles rows = numbers(grid, "grid");
  if (rows.ndim() != 2 || (rows.shape(1) != 4 && rows.shape(1) != 5))
    throw py::value_error("grid must be a 2-D array of rows (a, c, volume, energy) or (a, b, c, volume, energy)");
  std::string text;
  for (py::ssize_t i = 0; i < rows.shape(0); ++i) {
    for (py::ssize_t j = 0; j < rows.shape(1); ++j) {
      thermo::appendshortest(text, rows.at(i, j));
      text += ' ';
    }
    text += '\n';
  }
  if (!thermo::parsegrid(text, g, p)) throw py::value_error("grid[" + std::to_string(p.line - 1) + "]: " + p.what);
  name = "grid";
  return g;
}

}  // namespace

gridresult qhagrid(const py::object& grid, const py::list& files, const py::object& t, int degree,
                   const py::object& pressures, bool errorbars) {
  if (degree != 3 && degree != 4) throw py::value_error("degree must be 3 or 4: the surface's total degree");
  thermo::gridphase gp;
  gp.degree = degree;
  std::string name;
  gp.grid = gridof(grid, name);
  thermo::qhaphase& ph = gp.files;
  ph.evfile = name;
  const doubles temps = temperaturesof(t, true);
  const doubles press = pressuresof(pressures);
  const std::size_t nt = static_cast<std::size_t>(temps.size()), np = static_cast<std::size_t>(press.size());
  ph.temps.list.assign(temps.data(), temps.data() + nt);
  const std::size_t n = gp.grid.line.size();
  if (files.size() != n)
    throw py::value_error(std::to_string(n) + " cells, but " + std::to_string(files.size()) +
                          " files are given: one for each row of the grid, in its order");
  double modes = 0.0;
  if (n > 0 && py::isinstance<py::bytes>(files[0])) {
    for (const py::handle f : files) ph.files.push_back(f.cast<std::string>());
    int status;
    {
      py::gil_scoped_release unlocked;
      status = thermo::loadgridphase(gp);
    }
    report(ph.messages, status >= 0);
    for (const thermo::harmonicdos& d : gp.model.points.dos) modes += static_cast<double>(d.energy.size());
  } else {
    thermo::qhainput in;
    in.volume = gp.grid.volume;
    in.energy = gp.grid.energy;
    for (const py::handle f : files) {
      const dos* d = f.cast<const dos*>();
      in.dos.push_back(d->file.d);
      modes += static_cast<double>(d->file.d.energy.size());
    }
    in.atoms = in.dos[0].states / 3.0;
    std::string why;
    if (!thermo::makegridmodel(std::move(in), gp.grid.x, gp.grid.axes, degree, gp.grid.k, gp.model, why))
      throw py::value_error(why);
  }
  const int axes = gp.model.axes;
  thermo::griderrormodel em;
  if (std::string why; errorbars && !thermo::makegriderrors(gp.model, em, why))
    throw py::value_error("error_bars: " + why);
  constexpr int columns = 13, errs = 3 * thermo::griderrorcount;
  std::vector<double> out(columns * np * nt, nan), last(np, nan), err(errorbars ? errs * np * nt : 0, nan);
  std::vector<std::string> warnings;
  {
    py::gil_scoped_release unlocked;
    std::vector<thermo::gridoutcome> rows(nt);
    for (std::size_t k = 0; k < np; ++k) {
      const double p = press.data()[k];
      // A row with its error bars costs some n + 1 fits more, of little cost
      // beside the points' sums.
      inruns(nt, runof(8.0 * modes * (errorbars ? 2.0 : 1.0)), [&](std::size_t b, std::size_t end) {
        if (errorbars) thermo::griderrorrows(gp.model, em, temps.data() + b, end - b, p, rows.data() + b);
        else thermo::gridrows(gp.model, temps.data() + b, end - b, p, rows.data() + b);
      });
      bool unsure = false;
      for (std::size_t i = 0; i < nt; ++i) {
        const thermo::gridoutcome& r = rows[i];
        if (r.where != thermo::surfaceminimum::status::inside) {
          warnings.push_back("at " + thermo::shortest(temps.data()[i]) + " K and " + thermo::shortest(p) + " GPa " +
                             (r.where == thermo::surfaceminimum::status::outside
                                  ? std::string("the minimum leaves the box the grid spans (") +
                                        thermo::axisnames(axes)[r.axis] + " = " + thermo::shortest(r.minimum[r.axis]) + " A)"
                                  : "the surface has no minimum within the box") +
                             ": NaN from there on at this pressure");
          break;
        }
        last[k] = r.row.temperature;
        const thermo::gridrow& w = r.row;
        const double values[columns] = {w.length[0], w.length[1], w.length[2], w.volume, w.alpha[0], w.alpha[1],
                                        w.alpha[2], w.thermal_expansion, w.heat_capacity_p, w.heat_capacity_v,
                                        w.entropy, w.gibbs_energy, w.fit_rms};
        for (int c = 0; c < columns; ++c) out[(static_cast<std::size_t>(c) * np + k) * nt + i] = values[c];
        for (int j = 0; errorbars && j < thermo::griderrorcount; ++j) {
          const thermo::errorbar& e = r.errors[static_cast<std::size_t>(j)];
          const double three[3] = {e.data, e.model, e.total()};
          for (int c = 0; c < 3; ++c) err[(static_cast<std::size_t>(3 * j + c) * np + k) * nt + i] = three[c];
        }
        if (!unsure && !r.errorswhy.empty()) {
          unsure = true;
          warnings.push_back("at " + thermo::shortest(temps.data()[i]) + " K and " + thermo::shortest(p) +
                             " GPa the fit's error bars cannot be taken (" + r.errorswhy + "): NaN there");
        }
      }
    }
  }
  warn(warnings);
  auto array = [&](const std::vector<double>& from, int c) {
    py::array_t<double> a({static_cast<py::ssize_t>(np), static_cast<py::ssize_t>(nt)});
    std::copy(from.begin() + static_cast<long>(c * np * nt), from.begin() + static_cast<long>((c + 1) * np * nt),
              a.mutable_data());
    return frozen(a);
  };
  py::array arrays[columns];
  for (int c = 0; c < columns; ++c) arrays[c] = array(out, c);
  py::array_t<double> pp(static_cast<py::ssize_t>(np)), tt(static_cast<py::ssize_t>(nt)), l(static_cast<py::ssize_t>(np));
  std::copy(press.data(), press.data() + np, pp.mutable_data());
  std::copy(last.begin(), last.end(), l.mutable_data());
  std::copy(temps.data(), temps.data() + nt, tt.mutable_data());
  gridresult r{frozen(pp), frozen(tt), arrays[0],  arrays[1],  arrays[2],  arrays[3], arrays[4], arrays[5],
               arrays[6],  arrays[7],  arrays[8],  arrays[9],  arrays[10], arrays[11], arrays[12], frozen(l), axes};
  for (int c = 0; errorbars && c < errs; ++c) r.errors[static_cast<std::size_t>(c)] = array(err, c);
  return r;
}

thermo::axialpath pathof(const thermo::qhamodel& m, const py::object& lattice) {
  const doubles x = numbers(lattice, "lattice");
  const std::size_t n = m.volume.size();
  if (x.ndim() != 2 || x.shape(1) != 3 || static_cast<std::size_t>(x.shape(0)) != n)
    throw py::value_error("lattice must be a 2-D array of rows (a, b, c), one for each volume (" + std::to_string(n) + ")");
  std::vector<double> ordered;
  std::vector<long> line;
  for (std::size_t j = 0; j < n; ++j) {
    const std::size_t i = m.order[j];
    for (int k = 0; k < 3; ++k) {
      const double v = x.at(static_cast<py::ssize_t>(i), k);
      if (!(v > 0.0) || !std::isfinite(v)) throw py::value_error("lattice[" + std::to_string(i) + "]: a length that is not positive and finite");
      ordered.push_back(v);
    }
    line.push_back(static_cast<long>(i));
  }
  double k = 0.0;
  thermo::problem p;
  if (!thermo::cellconstant(ordered, 3, m.volume, line, k, p))
    throw py::value_error("lattice[" + std::to_string(p.line) + "]: " + p.what);
  thermo::axialpath path;
  std::string why;
  if (!thermo::fitpath(m.volume, ordered, k, path, why)) throw py::value_error("lattice: " + why);
  return path;
}

}  // namespace pymodule

namespace pymodule {

namespace {

std::array<py::object*, 16 + 3 * thermo::griderrorcount> arraysof(gridresult& r) {
  std::array<py::object*, 16 + 3 * thermo::griderrorcount> a{
      &r.pressures, &r.temperatures, &r.a, &r.b, &r.c, &r.volume, &r.alpha_a, &r.alpha_b, &r.alpha_c,
      &r.thermal_expansion, &r.heat_capacity_p, &r.heat_capacity_v, &r.entropy, &r.gibbs_energy, &r.fit_rms,
      &r.last_temperature};
  for (std::size_t j = 0; j < r.errors.size(); ++j) a[16 + j] = &r.errors[j];
  return a;
}

std::array<int*, 1> intsof(gridresult& r) { return {&r.axes}; }

}  // namespace

void bindgrid(py::module_& m) {
  py::class_<gridresult> grid(m, "QhaGridResult", R"doc(
The quasi-harmonic results over a grid of lattice lengths, read-only numpy
arrays of shape (pressures, temperatures), named like lattice_thermo
--qha-grid --csv's columns and per mole of cells:
  a, b, c            A, the lengths at the minimum (b = a where the grid
                     has two lengths)
  volume             A^3 per cell, k a b c
  alpha_a, alpha_b, alpha_c  1/K, (1/x) dx/dT
  thermal_expansion  1/K, volumetric: alpha_a + alpha_b + alpha_c
  heat_capacity_p    J/K/mol, Cp = -T d2G/dT2
  heat_capacity_v    J/K/mol, at fixed lengths
  entropy            J/K/mol, S = -dG/dT
  gibbs_energy       kJ/mol, G(T), the static energy included
  fit_rms            kJ/mol, the surface's root-mean-square residual
NaN from the first temperature whose minimum leaves the box the grid spans
(or where the surface has none), at that pressure; and
  axes               2 (a, c) or 3 (a, b, c)
  pressures          GPa, temperatures K
  last_temperature   K, per pressure: the last within the box (NaN: none)
With error_bars=True, each of a, b, c, volume, alpha_a, alpha_b, alpha_c,
thermal_expansion, heat_capacity_p and gibbs_energy has three more, in its
unit (None without it):
  <name>_err_data    the jackknife over the cells: each row again with the
                     surface fitted without each cell in turn
  <name>_err_model   half the difference between the surfaces of degrees 3
                     and 4
  <name>_err         the two in quadrature
It can be pickled and copied.)doc");
  grid.def_readonly("pressures", &gridresult::pressures)
      .def_readonly("temperatures", &gridresult::temperatures)
      .def_readonly("a", &gridresult::a)
      .def_readonly("b", &gridresult::b)
      .def_readonly("c", &gridresult::c)
      .def_readonly("volume", &gridresult::volume)
      .def_readonly("alpha_a", &gridresult::alpha_a)
      .def_readonly("alpha_b", &gridresult::alpha_b)
      .def_readonly("alpha_c", &gridresult::alpha_c)
      .def_readonly("thermal_expansion", &gridresult::thermal_expansion)
      .def_readonly("heat_capacity_p", &gridresult::heat_capacity_p)
      .def_readonly("heat_capacity_v", &gridresult::heat_capacity_v)
      .def_readonly("entropy", &gridresult::entropy)
      .def_readonly("gibbs_energy", &gridresult::gibbs_energy)
      .def_readonly("fit_rms", &gridresult::fit_rms)
      .def_readonly("last_temperature", &gridresult::last_temperature)
      .def_readonly("axes", &gridresult::axes)
      .def("__repr__",
           [](const gridresult& r) {
             return "<QhaGridResult of " + std::to_string(r.axes) + " lengths at " + std::to_string(r.pressures.size()) +
                    " pressures and " + std::to_string(r.temperatures.size()) + " temperatures>";
           });
  errorattributes(grid, errornames(thermo::griderrornames, thermo::griderrorcount));
  picklable(grid, &arraysof, &intsof);
  m.def("qha_grid", &qhagrid, py::arg("grid"), py::arg("files"), py::arg("temperatures"), py::arg("degree"),
        py::arg("pressures"), py::arg("error_bars") = false, R"doc(
The quasi-harmonic approximation over a grid of lattice lengths, as
lattice_thermo --qha-grid computes it: grid, a path to the grid file or an
array of rows (a, c, volume, energy) or (a, b, c, volume, energy) in A, A^3
and eV per cell (the cell's angles fixed: volume / (a b c) the same on every
row); files, a Dos for each row in its order, or a path for each, read as
the program reads it (a DOS file, or phonopy's thermal_properties.yaml,
whose temperatures must hold those asked for); temperatures (K, a number or
a 1-D array-like); degree, the surface's total degree (3 or 4); one or more
pressures (GPa); error_bars, each value's error bars (ValueError where the
grid cannot give them: a cell whose leaving out leaves the surface
undetermined, or too few points for degree 4 beside 3). Returns a
QhaGridResult; where the minimum leaves the box the grid spans, a warning
and NaN from there on at that pressure. Runs on both cores without the
GIL; Ctrl-C stops it.)doc");
}

}  // namespace pymodule
