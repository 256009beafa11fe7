// phonopy's own layout of thermal_properties.yaml, line by line: top-level
// `key: value` lines, `unit:` with its keys indented by two blanks, and the
// `thermal_properties:` list, each entry a `- key: value` line and `  key:
// value` lines, with blank lines and `#` comments between. libyaml spends
// some 1,600 instructions on each scalar (most of them in malloc and free):
// for 11 files of 1,001 temperatures, two thirds of a --qha run. Here a
// file costs a tenth of that; any line outside this layout sends the whole
// file back to libyaml, so that what is read never depends on the path.
#include <string_view>

#include "thermo/formats/text/lines.hpp"
#include "thermo/formats/yaml/thermal_properties.hpp"
#include "thermo/formats/yaml/yaml_lines.hpp"

namespace thermo {

namespace {

enum class outcome { read, elsewise, failed };

outcome readlines(source& in, thermaltable& t, problem& p, std::vector<char>& storage) {
  enum class section { top, unit, list } at = section::top;
  linereader lines(in, storage);
  keyset top, unit, entrykeys;  // a key given twice goes to libyaml, which refuses it
  thermalentry entry;
  long entryline = 0;
  std::string_view line, key, value;
  try {
    for (;;) {
      const linereader::status st = lines.next(line);
      if (st == linereader::status::end) break;
      if (st != linereader::status::line) {
        p = lines.failure(st, "a thermal_properties.yaml");
        return outcome::failed;
      }
      if (lines.truncated() || !printable(line)) return outcome::elsewise;
      line = line.substr(0, line.find_last_not_of(' ') + 1);
      if (line.empty() || line[0] == '#') continue;
      const long n = lines.number();
      const bool item = line.size() > 2 && line.substr(0, 2) == "- " && line[2] != ' ';
      const bool indented = line.size() > 2 && line.substr(0, 2) == "  " && line[2] != ' ';
      if (line[0] != ' ' && line[0] != '-') {
        if (!keyvalue(line, key, value) || !top.fresh(key)) return outcome::elsewise;
        if (entryline > 0) addthermalentry(t, entry, entryline);
        entryline = 0;
        at = section::top;
        if (value.empty() && key == "unit") at = section::unit;
        else if (value.empty() && key == "thermal_properties") at = section::list;
        else if (value.empty()) return outcome::elsewise;
        else thermalkey(t, key, value, n);
      } else if (at == section::unit && indented && keyvalue(line.substr(2), key, value) && !value.empty() &&
                 unit.fresh(key)) {
        thermalunit(key, value, n);
      } else if (at == section::list && item && keyvalue(line.substr(2), key, value) && !value.empty()) {
        if (entryline > 0) addthermalentry(t, entry, entryline);
        entry = thermalentry{};
        entryline = n;
        entrykeys.clear();
        entrykeys.fresh(key);
        thermalentrykey(entry, key, value, n);
      } else if (at == section::list && indented && entryline > 0 && keyvalue(line.substr(2), key, value) &&
                 !value.empty() && entrykeys.fresh(key)) {
        thermalentrykey(entry, key, value, n);
      } else {
        return outcome::elsewise;
      }
    }
    if (entryline > 0) addthermalentry(t, entry, entryline);
  } catch (problem& e) {
    p = std::move(e);
    return outcome::failed;
  }
  return outcome::read;
}

}  // namespace

bool readthermalfile(const std::string& path, source& in, thermaltable& t, problem& p, std::vector<char>& storage) {
  if (!in.rereadable()) return readthermal(in, t, p);
  t = thermaltable{};
  if (!thermalhead(in.peek(), p)) return false;
  switch (readlines(in, t, p, storage)) {
    case outcome::read: return thermalwhole(t, p);
    case outcome::failed: return false;
    case outcome::elsewise: break;
  }
  source again;
  std::string why;
  if (!again.open(path, why)) {
    p = {0, why};
    return false;
  }
  return readthermal(again, t, p);
}

}  // namespace thermo
