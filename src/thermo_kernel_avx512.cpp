// Built with -mavx512f (this file alone): called only after a run-time check.
#include "thermo_kernel.hpp"

#include <cmath>

namespace {

typedef double v8d __attribute__((vector_size(64)));

}  // namespace

// glibc's libmvec declares these only under -ffast-math; they are within a few
// ulp, well inside this program's tolerances.
extern "C" v8d _ZGVeN8v_exp(v8d);
extern "C" v8d _ZGVeN8v_expm1(v8d);
extern "C" v8d _ZGVeN8v_log(v8d);

namespace thermo {

void modesums_avx512(const double* e, const double* g, std::size_t n, double kt, double out[4]) {
  const v8d ktv = {kt, kt, kt, kt, kt, kt, kt, kt};
  const v8d half = {0.5, 0.5, 0.5, 0.5, 0.5, 0.5, 0.5, 0.5};
  v8d c = {}, u = {}, f = {}, s = {};
  std::size_t i = 0;
  for (; i + 8 <= n; i += 8) {
    v8d ev, gv;
    __builtin_memcpy(&ev, e + i, sizeof ev);
    __builtin_memcpy(&gv, g + i, sizeof gv);
    const v8d x = ev / ktv;
    const v8d y = _ZGVeN8v_exp(-x);
    const v8d m = -_ZGVeN8v_expm1(-x);
    const v8d lm = _ZGVeN8v_log(m);
    const v8d occ = y / m;
    const v8d r = x / m;
    c += gv * (r * r * y);
    u += gv * (ev * (half + occ));
    f += gv * (half * ev + ktv * lm);
    s += gv * (x * occ - lm);
  }
  double tail[4] = {0, 0, 0, 0};
  if (i < n) modesums_scalar(e + i, g + i, n - i, kt, tail);  // the last modes, fewer than eight
  out[0] = ((c[0] + c[4]) + (c[1] + c[5])) + ((c[2] + c[6]) + (c[3] + c[7])) + tail[0];
  out[1] = ((u[0] + u[4]) + (u[1] + u[5])) + ((u[2] + u[6]) + (u[3] + u[7])) + tail[1];
  out[2] = ((f[0] + f[4]) + (f[1] + f[5])) + ((f[2] + f[6]) + (f[3] + f[7])) + tail[2];
  out[3] = ((s[0] + s[4]) + (s[1] + s[5])) + ((s[2] + s[6]) + (s[3] + s[7])) + tail[3];
}

}  // namespace thermo
