// lattice_thermo --qha ... --transitions: where each pair of phases' Gibbs
// energies cross, temperature by temperature.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "common/channel.hpp"
#include "thermo/cli/options.hpp"
#include "thermo/formats/inputs/qha_phase.hpp"
#include "thermo/qha/transition_table.hpp"

namespace thermo {

// At each temperature of the phases (read and checked), every crossing of
// each pair's G per formula unit from o.qha.pmin to o.qha.pmax, as a row:
// CSV or a table. One warning per pair names the first temperature without
// a row and how many there are. Returns the exit status: 1 where a fit
// fails (its message names the phase and temperature), else 0.
int runtransitions(const options& o, const std::vector<qhaphase>& phases, common::outchannel& out,
                   common::outchannel& err);

// The same of any phases: their names and files (for the messages), the
// table's header lines above the column heads, and every pair's crossings
// at a temperature (`at`, called on two threads at once).
struct transitionsource {
  std::vector<std::string> names, files;
  temperatures temps;
  std::string header;
  bool errors = false;  // the rows' error bars (at fills them)
  std::function<void(double t, transitionsat& out)> at;
};
int runtransitions(const options& o, const transitionsource& src, common::outchannel& out, common::outchannel& err);

}  // namespace thermo
