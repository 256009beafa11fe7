// Built with -mavx2 (this file alone): called only after a run-time check.
#include "thermo_kernel.hpp"

#include <cmath>

namespace {

typedef double v4d __attribute__((vector_size(32)));

}  // namespace

// glibc's libmvec declares these only under -ffast-math; they are within a few
// ulp, well inside this program's tolerances.
extern "C" v4d _ZGVdN4v_exp(v4d);
extern "C" v4d _ZGVdN4v_expm1(v4d);
extern "C" v4d _ZGVdN4v_log(v4d);

namespace thermo {

void modesums_avx2(const double* e, const double* g, std::size_t n, double kt, double out[4]) {
  const v4d ktv = {kt, kt, kt, kt};
  const v4d half = {0.5, 0.5, 0.5, 0.5};
  v4d c = {}, u = {}, f = {}, s = {};
  std::size_t i = 0;
  for (; i + 4 <= n; i += 4) {
    v4d ev, gv;
    __builtin_memcpy(&ev, e + i, sizeof ev);
    __builtin_memcpy(&gv, g + i, sizeof gv);
    const v4d x = ev / ktv;
    const v4d y = _ZGVdN4v_exp(-x);
    const v4d m = -_ZGVdN4v_expm1(-x);
    const v4d lm = _ZGVdN4v_log(m);
    const v4d occ = y / m;
    const v4d r = x / m;
    c += gv * (r * r * y);
    u += gv * (ev * (half + occ));
    f += gv * (half * ev + ktv * lm);
    s += gv * (x * occ - lm);
  }
  double tail[4] = {0, 0, 0, 0};
  if (i < n) modesums_scalar(e + i, g + i, n - i, kt, tail);  // the last modes, fewer than four
  out[0] = c[0] + c[1] + c[2] + c[3] + tail[0];
  out[1] = u[0] + u[1] + u[2] + u[3] + tail[1];
  out[2] = f[0] + f[1] + f[2] + f[3] + tail[2];
  out[3] = s[0] + s[1] + s[2] + s[3] + tail[3];
}

}  // namespace thermo
