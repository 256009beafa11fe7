#include "thermo/formats/text/plain_numbers.hpp"

#include <charconv>
#include <system_error>

#include "thermo/base/number_text.hpp"

namespace thermo {

bool plainnumbers(std::string_view line, std::size_t count, double* values) {
  const char* p = line.data();
  const char* const end = p + line.size();
  auto blanks = [&] {
    while (p != end && (*p == ' ' || *p == '\t')) ++p;
  };
  blanks();
  for (std::size_t k = 0; k < count; ++k) {
    if (k > 0) {  // the separator: blanks, at most one comma, blanks
      if (p != end && *p == ',') ++p;
      blanks();
    }
    // Only a digit, a point or a minus sign before either begins a plain
    // number: not NaN, Inf, a plus sign or a repeat count.
    const char* digit = p != end && *p == '-' ? p + 1 : p;
    if (digit == end || !((*digit >= '0' && *digit <= '9') || *digit == '.')) return false;
    const auto [next, ec] = fromchars(p, end, values[k]);
    if (ec != std::errc() || (next != end && *next != ' ' && *next != '\t' && *next != ',')) return false;
    p = next;
    blanks();
  }
  return true;
}

}  // namespace thermo
