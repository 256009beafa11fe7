// lattice_thermo: the inner sums of thermo_kernel.hpp for a vector of W
// doubles and the vector exp, expm1 and log1p that go with it. Included
// only by the files built for that vector width.
#pragma once

#include <cmath>
#include <cstddef>

#include "thermo/kernel.hpp"

namespace thermo {

template <class V, int W, V (*vexp)(V), V (*vexpm1)(V), V (*vlog1p)(V)>
void vectorsums(const double* e, const double* le, const double* g, std::size_t n, double kt, double out[4]) {
  const double invkt = 1.0 / kt, logkt = std::log(kt);
  V invktv, logktv;
  for (int k = 0; k < W; ++k) {
    invktv[k] = invkt;
    logktv[k] = logkt;
  }
  auto load = [](const double* p) {
    V v;
    __builtin_memcpy(&v, p, sizeof v);
    return v;
  };
  modeterms<V> t{};
  std::size_t middle = 0, high = 0;
  split(e, n, kt, middle, high);
  // Each range in whole vectors; the few modes left over at the end of each
  // make one more vector, filled up with copies of the range's last mode at
  // weight 0 (its terms are finite, so they add exactly 0).
  std::size_t i = 0, j = middle, k = high;
  for (; i + W <= middle; i += W) t.low(load(e + i), load(le + i), load(g + i), invktv, logktv, vexpm1);
  for (; j + W <= high; j += W) t.middle(load(e + j), load(g + j), invktv, vexp, vlog1p);
  for (; k + W <= n; k += W) t.high(load(e + k), load(g + k), invktv, vexp);
  auto padded = [&](std::size_t from, std::size_t to, V& ev, V& lev, V& gv) {
    for (int q = 0; q < W; ++q) {
      const std::size_t at = from + static_cast<std::size_t>(q) < to ? from + static_cast<std::size_t>(q) : to - 1;
      ev[q] = e[at];
      lev[q] = le[at];
      gv[q] = at == from + static_cast<std::size_t>(q) ? g[at] : 0.0;
    }
  };
  V ev{}, lev{}, gv{};
  if (i < middle) {
    padded(i, middle, ev, lev, gv);
    t.low(ev, lev, gv, invktv, logktv, vexpm1);
  }
  if (j < high) {
    padded(j, high, ev, lev, gv);
    t.middle(ev, gv, invktv, vexp, vlog1p);
  }
  if (k < n) {
    padded(k, n, ev, lev, gv);
    t.high(ev, gv, invktv, vexp);
  }
  out[0] = out[1] = out[2] = out[3] = 0.0;
  for (int q = 0; q < W; ++q) {
    out[0] += t.c[q];
    out[1] += t.u[q];
    out[2] += t.f[q];
    out[3] += t.s[q];
  }
}

}  // namespace thermo
