#include "thermo/qha/fit_health.hpp"

#include "thermo/base/number_text.hpp"

namespace thermo {

std::vector<std::string> fithealth(const qhaoutcome& r, char& stiff, char& loose, const std::string& see) {
  std::vector<std::string> out;
  if (!stiff && !(r.row.bulk_modulus_prime >= lowestb0prime && r.row.bulk_modulus_prime <= highestb0prime)) {
    stiff = true;
    out.push_back("the fit's B0' is " + significant(r.row.bulk_modulus_prime) +
                  ", outside 1 to 10: too few volumes, or badly placed ones, for this equation of state" + see);
  }
  if (!loose && r.row.fit_rms > rmsshare * r.spread) {
    loose = true;
    out.push_back("the fit's rms residual, " + significant(r.row.fit_rms) +
                  " kJ/mol, is more than 1 % of G's spread over the volumes (" + significant(r.spread) +
                  " kJ/mol): the equation of state does not follow the data" + see);
  }
  return out;
}

}  // namespace thermo
