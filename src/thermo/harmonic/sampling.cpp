#include "thermo/harmonic/sampling.hpp"

#include <algorithm>
#include <cmath>
#include <limits>

#include "thermo/harmonic/constants.hpp"

namespace thermo {

namespace {

// v rounded up to three significant digits, so that the value printed is
// itself a temperature at which the result is resolved.
double upthree(double v) {
  if (!(v > 0.0) || !std::isfinite(v)) return v;
  const int e = static_cast<int>(std::floor(std::log10(v))) - 2;
  const double k = std::ceil(v / std::pow(10.0, e) * (1.0 - 1e-12));
  return e < 0 ? k / std::pow(10.0, -e) : k * std::pow(10.0, e);
}

// The lowest points' share of C beyond their share of the states, less the
// share allowed, at k_B T = kt: falls as T rises (a lower mode's term falls
// against a higher one's as T rises), from 1 - shares to -samplingshare.
// Each term is scaled by e^(E1/kt), so that nothing underflows however low
// T is; terms beyond e^-40 of the first's are left out.
struct lowestshare {
  const harmonicdos& d;
  std::size_t first, band;  // the first point holding states; the points below cutoff + 3e
  double states;            // the band's share of the states

  double operator()(double logt) const {
    const double kt = boltzmann * std::exp(logt);
    const double x1 = d.energy[first] / kt, below = std::exp(-x1);
    double low = 0.0, all = 0.0;
    for (std::size_t i = 0; i < d.energy.size(); ++i) {
      const double x = d.energy[i] / kt;
      if (x - x1 > 40.0) break;
      if (d.weight[i] == 0.0) continue;
      const double scaled = std::exp(std::min(x1 - x, 700.0));  // e^(x1 - x)
      const double m = x < 0.5 || x1 > 700.0 ? -std::expm1(-x) : 1.0 - scaled * below;  // 1 - e^-x
      const double term = d.weight[i] * (x / m) * (x / m) * scaled;
      all += term;
      if (i < band) low += term;
    }
    // Negative DOS values may leave no positive C: nothing is resolved there.
    if (!(all > 0.0)) return 1.0;
    return low / all - states - samplingshare;
  }
};

}  // namespace

double samplinglimit(const harmonicdos& d, double cutoff, bool modes) {
  const std::size_t n = d.energy.size();
  std::size_t first = 0;
  while (first < n && !(d.weight[first] > 0.0)) ++first;
  if (first == n || !(d.positive > 0.0)) return std::numeric_limits<double>::quiet_NaN();
  const double lowest = d.energy[first] - cutoff;
  if (modes) return upthree(lowest / (3.0 * boltzmann));

  const double step = first + 1 < n ? d.energy[first + 1] - d.energy[first]
                      : first > 0   ? d.energy[first] - d.energy[first - 1]
                                    : lowest;
  const double top = cutoff + 3.0 * std::max(lowest, step);
  // A point on a grid's third step is in the band, whatever the rounding.
  const double edge = top + 1e-9 * (top - cutoff);
  std::size_t band = 0;
  double held = 0.0;
  while (band < n && d.energy[band] <= edge) held += d.weight[band++];
  const lowestshare share{d, first, band, held / d.positive};
  if (!(share.states + samplingshare < 1.0)) return 0.0;

  // A bracket [lo, hi] of ln T with the share above the allowed one at lo
  // and within it at hi, from k_B T = 3.3e (the limit of a DOS rising as E^2
  // from zero), then Illinois steps to 1e-4 (the limit has three digits).
  const double start = std::log(1.1 * (top - cutoff) / boltzmann), widen = std::log(2.0);
  double lo = start, hi = start, flo = share(start), fhi = flo;
  for (int k = 0; fhi > 0.0; ++k) {
    if (k == 60) return std::numeric_limits<double>::infinity();
    lo = hi, flo = fhi;
    hi += widen, fhi = share(hi);
  }
  for (int k = 0; !(flo > 0.0); ++k) {
    if (k == 60) return 0.0;
    hi = lo, fhi = flo;
    lo -= widen, flo = share(lo);
  }
  int side = 0;
  for (int k = 0; k < 100 && hi - lo > 1e-4; ++k) {
    double u = (lo * fhi - hi * flo) / (fhi - flo);
    if (!(u > lo && u < hi)) u = 0.5 * (lo + hi);
    const double fu = share(u);
    if (fu > 0.0) {
      lo = u, flo = fu;
      if (side == -1) fhi /= 2.0;
      side = -1;
    } else {
      hi = u, fhi = fu;
      if (side == 1) flo /= 2.0;
      side = 1;
    }
  }
  return upthree(std::exp(hi));
}

}  // namespace thermo
