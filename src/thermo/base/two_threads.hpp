// lattice_thermo: a run of items shared by two threads.
#pragma once

#include <algorithm>
#include <cstddef>
#include <system_error>
#include <thread>

namespace thermo {

// Calls each(i) for i = 0..n-1. Where `split`, two threads take alternate
// runs of 32 items (the work differs from low to high temperatures; runs keep
// each thread's results apart in memory); otherwise, or where no second
// thread can be had, all of them are done on this one. Each item is computed
// the same way on either thread.
template <class Each>
void alternateruns(std::size_t n, bool split, Each each) {
  constexpr std::size_t run = 32;
  auto compute = [&](std::size_t first, std::size_t stride) {
    for (std::size_t from = first * run; from < n; from += stride * run)
      for (std::size_t i = from; i < std::min(n, from + run); ++i) each(i);
  };
  std::thread other;
  if (split) {
    try {
      other = std::thread(compute, 1, 2);
    } catch (const std::system_error&) {  // no thread to be had: all of it here
    }
  }
  if (other.joinable()) {
    compute(0, 2);
    other.join();
  } else {
    compute(0, 1);
  }
}

}  // namespace thermo
