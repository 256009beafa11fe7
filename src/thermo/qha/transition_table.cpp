#include "thermo/qha/transition_table.hpp"

#include "thermo/harmonic/constants.hpp"
#include "thermo/qha/qha_strain.hpp"

namespace thermo {

std::vector<std::pair<std::size_t, std::size_t>> pairsof(std::size_t n) {
  std::vector<std::pair<std::size_t, std::size_t>> pairs;
  for (std::size_t i = 0; i < n; ++i)
    for (std::size_t j = i + 1; j < n; ++j) pairs.emplace_back(i, j);
  return pairs;
}

void transitionsof(const std::vector<const qhamodel*>& models, const std::vector<double>& units, double t, double pmin,
                   double pmax, transitionsat& out) {
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
  transitionsamong(curves, pmin, pmax, out);
}

void transitionsamong(const std::vector<phasecurve*>& curves, double pmin, double pmax, transitionsat& out) {
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
                          ds / dv * gpa + 0.0});
    }
  }
}

}  // namespace thermo
