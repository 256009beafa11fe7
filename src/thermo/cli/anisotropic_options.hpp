// lattice_thermo's command line: the anisotropic modes' options, --qha-grid
// with --degree, and --lattice with --qha, added to the parser and checked
// once it has run.
#pragma once

#include <CLI/CLI.hpp>
#include <string>

#include "thermo/cli/options.hpp"
#include "thermo/cli/phase_options.hpp"

namespace thermo {

// The options as the parser holds them, their values as text.
struct anisotropicflags {
  CLI::Option *grid = nullptr, *degree = nullptr, *lattice = nullptr;
  std::string degreetext;
};

// Adds --qha-grid (into o.aniso.gridfile), --degree and --lattice to app.
void addanisotropicoptions(CLI::App& app, anisotropicflags& f, options& o);

// After parsing: --degree read, and the options checked against the other
// modes'; with --qha-grid, --efe and --dos-at-fermi (in t) taken into
// o.qha. The usage error, or "" where there is none.
std::string checkanisotropicoptions(const anisotropicflags& f, const phasetexts& t, options& o);

}  // namespace thermo
