#include "thermo_kernel.hpp"

#include <cmath>

namespace thermo {

void modesums_scalar(const double* e, const double* g, std::size_t n, double kt, double out[4]) {
  double c = 0.0, u = 0.0, f = 0.0, s = 0.0;
  for (std::size_t i = 0; i < n; ++i) {
    const double x = e[i] / kt;
    // m = 1 - e^-x and y = e^-x, both accurate for every x > 0: no overflow
    // for large x, no cancellation for small.
    const double y = std::exp(-x);
    const double m = -std::expm1(-x);
    const double lm = std::log(m);
    const double occ = y / m;  // Bose-Einstein occupation
    const double r = x / m;
    c += g[i] * (r * r * y);
    u += g[i] * (e[i] * (0.5 + occ));
    f += g[i] * (0.5 * e[i] + kt * lm);
    s += g[i] * (x * occ - lm);
  }
  out[0] = c;
  out[1] = u;
  out[2] = f;
  out[3] = s;
}

void modesums(const double* e, const double* g, std::size_t n, double kt, double out[4]) {
  static const bool avx512 = __builtin_cpu_supports("avx512f");
  static const bool avx2 = __builtin_cpu_supports("avx2");
  if (avx512) modesums_avx512(e, g, n, kt, out);
  else if (avx2) modesums_avx2(e, g, n, kt, out);
  else modesums_scalar(e, g, n, kt, out);
}

}  // namespace thermo
