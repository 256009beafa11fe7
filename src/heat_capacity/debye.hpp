// The Debye model of the lattice heat capacity and the adaptive
// Gauss-Legendre quadrature that integrates it.
#pragma once

#include <array>
#include <cmath>

namespace heat_capacity {

// Positive Gauss-Legendre nodes `x` and weights `w`: entries 0-3 for the
// 8-point rule, 4-11 for the 16-point rule, each group from the largest node
// to the smallest. Every entry is the single-precision value nearest the
// exact one, widened to double; the quadrature's results depend on exactly
// these values, not the full double-precision ones.
inline constexpr std::array<double, 12> x = {
    0.9602898359298706,  0.7966665029525757, 0.5255324244499207, 0.1834346354007721,
    0.9894009232521057,  0.9445750117301941, 0.8656312227249146, 0.7554044127464294,
    0.6178762316703796,  0.4580167829990387, 0.28160354495048523, 0.09501250833272934};
inline constexpr std::array<double, 12> w = {
    0.10122853517532349,  0.22238104045391083, 0.313706636428833,   0.3626837730407715,
    0.02715246006846428,  0.062253523617982864, 0.09515850991010666, 0.12462896853685379,
    0.14959599077701569,  0.1691565215587616,  0.18260341882705688, 0.18945060670375824};

// Integral of f over [a, b] to relative tolerance eps, by comparing the 8-
// and 16-point rules on each piece. It walks from a to b: each attempt covers
// the whole remainder up to b and is halved from the right until the two
// rules agree, or until the piece is narrower than a floor of
// (32 eps) * (1e-10 / (b - a)), where the piece is accepted as it is. The
// accepted value of a piece is its 16-point estimate. a == b gives 0 without
// calling f. f must be finite on the open interval (a, b).
template <class F>
double rgauss(F&& f, double a, double b, double eps) {
  double total = 0;
  if (a == b) return 0;
  const double widthconst = 1e-10 / (b - a);
  double hi = a;
  for (;;) {
    const double lo = hi;
    hi = b;  // retry the whole remainder
    double s16;
    for (;;) {
      const double mid = (hi + lo) * 0.5;
      const double half = (hi - lo) * 0.5;
      double s8 = 0;
      for (int i = 0; i < 4; ++i) {
        const double u = x[i] * half;
        const double fp = f(mid + u);
        const double fm = f(mid - u);
        s8 = (fm + fp) * w[i] + s8;
      }
      s8 = s8 * half;
      s16 = 0;
      for (int i = 4; i < 12; ++i) {
        const double u = x[i] * half;
        const double fp = f(mid + u);
        const double fm = f(mid - u);
        s16 = (fm + fp) * w[i] + s16;
      }
      s16 = s16 * half;
      if ((eps / 2.0) * std::fabs(s16 + s8) >= std::fabs(s16 - s8)) break;
      if (!(half + half >= (eps * 32.0) * widthconst)) break;  // floor reached: accept as is
      hi = mid;  // retry the left half
    }
    total = total + s16;
    if (!(hi != b)) return total;
  }
}

// The Debye integrand x^4 e^x / (e^x - 1)^2, with e^x evaluated afresh at
// each of its three places (the order of operations is part of the result).
double integr(double x);

// Debye heat capacity at temperature t (kelvin, > 0) for Debye temperature
// theta (kelvin), in rydberg per kelvin per atom:
// 9 k_B (t/theta)^3 * integral from 0 to theta/t of integr.
double debye(double t, double theta);

}  // namespace heat_capacity
