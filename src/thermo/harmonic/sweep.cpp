#include "thermo/harmonic/sweep.hpp"

#include <limits>

#include "thermo/harmonic/constants.hpp"
#include "thermo/harmonic/debye.hpp"
#include "thermo/harmonic/kernel.hpp"
#include "thermo/base/two_threads.hpp"

namespace thermo {

row rowat(const harmonicdos& d, double thetaatoms, double divisor, double t, const modequadrature* q) {
  const double per = 1.0 / divisor;
  const harmonic h = evaluate(d, t, q);
  const double r = h.heat_capacity / (3.0 * thetaatoms * boltzmann);
  return {t,
          h.free_energy * avogadro * per / 1000.0,
          h.entropy * avogadro * per,
          h.heat_capacity * avogadro * per,
          h.energy * avogadro * per / 1000.0,
          r >= thetafloor ? debyetemperature(r, t) : std::numeric_limits<double>::quiet_NaN()};
}

void sweep(const harmonicdos& d, double thetaatoms, double divisor, const double* t, std::size_t n, row* out,
           bool split) {
  const bool worth = static_cast<double>(n) * static_cast<double>(d.energy.size()) > 2e5 && n > 1;
  // The bins cost about what two temperatures cost mode by mode: built
  // where more than that many lie below E_max / 2 k_B, where there are
  // modes above the split.
  modequadrature q;
  if (d.energy.size() >= 2 * modequadrature::leaf) {
    const double top = d.energy.back() / (splitx * boltzmann);
    std::size_t below = 0;
    for (std::size_t i = 0; i < n && below < 4; ++i) below += t[i] > 0.0 && t[i] < top;
    if (below >= 4) q.build(d.energy.data(), d.weight.data(), d.energy.size());
  }
  alternateruns(n, split && worth, [&](std::size_t i) { out[i] = rowat(d, thetaatoms, divisor, t[i], &q); });
}

}  // namespace thermo
