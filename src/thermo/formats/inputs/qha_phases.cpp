// lattice_thermo: every quasi-harmonic phase of a run read and checked,
// their temperatures compared.
#include <algorithm>
#include <cmath>

#include "thermo/base/number_text.hpp"
#include "thermo/base/problem.hpp"
#include "thermo/formats/inputs/qha_phase.hpp"
#include "thermo/qha/phase_checks.hpp"

namespace thermo {

int readphases(std::vector<qhaphase>& phases, common::outchannel& err) {
  // Every phase is read, so that the messages tell of each.
  int failed = -1;
  for (std::size_t k = 0; k < phases.size(); ++k) {
    qhaphase& ph = phases[k];
    const int status = readphase(ph);
    err.write(ph.messages.data(), ph.messages.size());
    ph.messages.clear();
    if (failed < 0) failed = status;
    if (k == 0 || failed >= 0) continue;
    // The rows of every phase at the same temperatures: those of tabulated
    // phonons must agree.
    const temperatures &first = phases[0].temps, &here = ph.temps;
    const long n = first.count(), m = here.count();
    long i = 0;
    while (i < std::min(n, m) && std::fabs(first.at(i) - here.at(i)) <= 1e-6) ++i;
    if (i == n && n == m) continue;
    const std::string other = "phase " + phases[0].name + " (" + showpath(phases[0].evfile) + ")";
    const std::string what =
        "lattice_thermo: " + showpath(ph.evfile) + ": " +
        (i < std::min(n, m) ? "temperature " + std::to_string(i + 1) + " of phase " + ph.name + " is " +
                                  shortest(here.at(i)) + " K, where " + other + " has " + shortest(first.at(i)) + " K"
                            : "phase " + ph.name + " has " + std::to_string(m) + " temperatures, where " + other +
                                  " has " + std::to_string(n)) +
        ": every phase must have the same temperatures\n";
    err.write(what.data(), what.size());
    failed = 1;
  }
  return failed;
}

int checkphasecells(const std::vector<qhaphase>& phases, bool unitsgiven, common::outchannel& err) {
  if (phases.size() < 2) return -1;
  // Phases compared per formula unit: their cells' atoms must say the same.
  std::vector<phasecell> cells;
  for (const qhaphase& ph : phases) cells.push_back({ph.name, showpath(ph.evfile), ph.cellatoms, ph.formulaunits});
  findings found;
  checkformulaunits(cells, unitsgiven, true, found);
  const std::string said = found.warnings + found.errors;
  err.write(said.data(), said.size());
  return found.errors.empty() ? -1 : 1;
}

}  // namespace thermo
