#include "thermo/formats/inputs/efe_file.hpp"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <string>
#include <string_view>

#include "common/escape.hpp"
#include "thermo/base/number_text.hpp"
#include "thermo/formats/text/decimal.hpp"
#include "thermo/formats/text/lines.hpp"
#include "thermo/harmonic/sweep.hpp"

namespace thermo {

bool readefe(source& in, std::size_t volumes, efedata& d, problem& p, std::vector<char>& storage) {
  d = efedata{};
  d.volumes = volumes;
  linereader lines(in, storage);
  std::string_view line;
  std::vector<double> items, lows;
  for (;;) {
    const linereader::status st = lines.next(line);
    if (st == linereader::status::end) break;
    if (st != linereader::status::line) {
      p = lines.failure(st, "an electronic free energy file");
      return false;
    }
    line = line.substr(0, line.find('#'));
    const long number = lines.number();
    items.clear();
    lows.clear();
    for (std::size_t i = 0;;) {
      i = line.find_first_not_of(" \t\r", i);
      if (i == std::string_view::npos) break;
      const std::size_t e = std::min(line.find_first_of(" \t\r", i), line.size());
      double x = 0.0;
      const auto r = std::from_chars(line.data() + i, line.data() + e, x);
      if (r.ec != std::errc() || r.ptr != line.data() + e || !std::isfinite(x)) {
        char shown[128];
        common::escape(line.data() + i, std::min<std::size_t>(e - i, 32), shown, sizeof shown);
        p = {number, "item " + std::to_string(items.size() + 1) + " is not a finite number: \"" + shown + "\""};
        return false;
      }
      items.push_back(x);
      lows.push_back(decimallow(line.substr(i, e - i), x));
      i = e;
    }
    if (items.empty()) continue;
    if (items.size() != volumes + 1) {
      p = {number, std::to_string(items.size()) + " numbers, where a temperature and the " + std::to_string(volumes) +
                       " volumes' energies make " + std::to_string(volumes + 1)};
      return false;
    }
    const double t = items[0];
    if (!(t >= 0.0 && t <= maxtemperature)) {
      p = {number, "the temperature " + shortest(t) + " K is outside 0 to " + significant(maxtemperature) + " K"};
      return false;
    }
    if (!d.temperature.empty() && !(t > d.temperature.back())) {
      p = {number, "the temperature " + shortest(t) + " K does not follow " + shortest(d.temperature.back()) +
                       " K: the temperatures must increase"};
      return false;
    }
    if (static_cast<double>(d.temperature.size()) >= maxtemperatures) {
      p = {number, "more than " + significant(maxtemperatures) + " temperatures"};
      return false;
    }
    d.temperature.push_back(t);
    d.f.insert(d.f.end(), items.begin() + 1, items.end());
    d.flow.insert(d.flow.end(), lows.begin() + 1, lows.end());
    d.line.push_back(number);
  }
  if (d.temperature.empty()) {
    p = {0, "no data: the file is empty or holds only comments"};
    return false;
  }
  // S and Cv come from a not-a-knot cubic spline in T, which fewer nodes
  // would quietly lower to a parabola, a line or a constant.
  if (d.temperature.size() < 4) {
    p = {0, std::to_string(d.temperature.size()) + " temperature" + (d.temperature.size() == 1 ? "" : "s") +
                ": the electrons' S and Cv come from a cubic spline in T, which needs at least 4"};
    return false;
  }
  return true;
}

}  // namespace thermo
