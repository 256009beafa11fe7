#include "thermo/qha/tabulated.hpp"

#include <algorithm>
#include <cmath>

#include "thermo/qha/spline.hpp"

namespace thermo {

long tabulated::find(double t) const {
  const auto at = std::lower_bound(temperature.begin(), temperature.end(), t);
  const double tol = 1e-6 + 1e-12 * std::fabs(t);
  for (auto k : {at, at - 1}) {
    if (k < temperature.begin() || k >= temperature.end()) continue;
    if (std::fabs(*k - t) <= tol) return static_cast<long>(k - temperature.begin());
  }
  return -1;
}

tabulated tabulated::reordered(const std::vector<std::size_t>& order) const {
  tabulated r;
  r.temperature = temperature;
  r.volumes = volumes;
  for (auto [from, to] : {std::pair{&f, &r.f}, std::pair{&df, &r.df}, std::pair{&d2f, &r.d2f}}) {
    if (from->empty()) continue;
    to->resize(from->size());
    for (std::size_t k = 0; k < temperature.size(); ++k)
      for (std::size_t i = 0; i < volumes; ++i) (*to)[k * volumes + i] = (*from)[k * volumes + order[i]];
  }
  return r;
}

void neighbours(const tabulated& table, double t, long& below, long& above) {
  const auto& x = table.temperature;
  const long k = static_cast<long>(std::upper_bound(x.begin(), x.end(), t) - x.begin());
  below = k - 1;
  above = k < static_cast<long>(x.size()) ? k : -1;
}

void splinecolumns(tabulated& table) {
  const std::size_t n = table.volumes, m = table.temperature.size();
  table.df.assign(table.f.size(), 0.0);
  table.d2f.assign(table.f.size(), 0.0);
  for (std::size_t i = 0; i < n; ++i)
    splinederivatives(table.temperature.data(), table.f.data() + i, m, n, table.df.data() + i, table.d2f.data() + i);
}

}  // namespace thermo
