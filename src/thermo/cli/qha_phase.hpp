// lattice_thermo --qha: one phase of the quasi-harmonic mode as a value:
// its files, its model, what the checks found, the temperatures of its
// rows; read and checked here, its rows made by qha_run.
#pragma once

#include <string>
#include <vector>

#include "thermo/cli/options.hpp"
#include "thermo/qha/checks.hpp"
#include "thermo/qha/eos_fit.hpp"
#include "thermo/qha/model.hpp"

namespace thermo {

struct qhaphase {
  // Its files, as the command line names them: e-v.dat, the DOS or
  // thermal_properties.yaml of each volume in its order, the electrons.
  std::string evfile, efefile;
  std::vector<std::string> files;
  std::vector<double> dosatfermi;  // states/eV per cell, in e-v.dat's order
  bool excludeimaginary = false;
  // What they make: the model, the fits of E(V) alone and at 0 K.
  qhamodel model;
  qhanames names;       // of the volumes kept, in e-v.dat's order
  bool tables = false;  // the phonons are phonopy's thermal_properties.yaml
  parameters staticfit{}, zerofit{};
  temperatures temps;   // of its rows
  std::string messages;  // for standard error, in the order found
};

// The phase the command line describes.
qhaphase phaseof(const options& o);

// Reads the phase's files into its model and checks them against each
// other, the messages in ph.messages. Returns -1 where its rows can be
// made, else the exit status: 1 on bad input, 2 where the temperatures
// asked for are not the files' (a usage error).
int loadphase(const options& o, qhaphase& ph);

}  // namespace thermo
