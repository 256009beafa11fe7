#include "thermo/harmonic/kernel.hpp"

#include <cmath>

namespace thermo {

void modesums_scalar(const double* e, const double* le, const double* g, std::size_t n, double kt,
                     double out[4]) {
  modeterms<double> t{0.0, 0.0, 0.0, 0.0};
  const double invkt = 1.0 / kt, logkt = std::log(kt);
  const std::size_t high = split(e, n, kt);
  auto expm1 = [](double x) { return std::expm1(x); };
  auto exp = [](double x) { return std::exp(x); };
  for (std::size_t i = 0; i < high; ++i) t.low(e[i], le[i], g[i], invkt, logkt, expm1);
  for (std::size_t i = high; i < n; ++i) t.high(e[i], g[i], invkt, exp);
  out[0] = t.c;
  out[1] = t.u;
  out[2] = t.f;
  out[3] = t.s;
}

void modesums(const double* e, const double* le, const double* g, std::size_t n, double kt, double out[4]) {
  static const bool avx512 = __builtin_cpu_supports("avx512f");
  static const bool avx2 = __builtin_cpu_supports("avx2") && __builtin_cpu_supports("fma");
  if (avx512) modesums_avx512(e, le, g, n, kt, out);
  else if (avx2) modesums_avx2(e, le, g, n, kt, out);
  else modesums_scalar(e, le, g, n, kt, out);
}

}  // namespace thermo
