#include "thermo/formats/outputs/resample.hpp"

#include <cstdio>
#include <vector>

#include "thermo/base/number_text.hpp"
#include "thermo/harmonic/constants.hpp"
#include "thermo/harmonic/harmonic.hpp"
#include "thermo/harmonic/treatment.hpp"

namespace thermo {

namespace {

// The integral of the piecewise linear DOS through points first..m-1 from
// their first energy up to x, with its running sums at the points.
struct cumulative {
  const spectrum& sp;
  std::size_t first;
  std::vector<double> sum;  // up to point i

  cumulative(const spectrum& s, std::size_t f) : sp(s), first(f), sum(s.energy.size(), 0.0) {
    for (std::size_t i = first + 1; i < sp.energy.size(); ++i)
      sum[i] = sum[i - 1] + trapezoid(sp.energy[i - 1], sp.dos[i - 1], sp.energy[i], sp.dos[i]);
  }
  // x at or after the point j (j advances with x).
  double at(double x, std::size_t& j) const {
    const std::size_t m = sp.energy.size();
    if (x <= sp.energy[first]) return 0.0;
    while (j + 1 < m && sp.energy[j + 1] <= x) ++j;
    if (j + 1 >= m) return sum[m - 1];
    const double w = (x - sp.energy[j]) / (sp.energy[j + 1] - sp.energy[j]);
    const double gx = sp.dos[j] + w * (sp.dos[j + 1] - sp.dos[j]);
    return sum[j] + trapezoid(sp.energy[j], sp.dos[j], x, gx);
  }
};

double cvat300(const spectrum& s) { return evaluate(prepare(s), 300.0).heat_capacity; }

}  // namespace

bool pdsfile(const std::string& source, const char* unit, const spectrum& sp, resampled& out) {
  constexpr int n = 339;
  const std::size_t m = sp.energy.size();
  std::size_t first = 0;
  while (!(sp.energy[first] > 0.0)) ++first;
  const double emax = sp.energy[m - 1];
  const double h = emax / (n - 1);
  const cumulative running(sp, first);
  spectrum r;  // the 339 points in joules and states per joule
  r.energy.resize(n);
  r.dos.resize(n);
  std::size_t j = first;
  double below = 0.0;  // the integral up to the lower end of point k's interval
  for (int k = 0; k < n; ++k) {
    r.energy[k] = emax * k / (n - 1);
    const double upper = k == n - 1 ? emax : r.energy[k] + 0.5 * h;
    const double lower = k == 0 ? 0.0 : r.energy[k] - 0.5 * h;
    const double above = running.at(upper, j);
    r.dos[k] = (above - below) / (upper - lower);
    below = above;
  }
  const double states = integral(r);
  out.states = states;
  if (!(states > 0.0)) return false;
  // The heat capacity at 300 K from both, over the points above zero.
  spectrum above;
  above.energy.assign(sp.energy.begin() + static_cast<long>(first), sp.energy.end());
  above.dos.assign(sp.dos.begin() + static_cast<long>(first), sp.dos.end());
  out.sourcecv = cvat300(above);
  spectrum positive;
  positive.energy.assign(r.energy.begin() + 1, r.energy.end());
  positive.dos.assign(r.dos.begin() + 1, r.dos.end());
  out.resampledcv = cvat300(positive);
  const double norm = 3.0 / states;
  std::string& s = out.text;
  s.clear();
  s += "# Phonon DOS resampled by lattice_thermo for lattice_heat_capacity\n";
  s += "# Source: " + source + "\n";
  s += std::string("# Source energy unit: ") + unit + "\n";
  s += "# Source points: " + std::to_string(m) + "\n";
  s += "# Resampled: 339 energies evenly spaced from 0 to the highest source energy\n";
  s += "# DOS averaged over each point's interval (source linear between its points above zero)\n";
  s += "# Normalised to 3 states per atom (trapezoid rule over the 339 points)\n";
  s += "# Highest energy: " + fixed(emax / hartree, 0, 12) + " hartree\n";
  s += "# Resampled DOS held " + fixed(states, 0, 6) + " states; multiplied by " + fixed(norm, 0, 9) + "\n";
  s += "# Columns: energy (hartree), DOS (states per hartree per atom)\n";
  s += "# energy dos\n";
  char buf[80];
  for (int k = 0; k < n; ++k) {
    std::snprintf(buf, sizeof buf, "%22.14E %22.14E\n", r.energy[k] / hartree, r.dos[k] * norm * hartree);
    s += buf;
  }
  return true;
}

}  // namespace thermo
