#include "thermo/formats/outputs/error_output.hpp"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <string_view>

#include "thermo/base/number_text.hpp"

namespace thermo {

std::string errorcsvheader(const char* const* names, int k, bool fit) {
  std::string s;
  for (int j = 0; j < k; ++j)
    for (const char* part : {"_err_data", "_err_model", "_err_fit", "_err"})
      if (fit || std::string_view(part) != "_err_fit") s += std::string(",") + names[j] + part;
  return s;
}

void appenderrorfields(std::string& s, const errorbar* e, int k, bool fit) {
  for (int j = 0; j < k; ++j) {
    const double fields[] = {e[j].data, e[j].model, e[j].fit, e[j].total()};
    for (int c = 0; c < 4; ++c) {
      if (c == 2 && !fit) continue;
      s += ',';
      appendshortest(s, fields[c]);
    }
  }
}

std::string concise(double x, double u, bool exponent, int decimals) {
  int power = 0;
  if (exponent && std::isfinite(x)) {
    const double lead = x != 0.0 ? std::fabs(x) : (u > 0.0 ? u : 1.0);
    power = static_cast<int>(std::floor(std::log10(lead)));
  }
  double m = x, um = u;
  char digits[64] = "nan";
  for (int pass = 0; pass < 2; ++pass) {
    const double scale = std::pow(10.0, power);
    m = x / scale;
    um = u / scale;
    if (std::isfinite(um) && um > 0.0) {
      decimals = std::clamp(1 - static_cast<int>(std::floor(std::log10(um))), 0, 12);
      // 0.000998 to 5 decimals shows as (100): two digits, (10), to one fewer.
      if (decimals > 0 && std::round(um * std::pow(10.0, decimals)) >= 100.0) --decimals;
    }
    // 9.9996e-05 to 3 decimals is 10.000e-05: 1.0000e-04 instead.
    const double unit = std::pow(10.0, decimals);
    if (!exponent || !(std::round(std::fabs(m) * unit) / unit >= 10.0)) break;
    ++power;
  }
  if (std::isfinite(um) && um > 0.0) std::snprintf(digits, sizeof digits, "%.0f", um * std::pow(10.0, decimals));
  else if (um == 0.0) std::snprintf(digits, sizeof digits, "0");
  char buf[128];
  if (exponent) std::snprintf(buf, sizeof buf, "%.*f(%s)e%+03d", decimals, m, digits, power);
  else std::snprintf(buf, sizeof buf, "%.*f(%s)", decimals, m, digits);
  return buf;
}

}  // namespace thermo
