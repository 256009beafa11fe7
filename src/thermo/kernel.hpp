// lattice_thermo: the inner sums of the harmonic functions over the modes,
// with a vectorised variant chosen at run time where the processor has it.
#pragma once

#include <algorithm>
#include <array>
#include <cstddef>

namespace thermo {

// Sums over the n modes of energy e[i] (J, increasing), its logarithm
// le[i] = ln e[i] and weight g[i] (states) at k_B T = kt (J):
// out[0] = sum g x^2 e^-x / m^2, out[1] = sum g E n, out[2] = sum g ln m,
// out[3] = sum g (x n - ln m), with x = E/kt, m = 1 - e^-x and
// n = e^-x / m (the zero-point terms are left to the caller).
// Uses the fastest variant this processor runs.
void modesums(const double* e, const double* le, const double* g, std::size_t n, double kt, double out[4]);

// The scalar variant, for any x86-64.
void modesums_scalar(const double* e, const double* le, const double* g, std::size_t n, double kt, double out[4]);

// The same with glibc's AVX2 vector exp and expm1; only where the
// processor supports AVX2 and FMA (modesums checks).
void modesums_avx2(const double* e, const double* le, const double* g, std::size_t n, double kt, double out[4]);
// The same with the AVX-512 variants, eight modes at a time.
void modesums_avx512(const double* e, const double* le, const double* g, std::size_t n, double kt, double out[4]);

// Every variant computes m = 1 - e^-x and y = e^-x from one function call,
// the one that is accurate for its x: below x = 2, m = -expm1(-x) and
// y = 1 - m; from there, y = exp(-x) and m = 1 - y (m or y above 0.135, so
// the difference loses at most three bits of the smaller). ln m needs no
// logarithm call: below 2 it is ln x + ln(m / x), the first from
// ln E - ln kt and the second from its Bernoulli series; from 2 up, the
// series -sum y^k / k. The modes of each range follow one another, as the
// energies increase; `split` gives where the second range begins.
inline constexpr double splitx = 2.0;
inline std::size_t split(const double* e, std::size_t n, double kt) {
  return static_cast<std::size_t>(std::lower_bound(e, e + n, splitx * kt) - e);
}

// One mode's terms, added to the four sums, by the range of its x; V is
// double or a vector of doubles, with its exp and expm1.
template <class V>
struct modeterms {
  V c, u, f, s;

  template <class Expm1>
  void low(V ev, V lev, V gv, V invkt, V logkt, Expm1 expm1) {
    const V x = ev * invkt;
    lowwith(ev, lev, gv, x, logkt, -expm1(-x));
  }
  // From 2 up. x is capped at 1e100 (where e^-x is long 0), so that x^2,
  // x / m and x * n stay finite for any E / kT: every term is then exactly 0.
  template <class Exp>
  void high(V ev, V gv, V invkt, Exp exp) {
    const V x = capped(ev * invkt);
    highwith(ev, gv, x, exp(-x));
  }
  static V capped(V raw) { return raw < 1e100 ? raw : 1e100; }
  // The same with the function value already at hand: m = -expm1(-x) below
  // 2, y = e^-x from there.
  void lowwith(V ev, V lev, V gv, V x, V logkt, V m) { add(ev, gv, x, 1.0 - m, m, (lev - logkt) + logmoverx(x)); }
  void highwith(V ev, V gv, V x, V y) { add(ev, gv, x, y, 1.0 - y, log1my(y)); }
  // ln((1 - e^-x) / x) = -x/2 + sum B_2k x^2k / (2k (2k)!) for 0 < x < 2,
  // where the 16th term is below 1e-17 of the value.
  static V logmoverx(V x) {
    static constexpr double b[17] = {
        0.041666666666666664,    -0.00034722222222222224, 5.5114638447971785e-06, -1.033399470899471e-07,
        2.08767569878681e-09,    -4.403491782239578e-11,  9.55895466477477e-13,   -2.1185501852016142e-14,
        4.770034475709914e-16,   -1.087434349279031e-17,  2.5040921947091955e-19, -5.814360285755218e-21,
        1.3595027075497952e-22,  -3.1976847953705525e-24, 7.559841507792277e-26,  -1.7952470840225633e-27,
        4.279919045926073e-29};
    const V x2 = x * x;
    V p = x2 * b[16] + b[15];
    for (int k = 14; k >= 0; --k) p = x2 * p + b[k];
    return x2 * p - 0.5 * x;
  }
  // ln(1 - y) = -sum y^k / k for 0 <= y <= e^-2, where the 21st term is
  // below 1e-18 of the first.
  static V log1my(V y) {
    static constexpr auto inverse = [] {
      std::array<double, 22> a{};
      for (int k = 1; k <= 21; ++k) a[static_cast<std::size_t>(k)] = 1.0 / k;
      return a;
    }();
    V p = y * inverse[21] + inverse[20];
    for (int k = 19; k >= 1; --k) p = y * p + inverse[static_cast<std::size_t>(k)];
    return -(y * p);
  }
  void add(V ev, V gv, V x, V y, V m, V lm) {
    const V inv = 1.0 / m;
    const V occ = y * inv;  // Bose-Einstein occupation
    const V r = x * inv;
    c += gv * (r * r * y);
    u += gv * (ev * occ);
    f += gv * lm;
    s += gv * (x * occ - lm);
  }
};

}  // namespace thermo
