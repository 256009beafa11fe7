// lattice_thermo --qha: every phase of a run read and checked, their
// temperatures compared.
#include <algorithm>
#include <cmath>

#include "thermo/base/number_text.hpp"
#include "thermo/base/problem.hpp"
#include "thermo/cli/qha_phase.hpp"

namespace thermo {

std::string electronsof(const qhaphase& ph) {
  if (!ph.efefile.empty()) return "their free energy from " + showpath(ph.efefile) + " (S and Cv from a spline in T)";
  if (ph.dosatfermi.empty()) return "";
  return "Sommerfeld's, N(E_F) " + significant(ph.dosatfermi.front()) + " to " + significant(ph.dosatfermi.back()) +
         " states/eV per cell";
}

std::vector<phaseinfo> infoof(const std::vector<qhaphase>& phases) {
  std::vector<phaseinfo> info;
  for (const qhaphase& ph : phases) {
    const qhamodel& m = ph.model;
    info.push_back({ph.name, ph.evfile, ph.formulaunits, static_cast<int>(m.volume.size()), m.volume.front(),
                    m.volume.back(), ph.staticfit, electronsof(ph)});
  }
  return info;
}

int loadphases(const options& o, std::vector<qhaphase>& phases, common::outchannel& err) {
  // Every phase is read, so that the messages tell of each.
  phases.clear();
  int failed = -1;
  for (std::size_t k = 0; k < o.qha.phases.size(); ++k) {
    phases.push_back(phaseof(o, k));
    qhaphase& ph = phases.back();
    const int status = loadphase(o, ph);
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

}  // namespace thermo
