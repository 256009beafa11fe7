#include "thermo/columns.hpp"

#include <cmath>
#include <cstring>
#include <limits>

#include "common/escape.hpp"
#include "common/freeform.hpp"
#include "thermo/lines.hpp"

namespace thermo {

namespace {

// What is wrong with one point read into v (pre-set to NaN, which a null
// item or a slash leaves in place); empty where it is a point.
std::string pointproblem(const common::readresult& r, const double v[2]) {
  switch (r.status) {
    case common::readstatus::ok: break;
    case common::readstatus::endoffile: return "a line with one number; two are needed, the energy and the DOS";
    case common::readstatus::notnumber: {
      char shown[4 * sizeof r.text];
      common::escape(r.text, std::strlen(r.text), shown, sizeof shown);
      return "item " + std::to_string(r.item) + " is not a number: \"" + shown + "\"";
    }
    default: return "unreadable";
  }
  if (std::isnan(v[0]) || std::isnan(v[1])) return "a missing or NaN value";
  return {};
}

// The end of the k-th item of a line (items separated by blanks, tabs or a
// comma), or npos where the line has fewer.
std::size_t itemend(std::string_view line, int k) {
  std::size_t i = 0;
  for (int item = 0; item < k; ++item) {
    while (i < line.size() && (line[i] == ' ' || line[i] == '\t' || line[i] == ',')) ++i;
    if (i == line.size()) return std::string_view::npos;
    while (i < line.size() && line[i] != ' ' && line[i] != '\t' && line[i] != ',') ++i;
  }
  return i;
}

}  // namespace

bool readcolumns(source& in, unit u, spectrum& s, problem& p, std::vector<char>& storage) {
  spectrumbuilder build(s, u);
  linereader lines(in, storage);
  std::string_view line;
  for (;;) {
    const linereader::status st = lines.next(line);
    if (st == linereader::status::end) break;
    if (st == linereader::status::binary) {
      p = {lines.number(), "binary data, not a DOS text file"};
      return false;
    }
    if (st == linereader::status::error) {
      p = {lines.number() + 1, std::string("cannot read: ") + std::strerror(lines.error())};
      return false;
    }
    const std::size_t first = line.find_first_not_of(" \t");
    if (first == std::string_view::npos || line[first] == '#' || line[first] == '!') continue;
    // A line cut at its first MiB is read only where both numbers end
    // before the cut.
    if (lines.truncated() && itemend(line, 2) >= line.size()) {
      p = {lines.number(), "a line longer than " + std::to_string(linereader::maxline) +
                               " bytes whose first two items do not end before that"};
      return false;
    }
    // One record of the free-form reader over this line alone (and the line
    // end after it). A null item or a slash leaves its value unset, which
    // the NaN sentinel catches.
    common::listreader reader(line.data(), line.size() + 1);
    const double unset = std::numeric_limits<double>::quiet_NaN();
    double v[2] = {unset, unset};
    const common::readresult r = reader.readreals(v, 2);
    if (std::string what = pointproblem(r, v); !what.empty()) {
      p = {lines.number(), std::move(what)};
      return false;
    }
    if (!build.add(v[0], v[1], lines.number(), p)) return false;
  }
  if (s.energy.empty()) {
    p = {0, "no data: the file is empty or holds only comments"};
    return false;
  }
  return build.finish(p);
}

bool parsecolumns(std::string_view text, unit u, spectrum& s, problem& p) {
  source in(text);
  std::vector<char> storage;
  return readcolumns(in, u, s, p, storage);
}

}  // namespace thermo
