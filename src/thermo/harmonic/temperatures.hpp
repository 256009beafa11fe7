// lattice_thermo: the temperatures of a run, a list or a range.
#pragma once

#include <algorithm>
#include <cstddef>
#include <vector>

namespace thermo {

// The temperatures of a run, kelvin: the list given, else tmin, tmin +
// tstep, ... up to tmax, T_k = tmin + k tstep (never past tmax: a last one
// that rounding puts a few units in the last place beyond is tmax).
struct temperatures {
  double tmin = 0.0, tmax = 1000.0, tstep = 10.0;
  std::vector<double> list;
  bool mingiven = false, maxgiven = false, stepgiven = false;  // on the command line

  // How many; a double, since bad options can make it any size.
  double countd() const;
  long count() const { return static_cast<long>(countd()); }
  double at(long i) const {
    return list.empty() ? std::min(tmin + static_cast<double>(i) * tstep, tmax) : list[static_cast<std::size_t>(i)];
  }
};

}  // namespace thermo
