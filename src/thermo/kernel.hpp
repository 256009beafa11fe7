// lattice_thermo: the inner sums of the harmonic functions over the modes,
// with a vectorised variant chosen at run time where the processor has it.
#pragma once

#include <algorithm>
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

// The same with glibc's AVX2 vector exp, expm1 and log1p; only where the
// processor supports AVX2 and FMA (modesums checks).
void modesums_avx2(const double* e, const double* le, const double* g, std::size_t n, double kt, double out[4]);
// The same with the AVX-512 variants, eight modes at a time.
void modesums_avx512(const double* e, const double* le, const double* g, std::size_t n, double kt, double out[4]);

// Every variant computes m = 1 - e^-x and y = e^-x from one function call,
// the one that is accurate for its x: below x = ln 2, m = -expm1(-x) and
// y = 1 - m; from there, y = exp(-x) and m = 1 - y. Both differences lie in
// [1/2, 1], so they lose nothing. ln m needs no logarithm call but between
// ln 2 and 4, where it is log1p(-y): below ln 2 it is ln x + ln(m / x), the
// first from ln E - ln kt and the second from its series; from 4 up, the
// series -sum y^k / k. The modes of each range follow one another, as the
// energies increase; `split` gives where the second and third ranges begin.
inline void split(const double* e, std::size_t n, double kt, std::size_t& middle, std::size_t& high) {
  middle = static_cast<std::size_t>(std::lower_bound(e, e + n, 0.69314718055994531 * kt) - e);
  high = static_cast<std::size_t>(std::lower_bound(e + middle, e + n, 4.0 * kt) - e);
}

// One mode's terms, added to the four sums, by the range of its x; V is
// double or a vector of doubles, with its exp, expm1 and log1p.
template <class V>
struct modeterms {
  V c, u, f, s;

  template <class Expm1>
  void low(V ev, V lev, V gv, V invkt, V logkt, Expm1 expm1) {
    const V x = ev * invkt;
    const V m = -expm1(-x);
    add(ev, gv, x, 1.0 - m, m, (lev - logkt) + logmoverx(x));
  }
  template <class Exp, class Log1p>
  void middle(V ev, V gv, V invkt, Exp exp, Log1p log1p) {
    const V x = ev * invkt;
    const V y = exp(-x);
    add(ev, gv, x, y, 1.0 - y, log1p(-y));
  }
  // From 4 up. x is capped at 1e100 (where e^-x is long 0), so that x^2,
  // x / m and x * n stay finite for any E / kT: every term is then exactly 0.
  template <class Exp>
  void high(V ev, V gv, V invkt, Exp exp) {
    const V raw = ev * invkt;
    const V x = raw < 1e100 ? raw : 1e100;
    const V y = exp(-x);
    add(ev, gv, x, y, 1.0 - y, log1my(y));
  }
  // ln((1 - e^-x) / x) = -x/2 + sum B_2k x^2k / (2k (2k)!) for 0 < x < ln 2,
  // where the ninth term is below 1e-18.
  static V logmoverx(V x) {
    const V x2 = x * x;
    V p = x2 * 4.770034475709914e-16 - 2.1185501852016142e-14;
    p = x2 * p + 9.55895466477477e-13;
    p = x2 * p - 4.403491782239578e-11;
    p = x2 * p + 2.08767569878681e-09;
    p = x2 * p - 1.033399470899471e-07;
    p = x2 * p + 5.5114638447971785e-06;
    p = x2 * p - 0.00034722222222222224;
    p = x2 * p + 0.041666666666666664;
    return x2 * p - 0.5 * x;
  }
  // ln(1 - y) = -sum y^k / k for 0 <= y <= e^-4, where the eleventh term
  // is below 1e-18 of the first.
  static V log1my(V y) {
    V p = y * 0.1 + 0.1111111111111111;
    p = y * p + 0.125;
    p = y * p + 0.14285714285714285;
    p = y * p + 0.16666666666666666;
    p = y * p + 0.2;
    p = y * p + 0.25;
    p = y * p + 0.3333333333333333;
    p = y * p + 0.5;
    p = y * p + 1.0;
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
