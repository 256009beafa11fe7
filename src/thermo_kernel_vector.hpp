// lattice_thermo: the inner sums of thermo_kernel.hpp for a vector of W
// doubles and the vector exp, expm1 and log that go with it. Included only by
// the files built for that vector width.
#pragma once

#include <cstddef>

#include "thermo_kernel.hpp"

namespace thermo {

template <class V, int W, V (*vexp)(V), V (*vexpm1)(V), V (*vlog)(V)>
void vectorsums(const double* e, const double* g, std::size_t n, double kt, double out[4]) {
  V ktv, half;
  for (int k = 0; k < W; ++k) {
    ktv[k] = kt;
    half[k] = 0.5;
  }
  V c = {}, u = {}, f = {}, s = {};
  std::size_t i = 0;
  for (; i + W <= n; i += W) {
    V ev, gv;
    __builtin_memcpy(&ev, e + i, sizeof ev);
    __builtin_memcpy(&gv, g + i, sizeof gv);
    const V x = ev / ktv;
    const V y = vexp(-x);
    const V m = -vexpm1(-x);
    const V lm = vlog(m);
    const V occ = y / m;
    const V r = x / m;
    c += gv * (r * r * y);
    u += gv * (ev * (half + occ));
    f += gv * (half * ev + ktv * lm);
    s += gv * (x * occ - lm);
  }
  // The last modes, fewer than W, by the scalar kernel.
  modesums_scalar(e + i, g + i, n - i, kt, out);
  for (int k = 0; k < W; ++k) {
    out[0] += c[k];
    out[1] += u[k];
    out[2] += f[k];
    out[3] += s[k];
  }
}

}  // namespace thermo
