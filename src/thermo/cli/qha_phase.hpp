// lattice_thermo --qha: one phase of the quasi-harmonic mode as a value:
// its files, its model, what the checks found, the temperatures of its
// rows; read and checked here, its rows made by qha_run.
#pragma once

#include <string>
#include <vector>

#include "common/channel.hpp"
#include "thermo/cli/options.hpp"
#include "thermo/formats/outputs/phases_output.hpp"
#include "thermo/qha/checks.hpp"
#include "thermo/qha/eos_fit.hpp"
#include "thermo/qha/model.hpp"

namespace thermo {

struct qhaphase {
  // Its files, as the command line names them: e-v.dat, the DOS or
  // thermal_properties.yaml of each volume in its order, the electrons.
  std::string evfile, efefile, name;
  std::vector<std::string> files;
  double formulaunits = 1.0;
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

// Phase k of those the command line describes.
qhaphase phaseof(const options& o, std::size_t k = 0);

// Reads the phase's files into its model and checks them against each
// other, the messages in ph.messages. Returns -1 where its rows can be
// made, else the exit status: 1 on bad input, 2 where the temperatures
// asked for are not the files' (a usage error).
int loadphase(const options& o, qhaphase& ph);

// Every phase the command line describes, each read and checked in turn
// (all of them, whichever fail), its messages written to err as they come,
// and every phase's temperatures the first one's (an error naming the first
// difference). The exit status as loadphase's, of the first that fails.
int loadphases(const options& o, std::vector<qhaphase>& phases, common::outchannel& err);

// What the table's header says of a phase's electrons ("": none), and of
// each phase.
std::string electronsof(const qhaphase& ph);
std::vector<phaseinfo> infoof(const std::vector<qhaphase>& phases);

}  // namespace thermo
