#include "thermo/qha/row_errors.hpp"

#include <cmath>

#include "thermo/harmonic/constants.hpp"
#include "thermo/qha/parameter_derivatives.hpp"
#include "thermo/qha/qha.hpp"

namespace thermo {

namespace {

constexpr double kjmol = elementary * avogadro / 1000.0;  // kJ/mol per eV
constexpr double jmol = elementary * avogadro;            // J/mol per eV

}  // namespace

void rowvalues(double t, double classical, const parameters& p, const parameters& dp, const parameters& d2p,
               double values[rowerrorcount]) {
  const double v = p[3], b = p[1];
  values[0] = v;
  values[1] = p[0] * kjmol;
  values[2] = b * gpa;
  values[3] = t > 0.0 ? clampedzero(dp[3] / v, zerofloor * classical / (b * v)) : 0.0;
  values[4] = t > 0.0 ? clampedzero(-t * d2p[0], zerofloor * classical) * jmol : 0.0;
}

bool rowvaluesof(eos form, const gibbsdata& data, double t, double classical, parameters& p,
                 double values[rowerrorcount], std::string& why) {
  hessian h;
  if (!fitfrom(form, data, p, h, why)) return false;
  parameters dp, d2p;
  parameterderivatives(form, data, p, h, dp, d2p);
  rowvalues(t, classical, p, dp, d2p, values);
  return true;
}

bool formerrors(const gibbsdata& data, double t, double classical, const parameters& p, double half[rowerrorcount],
                std::string& why) {
  const bool spread = formspread(rowerrorcount, [&](eos f, double* x) {
    parameters q = p;
    return rowvaluesof(f, data, t, classical, q, x, why);
  }, half);
  if (!spread) why = "with another equation of state, " + why;
  return spread;
}

bool rowerrors(eos form, const gibbsdata& data, double t, double classical, const parameters& p, rowerrorbars& out,
               std::string& why) {
  double sigma[rowerrorcount], half[rowerrorcount];
  leftout part;
  const bool jack = jackknife(data.n, rowerrorcount, [&](int i, double* x) {
    leaveout(data, i, part);
    parameters q = p;
    return rowvaluesof(form, part.data(), t, classical, q, x, why);
  }, sigma);
  if (!jack) {
    why = "with a volume left out, " + why;
    return false;
  }
  if (!formerrors(data, t, classical, p, half, why)) return false;
  for (int j = 0; j < rowerrorcount; ++j) out[j] = {sigma[j], half[j], 0.0};
  return true;
}

}  // namespace thermo
