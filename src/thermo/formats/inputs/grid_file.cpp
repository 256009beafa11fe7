#include "thermo/formats/inputs/grid_file.hpp"

#include <algorithm>
#include <bit>
#include <cstdint>
#include <cmath>
#include <limits>
#include <numeric>
#include <string>

#include "common/freeform.hpp"
#include "thermo/base/number_text.hpp"
#include "thermo/formats/text/decimal.hpp"
#include "thermo/formats/text/lines.hpp"

namespace thermo {

namespace {

// Each line's leading numbers (up to `most`), with its number, for
// `each(number, values, count, text)`; false with p where a line cannot be
// read or `each` refuses it.
template <class Each>
bool numberlines(source& in, std::vector<char>& storage, const char* kind, int most, problem& p, Each each) {
  linereader lines(in, storage);
  std::string_view line;
  for (;;) {
    const linereader::status st = lines.next(line);
    if (st == linereader::status::end) return true;
    if (st != linereader::status::line) {
      p = lines.failure(st, kind);
      return false;
    }
    const std::size_t first = line.find_first_not_of(" \t");
    if (first == std::string_view::npos || line[first] == '#' || line[first] == '!') continue;
    common::listreader reader(line.data(), line.size() + 1);
    // Slots the reader leaves alone keep a NaN of a payload no text reads
    // as, so that a `nan` written in the file is counted and refused.
    constexpr std::uint64_t unread = 0x7ff8'0000'dead'beefULL;
    double v[8];
    std::fill(v, v + most, std::bit_cast<double>(unread));
    const common::readresult r = reader.readreals(v, most);
    if (r.status == common::readstatus::notnumber) {
      p = {lines.number(), notanumber(r)};
      return false;
    }
    int count = 0;
    while (count < most && std::bit_cast<std::uint64_t>(v[count]) != unread) ++count;
    for (int j = 0; j < count; ++j)
      if (!std::isfinite(v[j])) {
        p = {lines.number(), "a value that is not finite"};
        return false;
      }
    if (!each(lines.number(), v, count, line, p)) return false;
  }
}

// No two lines with the same lengths: p at the earliest second line.
bool distinctcells(const std::vector<double>& x, int axes, const std::vector<long>& line, problem& p) {
  const std::size_t n = line.size();
  std::vector<std::size_t> order(n);
  std::iota(order.begin(), order.end(), std::size_t{0});
  auto less = [&](std::size_t a, std::size_t b) {
    return std::lexicographical_compare(x.begin() + a * axes, x.begin() + (a + 1) * axes, x.begin() + b * axes,
                                        x.begin() + (b + 1) * axes);
  };
  std::stable_sort(order.begin(), order.end(), less);
  std::size_t second = n, first = 0;
  for (std::size_t k = 1; k < n; ++k)
    if (!less(order[k - 1], order[k]) && (second == n || order[k] < second)) {
      second = order[k];
      first = order[k - 1];
    }
  if (second == n) return true;
  p = {line[second], "the same cell as on line " + std::to_string(line[first]) + ": each line must be a cell of its own"};
  return false;
}

}  // namespace

bool readgrid(source& in, griddata& g, problem& p, std::vector<char>& storage, const fileunits& units) {
  g = griddata{};
  const double length = std::cbrt(units.volume);
  const bool ok = numberlines(in, storage, "a grid file", 6, p, [&](long number, const double* v, int count,
                                                                      std::string_view text, problem& q) {
    if (count != 4 && count != 5) {
      q = {number, std::to_string(count) + (count == 1 ? " number" : " numbers") +
                       ": a line of the grid is `a c volume energy` or `a b c volume energy`"};
      return false;
    }
    if (g.axes == 0) g.axes = count - 2;
    if (count - 2 != g.axes) {
      q = {number, std::to_string(count) + " numbers, where line " + std::to_string(g.line.front()) + " has " +
                       std::to_string(g.axes + 2) + ": every line must give the same lengths"};
      return false;
    }
    for (int j = 0; j <= g.axes; ++j)
      if (!(v[j] > 0.0)) {
        q = {number, std::string(j == g.axes ? "the volume " : "the length ") + shortest(v[j]) + " is not positive"};
        return false;
      }
    for (int j = 0; j < g.axes; ++j) g.x.push_back(v[j] * length);
    g.volume.push_back(v[g.axes] * units.volume);
    double e = v[g.axes + 1], low = decimallowitem(text, g.axes + 1, e);
    toev(e, low, units.energy);
    g.energy.push_back(e);
    g.energylow.push_back(low);
    g.line.push_back(number);
    return true;
  });
  if (!ok) return false;
  if (g.line.empty()) {
    p = {0, "no cells: a grid file has a line `a c volume energy` (or `a b c volume energy`) per cell"};
    return false;
  }
  return distinctcells(g.x, g.axes, g.line, p) && cellconstant(g.x, g.axes, g.volume, g.line, g.k, p);
}

bool parsegrid(std::string_view text, griddata& g, problem& p) {
  source in(text);
  std::vector<char> storage;
  return readgrid(in, g, p, storage);
}

bool readlattice(source& in, latticedata& l, problem& p, std::vector<char>& storage, const fileunits& units) {
  l = latticedata{};
  const double length = std::cbrt(units.volume);
  return numberlines(in, storage, "a lattice file", 3, p, [&](long number, const double* v, int count,
                                                               std::string_view, problem& q) {
    if (count < 3) {
      q = {number, "a line that is not three lengths `a b c`"};
      return false;
    }
    for (int j = 0; j < 3; ++j) {
      if (!(v[j] > 0.0)) {
        q = {number, "the length " + shortest(v[j]) + " is not positive"};
        return false;
      }
      l.x.push_back(v[j] * length);
    }
    l.line.push_back(number);
    return true;
  });
}

bool cellconstant(const std::vector<double>& x, int axes, const std::vector<double>& volume,
                  const std::vector<long>& line, double& k, problem& p) {
  auto constant = [&](std::size_t i) {
    const double* l = x.data() + i * axes;
    return volume[i] / (axes == 2 ? l[0] * l[0] * l[1] : l[0] * l[1] * l[2]);
  };
  const double first = constant(0);
  double sum = 0.0;
  for (std::size_t i = 0; i < volume.size(); ++i) {
    const double ki = constant(i);
    if (!(std::fabs(ki / first - 1.0) <= 1e-6)) {
      p = {line[i], std::string("volume / (") + (axes == 2 ? "a a c" : "a b c") + ") is " + significant(ki, 9) +
                        ", where line " + std::to_string(line[0]) + " has " + significant(first, 9) +
                        ": the cell's angles must be the same on every line (within 1e-6)"};
      return false;
    }
    sum += ki;
  }
  k = sum / static_cast<double>(volume.size());
  return true;
}

}  // namespace thermo
