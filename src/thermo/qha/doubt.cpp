#include "thermo/qha/doubt.hpp"

#include <cmath>

#include "thermo/base/number_text.hpp"
#include "thermo/harmonic/constants.hpp"

namespace thermo {

int doubtful(const double values[rowerrorcount], const rowerrorbars& errors, double atoms, double& share) {
  const double classical = 3.0 * atoms * boltzmann;  // J/K per cell
  // What each error bar is judged against; G is not.
  const double scale[rowerrorcount] = {
      std::fabs(values[0]), 0.0, std::fabs(values[2]),
      std::fmax(std::fabs(values[3]), doubtfloor * classical / (values[2] * 1e9 * values[0] * 1e-30)),
      std::fmax(std::fabs(values[4]), doubtfloor * classical * avogadro)};
  int worst = -1;
  share = 0.0;
  for (int j = 0; j < rowerrorcount; ++j) {
    if (!(scale[j] > 0.0)) continue;
    const double s = errors[j].total() / scale[j];
    if (s > doubtshare && s > share) {
      share = s;
      worst = j;
    }
  }
  return worst;
}

bool doubtcheckpoint(long i, long count) {
  if (i == count - 1) return true;
  if (count < 100) return false;
  for (long k = 1; k < 4; ++k)
    if (i == k * (count - 1) / 4) return true;
  return false;
}

std::string doubtwarning(const std::string& lead, const qhaoutcome& r, double atoms, double pressure,
                         const std::string& hint) {
  const std::string at = lead + "at " + significant(r.row.temperature) + " K and " + significant(pressure) + " GPa ";
  if (!r.errorswhy.empty()) return at + "the fit's error bars cannot be taken (" + r.errorswhy + "): its answer may be in doubt\n";
  const qharow& w = r.row;
  const double values[rowerrorcount] = {w.volume, w.gibbs_energy, w.bulk_modulus, w.thermal_expansion, w.heat_capacity_p};
  double share = 0.0;
  const int j = doubtful(values, w.errors, atoms, share);
  if (j < 0) return "";
  static const char* const names[rowerrorcount] = {"V", "G", "B_T", "alpha", "Cp"};
  static const char* const units[rowerrorcount] = {"A^3", "kJ/mol", "GPa", "1/K", "J/K/mol"};
  const double err = w.errors[static_cast<std::size_t>(j)].total();
  // What the error bar was judged against, where it is not the value itself.
  const std::string against = std::fabs(err / share - std::fabs(values[j])) <= 1e-12 * (err / share)
                                  ? "of it"
                                  : "of " + significant(err / share, 3) + " " + units[j] +
                                        (j == 3 ? ", half the classical 3 n k_B / (B_T V)" : ", half of 3 n R");
  return at + names[j] + " = " + significant(values[j], 4) + " +- " + significant(err, 2) + " " + units[j] +
         ": the fit's error bar is " + significant(100.0 * share, 3) + " % " + against + ", more than " +
         significant(100.0 * doubtshare) +
         " %: the volumes do not pin it down (more of them, or closer around V(T), would; " + hint + ")\n";
}

}  // namespace thermo
