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
// ln E - ln kt and the second from a polynomial in x^2; from 2 up, a
// polynomial in y. The modes of each range follow one another, as the
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
  // ln((1 - e^-x) / x) = -x/2 + x^2 p(x^2) for 0 < x <= 2, with p the
  // Chebyshev fit of degree 9 in x^2 to the Bernoulli series (tools/fit_kernel;
  // relative error below 3e-16 over the range).
  static V logmoverx(V x) {
    static constexpr double b[10] = {
        -6.972042082143168e-18,  4.466450757756472e-16, -2.1048763241763512e-14, 9.555163766073461e-13,
        -4.403426126342947e-11,  2.0876750027486815e-09, -1.0333994666461168e-07, 5.511463844664847e-06,
        -0.00034722222222220624, 0.041666666666666664};
    const V x2 = x * x;
    V p = x2 * b[0] + b[1];
    for (int k = 2; k < 10; ++k) p = x2 * p + b[k];
    return x2 * p - 0.5 * x;
  }
  // ln(1 - y) = -y q(y) for 0 <= y <= e^-2, with q the Chebyshev fit of
  // degree 11 to sum y^(k-1) / k (relative error below 3e-16).
  static V log1my(V y) {
    static constexpr double q[12] = {
        0.18352989304404593, 0.05010640267338509, 0.10890267908754962, 0.10991240436596902,
        0.125105147309796,   0.14285103962584267, 0.16666689864518272, 0.1999999944311899,
        0.25000000007865225, 0.3333333333327607,  0.5000000000000017,  1.0};
    V p = y * q[0] + q[1];
    for (int k = 2; k < 12; ++k) p = y * p + q[k];
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
