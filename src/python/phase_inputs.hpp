// lattice_thermo._core: quasi-harmonic phases as the Python layer hands them
// over, made of arrays and Dos objects or read from their files as
// lattice_thermo --qha reads and checks them (thermo::readphases).
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "qha_call.hpp"
#include "thermo/formats/inputs/qha_phase.hpp"

namespace pymodule {

// One phase's files as the Python layer hands them over, paths as bytes:
// e-v.dat, a DOS or phonopy's thermal_properties.yaml per volume in its
// order, and the electrons' fe-v.dat or N(E_F) per volume (states/eV);
// the units of e-v.dat's energies and volumes, named as --energy-unit and
// --volume-unit name them.
struct phasefiles {
  py::bytes ev;
  std::vector<py::bytes> files;
  std::optional<py::bytes> efe;
  std::vector<double> dosatfermi;
  bool excludeimaginary = false;
  std::string energyunit = "eV", volumeunit = "A3";  // of e-v.dat
  std::string name = "phase1";
  double formulaunits = 1.0;
};

// Reads every phase and checks it as the command line does, their
// temperatures compared: OSError where a file cannot be opened, ValueError
// with the program's messages (its options named as the arguments are)
// where one is bad; what it warns of, and the volumes left out, through
// Python's warnings. `temps`: the temperatures asked for, or none for the
// program's own (0 to 1000 K every 10 K, or all the temperatures of the
// thermal_properties.yaml files).
std::vector<thermo::qhaphase> readphasefiles(const std::vector<phasefiles>& given, thermo::eos form,
                                             const std::optional<std::vector<double>>& temps);

// ValueError where name is not a phase's name the command line takes
// (`what` names the argument).
void checkphasename(const std::string& name, const std::string& what);

// The temperatures of a phase's rows, read: those asked for, or the files'.
std::vector<double> rowtemperatures(const thermo::qhaphase& ph);

// The DOS points summed over at one temperature, for the runs' length.
double modesof(const thermo::qhamodel& m);

// The phases of a run, each checked, with the temperatures of its rows.
struct phases {
  std::vector<thermo::qhamodel> models;
  std::vector<std::string> names;
  std::vector<double> units;
  std::vector<double> temperatures;
  double modes = 0.0;  // DOS points summed over at one temperature, all phases
};

// The phases as handed over, each a tuple: (volumes, energies, [Dos], name,
// formula units), checked as the program checks its files, or (e-v.dat,
// [files], fe-v.dat or None, [N(E_F)], exclude imaginary, energy unit,
// volume unit, name, formula units), read by readphasefiles. Their cells'
// atoms are checked against their formula units, as with several --qha. The temperatures are t's, or where t is
// None the first phase from files' (TypeError where there is none).
phases phasesof(const std::vector<py::tuple>& given, const std::string& form, const py::object& t);

}  // namespace pymodule
