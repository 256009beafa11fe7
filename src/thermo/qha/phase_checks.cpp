#include "thermo/qha/phase_checks.hpp"

#include <cmath>
#include <numeric>

#include "thermo/base/number_text.hpp"

namespace thermo {

namespace {

std::string atoms(long n) { return std::to_string(n) + (n == 1 ? " atom" : " atoms"); }

}  // namespace

void checkformulaunits(const std::vector<phasecell>& phases, bool given, bool options, findings& f) {
  long common = 0;  // the atoms' greatest common divisor
  bool unknown = false;
  for (const phasecell& p : phases) {
    unknown = unknown || p.atoms <= 0;
    if (p.atoms > 0) common = std::gcd(common, p.atoms);
  }
  const std::string option = options ? "--formula-units" : "formula_units";
  const phasecell* first = nullptr;  // the first whose atoms are known
  for (const phasecell& p : phases) {
    if (p.atoms <= 0) continue;
    if (first == nullptr) {
      first = &p;
      continue;
    }
    const std::string both = "lattice_thermo: " + first->ev + ", " + p.ev + ": ";
    const double per = p.atoms / p.formulaunits, perfirst = first->atoms / first->formulaunits;
    if (!given && p.atoms != first->atoms) {
      std::string units;
      for (const phasecell& q : phases) {
        if (!units.empty()) units += ',';
        units += std::to_string(q.atoms / common);
      }
      f.errors += both + "the cell of phase " + first->name + " holds " + atoms(first->atoms) + " and that of " + p.name +
                  " " + atoms(p.atoms) + ", and phases are compared per formula unit: give each cell's with " + option +
                  (unknown ? "" : " (" + units + " where the phases share a composition)") + "\n";
      return;
    }
    if (given && std::fabs(per - perfirst) > 1e-9 * perfirst) {
      f.warnings += both + "warning: " + option + " gives " + significant(first->formulaunits) + " and " +
                    significant(p.formulaunits) + " formula units to cells of " + atoms(first->atoms) + " and " +
                    atoms(p.atoms) + ": phases " + first->name + " and " + p.name +
                    " then differ in composition, where the phases of one compound share it\n";
      return;
    }
  }
}

}  // namespace thermo
