// lattice_thermo's command line: the phases of a quasi-harmonic run, each
// --qha with the DOS files, --efe and --dos-at-fermi that follow it; their
// names (--phase-names), formula units (--formula-units) and
// --transitions.
#pragma once

#include <string>
#include <vector>

#include "thermo/cli/option_names.hpp"
#include "thermo/cli/options.hpp"
#include "thermo/formats/inputs/qha_phase.hpp"

namespace thermo {

// What the parser gathered of them, as text, each occurrence in its order.
struct phasetexts {
  std::vector<std::string> evfiles, efefiles, fermis;
  std::string names, units, transitions;
  bool namesgiven = false, unitsgiven = false, transitionsgiven = false, pressuregiven = false;
  std::string leader = "--qha";  // the option each phase begins with (--debye: no DOS files follow it)
};

// Fills o.qha.phases (with one --qha, the single-phase fields too, as they
// were), o.qha.formulaunits and the transitions' interval from t and the
// arguments; o.files holds every DOS file. Returns "" or the usage error.
std::string phasesof(int argc, const char* const* argv, const std::vector<optionname>& known, const phasetexts& t,
                     options& o);

// N(E_F) of --dos-at-fermi's text, each value 0 or more; "" or the usage
// error.
std::string fermiof(const std::string& text, std::vector<double>& to);

// Phase k of those the command line describes, as a phase to be read.
qhaphase phaseof(const options& o, std::size_t k);

// With --error-bars, the usage error of a phase read with fewer volumes
// than the jackknife needs (its message lines), else "".
std::string errorbarsrefused(const options& o, const std::vector<qhaphase>& phases);

// The name of the folder a file is in ("fcc" for fcc/e-v.dat; for e-v.dat,
// the current folder's), or "" where there is none.
std::string foldername(const std::string& path);

}  // namespace thermo
