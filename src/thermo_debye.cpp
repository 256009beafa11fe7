#include "thermo_debye.hpp"

#include <cmath>
#include <limits>

namespace thermo {

namespace {

// 20-point Gauss-Legendre rule on [-1, 1]: the positive nodes and their
// weights (the rule is symmetric).
constexpr double glnode[10] = {0.07652652113349734, 0.2277858511416451, 0.37370608871541955,
                               0.5108670019508271,  0.636053680726515,  0.7463319064601508,
                               0.8391169718222188,  0.9122344282513258, 0.9639719272779138,
                               0.9931285991850949};
constexpr double glweight[10] = {0.15275338713072578, 0.14917298647260366, 0.14209610931838187,
                                 0.13168863844917653, 0.11819453196151825, 0.10193011981724026,
                                 0.08327674157670467, 0.06267204833410944, 0.04060142980038622,
                                 0.017614007139153273};

// Integral of f over [a, b] by the rule above.
template <class F>
double gauss20(F f, double a, double b) {
  const double mid = 0.5 * (a + b), half = 0.5 * (b - a);
  double s = 0.0;
  for (int i = 0; i < 10; ++i) s += glweight[i] * (f(mid - half * glnode[i]) + f(mid + half * glnode[i]));
  return s * half;
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
  if (y < 1e-4) return 1.0 - y * y / 20.0;  // the series, exact to rounding here
  double integral;
  if (y < 3.0) {
    // Poles of the integrand at 2 pi i k lie far outside the interval: the
    // rule's error is below 1e-17.
    integral = gauss20(integrand, 0.0, y);
  } else if (y > 800.0) {
    integral = fullintegral;  // the tail is below e^-800
  } else {
    // The whole integral less its tail beyond y, a series in e^-ky.
    double tail = 0.0;
    const double y2 = y * y, y3 = y2 * y, y4 = y3 * y;
    for (int k = 1; k <= 40; ++k) {
      const double e = std::exp(-k * y);
      const double ik = 1.0 / k;
      const double term = e * (y4 + ik * (4.0 * y3 + ik * (12.0 * y2 + ik * (24.0 * y + ik * 24.0))));
      tail += term;
      if (term < 1e-18 * fullintegral) break;
    }
    integral = fullintegral - tail;
  }
  return 3.0 * integral / (y * y * y);
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
