#include "displacement_call.hpp"

#include <cmath>
#include <numbers>

#include <pybind11/stl.h>

#include "interrupts.hpp"
#include "thermo/base/number_text.hpp"
#include "thermo/formats/inputs/displacement_load.hpp"
#include "thermo/harmonic/displacement.hpp"

namespace pymodule {

namespace {

// The program's message in Python's words: its options named as the
// arguments are.
std::string pythonic(std::string s) {
  while (!s.empty() && s.back() == '\n') s.pop_back();
  for (const auto& [from, to] : {std::pair<std::string, std::string>{"--masses M1,M2,...", "masses=[M1, M2, ...]"},
                                 {"--mass M", "masses=M"}, {"--masses", "masses"}, {"--mass", "masses"}})
    for (std::size_t at; (at = s.find(from)) != std::string::npos;) s.replace(at, from.size(), to);
  return s;
}

thermo::displacementoptions optionsof(const py::object& masses, std::optional<double> mossbauer) {
  thermo::displacementoptions o;
  if (mossbauer) {
    if (!(*mossbauer > 0.0 && *mossbauer <= thermo::highestgamma))
      throw py::value_error("mossbauer_energy must be a gamma ray's energy, " + std::string(thermo::gammarange));
    o.mossbauer = *mossbauer;
  }
  if (masses.is_none()) return o;
  const doubles m = numbers(masses, "masses");
  if (m.ndim() > 1) throw py::value_error("masses must be a number or a 1-D sequence of numbers (amu)");
  for (py::ssize_t i = 0; i < m.size(); ++i)
    if (!thermo::anatomsmass(m.data()[i]))
      throw py::value_error("masses: " + thermo::significant(m.data()[i]) + " amu is not an atom's mass (" + thermo::massrange + ")");
  if (m.ndim() == 0) o.mass = m.data()[0];
  else o.masses.assign(m.data(), m.data() + m.size());
  return o;
}

// The columns of 2-D densities, each checked point by point as a file's.
std::vector<thermo::spectrum> columnsof(const doubles& f, const doubles& g, thermo::unit u, double& highest) {
  const std::size_t n = static_cast<std::size_t>(g.shape(1));
  std::vector<thermo::spectrum> columns(n);
  thermo::problem p;
  for (std::size_t k = 0; k < n; ++k) {
    thermo::spectrumbuilder build(columns[k], u);
    for (py::ssize_t i = 0; i < f.size(); ++i)
      if (!build.add(f.data()[i], g.data()[static_cast<std::size_t>(i) * n + k], static_cast<long>(i) + 1, p))
        throw py::value_error("densities[:, " + std::to_string(k) + "], point " + std::to_string(p.line) + ": " + p.what);
    if (!build.finish(p)) throw py::value_error("densities[:, " + std::to_string(k) + "]: " + p.what);
    highest = build.lastraw();
  }
  return columns;
}

// A (temperatures, atoms) array of the table: u_ab (k = 0 .. 5), or
// <|u|^2> times `scale` (k < 0).
py::array tablearray(const thermo::displacementtable& t, int k, double scale = 1.0) {
  const std::size_t nt = t.temperatures.size(), n = t.atoms;
  py::array_t<double> a({static_cast<py::ssize_t>(nt), static_cast<py::ssize_t>(n)});
  double* o = a.mutable_data();
  for (std::size_t i = 0; i < nt; ++i)
    for (std::size_t j = 0; j < n; ++j)
      o[i * n + j] = k < 0 ? scale * t.meansquare(i, j) : t.values[(i * n + j) * 6 + static_cast<std::size_t>(k)];
  return frozen(a);
}

}  // namespace

py::object meansquare(const dos& d, const py::object& t, double mass, double scale) {
  if (!thermo::anatomsmass(mass))
    throw py::value_error("mass: " + thermo::significant(mass) + " amu is not an atom's mass (" + thermo::massrange + ")");
  const doubles a = temperaturesof(t);
  std::vector<double> out(static_cast<std::size_t>(a.size()));
  {
    py::gil_scoped_release unlocked;
    inruns(out.size(), runof(static_cast<double>(d.file.d.energy.size())), [&](std::size_t b, std::size_t e) {
      for (std::size_t i = b; i < e; ++i) out[i] = scale * thermo::totalmeansquare(d.file, mass, a.data()[i]);
    });
  }
  std::string notes;
  thermo::notecoarse(d.file, d.source.empty() ? "" : "lattice_thermo: " + d.source + ": warning: ", notes);
  warn(lines(notes));
  if (a.ndim() == 0) return py::float_(out[0]);
  py::array_t<double> r(std::vector<py::ssize_t>(a.shape(), a.shape() + a.ndim()));
  std::copy(out.begin(), out.end(), r.mutable_data());
  return r;
}

py::dict displacements(const py::object& source, const py::object& t, const py::object& masses,
                       const std::optional<std::string>& unit, double cutoff, bool pretendreal,
                       std::optional<double> mossbauer) {
  const thermo::displacementoptions o = optionsof(masses, mossbauer);
  const doubles temps = temperaturesof(t, true);
  const std::vector<double> tv(temps.data(), temps.data() + temps.size());
  thermo::displacementtable table;
  thermo::problem p;
  std::string message;
  const std::function<void()> poll = [] { checksignals(); };
  const thermo::readoptions ro = readoptionsof(unit, false, std::nullopt, false, false, cutoff, pretendreal);
  if (py::isinstance<py::bytes>(source)) {
    const std::string path = py::bytes(source);
    if (path.find('\0') != std::string::npos) throw py::value_error("the path holds a NUL character: " + thermo::showpath(path));
    checkopens(path, py::bytes(source));
    thermo::source in;
    thermo::filescratch scratch;
    bool ok;
    {
      py::gil_scoped_release unlocked;
      ok = in.open(path, message) && thermo::readdisplacements(in, path, ro, o, 0.0, tv, true, poll, scratch, table, message);
    }
    if (!ok) throw py::value_error(pythonic(message));
  } else {
    const py::tuple arrays = py::tuple(source);
    if (arrays.size() != 2) throw py::type_error("path_or_arrays must be a path or a (frequencies, densities) pair");
    const doubles f = numbers(arrays[0], "frequencies"), g = numbers(arrays[1], "densities");
    if (f.ndim() != 1 || (g.ndim() != 1 && g.ndim() != 2) || g.shape(0) != f.size())
      throw py::value_error("frequencies must be 1-D and densities 1-D or 2-D (a column per atom), with a row for each frequency");
    if (g.ndim() == 1 || g.shape(1) == 1) {
      const dos d = fromarrays(arrays[0], g.ndim() == 1 ? py::object(g) : py::object(g.attr("ravel")()), unit,
                               std::nullopt, false, false, cutoff, pretendreal);
      py::gil_scoped_release unlocked;
      if (!thermo::totaldisplacements(d.file, o, 0.0, tv, poll, table, p, "") || !thermo::finishtable(table, p))
        message = p.what;
    } else {
      thermo::columninfo info;
      info.u = ro.u;
      info.columns = static_cast<int>(g.shape(1)) + 1;
      std::vector<thermo::spectrum> columns = columnsof(f, g, ro.u, info.highest);
      thermo::loaded notes;
      thermo::readoptions hinted = ro;
      hinted.sumcolumns = true;  // no hint of sum_columns
      thermo::columnnotes("", hinted, info, notes);
      warn(lines(notes.notes));
      py::gil_scoped_release unlocked;
      if (!thermo::columndisplacements(columns, ro, o, tv, poll, table, p, "") || !thermo::finishtable(table, p))
        message = p.what;
    }
    if (!message.empty()) throw py::value_error(pythonic(message));
  }
  warn(lines(pythonic(table.notes)));
  py::dict r;
  py::array_t<double> tt(static_cast<py::ssize_t>(tv.size())), mass(static_cast<py::ssize_t>(table.atoms));
  std::copy(tv.begin(), tv.end(), tt.mutable_data());
  std::copy(table.masses.begin(), table.masses.end(), mass.mutable_data());
  r["temperatures"] = frozen(tt);
  r["elements"] = py::tuple(py::cast(table.elements));
  r["masses"] = frozen(mass);
  r["mean_square_displacement"] = tablearray(table, -1);
  r["b_iso"] = tablearray(table, -1, thermo::bfactor(1.0));
  static constexpr const char* names[] = {"u_xx", "u_yy", "u_zz", "u_yz", "u_xz", "u_xy"};
  for (int k = 0; k < 6; ++k) r[names[k]] = table.matrices ? py::object(tablearray(table, k)) : py::none();
  if (o.mossbauer > 0.0) {
    py::array_t<double> f({static_cast<py::ssize_t>(tv.size()), static_cast<py::ssize_t>(table.atoms)});
    for (std::size_t i = 0; i < tv.size(); ++i)
      for (std::size_t j = 0; j < table.atoms; ++j)
        f.mutable_data()[i * table.atoms + j] = thermo::lambmossbauer(table.meansquare(i, j), o.mossbauer);
    r["lamb_mossbauer"] = frozen(f);
  } else {
    r["lamb_mossbauer"] = py::none();
  }
  return r;
}

void binddisplacements(py::module_& m, py::class_<dos>& cls) {
  cls.def(
         "mean_square_displacement", [](const dos& d, const py::object& t, double mass) { return meansquare(d, t, mass, 1.0); },
         R"doc(
<|u|^2> = <u_x^2 + u_y^2 + u_z^2> of an atom of `mass` (amu), in A^2, at
temperatures t (K; a number or an array-like, the result in t's shape):
(hbar^2 / 2m) times the integral of g(E) coth(E / 2 k_B T) / E over the DOS
normalised to 3 states an atom, as for a crystal of one element. The
trapezoid rule takes the whole integrand, its limit at zero from g ~ E^2;
a mesh's three rigid translations at q = 0 take no part. At 0 K, the
zero-point motion.)doc")
      .def(
          "b_factor",
          [](const dos& d, const py::object& t, double mass) { return meansquare(d, t, mass, thermo::bfactor(1.0)); },
          R"doc(
The isotropic Debye-Waller factor B = 8 pi^2 <|u|^2> / 3, in A^2, of an
atom of `mass` (amu) at temperatures t (K), in t's shape.)doc");
  m.def("displacements", &displacements, R"doc(
Each atom's thermal displacement at each temperature, as lattice_thermo
--displacements computes it, from path_or_arrays: phonopy's mesh.yaml with
eigenvectors on the whole mesh (the exact sums per direction, the masses
from its points), a DOS file of a column per atom (phonopy's
projected_dos.dat; masses one per column), a total DOS of one element
(masses a number), or a pair (frequencies, densities), densities 1-D (a
total DOS) or 2-D (a column per atom), in `unit`. temperatures: K, a number
or a 1-D sequence. A dict-like Displacements of read-only arrays, of shape
(temperatures, atoms) unless said: temperatures (K), elements and masses
(amu) per atom, mean_square_displacement and b_iso (A^2), u_xx, u_yy, u_zz,
u_yz, u_xz, u_xy (A^2; None without eigenvectors), lamb_mossbauer (with
mossbauer_energy in keV, else None). Bad input raises ValueError, a file
that cannot be opened OSError; warnings go through the warnings module;
Ctrl-C stops it.)doc");
}

}  // namespace pymodule
