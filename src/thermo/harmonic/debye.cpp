#include "thermo/harmonic/debye.hpp"

#include <cmath>
#include <limits>

namespace thermo {

namespace {

// The Debye heat-capacity function below y = 3 as its series in y^2:
// 3 / y^3 times the integral of x^2 (1 + sum (1 - 2k) B_2k x^2k / (2k)!) is
// 1 + sum 3 (1 - 2k) B_2k y^2k / ((2k)! (2k + 3)), k from 1. Its terms fall
// as (y / 2 pi)^2k: at y = 3 the 28th is below 1e-17.
constexpr double series[30] = {
    -0.05, 0.0017857142857142857, -5.511463844797178e-05,
    1.5782828282828283e-06, -4.335941835941836e-08, 1.1625218305112484e-09,
    -3.070111321745309e-11, 8.028190175500854e-13, -2.0851864993817624e-14,
    5.389891992078675e-16, -1.3882687127467778e-17, 3.5661409752632005e-19,
    -9.141483723179657e-21, 2.3394674567420687e-22, -5.9791473743448006e-24,
    1.5264729491574708e-25, -3.8935695969154495e-27, 9.92383253256045e-29,
    -2.5277500061891464e-30, 6.435060991557528e-32, -1.6374502817451168e-33,
    4.1649293637533926e-35, -1.0589945855843172e-36, 2.691815261261144e-38,
    -6.84034557542453e-40, 1.7378231663610433e-41, -4.414071594558844e-43,
    1.1209578952230075e-44, -2.8461901168891705e-46, 7.225545016012878e-48};

double smallcv(double y) {
  const double y2 = y * y;
  double p = series[29];
  for (int k = 28; k >= 0; --k) p = p * y2 + series[k];
  return 1.0 + p * y2;
}

// The integrand x^4 e^x / (e^x - 1)^2 = x^2 (x / (2 sinh(x/2)))^2, finite at 0.
double integrand(double x) {
  if (x == 0.0) return 0.0;
  const double q = x / (2.0 * std::sinh(0.5 * x));
  return x * x * q * q;
}

constexpr double pi = 3.14159265358979323846;
constexpr double fullintegral = 4.0 * pi * pi * pi * pi / 15.0;  // the integral to infinity

}  // namespace

double debyecv(double y) {
  if (!(y >= 0.0)) return std::numeric_limits<double>::quiet_NaN();
  if (y < 3.0) return smallcv(y);
  double integral;
  if (y > 800.0) {
    integral = fullintegral;  // the tail is below e^-800
  } else {
    // The whole integral less its tail beyond y, a series in e^-ky.
    double tail = 0.0;
    const double y2 = y * y, y3 = y2 * y, y4 = y3 * y;
    const double q = std::exp(-y);
    double e = 1.0;  // e^-ky
    for (int k = 1; k <= 40; ++k) {
      e *= q;
      const double ik = 1.0 / k;
      const double term = e * (y4 + ik * (4.0 * y3 + ik * (12.0 * y2 + ik * (24.0 * y + ik * 24.0))));
      tail += term;
      if (term < 1e-18 * fullintegral) break;
    }
    integral = fullintegral - tail;
  }
  return 3.0 * integral / (y * y * y);
}

double debyefunction(double y) {
  if (!(y >= 0.0)) return std::numeric_limits<double>::quiet_NaN();
  if (y == 0.0) return 1.0;
  // 3y / (e^y - 1), 0 beyond e^y's range.
  const double bose = y > 700.0 ? 0.0 : 3.0 * y / std::expm1(y);
  return 0.25 * (debyecv(y) + bose);
}

debyereduced debyereducedat(double y) {
  if (std::isinf(y) && y > 0.0) return {0.0, 0.0, 0.0, 0.0};
  const double d = debyefunction(y);
  // ln(1 - e^-y) < 0: log1p where 1 - e^-y would round away e^-y's digits.
  const double log = y > 0.693 ? std::log1p(-std::exp(-y)) : std::log(-std::expm1(-y));
  return {debyecv(y), 4.0 / 3.0 * d - log, log - d / 3.0, d};
}

double debyetemperature(double r, double t) {
  const double nan = std::numeric_limits<double>::quiet_NaN();
  if (!(t > 0.0) || !(r > 0.0) || !(r < 1.0)) return nan;
  // c(y) decreases; bracket the root and refine by Newton's method, falling
  // back on bisection where a step leaves the bracket.
  double lo = 0.0, hi = std::numeric_limits<double>::infinity();
  double y = r > 0.5 ? std::sqrt(20.0 * (1.0 - r)) : std::cbrt(4.0 * pi * pi * pi * pi / (5.0 * r));
  if (!(y > 0.0)) y = 1e-3;
  for (int iter = 0; iter < 200; ++iter) {
    const double c = debyecv(y);
    if (c == r) return y * t;
    if (c > r) lo = y;
    else hi = y;
    // c'(y) = (3/y) (y^2 e^y / (e^y - 1)^2 - c)
    const double d = (3.0 / y) * (integrand(y) / (y * y) - c);
    double next = d < 0.0 ? y - (c - r) / d : nan;
    if (!(next > lo && next < hi)) next = std::isinf(hi) ? 2.0 * y : 0.5 * (lo + hi);
    if (std::fabs(next - y) <= 1e-14 * y) return next * t;
    y = next;
  }
  return y * t;
}

}  // namespace thermo
