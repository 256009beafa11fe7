// lattice_thermo: many jobs done by two workers, their results taken in the
// order of the jobs.
#pragma once

#include <array>
#include <condition_variable>
#include <cstddef>
#include <mutex>
#include <optional>
#include <system_error>
#include <thread>
#include <vector>

namespace thermo {

// Makes result i = make(state, i) for i = 0..n-1 on two worker threads, each
// with a State of its own kept from job to job, and hands each result to
// take(result) in order of i on the calling thread. Stops when take returns
// false. Results wait in a ring of `ahead` slots: job i waits for slot
// i % ahead, so a worker is never more than `ahead` jobs beyond the one being
// taken and memory stays bounded however many jobs there are. Where no
// thread can be started, everything is done on the calling thread.
template <class Result, class State, std::size_t ahead = 4, class Make, class Take>
void inorder(std::size_t n, Make make, Take take) {
  auto alone = [&] {
    State state;
    for (std::size_t i = 0; i < n; ++i)
      if (!take(make(state, i))) return;
  };
  std::mutex mu;
  std::condition_variable cv;
  std::array<std::optional<Result>, ahead> slots;
  std::size_t next = 0, taken = 0;
  bool stop = false;
  auto worker = [&] {
    State state;
    for (;;) {
      std::unique_lock lock(mu);
      cv.wait(lock, [&] { return stop || next >= n || next < taken + ahead; });
      if (stop || next >= n) return;
      const std::size_t i = next++;
      lock.unlock();
      Result r = make(state, i);
      lock.lock();
      slots[i % ahead] = std::move(r);
      cv.notify_all();
    }
  };
  std::vector<std::thread> workers;
  try {
    for (int k = 0; k < 2; ++k) workers.emplace_back(worker);
  } catch (const std::system_error&) {  // as many as could be had
  }
  if (workers.empty()) return alone();
  for (std::size_t i = 0; i < n; ++i) {
    std::unique_lock lock(mu);
    std::optional<Result>& slot = slots[i % ahead];
    cv.wait(lock, [&] { return slot.has_value(); });
    Result r = std::move(*slot);
    slot.reset();
    taken = i + 1;
    cv.notify_all();
    lock.unlock();
    if (!take(std::move(r))) {
      lock.lock();
      stop = true;
      cv.notify_all();
      break;
    }
  }
  for (std::thread& w : workers) w.join();
}

}  // namespace thermo
