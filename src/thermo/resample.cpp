#include "thermo/resample.hpp"

#include <cstdio>
#include <vector>

#include "thermo/constants.hpp"
#include "thermo/output.hpp"

namespace thermo {

std::string pdsfile(const std::string& source, const char* unit, const spectrum& sp) {
  constexpr int n = 339;
  const std::size_t m = sp.energy.size();
  std::size_t first = 0;
  while (!(sp.energy[first] > 0.0)) ++first;
  const double emax = sp.energy[m - 1];
  std::vector<double> e(n), g(n);
  std::size_t j = first;
  for (int k = 0; k < n; ++k) {
    e[k] = emax * k / (n - 1);
    if (e[k] < sp.energy[first]) continue;  // g stays 0
    // At least two points lie above zero, so [j, j + 1] always exists.
    while (j + 2 < m && sp.energy[j + 1] < e[k]) ++j;
    const double w = (e[k] - sp.energy[j]) / (sp.energy[j + 1] - sp.energy[j]);
    g[k] = sp.dos[j] + w * (sp.dos[j + 1] - sp.dos[j]);
  }
  g[n - 1] = sp.dos[m - 1];  // the last point exactly, not up to rounding
  double integral = 0.0;
  for (int k = 1; k < n; ++k) integral += 0.5 * (g[k] + g[k - 1]) * (e[k] - e[k - 1]);
  const double norm = integral > 0.0 ? 3.0 / integral : 0.0;
  std::string s;
  s += "# Phonon DOS resampled by lattice_thermo for lattice_heat_capacity\n";
  s += "# Source: " + source + "\n";
  s += std::string("# Source energy unit: ") + unit + "\n";
  s += "# Source points: " + std::to_string(m) + "\n";
  s += "# Resampled: 339 energies evenly spaced from 0 to the highest source energy\n";
  s += "# DOS linearly interpolated; 0 below the first source point above zero\n";
  s += "# Normalised to 3 states per atom (trapezoid rule over the 339 points)\n";
  s += "# Highest energy: " + fixed(emax / hartree, 0, 12) + " hartree\n";
  s += "# Resampled DOS held " + fixed(integral, 0, 6) + " states; multiplied by " + fixed(norm, 0, 9) + "\n";
  s += "# Columns: energy (hartree), DOS (states per hartree per atom)\n";
  s += "# energy dos\n";
  char buf[80];
  for (int k = 0; k < n; ++k) {
    std::snprintf(buf, sizeof buf, "%22.14E %22.14E\n", e[k] / hartree, g[k] * norm * hartree);
    s += buf;
  }
  return s;
}

}  // namespace thermo
