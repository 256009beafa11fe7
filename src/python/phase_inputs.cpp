#include "phase_inputs.hpp"

#include <pybind11/stl.h>

#include <cmath>
#include <utility>

#include "common/channel.hpp"
#include "thermo/base/number_text.hpp"
#include "thermo/base/problem.hpp"
#include "thermo/formats/outputs/phases_output.hpp"
#include "thermo/qha/phase_checks.hpp"

namespace pymodule {

namespace {

// The program's message in Python's words: its options named as the
// arguments are.
std::string pythonwords(std::string s) {
  for (const auto& [from, to] : {std::pair<std::string, std::string>{"--dos-at-fermi", "dos_at_fermi"},
                                 {"(--exclude-imaginary)", "(exclude_imaginary)"},
                                 {"--temperatures: ", "temperatures: "},
                                 {"--qha takes", "qha_files takes"},
                                 {"--energy-unit", "energy_unit"},
                                 {"--volume-unit", "volume_unit"}})
    for (std::size_t at; (at = s.find(from)) != std::string::npos;) s.replace(at, from.size(), to);
  return s;
}

std::string pathof(const py::bytes& b) {
  std::string s = b;
  if (s.find('\0') != std::string::npos) throw py::value_error("the path holds a NUL character: " + thermo::showpath(s));
  checkopens(s, b);
  return s;
}

}  // namespace

std::vector<thermo::qhaphase> readphasefiles(const std::vector<phasefiles>& given, thermo::eos form,
                                             const std::optional<std::vector<double>>& temps) {
  if (temps && temps->empty()) throw py::value_error("temperatures is empty: give one or more (K), or None for the program's own");
  std::vector<thermo::qhaphase> phases(given.size());
  for (std::size_t k = 0; k < given.size(); ++k) {
    const phasefiles& g = given[k];
    thermo::qhaphase& ph = phases[k];
    ph.evfile = pathof(g.ev);
    if (g.files.empty()) throw py::value_error("files is empty: give a DOS or thermal_properties.yaml for each volume");
    for (const py::bytes& f : g.files) ph.files.push_back(pathof(f));
    if (g.efe) ph.efefile = pathof(*g.efe);
    ph.dosatfermi = g.dosatfermi;
    ph.excludeimaginary = g.excludeimaginary;
    ph.name = g.name;
    ph.formulaunits = g.formulaunits;
    ph.form = form;
    if (const std::string e = thermo::parseevunits(g.energyunit, g.volumeunit, ph.units); !e.empty())
      throw py::value_error(pythonwords(e));
    if (temps) ph.temps.list = *temps;
  }
  common::stringchannel said;
  int status;
  {
    py::gil_scoped_release unlocked;
    status = thermo::readphases(phases, said);
  }
  // Where every phase could be read, all it said is a warning (the volumes
  // left out among them); otherwise what is not a warning is the error.
  std::vector<std::string> warnings, errors;
  for (const std::string& line : lines(said.text())) {
    if (line.empty()) continue;
    (status < 0 || line.find(": warning: ") != std::string::npos ? warnings : errors).push_back(pythonwords(line));
  }
  warn(warnings);
  if (status >= 0) {
    std::string what;
    for (const std::string& e : errors) what += (what.empty() ? "" : "\n") + e;
    throw py::value_error(what.empty() ? "the files could not be read" : what);
  }
  return phases;
}

std::vector<double> rowtemperatures(const thermo::qhaphase& ph) {
  std::vector<double> t(static_cast<std::size_t>(ph.temps.count()));
  for (std::size_t i = 0; i < t.size(); ++i) t[i] = ph.temps.at(static_cast<long>(i));
  return t;
}

void checkphasename(const std::string& name, const std::string& what) {
  if (!thermo::fitphasename(name))
    throw py::value_error(what + " '" + thermo::showpath(name) + "' is not a name: " + thermo::phasenamerule +
                          ", as the command line takes them");
}

double modesof(const thermo::qhamodel& m) {
  double modes = static_cast<double>(m.volume.size());
  for (const thermo::harmonicdos& d : m.dos) modes += static_cast<double>(d.energy.size());
  return modes;
}

phases phasesof(const std::vector<py::tuple>& given, const std::string& form, const py::object& t) {
  phases p;
  if (given.empty()) throw py::value_error("phases is empty: give one phase or more");
  const thermo::eos e = eosof(form);
  // Names and formula units first, before any file is read.
  std::vector<phasefiles> files;
  for (std::size_t k = 0; k < given.size(); ++k) {
    const py::tuple& g = given[k];
    const bool fromfiles = g.size() == 9;
    p.names.push_back(g[g.size() - 2].cast<std::string>());
    checkphasename(p.names.back(), "phases[" + std::to_string(k) + "].name");
    p.units.push_back(g[g.size() - 1].cast<double>());
    if (!(p.units.back() >= 1.0 && p.units.back() <= 1e6 && p.units.back() == std::floor(p.units.back())))
      throw py::value_error("phases[" + std::to_string(k) + "].formula_units " + thermo::shortest(p.units.back()) +
                            " is not a positive whole number up to 1e6");
    for (std::size_t j = 0; j < k; ++j)
      if (p.names[j] == p.names[k]) throw py::value_error("two phases are named '" + p.names[k] + "'");
    if (fromfiles)
      files.push_back({g[0].cast<py::bytes>(), g[1].cast<std::vector<py::bytes>>(), g[2].cast<std::optional<py::bytes>>(),
                       g[3].cast<std::vector<double>>(), g[4].cast<bool>(), g[5].cast<std::string>(),
                       g[6].cast<std::string>(), p.names.back(), p.units.back()});
  }
  std::optional<std::vector<double>> asked;
  if (!t.is_none()) {
    const doubles a = temperaturesof(t, true);
    asked.emplace(a.data(), a.data() + a.size());
  }
  std::vector<thermo::qhaphase> read;
  if (!files.empty()) read = readphasefiles(files, e, asked);
  if (!read.empty()) p.temperatures = rowtemperatures(read[0]);
  else if (asked) p.temperatures = std::move(*asked);
  else throw py::type_error("temperatures are needed where no phase is read from files");
  // Their cells' atoms (natom, or 3n states) against their formula units,
  // which count as given where one is not 1.
  std::vector<thermo::phasecell> cells;
  bool stated = false;
  std::size_t next = 0;
  for (std::size_t k = 0; k < given.size(); ++k) {
    const py::tuple& g = given[k];
    stated = stated || p.units[k] != 1.0;
    if (g.size() == 9) {
      thermo::qhaphase& ph = read[next++];
      cells.push_back({p.names[k], thermo::showpath(ph.evfile), ph.cellatoms, p.units[k]});
      p.models.push_back(std::move(ph.model));
      p.modes += modesof(p.models.back());
      continue;
    }
    double modes = 0.0;
    p.models.push_back(checkedmodel(g[0], g[1], g[2].cast<std::vector<const dos*>>(), form,
                                    "phases[" + std::to_string(k) + "].", modes));
    p.modes += modes;
    cells.push_back({p.names[k], "phases[" + std::to_string(k) + "]", std::lround(p.models.back().atoms), p.units[k]});
  }
  thermo::findings found;
  thermo::checkformulaunits(cells, stated, false, found);
  if (!found.errors.empty()) throw py::value_error(lines(found.errors).front());
  warn(lines(found.warnings));
  return p;
}

}  // namespace pymodule
