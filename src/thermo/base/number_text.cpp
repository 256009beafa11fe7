#include "thermo/base/number_text.hpp"

#include <charconv>
#include <cmath>

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

// to_chars with a precision writes what printf's %g and %f write in the C
// locale, whatever locale the process has set (a Python caller may have set
// one whose decimal point is a comma).
std::string significant(double v, int digits) {
  char buf[64];
  return std::string(buf, std::to_chars(buf, buf + sizeof buf, v, std::chars_format::general, digits).ptr);
}

std::string fixed(double v, int width, int decimals) {
  char buf[400];
  const char* end = std::to_chars(buf, buf + sizeof buf, v, std::chars_format::fixed, decimals).ptr;
  const std::size_t n = static_cast<std::size_t>(end - buf);
  const std::size_t pad = width > 0 && static_cast<std::size_t>(width) > n ? static_cast<std::size_t>(width) - n : 0;
  return std::string(pad, ' ') + std::string(buf, n);
}

}  // namespace thermo
