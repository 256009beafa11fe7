#include "thermo/qha/error_bars.hpp"

#include <algorithm>

namespace thermo {

void jackknifesigma(const double* x, int n, int k, double* sigma) {
  for (int j = 0; j < k; ++j) {
    double mean = 0.0;
    for (int i = 0; i < n; ++i) mean += x[i * k + j];
    mean /= n;
    double squares = 0.0;
    for (int i = 0; i < n; ++i) {
      const double d = x[i * k + j] - mean;
      squares += d * d;
    }
    sigma[j] = std::sqrt((n - 1.0) / n * squares);
  }
}

void halfrange(const double* x, int m, int k, double* half) {
  for (int j = 0; j < k; ++j) {
    double lo = x[j], hi = x[j];
    for (int a = 1; a < m; ++a) {
      lo = std::min(lo, x[a * k + j]);
      hi = std::max(hi, x[a * k + j]);
    }
    half[j] = 0.5 * (hi - lo);
  }
}

void leaveout(const gibbsdata& full, int left, leftout& out) {
  out.point.clear();
  out.g.clear();
  out.dg.clear();
  out.d2g.clear();
  for (int i = 0; i < full.n; ++i) {
    if (i == left) continue;
    out.point.push_back(full.point[i]);
    out.g.push_back(full.g[i]);
    out.dg.push_back(full.dg[i]);
    out.d2g.push_back(full.d2g[i]);
  }
}

}  // namespace thermo
