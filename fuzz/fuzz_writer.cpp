// Arbitrary doubles through the edit-descriptor writer: every field has its
// width, and a printed number reads back to the value rounded to the printed
// digits (within half a unit of the last printed digit).
#include <charconv>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>

#include "heat_capacity/editfmt.hpp"

namespace {

[[noreturn]] void fault() { __builtin_trap(); }

// The printed text as a number: `v` the value it shows, `lastexp` the power
// of ten of its last digit. False for asterisks, NaN and Inf.
bool readback(const std::string& field, double& v, int& lastexp, bool scientific, int d) {
  const auto first = field.find_first_not_of(' ');
  if (first == std::string::npos) fault();  // never a blank field
  const std::string text = field.substr(first);
  if (text.find_first_of("*NI") != std::string::npos) return false;
  std::string mantissa = text;
  int exponent = 0;
  if (scientific) {
    // E+nn, or a sign and three digits without the letter.
    const std::size_t e = text.find('E');
    const std::size_t x = e != std::string::npos ? e + 1 : text.find_first_of("+-", 1);
    if (x == std::string::npos) fault();
    const std::size_t digits = x + 1;
    if (text.size() - digits != (e != std::string::npos ? 2u : 3u)) fault();
    std::from_chars(text.data() + digits, text.data() + text.size(), exponent);
    if (text[x] == '-') exponent = -exponent;
    mantissa = text.substr(0, e != std::string::npos ? e : x);
  }
  const std::size_t p = mantissa.find('.');
  if (p == std::string::npos || mantissa.size() - p - 1 != static_cast<std::size_t>(d)) fault();
  double m = 0;
  if (std::from_chars(mantissa.data(), mantissa.data() + mantissa.size(), m).ec != std::errc()) fault();
  if (scientific && m != 0 && (std::fabs(m) < 1 || std::fabs(m) >= 10)) fault();
  lastexp = exponent - d;
  v = static_cast<double>(static_cast<long double>(m) * std::pow(10.0L, exponent));
  return true;
}

void check(double v, bool scientific, int w, int d) {
  char buf[heat_capacity::maxfield];
  char* end = scientific ? heat_capacity::putes(buf, v, w, d) : heat_capacity::putf(buf, v, w, d);
  if (end - buf != w) fault();
  std::string text(buf, end);
  if (std::isnan(v)) {
    if (text.find("NaN") == std::string::npos) fault();
    return;
  }
  if (std::isinf(v)) {
    if (text.find("Inf") == std::string::npos) fault();
    return;
  }
  double back = 0;
  int lastexp = 0;
  if (!readback(text, back, lastexp, scientific, d)) {
    if (text != std::string(static_cast<std::size_t>(w), '*')) fault();
    // Asterisks only where the value really does not fit.
    if (!scientific) {
      // The smallest magnitude that rounds to w - d - 1 integer digits (one
      // fewer with a minus sign).
      const double limit = std::pow(10.0, std::signbit(v) ? w - d - 2 : w - d - 1) - 0.5 * std::pow(10.0, -d);
      if (std::fabs(v) < limit * (1 - 1e-9)) fault();
    }
    return;
  }
  if (std::signbit(v) != (text[text.find_first_not_of(' ')] == '-')) fault();
  // Within half a unit of the last printed digit, with slack for the
  // reconstruction above.
  const long double unit = std::pow(10.0L, lastexp);
  const long double err = std::fabs(static_cast<long double>(back) - static_cast<long double>(v));
  if (err > unit * 0.5L * (1 + 1e-12L) + std::fabs(static_cast<long double>(v)) * 1e-15L) fault();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  for (std::size_t i = 0; i + 8 <= size; i += 8) {
    double v;
    std::memcpy(&v, data + i, 8);
    check(v, false, 7, 2);
    check(v, false, 9, 5);
    check(v, true, 15, 7);
    // Small exponents often: scale into the table's range.
    check(std::ldexp(std::fmod(v, 1.0), 10), false, 9, 5);
  }
  return 0;
}
