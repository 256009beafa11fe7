#include "thermo/formats/text/decimal.hpp"

#include <charconv>
#include <cmath>
#include <string>

namespace thermo {

double decimallow(std::string_view text, double value) {
  std::size_t i = 0;
  const bool negative = i < text.size() && text[i] == '-';
  if (i < text.size() && (text[i] == '-' || text[i] == '+')) ++i;
  std::string digits;
  long point = -1;  // digits before the point
  for (; i < text.size(); ++i) {
    const char c = text[i];
    if (c >= '0' && c <= '9') digits += c;
    else if (c == '.' && point < 0) point = static_cast<long>(digits.size());
    else break;
  }
  if (digits.empty() || digits.size() > 4096) return 0.0;
  if (point < 0) point = static_cast<long>(digits.size());
  if (i < text.size()) {
    const char c = text[i];
    if (c != 'e' && c != 'E' && c != 'd' && c != 'D') return 0.0;
    long e = 0;
    const char* from = text.data() + i + 1;
    if (from < text.data() + text.size() && *from == '+') ++from;
    const auto r = std::from_chars(from, text.data() + text.size(), e);
    if (r.ec != std::errc() || r.ptr != text.data() + text.size() || e > 100 || e < -100) return 0.0;
    point += e;
  }
  // The integer part and the fraction, the point moved by the exponent.
  std::string whole, fraction;
  if (point <= 0) {
    fraction = std::string(static_cast<std::size_t>(-point), '0') + digits;
  } else if (point >= static_cast<long>(digits.size())) {
    whole = digits + std::string(static_cast<std::size_t>(point) - digits.size(), '0');
  } else {
    whole = digits.substr(0, static_cast<std::size_t>(point));
    fraction = digits.substr(static_cast<std::size_t>(point));
  }
  whole.erase(0, std::min(whole.find_first_not_of('0'), whole.size()));
  if (whole.size() > 15) return 0.0;
  long long n = 0;
  if (!whole.empty()) std::from_chars(whole.data(), whole.data() + whole.size(), n);
  double f = 0.0;
  if (!fraction.empty()) {
    fraction = "0." + fraction;
    std::from_chars(fraction.data(), fraction.data() + fraction.size(), f);
  }
  const double whole_d = static_cast<double>(n);  // exact: below 2^53
  const double magnitude = negative ? -value : value;
  const double ulp = std::nextafter(std::fabs(magnitude), INFINITY) - std::fabs(magnitude);
  if (!(std::fabs(whole_d + f - magnitude) <= 2.0 * ulp)) return 0.0;
  // magnitude - whole is exact (Sterbenz: magnitude lies in [whole, whole + 1]);
  // the low part is what the fraction holds beyond it.
  const double low = f - (magnitude - whole_d);
  return negative ? -low : low;
}

double decimallowitem(std::string_view line, int k, double value) {
  std::size_t i = 0;
  for (int item = 0;; ++item) {
    i = line.find_first_not_of(" \t\r", i);
    if (i == std::string_view::npos) return 0.0;
    if (line[i] == ',' && item > 0) i = line.find_first_not_of(" \t\r", i + 1);
    if (i == std::string_view::npos) return 0.0;
    const std::size_t e = std::min(line.find_first_of(" \t\r,", i), line.size());
    if (item == k) return decimallow(line.substr(i, e - i), value);
    i = e;
  }
}

}  // namespace thermo
