#include "heat_capacity/debye.hpp"

namespace heat_capacity {

double integr(double x) {
  double t = ((x * x) * x) * x;
  t = std::exp(x) * t;
  t = t / (std::exp(x) - 1);
  return t / (std::exp(x) - 1);
}

double debye(double t, double theta) {
  // Boltzmann constant in rydberg per kelvin: the single-precision value of
  // 6.33376e-6, widened.
  constexpr double kb = 6.3337602114188485e-06;
  static_assert(kb == static_cast<double>(6.33376e-6f));
  const double lower = 0.0;
  const double upper = theta / t;
  const double eps = 1e-5;
  const double integral = rgauss(integr, lower, upper, eps);
  return ((((integral * 9.0) * kb) * (t / theta)) * (t / theta)) * (t / theta);
}

}  // namespace heat_capacity

namespace {
// The quadrature table holds single-precision values exactly.
constexpr bool singleprecision(const std::array<double, 12>& a) {
  for (double v : a) {
    if (static_cast<double>(static_cast<float>(v)) != v) return false;
  }
  return true;
}
static_assert(singleprecision(heat_capacity::x) && singleprecision(heat_capacity::w));
}  // namespace
