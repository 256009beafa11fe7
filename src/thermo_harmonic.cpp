#include "thermo_harmonic.hpp"

#include <cmath>

#include "thermo_constants.hpp"

namespace thermo {

harmonicdos prepare(const spectrum& s) {
  harmonicdos d;
  const std::size_t n = s.energy.size();
  for (std::size_t i = 1; i < n; ++i) {
    const double area = 0.5 * (s.dos[i] + s.dos[i - 1]) * (s.energy[i] - s.energy[i - 1]);
    d.states += area;
    if (s.energy[i] <= 0.0) d.below += area;
  }
  // Trapezoid weights over the points with E > 0 alone.
  std::size_t first = 0;
  while (first < n && !(s.energy[first] > 0.0)) ++first;
  for (std::size_t i = first; i < n; ++i) {
    const double left = i > first ? s.energy[i] - s.energy[i - 1] : 0.0;
    const double right = i + 1 < n ? s.energy[i + 1] - s.energy[i] : 0.0;
    d.energy.push_back(s.energy[i]);
    d.weight.push_back(0.5 * (left + right) * s.dos[i]);
  }
  double e2 = 0.0;
  for (std::size_t i = 0; i < d.energy.size(); ++i) {
    d.positive += d.weight[i];
    d.zeropoint += 0.5 * d.weight[i] * d.energy[i];
    e2 += d.weight[i] * d.energy[i] * d.energy[i];
  }
  d.meansquare = e2 / d.positive;
  return d;
}

harmonic evaluate(const harmonicdos& d, double t) {
  harmonic h;
  if (!(t > 0.0)) {
    h.free_energy = h.energy = d.zeropoint;
    return h;
  }
  const double kt = boltzmann * t;
  double c = 0.0, s = 0.0, f = 0.0, u = 0.0;
  for (std::size_t i = 0; i < d.energy.size(); ++i) {
    const double e = d.energy[i], g = d.weight[i];
    const double x = e / kt;
    // m = 1 - e^-x and y = e^-x, both accurate for every x > 0: no overflow
    // for large x, no cancellation for small.
    const double m = -std::expm1(-x);
    const double y = std::exp(-x);
    const double n = y / m;  // Bose-Einstein occupation
    const double lm = std::log(m);
    const double r = x / m;
    c += g * (r * r * y);
    u += g * (e * (0.5 + n));
    f += g * (0.5 * e + kt * lm);
    s += g * (x * n - lm);
  }
  h.heat_capacity = boltzmann * c;
  h.entropy = boltzmann * s;
  h.free_energy = f;
  h.energy = u;
  return h;
}

double thetainfinity(const harmonicdos& d) { return std::sqrt(5.0 * d.meansquare / 3.0) / boltzmann; }

}  // namespace thermo
