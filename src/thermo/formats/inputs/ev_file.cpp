#include "thermo/formats/inputs/ev_file.hpp"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>
#include <numeric>
#include <string>

#include "common/freeform.hpp"
#include "thermo/base/number_text.hpp"
#include "thermo/formats/text/decimal.hpp"
#include "thermo/formats/text/lines.hpp"

namespace thermo {

bool readev(source& in, evdata& ev, problem& p, std::vector<char>& storage) {
  ev = evdata{};
  linereader lines(in, storage);
  std::string_view line;
  for (;;) {
    const linereader::status st = lines.next(line);
    if (st == linereader::status::end) break;
    if (st != linereader::status::line) {
      p = lines.failure(st, "a volume-energy file");
      return false;
    }
    const std::size_t first = line.find_first_not_of(" \t");
    if (first == std::string_view::npos || line[first] == '#' || line[first] == '!') continue;
    const long number = lines.number();
    double v[2] = {std::numeric_limits<double>::quiet_NaN(), std::numeric_limits<double>::quiet_NaN()};
    common::listreader reader(line.data(), line.size() + 1);
    const common::readresult r = reader.readreals(v, 2);
    if (r.status == common::readstatus::notnumber) {
      p = {number, notanumber(r)};
      return false;
    }
    if (r.status != common::readstatus::ok || std::isnan(v[0]) || std::isnan(v[1])) {
      p = {number, "a line that is not a volume and an energy"};
      return false;
    }
    if (!std::isfinite(v[0]) || !std::isfinite(v[1])) {
      p = {number, "a value that is not finite"};
      return false;
    }
    if (!(v[0] > 0.0)) {
      p = {number, "the volume " + shortest(v[0]) + " A^3 is not positive"};
      return false;
    }
    ev.volume.push_back(v[0]);
    ev.energy.push_back(v[1]);
    ev.energylow.push_back(decimallowitem(line, 1, v[1]));
    ev.line.push_back(number);
  }
  return true;
}

bool distinctvolumes(const evdata& ev, problem& p) {
  // In order of volume, and of line where two are equal: a volume given
  // twice sits next to its first line.
  std::vector<std::size_t> order(ev.volume.size());
  std::iota(order.begin(), order.end(), std::size_t{0});
  std::sort(order.begin(), order.end(), [&](std::size_t a, std::size_t b) {
    return ev.volume[a] < ev.volume[b] || (ev.volume[a] == ev.volume[b] && a < b);
  });
  std::size_t second = order.size(), first = 0;  // the earliest second line
  for (std::size_t k = 1; k < order.size(); ++k)
    if (ev.volume[order[k]] == ev.volume[order[k - 1]] && (second == order.size() || order[k] < second)) {
      second = order[k];
      first = order[k - 1];
    }
  if (second == order.size()) return true;
  p = {ev.line[second], "the volume " + shortest(ev.volume[second]) + " A^3 is given twice (also on line " +
                            std::to_string(ev.line[first]) + ")"};
  return false;
}

bool parseev(std::string_view text, evdata& ev, problem& p) {
  source in(text);
  std::vector<char> storage;
  return readev(in, ev, p, storage) && distinctvolumes(ev, p);
}

}  // namespace thermo
