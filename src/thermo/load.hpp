// lattice_thermo: a file read, checked and treated: its layout recognised
// (columns, the fixed program's, phonopy's mesh.yaml), its unit found, the
// DOS column taken, --pretend-real, --normalize and the cutoff applied, and
// what it had to assume said in warnings.
#pragma once

#include <string>
#include <vector>

#include "thermo/dos.hpp"
#include "thermo/harmonic.hpp"
#include "thermo/mesh.hpp"
#include "thermo/options.hpp"

namespace thermo {

// A file read, checked and treated, ready for the sums.
struct loaded {
  spectrum sp;              // the tabulated DOS (none for a mesh), after --pretend-real and --normalize
  harmonicdos d;            // the modes that take part
  bool mesh = false;        // read from phonopy's mesh.yaml
  meshinfo meshcounts;
  std::string unitlabel;    // the unit, and where it came from
  std::string unitname;     // the unit alone
  std::string cutofflabel;  // empty, or --cutoff-frequency with its unit
  double cutoffthz = 0.0;
  std::string notes;        // warnings, whole lines
};

// Buffers one thread keeps from one file to the next.
struct filescratch {
  std::vector<char> lines;
};

// Reads, checks and treats the file at path ("-": standard input); false
// with its one-line message.
bool readfile(const std::string& path, const options& o, filescratch& scratch, loaded& file, std::string& message);

// What follows the reading of a tabulated DOS in file.sp (in unit u):
// --pretend-real, --normalize (to 3 atoms states where atoms > 0) or the
// warning where the states are not a whole number of atoms (lines that begin
// with w), the cutoff (ro.cutoff in u), and the modes that take part in
// file.d. False with p where none does.
bool treat(loaded& file, const readoptions& ro, double atoms, unit u, const std::string& w, problem& p);

// What a treated DOS warns of, appended to file.notes in lines that begin
// with w: negative DOS values, and states that take no part (at or below
// zero or the cutoff) beyond 0.1 %.
void notetreated(loaded& file, const std::string& w);

// How a file's results are scaled: the atoms per cell (`atoms` where it is
// given, positive; else a mesh's natom, else the states / 3), the atoms of
// theta_D's Debye solid (given, else the states above zero / 3), and what
// results per mole of cells are divided by (the atoms, `peratom`; else 1).
struct scaling {
  double atoms, thetaatoms, divisor;
};
scaling scalingof(const loaded& file, double atoms, bool peratom);

// A path as messages show it: control characters as \xHH.
std::string showpath(const std::string& path);

}  // namespace thermo
