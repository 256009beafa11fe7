#include "thermo/sweep.hpp"

#include <algorithm>
#include <limits>
#include <system_error>
#include <thread>

#include "thermo/constants.hpp"
#include "thermo/debye.hpp"

namespace thermo {

row rowat(const harmonicdos& d, double thetaatoms, double divisor, double t) {
  const double per = 1.0 / divisor;
  const harmonic h = evaluate(d, t);
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
  // Two threads take every other run of 32 temperatures, as the work
  // differs from low to high temperatures (runs keep their rows apart in
  // memory).
  constexpr std::size_t run = 32;
  auto compute = [&](std::size_t first, std::size_t stride) {
    for (std::size_t from = first * run; from < n; from += stride * run)
      for (std::size_t i = from; i < std::min(n, from + run); ++i) out[i] = rowat(d, thetaatoms, divisor, t[i]);
  };
  if (split && static_cast<double>(n) * static_cast<double>(d.energy.size()) > 2e5 && n > 1) {
    std::thread other;
    try {
      other = std::thread(compute, 1, 2);
    } catch (const std::system_error&) {  // no thread to be had: all of it here
    }
    if (other.joinable()) {
      compute(0, 2);
      other.join();
    } else {
      compute(0, 1);
    }
  } else {
    compute(0, 1);
  }
}

}  // namespace thermo
