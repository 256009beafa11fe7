// What every fuzzer of lattice_thermo checks of the CSV it writes: rows
// that end in a line end, hold as many numbers as the header names after
// the file column where there is one, and finite F, S, C and U (the second
// to fifth). Aborts (a finding) otherwise.
#pragma once

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <string>
#include <string_view>

inline void checkrows(const std::string& csv, bool filecolumn) {
  std::size_t p = csv.find('\n');
  if (p == std::string::npos) return;
  // The numbers of a row: the header's names, less the file column.
  const auto names = static_cast<std::size_t>(std::count(csv.begin(), csv.begin() + static_cast<long>(p), ',')) + 1;
  const std::size_t numbers = names - (filecolumn ? 1 : 0);
  if (numbers < 5) std::abort();
  for (++p; p < csv.size();) {
    const std::size_t e = csv.find('\n', p);
    if (e == std::string::npos) std::abort();  // rows end in a line end
    std::string_view row(csv.data() + p, e - p);
    // The numbers follow the file column (which may hold commas of its own):
    // as many commas from the end as numbers.
    std::size_t commas = 0, start = row.size();
    while (start > 0 && commas < numbers) {
      --start;
      if (row[start] == ',') ++commas;
    }
    if (commas != (filecolumn ? numbers : numbers - 1)) std::abort();
    if (filecolumn) row.remove_prefix(start + 1);
    const char* c = row.data();
    for (std::size_t k = 0; k < numbers; ++k) {
      char* end;
      const double v = std::strtod(c, &end);
      if (end == c) std::abort();
      if (k >= 1 && k <= 4 && !std::isfinite(v)) std::abort();  // F, S, C, U
      c = end + 1;
    }
    p = e + 1;
  }
}
