#include "thermo/harmonic/harmonic.hpp"

#include <algorithm>
#include <cmath>

#include "thermo/harmonic/constants.hpp"
#include "thermo/harmonic/kernel.hpp"

namespace thermo {

namespace {

// Beyond this x = E / k_B T, e^-x is 0 in double precision and so is every
// term of a mode.
constexpr double vanishx = 750.0;

// The sums over the modes that take part, and their moments.
void totals(harmonicdos& d) {
  double e2 = 0.0;
  d.positive = d.zeropoint = d.absweight = 0.0;
  for (std::size_t i = 0; i < d.energy.size(); ++i) {
    d.positive += d.weight[i];
    d.absweight += std::fabs(d.weight[i]);
    d.zeropoint += 0.5 * d.weight[i] * d.energy[i];
    e2 += d.weight[i] * d.energy[i] * d.energy[i];
  }
  d.meansquare = e2 / d.positive;
  d.moments.build(d.energy.data(), d.weight.data(), d.energy.size());
}

}  // namespace

harmonicdos prepare(const spectrum& s, double cutoff) {
  harmonicdos d;
  const std::size_t n = s.energy.size();
  // The interval from the last point at or below the cutoff to the first
  // above it takes no part, like the states below it: it counts in `below`.
  for (std::size_t i = 1; i < n; ++i) {
    const double area = trapezoid(s.energy[i - 1], s.dos[i - 1], s.energy[i], s.dos[i]);
    d.states += area;
    if (s.energy[i - 1] <= cutoff) d.below += area;
  }
  // Trapezoid weights over the points above the cutoff alone.
  std::size_t first = 0;
  while (first < n && !(s.energy[first] > cutoff)) ++first;
  d.energy.reserve(n - first);
  d.weight.reserve(n - first);
  for (std::size_t i = first; i < n; ++i) {
    const double left = i > first ? s.energy[i] - s.energy[i - 1] : 0.0;
    const double right = i + 1 < n ? s.energy[i + 1] - s.energy[i] : 0.0;
    d.energy.push_back(s.energy[i]);
    d.weight.push_back(0.5 * (left + right) * s.dos[i]);
  }
  totals(d);
  if (cutoff > 0.0) d.zeropoint = prepare(s, 0.0).zeropoint;
  return d;
}

harmonicdos frommodes(std::vector<std::pair<double, double>>& modes, double below, double zeropoint) {
  std::sort(modes.begin(), modes.end());
  harmonicdos d;
  d.energy.reserve(modes.size());
  d.weight.reserve(modes.size());
  double states = below;
  for (auto [e, w] : modes) {
    d.energy.push_back(e);
    d.weight.push_back(w);
    states += w;
  }
  d.states = states;
  d.below = below;
  totals(d);
  d.zeropoint += zeropoint;
  return d;
}

void modesumsof(const harmonicdos& d, double kt, double out[4], const modequadrature* q) {
  const double* e = d.energy.data();
  const double* g = d.weight.data();
  const std::size_t n = d.energy.size();
  out[0] = out[1] = out[2] = out[3] = 0.0;
  const std::size_t high = split(e, n, kt);
  const std::size_t from = d.moments.sums(high, kt, out);
  double rest[4];
  modesums(e + from, g + from, high - from, kt, rest);
  for (int k = 0; k < 4; ++k) out[k] += rest[k];
  const std::size_t to =
      n == 0 || e[n - 1] < vanishx * kt ? n : static_cast<std::size_t>(std::lower_bound(e + high, e + n, vanishx * kt) - e);
  highsums(e, g, high, to, kt, d.absweight, q, out);
}

harmonic evaluate(const harmonicdos& d, double t, const modequadrature* q) {
  harmonic h;
  if (!(t > 0.0)) {
    h.free_energy = h.energy = d.zeropoint;
    return h;
  }
  const double kt = boltzmann * t;
  double sums[4];
  modesumsof(d, kt, sums, q);
  h.heat_capacity = boltzmann * sums[0];
  h.energy = d.zeropoint + sums[1];
  h.free_energy = d.zeropoint + kt * sums[2];
  h.entropy = boltzmann * sums[3];
  return h;
}

double thetainfinity(const harmonicdos& d) { return std::sqrt(5.0 * d.meansquare / 3.0) / boltzmann; }

}  // namespace thermo
