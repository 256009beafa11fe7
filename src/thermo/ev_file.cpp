#include "thermo/ev_file.hpp"

#include <charconv>
#include <cmath>
#include <cstring>
#include <limits>
#include <string>

#include "common/escape.hpp"
#include "common/freeform.hpp"
#include "thermo/lines.hpp"

namespace thermo {

namespace {

std::string shortest(double v) {
  char buf[32];
  return std::string(buf, std::to_chars(buf, buf + sizeof buf, v).ptr);
}

}  // namespace

bool readev(source& in, evdata& ev, problem& p, std::vector<char>& storage) {
  ev = evdata{};
  linereader lines(in, storage);
  std::string_view line;
  for (;;) {
    const linereader::status st = lines.next(line);
    if (st == linereader::status::end) break;
    if (st == linereader::status::binary) {
      p = {lines.number(), "binary data, not a volume-energy file"};
      return false;
    }
    if (st == linereader::status::error) {
      p = {lines.number() + 1, std::string("cannot read: ") + std::strerror(lines.error())};
      return false;
    }
    const std::size_t first = line.find_first_not_of(" \t");
    if (first == std::string_view::npos || line[first] == '#' || line[first] == '!') continue;
    const long number = lines.number();
    double v[2] = {std::numeric_limits<double>::quiet_NaN(), std::numeric_limits<double>::quiet_NaN()};
    common::listreader reader(line.data(), line.size() + 1);
    const common::readresult r = reader.readreals(v, 2);
    if (r.status == common::readstatus::notnumber) {
      char shown[4 * sizeof r.text];
      common::escape(r.text, std::strlen(r.text), shown, sizeof shown);
      p = {number, "item " + std::to_string(r.item) + " is not a number: \"" + shown + "\""};
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
    for (std::size_t i = 0; i < ev.volume.size(); ++i)
      if (ev.volume[i] == v[0]) {
        p = {number, "the volume " + shortest(v[0]) + " A^3 is given twice (also on line " + std::to_string(ev.line[i]) + ")"};
        return false;
      }
    ev.volume.push_back(v[0]);
    ev.energy.push_back(v[1]);
    ev.line.push_back(number);
  }
  return true;
}

bool parseev(std::string_view text, evdata& ev, problem& p) {
  source in(text);
  std::vector<char> storage;
  return readev(in, ev, p, storage);
}

}  // namespace thermo
