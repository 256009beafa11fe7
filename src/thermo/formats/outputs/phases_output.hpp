// lattice_thermo --qha with several phases: their rows, with the phase and
// whether it is the stable one, and the transitions between them, as CSV
// and as tables.
#pragma once

#include <string>
#include <vector>

#include "thermo/formats/inputs/qha_phase.hpp"
#include "thermo/qha/eos_fit.hpp"
#include "thermo/qha/qha.hpp"
#include "thermo/qha/transitions.hpp"

namespace thermo {

// A phase's name fit for a CSV field and a table's column: 1 to 64 bytes,
// printable, without blanks, commas or quotes; the rule in words.
bool fitphasename(const std::string& s);
inline constexpr const char* phasenamerule = "up to 64 characters, without blanks, commas or quotes";

// What a table's header says of a phase.
struct phaseinfo {
  std::string name, evfile;
  double formulaunits;
  int volumes;
  double vmin, vmax;      // A^3 per cell
  parameters fit;         // of E(V) alone, per cell
  std::string electrons;  // empty: none; else what gives them
};

// What a table's header says of a phase's electrons ("": none), and of
// each phase.
std::string electronsof(const qhaphase& ph);
std::vector<phaseinfo> infoof(const std::vector<qhaphase>& phases);

// The rows: `pressure` (where several run), `phase`, the single phase's
// columns, and `stable`, 1 for the phase of lowest G at that temperature
// and pressure; with `errors`, the error bars' columns after it (as one
// phase's).
std::string phasescsvheader(bool pressurecolumn, bool errors = false);
void appendphasecsv(std::string& s, const qharow& r, bool pressurecolumn, double pressure, const std::string& name,
                    bool stable, bool errors = false);
void appendphasestableheader(std::string& s, const std::vector<phaseinfo>& phases, eos form, double pressure,
                             bool errors = false);
void appendphasestablerow(std::string& s, const qharow& r, const std::string& name, int width, bool stable,
                          bool errors = false);

// One row of the transitions: at temperature t (K), phase `low` has the
// lower G below pressure p (GPa), `high` above; the volume change (A^3 per
// formula unit), entropy change (J/K/mol) and dp/dT (GPa/K) from low to
// high.
// With error bars, those of the pressure and the slope.
struct transitionrow {
  double temperature;
  std::string low, high;
  double pressure, volumechange, entropychange, slope;
  errorbar pressureerr{}, slopeerr{};
};
std::string transitionscsvheader(bool errors = false);
void appendtransitioncsv(std::string& s, const transitionrow& r, bool errors = false);
// The header's first lines: the interval, the phases and their fits.
void appendtransitionstableheader(std::string& s, const std::vector<phaseinfo>& phases, eos form, double pmin,
                                  double pmax);
// Its last lines: what the columns mean and their heads, the names `width`
// wide (with `errors`, the value(error) form said).
void appendtransitionscolumns(std::string& s, int width, bool errors = false);
void appendtransitionstablerow(std::string& s, const transitionrow& r, int width, bool errors = false);

// What a pair's warning tells: at how many temperatures it has no row, the
// first of them, and what lay there.
struct pairrecord {
  long missing = 0;
  double first = 0.0;
  std::vector<pairoutcome::lost> lost;  // at the first
  std::vector<double> touching;         // likewise
  bool same = false;                    // likewise
  void note(double t, const pairoutcome& c) {
    if (c.failed || !c.crossings.empty() || missing++ > 0) return;
    first = t;
    lost = c.outside;
    touching = c.touching;
    same = c.same;
  }
};
// "fcc and hcp: no row at 3 of 101 temperatures, the first 640 K (...)".
std::string pairwarning(const std::string& a, const std::string& b, const pairrecord& r, long temperatures, double pmin,
                        double pmax);

}  // namespace thermo
