#include "thermo/harmonic/moments.hpp"

#include <algorithm>
#include <cmath>

#include "thermo/harmonic/kernel.hpp"

namespace thermo {

namespace {

// The coefficients of u^1 .. u^order in u k(u), u h(u) and u p(u), lowest
// first (tools/fit_kernel; k and h of degree 10, p of degree 9).
constexpr double kc[modemoments::order] = {
    -0.08333333333333333,    0.00416666666666645,    -0.0001653439153417422, 5.787037028524992e-06,
    -1.8789079575160502e-07, 5.812588957625727e-09,  -1.7395807410140335e-10, 5.077410198548748e-12,
    -1.4375706859543818e-13, 3.6969932813105e-15,    -6.426936316442741e-17};
constexpr double hc[modemoments::order] = {
    0.08333333333333333,    -0.001388888888888879,  3.3068783068684144e-05, -8.267195763322529e-07,
    2.0876756208420954e-08, -5.284180962163188e-10, 1.3381860261693094e-11, -3.386459155299866e-13,
    8.4864076083587e-15,    -1.9791936928683852e-16, 3.2193286919472327e-18};
constexpr double pc[modemoments::order] = {
    0.041666666666666664,   -0.00034722222222220624, 5.511463844664847e-06,  -1.0333994666461168e-07,
    2.0876750027486815e-09, -4.403426126342947e-11,  9.555163766073461e-13,  -2.1048763241763512e-14,
    4.466450757756472e-16,  -6.972042082143168e-18,  0.0};

// A sum of many terms kept to the last bit: each addition's rounding error
// is carried along (Knuth's two-sum), so that prefix sums over any number of
// modes stay within a few units in the last place.
struct compensated {
  double sum = 0.0, error = 0.0;
  void add(double a) {
    const double t = sum + a;
    const double z = t - sum;
    error += (sum - (t - z)) + (a - z);
    sum = t;
  }
  double value() const { return sum + error; }
};

// sum_k a[k] z[k] rho^(k+1), by Horner.
double series(const double* a, const double* z, double rho) {
  double acc = a[modemoments::order - 1] * z[modemoments::order - 1];
  for (int k = modemoments::order - 2; k >= 0; --k) acc = acc * rho + a[k] * z[k];
  return acc * rho;
}

}  // namespace

void modemoments::build(const double* e, const double* g, std::size_t n) {
  modes_ = n;
  table_.assign(n == 0 ? 0 : ((n + stride - 1) / stride + 1) * record, 0.0);
  if (n == 0) return;
  emax_ = e[n - 1];
  // sum g, sum g E / E_max and sum g ln(E / E_top), with E_top the energy of
  // the last mode added, mode by mode: E_top moves up by ln(E_next / E_top),
  // from log1p of their difference, which adds a term of the same sign as
  // the sum and as accurate as it. Z_1 .. Z_order over each run of `stride`
  // modes, where the checkpoints fall, then into their prefix sums.
  compensated weight, first, logs, z[order];
  auto keep = [&](std::size_t checkpoint, std::size_t i) {
    double* r = &table_[checkpoint * record];
    r[0] = weight.value();
    r[1] = first.value();
    r[2] = logs.value();
    r[3] = i > 0 ? e[i - 1] : 0.0;
    for (int k = 0; k < order; ++k) r[4 + k] = z[k].value();
  };
  constexpr std::size_t chunk = 32 * stride;
  double steps[chunk];  // ln(E_i-1 / E_i) over a chunk of modes
  for (std::size_t from = 0; from < n; from += stride) {
    if (from % chunk == 0) {
      const std::size_t count = std::min(chunk, n - from);
      for (std::size_t i = 0; i < count; ++i)
        steps[i] = from + i > 0 ? (e[from + i - 1] - e[from + i]) / e[from + i] : 0.0;
      log1ps(steps, count);
      // Far apart, the difference over E_i loses the ratio (it is -1 for a
      // ratio below 1e-16): there the ratio's log, taken whole.
      for (std::size_t i = 0; i < count; ++i)
        if (from + i > 0 && e[from + i - 1] < 0.5 * e[from + i]) steps[i] = std::log(e[from + i - 1] / e[from + i]);
    }
    keep(from / stride, from);
    const std::size_t to = std::min(n, from + stride);
    double run[order] = {};  // this run's sums of g (E / E_max)^(2k)
    for (std::size_t i = from; i < to; ++i) {
      logs.add(weight.value() * steps[i % chunk]);
      // A division, not a product with 1 / E_max: that overflows where E_max
      // is subnormal (a DOS in THz of 1e-300 is one in joules).
      const double ratio = e[i] / emax_, u = ratio * ratio;
      weight.add(g[i]);
      first.add(g[i] * ratio);
      double power[order];
      power[0] = g[i] * u;
      for (int k = 1; k < order; ++k) power[k] = power[k - 1] * u;
      // Powers too small to matter at any temperature where the moments
      // serve are dropped (the last is the smallest, as u <= 1).
      if (!(std::fabs(power[order - 1]) >= 1e-290))
        for (int k = 0; k < order; ++k) power[k] = std::fabs(power[k]) < 1e-290 ? 0.0 : power[k];
      for (int k = 0; k < order; ++k) run[k] += power[k];
    }
    for (int k = 0; k < order; ++k) z[k].add(run[k]);
  }
  keep((n + stride - 1) / stride, n);
}

std::size_t modemoments::sums(std::size_t j, double kt, double out[4]) const {
  if (modes_ == 0) return 0;
  const std::size_t checkpoint = j >= modes_ ? (modes_ + stride - 1) / stride : j / stride;
  const std::size_t at = std::min(checkpoint * stride, modes_);
  // s^(2 order) stays below 1e264, and so does every power the series forms.
  const double s = emax_ / kt;
  if (at == 0 || !(s <= 1e12)) return 0;
  const double* r = &table_[checkpoint * record];
  const double rho = s * s;
  const double weight = r[0], half = 0.5 * (r[1] * s);  // sum g, sum g x / 2
  const double xn = (weight - half) + series(hc, r + 4, rho);
  const double lnm = (r[2] + weight * std::log(r[3] / kt)) - half + series(pc, r + 4, rho);
  out[0] += weight + series(kc, r + 4, rho);
  out[1] += kt * xn;
  out[2] += lnm;
  out[3] += xn - lnm;
  return at;
}

}  // namespace thermo
