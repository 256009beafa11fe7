#include "thermo/qha/transition_table.hpp"

#include <limits>

#include "thermo/harmonic/constants.hpp"
#include "thermo/qha/transition_errors.hpp"

namespace thermo {

std::vector<std::pair<std::size_t, std::size_t>> pairsof(std::size_t n) {
  std::vector<std::pair<std::size_t, std::size_t>> pairs;
  for (std::size_t i = 0; i < n; ++i)
    for (std::size_t j = i + 1; j < n; ++j) pairs.emplace_back(i, j);
  return pairs;
}

void transitionsof(const std::vector<const qhamodel*>& models, const std::vector<double>& units, double t, double pmin,
                   double pmax, transitionsat& out, bool errors) {
  constexpr double jmol = elementary * avogadro;  // J/mol per eV
  const std::size_t n = models.size();
  std::vector<isotherm> its(n);
  out.failed.assign(n, "");
  out.rows.clear();
  for (std::size_t k = 0; k < n; ++k)
    if (!makeisotherm(*models[k], units[k], t, its[k], out.failed[k]) && out.failed[k].empty())
      out.failed[k] = "the fit fails";
  const auto pairs = pairsof(n);
  out.pairs.assign(pairs.size(), pairoutcome{});
  for (std::size_t p = 0; p < pairs.size(); ++p) {
    const auto [a, b] = pairs[p];
    if (!out.failed[a].empty() || !out.failed[b].empty()) continue;
    out.pairs[p] = crossings(its[a], its[b], pmin, pmax);
    for (const crossing& x : out.pairs[p].crossings) {
      const phasestate &low = x.firstlow ? x.first : x.second, &high = x.firstlow ? x.second : x.first;
      const double dv = high.volume - low.volume, ds = high.entropy - low.entropy;
      // + 0.0: no -0 where S is 0 (at 0 K).
      out.rows.push_back({x.firstlow ? a : b, x.firstlow ? b : a, x.pressure, dv + 0.0, ds * jmol + 0.0,
                          ds / dv * gpa + 0.0, {}, {}, {}});
      transition& row = out.rows.back();
      if (errors &&
          !transitionerrors(its[a], its[b], models[a]->form, x.pressure, row.pressureerr, row.slopeerr, row.errorswhy)) {
        constexpr double none = std::numeric_limits<double>::quiet_NaN();
        row.pressureerr = row.slopeerr = {none, none, none};
      }
    }
  }
}

}  // namespace thermo
