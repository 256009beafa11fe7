// lattice_thermo: one DOS file from its bytes to its output: read, check,
// prepare, warn, write --write-pds, evaluate, render.
#pragma once

#include <string>

#include "thermo/dos.hpp"
#include "thermo/options.hpp"

namespace thermo {

// What one file gives: its messages for standard error and its rows for
// standard output, written in that order once the file is done.
struct fileresult {
  std::string messages;
  std::string rows;
  bool failed = false;  // the file gave no rows
  bool fatal = false;   // the run stops here (its --write-pds output failed)
};

// Buffers one thread keeps from one file to the next.
struct filescratch {
  std::string text;
  spectrum sp;
};

// Does the file at path under options o. `filecolumn`: rows start with the
// file's name (several files); `split`: the file's temperatures may be shared
// with a second thread.
fileresult onefile(const std::string& path, const options& o, bool filecolumn, bool split, filescratch& scratch);

}  // namespace thermo
