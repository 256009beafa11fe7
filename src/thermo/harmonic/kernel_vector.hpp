// lattice_thermo: the inner sums of kernel.hpp for a vector of W doubles
// and the vector exp, expm1 and log that go with it. Included only by the
// files built for that vector width.
#pragma once

#include <algorithm>
#include <cmath>
#include <cstddef>

#include "thermo/harmonic/kernel.hpp"

namespace thermo {

// Each range of modes goes in chunks of up to `chunk` vectors, in two
// passes: the first makes the library calls alone and keeps their results,
// the second forms the terms with no call in between, so that the sums and
// constants stay in registers (a call clobbers every vector register). The
// few modes left over at the end of a range make one more vector, filled up
// with copies of the range's last mode at weight 0 (its terms are finite, so
// they add exactly 0).
template <class V, int W, V (*vexp)(V), V (*vexpm1)(V), V (*vlog)(V)>
void vectorsums(const double* e, const double* g, std::size_t n, double kt, double out[4]) {
  constexpr std::size_t chunk = 32;
  const double invkt = 1.0 / kt;
  V invktv;
  for (int k = 0; k < W; ++k) invktv[k] = invkt;
  // The W modes from i, padded past `to`.
  auto load = [](const double* p, std::size_t i, std::size_t to, bool weight) {
    V v;
    if (i + W <= to) {
      __builtin_memcpy(&v, p + i, sizeof v);
    } else {
      for (int q = 0; q < W; ++q) {
        const std::size_t at = i + static_cast<std::size_t>(q);
        v[q] = at < to ? p[at] : weight ? 0.0 : p[to - 1];
      }
    }
    return v;
  };
  modeterms<V> t{};
  V a[chunk], l[chunk];  // the calls' results: m and ln m below 2, y from there
  auto range = [&](std::size_t from, std::size_t to, bool low) {
    for (std::size_t i = from; i < to; i += chunk * W) {
      const std::size_t end = std::min(to, i + chunk * W);
      const std::size_t vectors = (end - i + W - 1) / W;
      for (std::size_t v = 0; v < vectors; ++v) {
        const V x = load(e, i + v * W, end, false) * invktv;
        a[v] = low ? -vexpm1(-x) : vexp(-modeterms<V>::capped(x));
        if (low) l[v] = vlog(a[v]);
      }
      for (std::size_t v = 0; v < vectors; ++v) {
        const std::size_t at = i + v * W;
        const V ev = load(e, at, end, false), gv = load(g, at, end, true);
        const V x = ev * invktv;
        if (low) t.lowwith(ev, gv, x, a[v], l[v]);
        else t.highwith(ev, gv, modeterms<V>::capped(x), a[v]);
      }
    }
  };
  const std::size_t high = split(e, n, kt);
  range(0, high, true);
  range(high, n, false);
  out[0] = out[1] = out[2] = out[3] = 0.0;
  for (int q = 0; q < W; ++q) {
    out[0] += t.c[q];
    out[1] += t.u[q];
    out[2] += t.f[q];
    out[3] += t.s[q];
  }
}

// cothsoverenergy W at a time, the last vector filled up with copies of
// the last energy.
template <class V, int W, V (*vexpm1)(V)>
void vectorcoths(const double* e, std::size_t n, double kt, double* c) {
  const double invkt = 1.0 / kt;
  auto coths = [&](V ev) {
    V x = ev * invkt;
    x = x < xcap ? x : xcap;
    const V y = vexpm1(x);
    return (y + 2.0) / (y * ev);
  };
  std::size_t i = 0;
  for (; i + W <= n; i += W) {
    V ev;
    __builtin_memcpy(&ev, e + i, sizeof ev);
    const V r = coths(ev);
    __builtin_memcpy(c + i, &r, sizeof r);
  }
  if (i == n) return;
  V ev;
  for (std::size_t k = 0; k < W; ++k) ev[k] = e[std::min(i + k, n - 1)];
  const V r = coths(ev);
  for (std::size_t k = i; k < n; ++k) c[k] = r[k - i];
}

// v[i] = f(v[i]) for i < n by the vector function f, W at a time, the last
// vector filled up with zeros.
template <class V, int W, V (*f)(V)>
void vectorapply(double* v, std::size_t n) {
  std::size_t i = 0;
  for (; i + W <= n; i += W) {
    V x;
    __builtin_memcpy(&x, v + i, sizeof x);
    x = f(x);
    __builtin_memcpy(v + i, &x, sizeof x);
  }
  if (i == n) return;
  V x{};
  for (std::size_t k = i; k < n; ++k) x[k - i] = v[k];
  x = f(x);
  for (std::size_t k = i; k < n; ++k) v[k] = x[k - i];
}

}  // namespace thermo
