#include "thermo/harmonic/displacement.hpp"

#include <algorithm>
#include <cmath>
#include <numbers>

#include "thermo/harmonic/constants.hpp"
#include "thermo/harmonic/kernel.hpp"

namespace thermo {

void cothoverenergy(const double* e, std::size_t n, double kt, double* c) {
  if (kt > 0.0) return cothsoverenergy(e, n, kt, c);
  for (std::size_t i = 0; i < n; ++i) c[i] = 1.0 / e[i];
}

double displacementscale(double mass) {
  const double hbar = planck / (2.0 * std::numbers::pi);
  return hbar * hbar / (2.0 * mass * amu) * 1e20;
}

lowestinterval lowestof(const spectrum& s, double cutoff) {
  lowestinterval low;
  if (cutoff > 0.0) return low;
  const auto first = std::upper_bound(s.energy.begin(), s.energy.end(), 0.0);
  if (first == s.energy.end()) return low;
  low.energy = *first;
  low.dos = s.dos[static_cast<std::size_t>(first - s.energy.begin())];
  return low;
}

double displacementsum(const harmonicdos& d, const lowestinterval& low, double t,
                       const std::vector<std::size_t>& skip) {
  const double kt = t > 0.0 ? boltzmann * t : 0.0;
  const std::size_t n = d.energy.size();
  std::vector<double> c(n);
  cothoverenergy(d.energy.data(), n, kt, c.data());
  double sum = 0.0;
  std::size_t k = 0;
  for (std::size_t i = 0; i < n; ++i) {
    if (k < skip.size() && skip[k] == i) {
      ++k;
      continue;
    }
    sum += d.weight[i] * c[i];
  }
  if (low.energy > 0.0) {
    double first;
    cothoverenergy(&low.energy, 1, kt, &first);
    // The integrand's limit at zero, 2 kT g / E^2 for g ~ E^2 (0 at 0 K).
    const double atzero = 2.0 * kt * (low.dos / low.energy) / low.energy;
    sum += 0.5 * low.energy * (atzero + low.dos * first);
  }
  return sum;
}

double bfactor(double meansquare) { return 8.0 * std::numbers::pi * std::numbers::pi / 3.0 * meansquare; }

double lambmossbauer(double meansquare, double kev) {
  const double hbar = planck / (2.0 * std::numbers::pi);
  const double k = kev * 1e3 * elementary / (hbar * lightspeed) * 1e-10;  // 1/A
  return std::exp(-k * k * meansquare / 3.0);
}

double unresolvedshare(const spectrum& s, double cutoff) {
  if (cutoff > 0.0) return 0.0;
  const std::vector<double>& e = s.energy;
  const std::size_t n = e.size();
  std::size_t first = 0, states = 0;
  while (first < n && !(e[first] > 0.0)) ++first;
  for (states = first; states < n && !(s.dos[states] > 0.0);) ++states;
  if (states == n) return 0.0;
  // From zero to the first point, g ~ E^2: g1 E1 / 3 states, g1 / E1 of the
  // integral of g / E^2. Then the trapezoid rule over the points, the
  // states and that integral up to 3 E_s, and that integral over all.
  const double head = s.dos[first] / e[first];
  double count = s.dos[first] * e[first] / 3.0, within = head, whole = head;
  const double reach = 3.0 * e[states];
  std::size_t r = first;
  for (std::size_t i = first + 1; i < n; ++i) {
    const double h = trapezoid(e[i - 1], s.dos[i - 1] / e[i - 1] / e[i - 1], e[i], s.dos[i] / e[i] / e[i]);
    whole += h;
    if (e[i - 1] < reach) {
      count += trapezoid(e[i - 1], s.dos[i - 1], e[i], s.dos[i]);
      within += h;
      r = i;
    }
  }
  // The same states below E_r spread as g = c E^2: c = 3 N / E_r^3, and the
  // integral of g / E^2 c E_r = 3 N / E_r^2.
  const double spread = 3.0 * count / (e[r] * e[r]);
  const double missing = std::max(0.0, spread - within);
  const double share = missing / (whole + missing);
  return std::isfinite(share) ? share : 0.0;
}

}  // namespace thermo
