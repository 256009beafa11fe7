// lattice_thermo: one DOS file from its bytes to its output: read and check,
// treat, prepare, warn, write --write-pds, evaluate, render.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "thermo/cli/options.hpp"
#include "thermo/formats/inputs/load.hpp"
#include "thermo/formats/outputs/output.hpp"
#include "thermo/harmonic/harmonic.hpp"

namespace thermo {

// Temperatures rendered at a time: a file's rows are made in blocks of this
// many (two threads share a block), and held until the last is made.
inline constexpr long rowblock = 4096;

enum class format { table, csv, yaml };

// The rows of a file after its first block, made block by block by whoever
// writes them (each row the same on any thread, in any block).
struct rowstream {
  harmonicdos d;
  double thetaatoms = 0.0, divisor = 1.0;
  double samplinglimit = 0.0;  // K
  tablelayout layout;
  std::string file;  // the CSV's file column; empty for none
  format form = format::table;
  long next = 0, count = 0;

  // The next block's rows into s (replacing what it held); false where none
  // is left. `split`: two threads may share the block.
  bool more(const temperatures& temps, std::string& s, bool split);
};

// What one file gives: its messages for standard error, then its rows for
// standard output, written in that order once the file is read.
struct fileresult {
  std::string path;
  std::string messages;
  std::string rows;  // the header and the first block
  std::unique_ptr<rowstream> rest;  // where rows remain
  bool failed = false;  // the file gave no rows
  bool fatal = false;   // the run stops here (its --write-pds output failed)
};

// A file read to its messages and rows. `filecolumn`: rows start with the
// file's name (several files); `split`: a block's temperatures may be shared
// with a second thread.
fileresult finishfile(const std::string& path, const options& o, bool filecolumn, bool split, loaded& file);

// Both.
fileresult onefile(const std::string& path, const options& o, bool filecolumn, bool split, filescratch& scratch);

}  // namespace thermo
