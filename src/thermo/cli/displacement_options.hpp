// lattice_thermo's command line: --displacements and its options, added to
// the parser and checked once it has run, apart from the other modes'.
#pragma once

#include <CLI/CLI.hpp>
#include <string>

#include "thermo/cli/options.hpp"

namespace thermo {

// The options as the parser holds them, their values as text.
struct displacementflags {
  CLI::Option *on = nullptr, *masses = nullptr, *mass = nullptr, *mossbauer = nullptr;
  std::string massestext, masstext, mossbauertext;
};

// Adds --displacements (into o.displacements), --masses, --mass and
// --mossbauer-energy to app.
void adddisplacementoptions(CLI::App& app, displacementflags& f, options& o);

// After parsing: their values read into o.displace, and checked against the
// other options; the usage error, or "" where there is none.
std::string checkdisplacementoptions(const displacementflags& f, options& o);

}  // namespace thermo
