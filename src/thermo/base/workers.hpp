// lattice_thermo: many jobs done by two workers, their results taken in the
// order of the jobs.
#pragma once

#include <array>
#include <condition_variable>
#include <cstddef>
#include <exception>
#include <mutex>
#include <optional>
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
//
// An exception from make (memory running out, say) is thrown here, on the
// calling thread, in job i's turn: the results before it are taken first.
// One from take, or from a worker outside make, is thrown here too. Either
// way the workers stop and are joined before it leaves.
template <class Result, class State, std::size_t ahead = 4, class Make, class Take>
void inorder(std::size_t n, Make make, Take take) {
  auto alone = [&] {
    State state;
    for (std::size_t i = 0; i < n; ++i)
      if (!take(make(state, i))) return;
  };
  struct slot {
    std::optional<Result> result;
    std::exception_ptr error;
    bool full() const { return result.has_value() || error; }
  };
  std::mutex mu;
  std::condition_variable cv;
  std::array<slot, ahead> slots;
  std::size_t next = 0, taken = 0;
  bool stop = false;
  std::exception_ptr broken;  // a worker failed outside a job
  auto worker = [&] {
    try {
      State state;
      for (;;) {
        std::unique_lock lock(mu);
        cv.wait(lock, [&] { return stop || next >= n || next < taken + ahead; });
        if (stop || next >= n) return;
        const std::size_t i = next++;
        lock.unlock();
        slot made;
        try {
          made.result.emplace(make(state, i));
        } catch (...) {
          made.error = std::current_exception();
        }
        lock.lock();
        slots[i % ahead] = std::move(made);
        cv.notify_all();
      }
    } catch (...) {
      const std::lock_guard lock(mu);
      if (!broken) broken = std::current_exception();
      cv.notify_all();
    }
  };
  std::vector<std::thread> workers;
  // Stops and joins the workers however this function is left.
  struct joiner {
    std::vector<std::thread>& workers;
    std::mutex& mu;
    std::condition_variable& cv;
    bool& stop;
    ~joiner() {
      {
        const std::lock_guard lock(mu);
        stop = true;
      }
      cv.notify_all();
      for (std::thread& w : workers) w.join();
    }
  } joinall{workers, mu, cv, stop};
  try {
    workers.reserve(2);
    for (int k = 0; k < 2; ++k) workers.emplace_back(worker);
  } catch (...) {  // as many as could be had (none where not even memory for one)
  }
  if (workers.empty()) return alone();
  for (std::size_t i = 0; i < n; ++i) {
    std::unique_lock lock(mu);
    slot& s = slots[i % ahead];
    cv.wait(lock, [&] { return s.full() || broken; });
    if (!s.full()) std::rethrow_exception(broken);
    slot got = std::move(s);
    s = slot{};
    taken = i + 1;
    cv.notify_all();
    lock.unlock();
    if (got.error) std::rethrow_exception(got.error);
    if (!take(std::move(*got.result))) return;
  }
}

}  // namespace thermo
