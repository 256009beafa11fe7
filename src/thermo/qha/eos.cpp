#include "thermo/qha/eos.hpp"

#include <cmath>

namespace thermo {

bool parseeos(std::string_view name, eos& form) {
  if (name == "vinet") form = eos::vinet;
  else if (name == "birch_murnaghan") form = eos::birch_murnaghan;
  else if (name == "murnaghan") form = eos::murnaghan;
  else if (name == "strain") form = eos::strain;
  else return false;
  return true;
}

const char* eosname(eos form) {
  switch (form) {
    case eos::birch_murnaghan: return "birch_murnaghan";
    case eos::murnaghan: return "murnaghan";
    case eos::strain: return "strain";
    case eos::vinet: break;
  }
  return "vinet";
}

void eospressure(eos form, double v, const double p[4], double& pressure, double& bulk) {
  const double b0 = p[1], b = p[2], v0 = p[3];
  switch (form) {
    case eos::birch_murnaghan: {
      // y = (V0/V)^(1/3): P = 3/2 B0 (y^7 - y^5) [1 + c (y^2 - 1)], c = 3/4 (B0' - 4),
      // B = (y/3) dP/dy.
      const double y = std::cbrt(v0 / v), y2 = y * y, y4 = y2 * y2, y5 = y4 * y, y7 = y5 * y2;
      const double c = 0.75 * (b - 4.0), bracket = 1.0 + c * (y2 - 1.0);
      pressure = 1.5 * b0 * (y7 - y5) * bracket;
      bulk = 0.5 * b0 * y * ((7.0 * y4 * y2 - 5.0 * y4) * bracket + 2.0 * c * y * (y7 - y5));
      return;
    }
    case eos::murnaghan: {
      // P = B0 ((V0/V)^B0' - 1) / B0', B = B0 (V0/V)^B0'.
      const double l = std::log(v0 / v);
      pressure = b == 0.0 ? b0 * l : b0 * std::expm1(b * l) / b;
      bulk = b0 * std::exp(b * l);
      return;
    }
    case eos::vinet:
    case eos::strain: break;
  }
  // x = (V/V0)^(1/3), xi = 3/2 (B0' - 1): P = 3 B0 (1 - x) / x^2 e^{xi (1 - x)},
  // B = B0 e^{xi (1 - x)} / x^2 [2 - x + xi x (1 - x)].
  const double x = std::cbrt(v / v0), u = 1.0 - x, xi = 1.5 * (b - 1.0), e = std::exp(xi * u) / (x * x);
  pressure = 3.0 * b0 * u * e;
  bulk = b0 * e * (2.0 - x + xi * x * u);
}

}  // namespace thermo
