// lattice_thermo: a file read, checked and treated: its layout recognised
// (columns, the fixed program's, phonopy's mesh.yaml), its unit found, the
// DOS column taken, --pretend-real, --normalize and the cutoff applied, and
// what it had to assume said in warnings.
#pragma once

#include <string>
#include <vector>

#include "thermo/formats/text/columns.hpp"
#include "thermo/formats/text/input.hpp"
#include "thermo/formats/yaml/mesh.hpp"
#include "thermo/harmonic/dos.hpp"
#include "thermo/harmonic/harmonic.hpp"

namespace thermo {

// How a DOS file is read and what is done to its states before the sums.
struct readoptions {
  unit u = unit::thz;
  bool unitgiven = false;     // --unit given (else from the file's header, else THz)
  bool pds = false;           // the fixed program's layout
  int column = 2;             // the DOS column
  bool columngiven = false;   // --column given
  bool sumcolumns = false;    // the DOS is the sum of columns 2 to the last
  bool normalize = false;     // scale the DOS to 3n states
  bool pernormalised = false; // the caller takes the states as 3 an atom whatever they are (--displacements)
  double cutoff = 0.0;        // modes at or below this energy (in the file's unit) take no part
  bool pretendreal = false;   // imaginary modes count with their absolute energy
};

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
  std::string belownote;    // of them, the one on the states at or below zero or the cutoff
};

// Buffers one thread keeps from one file to the next.
struct filescratch {
  std::vector<char> lines;
};

// Reads, checks and treats the file at path ("-": standard input) as ro
// says, with `atoms` atoms per cell where it is positive (else from the
// DOS); false with its one-line message.
bool readfile(const std::string& path, const readoptions& ro, double atoms, filescratch& scratch, loaded& file,
              std::string& message);
// The same on a source already opened (and perhaps peeked at) from path.
bool readopened(source& in, const std::string& path, const readoptions& ro, double atoms, filescratch& scratch,
                loaded& file, std::string& message);

// A column file's warnings, appended to file.notes in lines that begin with
// w: what its header, its columns and its highest energy say about how it
// was read (a DOS given as arrays has the last of them alone).
void columnnotes(const std::string& w, const readoptions& ro, const columninfo& info, loaded& file);

// The unit a column file was read in and where it came from, and which
// column is the DOS: the header's `unit` line.
std::string unitlabelof(const readoptions& ro, const columninfo& info);

// What follows the reading of a tabulated DOS in file.sp (in unit u):
// --pretend-real, --normalize (to 3 atoms states where atoms > 0) or the
// warning where the states are not a whole number of atoms (lines that begin
// with w), the cutoff (ro.cutoff in u), and the modes that take part in
// file.d. False with p where none does.
bool treat(loaded& file, const readoptions& ro, double atoms, unit u, const std::string& w, problem& p);

// The warning where --unit gives a DOS a theta_inf no phonon spectrum has.
void notetheta(loaded& file, const readoptions& ro, const std::string& w);

// What a treated DOS warns of, appended to file.notes in lines that begin
// with w: negative DOS values, and states that take no part (at or below
// zero or the cutoff) beyond 0.1 %.
void notetreated(loaded& file, const std::string& w);
// The share of the states at or below zero (or the cutoff) that are
// imaginary modes: of a mesh, less the rigid translations at q = 0.
double imaginaryshare(const loaded& file);

// How a file's results are scaled: the atoms per cell (`atoms` where it is
// given, positive; else a mesh's natom, else the states / 3), the atoms of
// theta_D's Debye solid (given, else the states above zero / 3), and what
// results per mole of cells are divided by (the atoms, `peratom`; else 1).
struct scaling {
  double atoms, thetaatoms, divisor;
};
scaling scalingof(const loaded& file, double atoms, bool peratom);

}  // namespace thermo
