// lattice_thermo: one phase of the quasi-harmonic mode as a value: its
// files and how to read them, its model, what the checks found, the
// temperatures of its rows. The command line and the Python module fill in
// the files; readphase reads and checks them.
#pragma once

#include <string>
#include <vector>

#include "common/channel.hpp"
#include "thermo/formats/inputs/ev_file.hpp"
#include "thermo/formats/inputs/ev_units.hpp"
#include "thermo/formats/inputs/load.hpp"
#include "thermo/harmonic/temperatures.hpp"
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
  fileunits units;  // of e-v.dat's energies and volumes
  // How its DOS files are read, the atoms per cell (0: from the DOS), the
  // equation of state.
  readoptions read;
  double atoms = 0.0;
  eos form = eos::vinet;
  strainsettings strain;  // of --eos strain
  // What they make: the model, the fits of E(V) alone and at 0 K.
  qhamodel model;
  qhanames names;       // of the volumes kept, in e-v.dat's order
  bool tables = false;  // the phonons are phonopy's thermal_properties.yaml
  long cellatoms = 0;   // atoms per cell where the files tell (natom, 3n states, --atoms), else 0
  parameters staticfit{}, zerofit{};
  std::vector<bool> kept;  // of the lines of e-v.dat (or the grid), those kept (--exclude-imaginary)
  temperatures temps;   // of its rows; on reading, those asked for
  std::string messages;  // for standard error, in the order found
};

// Reads the phase's files into its model and checks them against each
// other, the messages in ph.messages. Returns -1 where its rows can be
// made, else the exit status: 1 on bad input, 2 where the temperatures
// asked for are not the files' (a usage error).
int readphase(qhaphase& ph);

// The files of the phase's points (data: e-v.dat's lines, or a grid's), all
// of one kind, read into the model's input with the electrons, less those
// --exclude-imaginary leaves out (each named; dropped from data, ph.files
// and ph.dosatfermi, and marked in ph.kept); ph.names and ph.tables set;
// the cells checked into found (the electrons' table is the caller's to
// check: checkelectrons), each DOS's theta_inf and the volumes with
// imaginary modes in phonons, ph.cellatoms set. False with the error in
// ph.messages.
bool readpoints(qhaphase& ph, evdata& data, qhainput& in, findings& found, phononinfo& phonons);

// Every phase read and checked in turn (all of them, whichever fail), its
// messages written to err as they come, and every phase's temperatures the
// first one's (an error naming the first difference). The exit status as
// readphase's, of the first that fails.
int readphases(std::vector<qhaphase>& phases, common::outchannel& err);

// Several phases read: their cells' atoms against their formula units
// (`unitsgiven`: --formula-units was given), what it finds written to err.
// -1 where the run can go on, else 1.
int checkphasecells(const std::vector<qhaphase>& phases, bool unitsgiven, common::outchannel& err);

}  // namespace thermo
