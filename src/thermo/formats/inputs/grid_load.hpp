// lattice_thermo --qha-grid: the grid file and the file of each cell read
// into the grid's model and checked, as --qha reads a phase's files.
#pragma once

#include "thermo/formats/inputs/grid_file.hpp"
#include "thermo/formats/inputs/qha_phase.hpp"
#include "thermo/qha/grid_qha.hpp"

namespace thermo {

struct gridphase {
  // The files as a phase's (evfile: the grid file), how to read them, the
  // temperatures asked for, the messages.
  qhaphase files;
  int degree = 3;
  fileunits units;
  // What they make.
  griddata grid;  // as read, every line
  gridmodel model;
  surfaceminimum staticminimum;  // of E(x) alone
  double staticrms = 0.0;        // eV
};

// Reads and checks the grid, its cells' files and the electrons, and fits
// the model. Returns -1 where its rows can be made, else the exit status
// (as readphase's), the messages in files.messages.
int readgridphase(gridphase& gp);

// The same with gp.grid read already (from a file or from arrays).
int loadgridphase(gridphase& gp);

}  // namespace thermo
