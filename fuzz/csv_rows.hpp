// What every fuzzer of lattice_thermo checks of the CSV it writes: rows
// that end in a line end, hold their six numbers after the file column where
// there is one, and finite F, S, C and U. Aborts (a finding) otherwise.
#pragma once

#include <cmath>
#include <cstdlib>
#include <string>
#include <string_view>

inline void checkrows(const std::string& csv, bool filecolumn) {
  std::size_t p = csv.find('\n');
  if (p == std::string::npos) return;
  for (++p; p < csv.size();) {
    const std::size_t e = csv.find('\n', p);
    if (e == std::string::npos) std::abort();  // rows end in a line end
    std::string_view row(csv.data() + p, e - p);
    // The six numbers follow the sixth comma from the end where a file
    // column (which may hold commas of its own) comes first.
    std::size_t commas = 0, start = row.size();
    while (start > 0 && commas < 6) {
      --start;
      if (row[start] == ',') ++commas;
    }
    if (commas != (filecolumn ? 6u : 5u)) std::abort();
    if (filecolumn) row.remove_prefix(start + 1);
    const char* c = row.data();
    for (int k = 0; k < 6; ++k) {
      char* end;
      const double v = std::strtod(c, &end);
      if (end == c) std::abort();
      if (k >= 1 && k <= 4 && !std::isfinite(v)) std::abort();  // F, S, C, U
      c = end + 1;
    }
    p = e + 1;
  }
}
