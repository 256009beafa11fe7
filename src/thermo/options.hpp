// lattice_thermo's command line: the usage text and the options it sets.
#pragma once

#include <string>
#include <vector>

#include "common/channel.hpp"
#include "thermo/dos.hpp"

namespace thermo {

// The temperatures of a run, kelvin: tmin, tmin + tstep, ... up to tmax.
struct temperatures {
  double tmin = 0.0, tmax = 1000.0, tstep = 10.0;

  long count() const;
  double at(long i) const { return tmin + static_cast<double>(i) * tstep; }
};

// Everything the command line sets; the driver hands it on.
struct options {
  unit u = unit::thz;
  bool pds = false;          // the fixed program's layout
  temperatures temps;
  double atoms = 0.0;        // atoms per cell; 0: from the DOS
  bool peratom = false;
  bool csv = false;
  std::string writepds;      // --write-pds OUT; empty: none
  bool force = false;
  std::vector<std::string> files;
};

// The usage text, as --help prints it.
extern const char* const usage;

// Parses the command line into o. Returns -1 where the run goes on, else the
// exit status: 0 after --help (the usage on out), 2 after a usage error (the
// error and the usage on err).
int parseoptions(int argc, const char* const* argv, options& o, common::outchannel& out,
                 common::outchannel& err);

}  // namespace thermo
