#include "heat_capacity/report.hpp"

#include "heat_capacity/editfmt.hpp"

namespace heat_capacity {

char* headerline(char* out, double refval, std::int32_t ntemp) {
  out = putlistreal(out, refval);
  out = putlistint(out, ntemp);
  *out++ = '\n';
  return out;
}

char* tablerow(char* out, double t, double s, double cd, double thetad) {
  // Electronvolts per rydberg, joules per electronvolt and Avogadro's number,
  // each the single-precision value of the decimal, widened.
  constexpr double evperry = 13.6000003814697265625;
  constexpr double jperev = 1.6020000460965951e-19;
  constexpr double avogadro = 6.022000131241475e+23;
  static_assert(evperry == static_cast<double>(13.6f));
  static_assert(jperev == static_cast<double>(1.602e-19f));
  static_assert(avogadro == static_cast<double>(6.022e23f));
  // The low-temperature Debye coefficient (12 pi^4 / 5) k_B in eV/K.
  constexpr double t3coef = 0.020137768135295987;

  const double harmonicev = (s + s) * evperry;
  const double harmonicj = (((s + s) * evperry) * jperev) * avogadro;
  const double debyeev = cd * evperry;
  const double t3law = (((((t * t3coef) * t) * t) / thetad) / thetad) / thetad;

  out = putf(out, t, 7, 2);
  out = putes(out, harmonicev, 15, 7);
  out = puta(out, "eV/K", 5);
  out = putf(out, harmonicj, 9, 5);
  out = puta(out, "J/mol/K", 8);
  out = putes(out, debyeev, 15, 7);
  out = puta(out, "eV/K", 5);
  out = putes(out, t3law, 15, 7);
  *out++ = '\n';
  return out;
}

}  // namespace heat_capacity
