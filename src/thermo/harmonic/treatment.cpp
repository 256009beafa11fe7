#include "thermo/harmonic/treatment.hpp"

#include <algorithm>
#include <cmath>

namespace thermo {

namespace {

// The DOS at e, linear between the points, 0 outside them.
double at(const spectrum& s, double e) {
  const auto& x = s.energy;
  if (e < x.front() || e > x.back()) return 0.0;
  const std::size_t j = static_cast<std::size_t>(std::upper_bound(x.begin(), x.end(), e) - x.begin());
  if (j == x.size()) return s.dos.back();
  if (j == 0) return s.dos.front();
  const double w = (e - x[j - 1]) / (x[j] - x[j - 1]);
  return s.dos[j - 1] + w * (s.dos[j] - s.dos[j - 1]);
}

}  // namespace

double integral(const spectrum& s) {
  double total = 0.0;
  for (std::size_t i = 1; i < s.energy.size(); ++i)
    total += trapezoid(s.energy[i - 1], s.dos[i - 1], s.energy[i], s.dos[i]);
  return total;
}

void fold(spectrum& s) {
  if (s.energy.empty() || s.energy.front() >= 0.0) return;
  std::vector<double> x;
  x.reserve(s.energy.size() + 1);
  for (double e : s.energy) x.push_back(std::fabs(e));
  std::sort(x.begin(), x.end());
  x.erase(std::unique(x.begin(), x.end()), x.end());
  spectrum folded;
  folded.energy = x;
  folded.dos.reserve(x.size());
  for (double e : x) {
    const double g = at(s, e) + (e > 0.0 ? at(s, -e) : 0.0);
    folded.dos.push_back(g);
    if (g < 0.0) ++folded.negative;
  }
  s = std::move(folded);
}

double normalize(spectrum& s, double atoms) {
  const double states = integral(s);
  const double n = atoms > 0.0 ? atoms : std::round(states / 3.0);
  if (!(n >= 1.0 || atoms > 0.0)) return 0.0;
  const double factor = 3.0 * n / states;
  for (double& g : s.dos) g *= factor;
  return factor;
}

}  // namespace thermo
