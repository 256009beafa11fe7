#include "thermo/qha/transition_table.hpp"

#include <limits>

#include "thermo/harmonic/constants.hpp"
#include "thermo/qha/qha_strain.hpp"
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
  const std::size_t n = models.size();
  std::vector<isotherm> its(n);
  std::vector<straincurve> strains(n);
  std::vector<phasecurve*> curves(n, nullptr);
  out.failed.assign(n, "");
  for (std::size_t k = 0; k < n; ++k) {
    if (models[k]->form == eos::strain) {
      if (qhastraincurve(*models[k], t, units[k], strains[k], out.failed[k])) curves[k] = &strains[k];
    } else if (makeisotherm(*models[k], units[k], t, its[k], out.failed[k])) {
      curves[k] = &its[k];
    }
    if (curves[k] == nullptr && out.failed[k].empty()) out.failed[k] = "the fit fails";
  }
  if (!errors) return transitionsamong(curves, pmin, pmax, out);
  // Each crossing's error bars, while its pair holds the crossing's state.
  transitionsamong(curves, pmin, pmax, out, [&](std::size_t a, std::size_t b, transition& row) {
    if (models[a]->form == eos::strain) row.errorswhy = "the strain polynomials have no error bars under --qha";
    if (!row.errorswhy.empty() ||
        !transitionerrors(its[a], its[b], models[a]->form, row.pressure, row.pressureerr, row.slopeerr, row.errorswhy)) {
      constexpr double none = std::numeric_limits<double>::quiet_NaN();
      row.pressureerr = row.slopeerr = {none, none, none};
    }
  });
}

void transitionsamong(const std::vector<phasecurve*>& curves, double pmin, double pmax, transitionsat& out,
                      const transitionseen& each) {
  constexpr double jmol = elementary * avogadro;  // J/mol per eV
  out.failed.resize(curves.size());
  out.rows.clear();
  const auto pairs = pairsof(curves.size());
  out.pairs.assign(pairs.size(), pairoutcome{});
  for (std::size_t p = 0; p < pairs.size(); ++p) {
    const auto [a, b] = pairs[p];
    if (curves[a] == nullptr || curves[b] == nullptr) continue;
    out.pairs[p] = crossings(*curves[a], *curves[b], pmin, pmax);
    for (const crossing& x : out.pairs[p].crossings) {
      const phasestate &low = x.firstlow ? x.first : x.second, &high = x.firstlow ? x.second : x.first;
      const double dv = high.volume - low.volume, ds = high.entropy - low.entropy;
      // + 0.0: no -0 where S is 0 (at 0 K).
      out.rows.push_back({x.firstlow ? a : b, x.firstlow ? b : a, x.pressure, dv + 0.0, ds * jmol + 0.0,
                          ds / dv * gpa + 0.0, {}, {}, {}});
      if (each) each(a, b, out.rows.back());
    }
  }
}

}  // namespace thermo
