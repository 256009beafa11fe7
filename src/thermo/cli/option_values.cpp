#include "thermo/cli/option_values.hpp"

#include <charconv>
#include <cmath>
#include <system_error>

namespace thermo {

bool optionnumber(std::string_view text, double& v, std::string& why) {
  while (!text.empty() && (text.front() == ' ' || text.front() == '\t')) text.remove_prefix(1);
  while (!text.empty() && (text.back() == ' ' || text.back() == '\t')) text.remove_suffix(1);
  // A leading '+' where a digit or point follows; from_chars takes only '-'.
  if (text.size() > 1 && text[0] == '+' && (text[1] == '.' || (text[1] >= '0' && text[1] <= '9'))) text.remove_prefix(1);
  const char* end = text.data() + text.size();
  // Digits, a point, an exponent and a sign only: from_chars would also take
  // inf, nan and their spellings.
  for (char c : text)
    if (!((c >= '0' && c <= '9') || c == '.' || c == 'e' || c == 'E' || c == '-' || c == '+')) {
      why = "is not a number";
      return false;
    }
  double x = 0.0;
  const auto r = std::from_chars(text.data(), end, x, std::chars_format::general);
  if (text.empty() || (r.ec != std::errc() && r.ec != std::errc::result_out_of_range) || r.ptr != end) {
    why = "is not a number";
    return false;
  }
  if (r.ec == std::errc::result_out_of_range || !std::isfinite(x)) {
    why = "is out of range";
    return false;
  }
  v = x + 0.0;  // -0 as 0
  return true;
}

bool optionlist(std::string_view text, std::vector<double>& list, std::string& item, std::string& why) {
  list.clear();
  for (;;) {
    const std::size_t e = std::min(text.find(','), text.size());
    double v = 0.0;
    if (!optionnumber(text.substr(0, e), v, why)) {
      item = std::string(text.substr(0, e));
      return false;
    }
    list.push_back(v);
    if (e == text.size()) return true;
    text.remove_prefix(e + 1);
  }
}

}  // namespace thermo
