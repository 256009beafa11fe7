// lattice_thermo: a run of items shared by two threads.
#pragma once

#include <algorithm>
#include <atomic>
#include <cstddef>
#include <exception>
#include <thread>

namespace thermo {

// Calls each(i) for i = 0..n-1. Where `split`, two threads take alternate
// runs of 32 items (the work differs from low to high temperatures; runs keep
// each thread's results apart in memory); otherwise, or where no second
// thread can be had, all of them are done on this one. Each item is computed
// the same way on either thread. An exception from either thread (memory
// running out, say) stops the other at its next run and is thrown here once
// both have stopped; where both throw, this thread's is.
template <class Each>
void alternateruns(std::size_t n, bool split, Each each) {
  constexpr std::size_t run = 32;
  std::atomic<bool> stop{false};
  auto compute = [&](std::size_t first, std::size_t stride) {
    for (std::size_t from = first * run; from < n && !stop.load(std::memory_order_relaxed); from += stride * run)
      for (std::size_t i = from; i < std::min(n, from + run); ++i) each(i);
  };
  std::thread other;
  std::exception_ptr its;  // written by the other thread, read after it is joined
  if (split) {
    try {
      other = std::thread([&] {
        try {
          compute(1, 2);
        } catch (...) {
          its = std::current_exception();
          stop.store(true, std::memory_order_relaxed);
        }
      });
    } catch (...) {  // no thread to be had, nor memory for one: all of it here
    }
  }
  if (!other.joinable()) return compute(0, 1);
  try {
    compute(0, 2);
  } catch (...) {
    stop.store(true, std::memory_order_relaxed);
    other.join();
    throw;
  }
  other.join();
  if (its) std::rethrow_exception(its);
}

}  // namespace thermo
