// lattice_thermo: the inner sums of the harmonic functions over the modes,
// with a vectorised variant chosen at run time where the processor has it.
#pragma once

#include <algorithm>
#include <array>
#include <cstddef>

namespace thermo {

// Sums over the n modes of energy e[i] (J, increasing) and weight g[i]
// (states) at k_B T = kt (J):
// out[0] = sum g x^2 e^-x / m^2, out[1] = sum g E n, out[2] = sum g ln m,
// out[3] = sum g (x n - ln m), with x = E/kt, m = 1 - e^-x and
// n = e^-x / m (the zero-point terms are left to the caller).
// Uses the fastest variant this processor runs.
void modesums(const double* e, const double* g, std::size_t n, double kt, double out[4]);

// The scalar variant, for any x86-64.
void modesums_scalar(const double* e, const double* g, std::size_t n, double kt, double out[4]);

// The same with glibc's AVX2 vector exp, expm1 and log; only where the
// processor supports AVX2 and FMA (modesums checks).
void modesums_avx2(const double* e, const double* g, std::size_t n, double kt, double out[4]);
// The same with the AVX-512 variants, eight modes at a time.
void modesums_avx512(const double* e, const double* g, std::size_t n, double kt, double out[4]);

// v[i] = ln(1 + v[i]) for i < n, with the vector log1p where the processor
// has it (the logarithms of moments.cpp); the variants as above.
void log1ps(double* v, std::size_t n);
void log1ps_avx2(double* v, std::size_t n);
void log1ps_avx512(double* v, std::size_t n);
// c[i] = coth(x / 2) / e[i] = (y + 2) / (y e[i]), y = e^x - 1 and
// x = min(e[i] / kt, xcap), for i < n: the displacements' weights of modes
// of energy e[i] > 0 (J) at k_B T = kt > 0. The variants as above.
inline constexpr double xcap = 700.0;  // coth(x / 2) is 1 in a double from here, e^x - 1 still finite
void cothsoverenergy(const double* e, std::size_t n, double kt, double* c);
void cothsoverenergy_avx2(const double* e, std::size_t n, double kt, double* c);
void cothsoverenergy_avx512(const double* e, std::size_t n, double kt, double* c);

// sums[k] += sum over v < m of c[v] p[v width + k], for k < width: the
// displacements' sums over a batch of modes at one temperature; the
// variants as above (their multiply-adds fused).
void addmodes(double* sums, const double* c, const double* p, std::size_t m, std::size_t width);
void addmodes_avx2(double* sums, const double* c, const double* p, std::size_t m, std::size_t width);
void addmodes_avx512(double* sums, const double* c, const double* p, std::size_t m, std::size_t width);

// The loop of every variant, which each file compiles for its own vectors:
// four modes at a time, so that each sum is loaded and stored once for four
// of them. V names the file's vector type, so that each file has its own.
template <class V>
void addmodesloop(double* __restrict sums, const double* c, const double* __restrict p, std::size_t m,
                  std::size_t width) {
  std::size_t v = 0;
  for (; v + 4 <= m; v += 4, p += 4 * width) {
    const double c0 = c[v], c1 = c[v + 1], c2 = c[v + 2], c3 = c[v + 3];
    for (std::size_t k = 0; k < width; ++k)
      sums[k] += c0 * p[k] + c1 * p[k + width] + c2 * p[k + 2 * width] + c3 * p[k + 3 * width];
  }
  for (; v < m; ++v, p += width)
    for (std::size_t k = 0; k < width; ++k) sums[k] += c[v] * p[k];
}

// Every variant computes m = 1 - e^-x and y = e^-x from one function call,
// the one that is accurate for its x: below x = 2, m = -expm1(-x) and
// y = 1 - m; from there, y = exp(-x) and m = 1 - y (m or y above 0.135, so
// the difference loses at most three bits of the smaller). Below 2, ln m is
// a logarithm call, accurate to its last bits however close x is to 2 (its
// series in x, ln x - x/2 + ..., cancels there); from 2 up, a polynomial in
// y. The modes of each range follow one another, as the energies increase;
// `split` gives where the second range begins. Below the split, a whole DOS
// is summed more cheaply by its moments (moments.hpp); the per-mode form
// takes the rest.
inline constexpr double splitx = 2.0;
inline std::size_t split(const double* e, std::size_t n, double kt) {
  return static_cast<std::size_t>(std::lower_bound(e, e + n, splitx * kt) - e);
}

// One mode's terms, added to the four sums, by the range of its x; V is
// double or a vector of doubles, with its exp, expm1 and log.
template <class V>
struct modeterms {
  V c, u, f, s;

  template <class Expm1, class Log>
  void low(V ev, V gv, V invkt, Expm1 expm1, Log log) {
    const V x = ev * invkt;
    const V m = -expm1(-x);
    lowwith(ev, gv, x, m, log(m));
  }
  // From 2 up. x is capped at 1e100 (where e^-x is long 0), so that x^2,
  // x / m and x * n stay finite for any E / kT: every term is then exactly 0.
  template <class Exp>
  void high(V ev, V gv, V invkt, Exp exp) {
    const V x = capped(ev * invkt);
    highwith(ev, gv, x, exp(-x));
  }
  static V capped(V raw) { return raw < 1e100 ? raw : 1e100; }
  // The same with the function values already at hand: m = -expm1(-x) and
  // its logarithm below 2, y = e^-x from there.
  void lowwith(V ev, V gv, V x, V m, V lm) { add(ev, gv, x, 1.0 - m, m, lm); }
  void highwith(V ev, V gv, V x, V y) { add(ev, gv, x, y, 1.0 - y, log1my(y)); }
  // ln(1 - y) = -y q(y) for 0 <= y <= e^-2, with q the Chebyshev fit of
  // degree 11 to sum y^(k-1) / k (tools/fit_kernel; relative error below
  // 3e-16).
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
