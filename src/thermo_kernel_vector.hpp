// lattice_thermo: the inner sums of thermo_kernel.hpp for a vector of W
// doubles and the vector exp, expm1 and log1p that go with it. Included
// only by the files built for that vector width.
#pragma once

#include <cmath>
#include <cstddef>

#include "thermo_kernel.hpp"

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
  const std::size_t low = lowmodes(e, n, kt);
  // Each part in whole vectors; the few modes left over at the end of each
  // are summed by the scalar kernel.
  std::size_t i = 0;
  for (; i + W <= low; i += W) t.low(load(e + i), load(le + i), load(g + i), invktv, logktv, vexpm1);
  const std::size_t lowend = i;
  std::size_t j = low;
  for (; j + W <= n; j += W) t.high(load(e + j), load(g + j), invktv, vexp, vlog1p);
  double rest[4], tail[4];
  modesums_scalar(e + lowend, le + lowend, g + lowend, low - lowend, kt, rest);
  modesums_scalar(e + j, le + j, g + j, n - j, kt, tail);
  out[0] = rest[0] + tail[0];
  out[1] = rest[1] + tail[1];
  out[2] = rest[2] + tail[2];
  out[3] = rest[3] + tail[3];
  for (int k = 0; k < W; ++k) {
    out[0] += t.c[k];
    out[1] += t.u[k];
    out[2] += t.f[k];
    out[3] += t.s[k];
  }
}

}  // namespace thermo
