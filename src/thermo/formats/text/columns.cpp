#include "thermo/formats/text/columns.hpp"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>

#include "common/freeform.hpp"
#include "thermo/formats/text/lines.hpp"
#include "thermo/formats/text/plain_numbers.hpp"

namespace thermo {

namespace {

bool separator(char c) { return c == ' ' || c == '\t' || c == ','; }

// The items of a line, separated by blanks, tabs or commas: how many, and
// where the k-th ends (npos where there are fewer).
std::size_t countitems(std::string_view line) {
  std::size_t n = 0, i = 0;
  for (;;) {
    while (i < line.size() && separator(line[i])) ++i;
    if (i == line.size()) return n;
    ++n;
    while (i < line.size() && !separator(line[i])) ++i;
  }
}
std::size_t itemend(std::string_view line, std::size_t k) {
  std::size_t i = 0;
  for (std::size_t item = 0; item < k; ++item) {
    while (i < line.size() && separator(line[i])) ++i;
    if (i == line.size()) return std::string_view::npos;
    while (i < line.size() && !separator(line[i])) ++i;
  }
  return i;
}

// Whether an item is written as a number: digits with signs, points,
// exponent letters or a repeat star, or NaN or Inf(inity) in any case.
bool numeric(std::string_view item) {
  if (!item.empty() && (item[0] == '+' || item[0] == '-')) item.remove_prefix(1);
  std::string lower;
  for (char c : item) lower += static_cast<char>(c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c);
  if (lower == "nan" || lower == "inf" || lower == "infinity") return true;
  bool digit = false;
  for (char c : lower) {
    if (c >= '0' && c <= '9') digit = true;
    else if (!std::strchr("+-.edq*", c)) return false;
  }
  return digit;
}

// The first item of a line.
std::string_view firstitem(std::string_view line) {
  std::size_t i = 0;
  while (i < line.size() && separator(line[i])) ++i;
  std::size_t e = i;
  while (e < line.size() && !separator(line[e])) ++e;
  return line.substr(i, e - i);
}

// The first energy unit a header or comment line names: its words are split
// at blanks and at ,;:=()[]{}<>"'.
void findunit(std::string_view line, columninfo& info) {
  static constexpr const char* breaks = " \t,;:=()[]{}<>\"'";
  std::size_t i = 0;
  while (i < line.size()) {
    while (i < line.size() && std::strchr(breaks, line[i]) && line[i] != '\0') ++i;
    std::size_t e = i;
    while (e < line.size() && !(std::strchr(breaks, line[e]) && line[e] != '\0')) ++e;
    unit u;
    if (e > i && parseunit(line.substr(i, e - i), u)) {
      if (!info.headerunit) {
        info.headerunit = true;
        info.named = u;
      } else if (u != info.named && info.othername.empty()) {
        info.othername = std::string(line.substr(i, e - i));
      }
    }
    i = e;
  }
}

}  // namespace

bool readcolumns(source& in, const columnchoice& choice, spectrum& s, columninfo& info, problem& p,
                 std::vector<char>& storage) {
  info = columninfo{};
  spectrumbuilder build(s, choice.u);
  linereader lines(in, storage);
  std::vector<double> values;
  std::vector<spectrumbuilder> columns;  // with choice.each, one a DOS column
  bool data = false;  // a data line has been read
  std::string_view line;
  for (;;) {
    const linereader::status st = lines.next(line);
    if (st == linereader::status::end) break;
    if (st != linereader::status::line) {
      p = lines.failure(st, "a DOS text file");
      return false;
    }
    const std::size_t first = line.find_first_not_of(" \t");
    if (first == std::string_view::npos) continue;
    const bool comment = line[first] == '#' || line[first] == '!';
    if (!data && (comment || !numeric(firstitem(line)))) {
      findunit(line, info);  // the header, searched for the unit
      continue;
    }
    if (comment) continue;
    const long number = lines.number();
    if (!data) {
      data = true;
      info.u = choice.unitgiven || !info.headerunit ? choice.u : info.named;
      build.setunit(info.u);
      // Room for the points the rest of the file holds at this line's
      // length, so that they are not copied as they grow (at most 4 million
      // ahead of need: a hint, never a limit).
      if (const std::size_t bytes = in.size(); bytes > 0) {
        const std::size_t points = std::min<std::size_t>(bytes / (line.size() + 1) + 1, std::size_t{1} << 22);
        s.energy.reserve(points);
        s.dos.reserve(points);
      }
      for (std::size_t k = 0, n = countitems(line); k < n && numeric(firstitem(line.substr(itemend(line, k)))); ++k)
        ++info.columns;
      if (choice.each) {
        choice.each->assign(static_cast<std::size_t>(std::max(info.columns - 1, 1)), spectrum{});
        for (spectrum& c : *choice.each) columns.emplace_back(c, info.u);
      }
    }
    // The items needed: all for a sum (counted), else up to the DOS column
    // (counted only to say what is missing).
    // With choice.each, every item, as many as on the first line.
    const std::size_t column = static_cast<std::size_t>(choice.column), every = columns.size() + 1;
    const std::size_t need = choice.each ? std::max(every, choice.sum ? every : column)
                             : choice.sum ? countitems(line) : column;
    if (choice.each && countitems(line) != every) {
      p = {number, "a line with " + std::to_string(countitems(line)) + " items, where the first had " + std::to_string(every) +
                       ": each DOS column is an atom's"};
      return false;
    }
    if (lines.truncated() && (choice.sum || choice.each || itemend(line, need) >= line.size())) {
      p = {number, "a line longer than " + std::to_string(linereader::maxline) + " bytes whose items run past that"};
      return false;
    }
    auto fewer = [&](std::size_t items) {
      p = {number, items < 2 ? std::string("a line with one number; two are needed, the energy and the DOS")
                             : "a line with " + std::to_string(items) + " items; the DOS is read from column " +
                                   std::to_string(choice.column)};
      return false;
    };
    if (need < 2) return fewer(need);
    if (values.size() < need) values.resize(need);
    // Plain numbers, as nearly every line is written, directly; any other
    // line by one record of the free-form reader over this line alone (and
    // the line end after it). A null item or a slash leaves its value
    // unset, which the NaN sentinel catches.
    if (!plainnumbers(line, need, values.data())) {
      std::fill(values.begin(), values.begin() + static_cast<long>(need), std::numeric_limits<double>::quiet_NaN());
      common::listreader reader(line.data(), line.size() + 1);
      const common::readresult r = reader.readreals(values.data(), static_cast<int>(need));
      if (r.status == common::readstatus::notnumber) {
        p = {number, notanumber(r)};
        return false;
      }
      if (r.status == common::readstatus::endoffile) return fewer(countitems(line));
      if (r.status != common::readstatus::ok) {
        p = {number, "a line whose items end early"};
        return false;
      }
    }
    double dos = choice.sum ? 0.0 : values[column - 1];
    if (choice.sum) {
      for (std::size_t k = 1; k < need; ++k) dos += values[k];
    }
    bool missing = std::isnan(values[0]) || std::isnan(dos);
    if (missing) {
      p = {number, "a missing or NaN value"};
      return false;
    }
    if (!build.add(values[0], dos, number, p)) return false;
    for (std::size_t k = 0; k < columns.size(); ++k)
      if (!columns[k].add(values[0], values[k + 1], number, p)) return false;
  }
  if (s.energy.empty()) {
    p = {0, "no data: the file is empty or holds only comments"};
    return false;
  }
  info.highest = build.lastraw();
  if (!build.finish(p)) return false;
  for (std::size_t k = 0; k < columns.size(); ++k)
    if (!columns[k].finish(p)) {
      p.what = "column " + std::to_string(k + 2) + ": " + p.what;
      return false;
    }
  return true;
}

bool parsecolumns(std::string_view text, unit u, spectrum& s, problem& p) {
  source in(text);
  std::vector<char> storage;
  columnchoice choice;
  choice.u = u;
  choice.unitgiven = true;
  columninfo info;
  return readcolumns(in, choice, s, info, p, storage);
}

}  // namespace thermo
