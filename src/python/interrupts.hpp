// lattice_thermo._core: long computations in runs, with Ctrl-C heard between
// them.
#pragma once

#include <algorithm>
#include <cstddef>

namespace pymodule {

// Takes the GIL and runs Python's signal handlers; throws (KeyboardInterrupt,
// or whatever a handler raised) where one raised. Called without the GIL.
void checksignals();

// The items of a run that cost about `cost` each (modes summed over, say),
// for a run of some milliseconds: a multiple of 64, so that the library's
// two threads, which take alternate runs of 32, have the same share.
inline std::size_t runof(double cost) {
  constexpr double budget = 1 << 22;
  const double items = std::max(64.0, budget / std::max(cost, 1.0));
  return static_cast<std::size_t>(items / 64.0) * 64;
}

// Calls work(begin, end) for the items [0, n) in runs of `per`, checking for
// signals between runs: Ctrl-C stops the work within one run. Called without
// the GIL.
template <class Work>
void inruns(std::size_t n, std::size_t per, Work&& work) {
  for (std::size_t b = 0; b < n; b += per) {
    if (b > 0) checksignals();
    work(b, std::min(n, b + per));
  }
}

}  // namespace pymodule
