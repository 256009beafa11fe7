// lattice_thermo's command line: --debye and its options, and the strain
// polynomial's (--strain, --degree, for --eos strain too), added to the
// parser and checked once it has run, apart from the other modes'.
#pragma once

#include <CLI/CLI.hpp>
#include <string>

#include "thermo/cli/options.hpp"
#include "thermo/cli/phase_options.hpp"

namespace thermo {

// The options as the parser holds them, their values as text.
struct debyeflags {
  std::vector<std::string> evfiles;  // each --debye
  CLI::Option *poisson = nullptr, *gruneisen = nullptr, *strain = nullptr, *constants = nullptr,
              *statictable = nullptr, *fits = nullptr;
  std::string poissontext, gruneisentext, straintext, constantstext;
};

// Adds --debye, --poisson, --gruneisen, --strain, --constants, --static
// and --fits to app (--degree is the grid mode's option too,
// added with it).
void adddebyeoptions(CLI::App& app, debyeflags& f, options& o);

// Before the phases are gathered: --debye's files as the phases' (the
// leader of what follows them), or "" where --debye is not given; the
// usage error where --qha is given too.
std::string debyephases(const debyeflags& f, phasetexts& t, options& o);

// After parsing: the values read into o.debye and o.qha, and checked
// against the other options; `mass`, `atoms` and `degree` are --mass's,
// --atoms's and --degree's text where given (they are other modes' options
// too), `dosoptions` whether an option that reads DOS files was given. The
// usage error, or "".
struct sharedtexts {
  const std::string *mass = nullptr, *atoms = nullptr, *degree = nullptr;
};
std::string checkdebyeoptions(const debyeflags& f, const sharedtexts& shared, bool dosoptions, options& o);

}  // namespace thermo
