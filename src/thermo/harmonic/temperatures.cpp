#include "thermo/harmonic/temperatures.hpp"

#include <cmath>

namespace thermo {

double temperatures::countd() const {
  if (!list.empty()) return static_cast<double>(list.size());
  // T_k = tmin + k tstep up to tmax and a few units in its last place, which
  // the rounding of tstep and of k tstep may take it past (at() gives tmax
  // there).
  double k = std::floor((tmax - tmin) / tstep);
  if (!(k < 1e15)) return k + 1.0;  // beyond any count allowed
  const double limit = tmax + 4.0 * (std::nextafter(tmax, INFINITY) - tmax);
  while (tmin + (k + 1.0) * tstep <= limit) ++k;
  while (k > 0.0 && tmin + k * tstep > limit) --k;
  return k + 1.0;
}

}  // namespace thermo
