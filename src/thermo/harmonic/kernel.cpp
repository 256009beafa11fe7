#include "thermo/harmonic/kernel.hpp"

#include <cmath>

namespace thermo {

void modesums_scalar(const double* e, const double* g, std::size_t n, double kt, double out[4]) {
  modeterms<double> t{0.0, 0.0, 0.0, 0.0};
  const double invkt = 1.0 / kt;
  const std::size_t high = split(e, n, kt);
  auto expm1 = [](double x) { return std::expm1(x); };
  auto exp = [](double x) { return std::exp(x); };
  auto log = [](double x) { return std::log(x); };
  for (std::size_t i = 0; i < high; ++i) t.low(e[i], g[i], invkt, expm1, log);
  for (std::size_t i = high; i < n; ++i) t.high(e[i], g[i], invkt, exp);
  out[0] = t.c;
  out[1] = t.u;
  out[2] = t.f;
  out[3] = t.s;
}

namespace {

// The widest vectors this processor runs: 2 for AVX-512, 1 for AVX2 with
// FMA, 0 for neither.
int vectors() {
  static const int level = __builtin_cpu_supports("avx512f")                               ? 2
                           : __builtin_cpu_supports("avx2") && __builtin_cpu_supports("fma") ? 1
                                                                                             : 0;
  return level;
}

}  // namespace

void modesums(const double* e, const double* g, std::size_t n, double kt, double out[4]) {
  const int level = vectors();
  if (level == 2) modesums_avx512(e, g, n, kt, out);
  else if (level == 1) modesums_avx2(e, g, n, kt, out);
  else modesums_scalar(e, g, n, kt, out);
}

void log1ps(double* v, std::size_t n) {
  const int level = vectors();
  if (level == 2) log1ps_avx512(v, n);
  else if (level == 1) log1ps_avx2(v, n);
  else
    for (std::size_t i = 0; i < n; ++i) v[i] = std::log1p(v[i]);
}

void cothsoverenergy(const double* e, std::size_t n, double kt, double* c) {
  const int level = vectors();
  if (level == 2) return cothsoverenergy_avx512(e, n, kt, c);
  if (level == 1) return cothsoverenergy_avx2(e, n, kt, c);
  for (std::size_t i = 0; i < n; ++i) {
    const double y = std::expm1(std::min(e[i] / kt, xcap));
    c[i] = (y + 2.0) / (y * e[i]);
  }
}

void addmodes(double* sums, const double* c, const double* p, std::size_t m, std::size_t width) {
  const int level = vectors();
  if (level == 2) addmodes_avx512(sums, c, p, m, width);
  else if (level == 1) addmodes_avx2(sums, c, p, m, width);
  else addmodesloop<double>(sums, c, p, m, width);
}

}  // namespace thermo
