#include "thermo/base/number_text.hpp"

#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstring>

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

std::from_chars_result fromchars(const char* first, const char* last, double& v) {
  static constexpr double powers[23] = {1e0,  1e1,  1e2,  1e3,  1e4,  1e5,  1e6,  1e7,  1e8,  1e9,  1e10, 1e11,
                                        1e12, 1e13, 1e14, 1e15, 1e16, 1e17, 1e18, 1e19, 1e20, 1e21, 1e22};
  auto digit = [&](const char* p) { return p != last && static_cast<unsigned char>(*p - '0') < 10; };
  // Eight digits at a time where eight bytes in a row are digits (the
  // bytes of a little-endian word, combined in three multiplications).
  auto digits = [&](const char*& p, std::uint64_t& m) {
    while (last - p >= 8) {
      std::uint64_t w;
      std::memcpy(&w, p, 8);
      if ((((w & 0xF0F0F0F0F0F0F0F0) | (((w + 0x0606060606060606) & 0xF0F0F0F0F0F0F0F0) >> 4)) != 0x3333333333333333))
        break;
      w = ((w & 0x0F0F0F0F0F0F0F0F) * 2561) >> 8;
      w = ((w & 0x00FF00FF00FF00FF) * 6553601) >> 16;
      m = 100000000 * m + (((w & 0x0000FFFF0000FFFF) * 42949672960001) >> 32);
      p += 8;
    }
    for (; digit(p); ++p) m = 10 * m + static_cast<unsigned>(*p - '0');
  };
  const char* p = first;
  const bool negative = p != last && *p == '-';
  if (negative) ++p;
  // At most 19 digits, leading zeros included, cannot overflow m.
  std::uint64_t m = 0;
  const char* const whole = p;
  digits(p, m);
  long count = p - whole, scale = 0;
  if (p != last && *p == '.') {
    const char* const fraction = ++p;
    digits(p, m);
    scale = fraction - p;
    count -= scale;
  }
  if (p != last && (*p == 'e' || *p == 'E')) {
    const char* q = p + 1;
    const bool down = q != last && *q == '-';
    if (q != last && (*q == '-' || *q == '+')) ++q;
    long e = 0;
    const char* const from = q;
    for (; digit(q) && q - from < 4; ++q) e = 10 * e + (*q - '0');
    if (q == from || digit(q)) return std::from_chars(first, last, v, std::chars_format::general);
    scale += down ? -e : e;
    p = q;
  }
  if (count == 0 || count > 19 || m > (std::uint64_t{1} << 53) || scale < -22 || scale > 22)
    return std::from_chars(first, last, v, std::chars_format::general);
  const double d = static_cast<double>(m);
  v = scale >= 0 ? d * powers[scale] : d / powers[-scale];
  if (negative) v = -v;
  return {p, std::errc()};
}

}  // namespace thermo
