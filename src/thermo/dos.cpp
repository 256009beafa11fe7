#include "thermo/dos.hpp"

#include <cmath>
#include <cstring>
#include <limits>
#include <utility>

#include "common/freeform.hpp"
#include "thermo/constants.hpp"

namespace thermo {

namespace {

struct unitinfo {
  unit u;
  const char* name;
  double joules;
};
constexpr unitinfo units[] = {
    {unit::thz, "THz", planck * 1e12},
    {unit::cm1, "cm-1", planck * lightspeed * 100.0},
    {unit::mev, "meV", elementary * 1e-3},
    {unit::ev, "eV", elementary},
    {unit::ry, "Ry", hartree / 2.0},
    {unit::ha, "Ha", hartree},
};

std::string readerproblem(const common::readresult& r, int item) {
  switch (r.status) {
    case common::readstatus::endoffile:
      return "a line with one number; two are needed, the energy and the DOS";
    case common::readstatus::notnumber:
      return std::string("item ") + std::to_string(item) + " is not a number: \"" + r.text + "\"";
    default: return "unreadable";
  }
}

// What is wrong with one point read into v (pre-set to NaN, which a null
// item or a slash leaves in place); empty where it is a point.
std::string pointproblem(const common::readresult& r, const double v[2]) {
  if (r.status != common::readstatus::ok) return readerproblem(r, r.item);
  if (std::isnan(v[0]) || std::isnan(v[1])) return "a missing or NaN value";
  return {};
}

bool binary(std::string_view text, problem& p) {
  if (std::memchr(text.data(), '\0', text.size()) == nullptr) return false;
  p = {0, "binary data, not a DOS text file"};
  return true;
}

// The checks common to every layout; lines[i] is where point i was read
// (lines is empty where the layout has no line numbers to give).
bool validate(spectrum& s, const std::vector<long>& lines, problem& p) {
  const std::size_t n = s.energy.size();
  if (n == 0) {
    p = {0, "no data: the file holds no DOS points"};
    return false;
  }
  long positive = 0;
  s.negative = 0;
  for (std::size_t i = 0; i < n; ++i) {
    const long line = lines.empty() ? 0 : lines[i];
    if (!std::isfinite(s.energy[i]) || !std::isfinite(s.dos[i])) {
      p = {line, "a value that is not finite"};
      return false;
    }
    if (i > 0 && !(s.energy[i] > s.energy[i - 1])) {
      p = {line, "energies do not increase strictly"};
      return false;
    }
    if (s.energy[i] > 0.0) ++positive;
    if (s.dos[i] < 0.0) ++s.negative;
  }
  if (positive < 2) {
    p = {0, "fewer than two points with energy above zero"};
    return false;
  }
  double integral = 0.0;
  for (std::size_t i = 1; i < n; ++i) integral += 0.5 * (s.dos[i] + s.dos[i - 1]) * (s.energy[i] - s.energy[i - 1]);
  if (!(integral > 0.0)) {
    p = {0, "the DOS does not integrate to a positive number of states"};
    return false;
  }
  return true;
}

}  // namespace

bool parseunit(std::string_view name, unit& u) {
  for (const auto& i : units)
    if (name == i.name) {
      u = i.u;
      return true;
    }
  return false;
}

const char* unitname(unit u) {
  for (const auto& i : units)
    if (i.u == u) return i.name;
  return "?";
}

double joules(unit u) {
  for (const auto& i : units)
    if (i.u == u) return i.joules;
  return std::numeric_limits<double>::quiet_NaN();
}

bool parsecolumns(std::string_view text, unit u, spectrum& s, problem& p) {
  s = spectrum{};
  std::vector<long> lines;
  const double scale = joules(u);
  long lineno = 0;
  std::size_t pos = 0;
  if (binary(text, p)) return false;
  while (pos < text.size()) {
    std::size_t end = text.find('\n', pos);
    if (end == std::string_view::npos) end = text.size();
    const std::string_view line = text.substr(pos, end - pos);
    pos = end + 1;
    ++lineno;
    const std::size_t first = line.find_first_not_of(" \t\r");
    if (first == std::string_view::npos || line[first] == '#' || line[first] == '!') continue;
    // One record of the free-form reader over this line alone. A null item
    // or a slash leaves its value unset, which the NaN sentinel catches.
    common::listreader reader(line.data(), line.size());
    const double unset = std::numeric_limits<double>::quiet_NaN();
    double v[2] = {unset, unset};
    const common::readresult r = reader.readreals(v, 2);
    if (std::string what = pointproblem(r, v); !what.empty()) {
      p = {lineno, std::move(what)};
      return false;
    }
    s.energy.push_back(v[0] * scale);
    s.dos.push_back(v[1] / scale);
    lines.push_back(lineno);
  }
  if (s.energy.empty()) {
    p = {0, "no data: the file is empty or holds only comments"};
    return false;
  }
  return validate(s, lines, p);
}

bool parsepds(std::string_view text, spectrum& s, problem& p) {
  s = spectrum{};
  if (binary(text, p)) return false;
  common::listreader reader(text.data(), text.size());
  for (int i = 1; i <= 11; ++i) {
    char buf[10];
    std::size_t n = 0;
    if (reader.readtext(buf, sizeof buf, n).status != common::readstatus::ok) {
      p = {0, "the file ends in its 11 header lines"};
      return false;
    }
  }
  for (long k = 1;; ++k) {
    const double unset = std::numeric_limits<double>::quiet_NaN();
    double v[2] = {unset, unset};
    const common::readresult r = reader.readreals(v, 2);
    if (r.status == common::readstatus::endoffile) break;
    if (std::string what = pointproblem(r, v); !what.empty()) {
      p = {0, "record " + std::to_string(k) + ": " + what};
      return false;
    }
    s.energy.push_back(v[0] * hartree);
    s.dos.push_back(v[1] / hartree);
  }
  return validate(s, {}, p);
}

}  // namespace thermo
