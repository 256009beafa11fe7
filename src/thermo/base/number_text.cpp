#include "thermo/base/number_text.hpp"

#include <charconv>
#include <cmath>
#include <cstdio>

namespace thermo {

void appendshortest(std::string& s, double v) {
  if (std::isnan(v)) {
    s += "nan";
    return;
  }
  char buf[32];
  s.append(buf, std::to_chars(buf, buf + sizeof buf, v).ptr);
}

std::string shortest(double v) {
  std::string s;
  appendshortest(s, v);
  return s;
}

std::string significant(double v, int digits) {
  char buf[64];
  std::snprintf(buf, sizeof buf, "%.*g", digits, v);
  return buf;
}

std::string fixed(double v, int width, int decimals) {
  char buf[400];
  std::snprintf(buf, sizeof buf, "%*.*f", width, decimals, v);
  return buf;
}

}  // namespace thermo
