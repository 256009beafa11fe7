// lattice_thermo when memory runs out: an exception on a worker thread
// reaches the thread that waits for it, and the program reports "not enough
// memory" with exit status 1 instead of aborting.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <atomic>
#include <cstdio>
#include <fcntl.h>
#include <fstream>
#include <iterator>
#include <new>
#include <pthread.h>
#include <stdexcept>
#include <string>
#include <sys/resource.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <vector>

#include "testutil.hpp"
#include "thermo/base/two_threads.hpp"
#include "thermo/base/workers.hpp"

namespace {

using namespace thermotest;

// The second thread's runs (items 32 to 63, ...) fail; so does this one's.
TEST(ThermoMemory, AlternateRunsHandOnTheOtherThreadsException) {
  for (std::size_t failing : {std::size_t{40}, std::size_t{3}}) {
    std::atomic<std::size_t> done{0};
    EXPECT_THROW(alternateruns(1000, true,
                               [&](std::size_t i) {
                                 if (i == failing) throw std::bad_alloc();
                                 ++done;
                               }),
                 std::bad_alloc)
        << failing;
    EXPECT_LT(done.load(), 999u);  // the other thread stopped early
  }
  std::vector<int> seen(1000, 0);
  alternateruns(seen.size(), true, [&](std::size_t i) { ++seen[i]; });
  EXPECT_EQ(std::count(seen.begin(), seen.end(), 1), 1000);
}

// A job that fails on a worker: the results before it are taken, then its
// exception is thrown on the calling thread; so is one from take.
TEST(ThermoMemory, InOrderHandsOnAWorkersException) {
  std::vector<int> taken;
  EXPECT_THROW((inorder<int, int>(
                   50,
                   [](int&, std::size_t i) {
                     if (i == 7) throw std::bad_alloc();
                     return static_cast<int>(i);
                   },
                   [&](int r) {
                     taken.push_back(r);
                     return true;
                   })),
               std::bad_alloc);
  EXPECT_EQ(taken, (std::vector<int>{0, 1, 2, 3, 4, 5, 6}));
  EXPECT_THROW((inorder<int, int>(
                   50, [](int&, std::size_t i) { return static_cast<int>(i); },
                   [](int r) -> bool {
                     if (r == 3) throw std::length_error("take");
                     return true;
                   })),
               std::length_error);
  // A worker whose state cannot be made.
  struct failingstate {
    failingstate() { throw std::bad_alloc(); }
  };
  EXPECT_THROW((inorder<int, failingstate>(
                   5, [](failingstate&, std::size_t i) { return static_cast<int>(i); }, [](int) { return true; })),
               std::bad_alloc);
}

// The program in a child process whose address space is limited to `limit`
// bytes: how it ended, and what it wrote. A process of its own, so that no
// memory or thread stacks that this one keeps for reuse can serve it.
struct limited {
  int status;  // the exit status; -1 where it ended otherwise (a signal)
  std::string out, err;
};
limited runlimited(const std::vector<std::string>& args, long limit) {
  const std::string out = writefile("m_out", ""), err = writefile("m_err", "");
  std::vector<const char*> argv = {LHC_THERMO};
  for (const auto& a : args) argv.push_back(a.c_str());
  argv.push_back(nullptr);
  const pid_t child = ::fork();
  if (child == 0) {
    const int o = ::open(out.c_str(), O_WRONLY | O_TRUNC), e = ::open(err.c_str(), O_WRONLY | O_TRUNC);
    ::dup2(o, 1);
    ::dup2(e, 2);
    const rlimit r{static_cast<rlim_t>(limit), static_cast<rlim_t>(limit)};
    if (::setrlimit(RLIMIT_AS, &r) == 0) ::execv(LHC_THERMO, const_cast<char* const*>(argv.data()));
    ::_exit(127);
  }
  int status = 0;
  ::waitpid(child, &status, 0);
  auto slurp = [](const std::string& path) {
    std::ifstream in(path);
    return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  };
  return {WIFEXITED(status) ? WEXITSTATUS(status) : -1, slurp(out), slurp(err)};
}

// The peak resident memory (KiB) of the program run with args in a child
// process of its own, standard output thrown away.
long peakresident(const std::vector<std::string>& args) {
  std::vector<const char*> argv = {LHC_THERMO};
  for (const auto& a : args) argv.push_back(a.c_str());
  argv.push_back(nullptr);
  const pid_t child = ::fork();
  if (child == 0) {
    const int null = ::open("/dev/null", O_WRONLY);
    ::dup2(null, 1);
    ::execv(LHC_THERMO, const_cast<char* const*>(argv.data()));
    ::_exit(127);
  }
  int status = 0;
  rusage use{};
  ::wait4(child, &status, 0, &use);
  EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << args.back();
  return use.ru_maxrss;
}

// --displacements on a mesh with eigenvectors holds the sums and one
// q-point: five times the q-points, the same memory (it held every mode:
// 2 MB more here).
TEST(ThermoMemory, DisplacementsOnAMeshDoNotGrowWithItsModes) {
#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
  GTEST_SKIP() << "a sanitizer's own memory hides the program's";
#endif
  auto mesh = [](std::size_t n) {
    return writefile("m_mesh" + std::to_string(n) + ".yaml",
                     meshyaml(std::vector<std::string>(n, "1"), std::vector<std::array<std::string, 3>>(n, {"1.5", "2.5", "3.5"}), true));
  };
  const std::string small = mesh(10000), large = mesh(50000);
  const std::vector<std::string> args = {"--displacements", "--csv", "--tmax", "100"};
  auto with = [&](const std::string& f) {
    auto a = args;
    a.push_back(f);
    return a;
  };
  EXPECT_LT(peakresident(with(large)) - peakresident(with(small)), 512);
  std::remove(small.c_str());
  std::remove(large.c_str());
}

// The smallest limit, to 64 KiB, under which the program starts at all
// (--version succeeds): below it the loader itself fails. 0 where it never
// does.
long startinglimit() {
  long low = 0, high = 64L << 20;
  while (runlimited({"--version"}, high).status != 0)  // room enough, found by doubling
    if ((high *= 2) > (1L << 36)) return 0;
  while (high - low > (64 << 10)) {
    const long mid = low + (high - low) / 2;
    (runlimited({"--version"}, mid).status == 0 ? high : low) = mid;
  }
  return high;
}

// Limits on the address space just above what the program needs to start
// and just above each further thread stack it may map (where a worker
// starts and then meets the limit): each run ends as it does without a
// limit, or with "not enough memory" and status 1, never an abort, and the
// rows written are whole. Where memory runs out depends on the threads'
// timing, so no limit is expected to fail in a given way; a limit with room
// to spare must end as without one.
TEST(ThermoMemory, RunsUnderAMemoryLimitEndWithAMessage) {
#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
  GTEST_SKIP() << "a sanitizer's shadow memory does not fit under an address-space limit";
#endif
  pthread_attr_t attr;
  std::size_t stack = 0;
  ASSERT_EQ(::pthread_getattr_default_np(&attr), 0);
  ::pthread_attr_getstacksize(&attr, &stack);
  ::pthread_attr_destroy(&attr);
  std::string dos;
  char buf[64];
  for (int i = 1; i <= 200; ++i) {
    const double f = 0.05 * i;
    std::snprintf(buf, sizeof buf, "%.17g %.17g\n", f, f * f * (10.0 - f) * 0.0036);
    dos += buf;
  }
  const std::string f = writefile("m_dos.dat", dos);
  const std::string ex = LHC_EXAMPLES "/cu_emt/";
  std::vector<std::string> qha = {"--qha", ex + "e-v.dat", "--tstep", "1", "--csv"};
  for (int v = 1; v <= 11; ++v) qha.push_back(ex + (v < 10 ? "v0" : "v") + std::to_string(v) + "/total_dos.dat");
  // libyaml's own memory: a value it holds whole, refused once read.
  const std::string yaml = writefile("m_long.yaml", "phonon: \"" + std::string(900000, 'a') + "\"\n");
  struct workload {
    std::vector<std::string> args;
    int stacks;       // thread stacks it may map
    long span, step;  // the limits tried past each
    std::string end;  // its message where it fails with room to spare; "" where it succeeds
    long rows;        // each file's CSV rows, all of which or none are written (0: not counted)
  };
  const std::vector<workload> runs = {
      {{"--csv", "--tmax", "10000", "--tstep", "1", f, f, f}, 3, 4 << 20, 512 << 10, "", 10001},
      {qha, 3, 1 << 20, 128 << 10, "", 0},
      {{"--tmax", "0", yaml}, 0, 2 << 20, 64 << 10, "a value of 900000 bytes, more than 1024", 0}};
  const long base = startinglimit();
  ASSERT_GT(base, 0) << "the program does not start under any limit";
  for (const auto& w : runs) {
    int failed = 0;
    auto check = [&](long limit) {
      const limited r = runlimited(w.args, limit);
      const long more = limit - base;
      EXPECT_TRUE(r.status == 0 || r.status == 1) << w.args[0] << " with " << more << " bytes more: " << r.status << " " << r.err;
      EXPECT_TRUE(r.out.empty() || r.out.back() == '\n') << "a row cut short with " << more << " bytes more";
      // A file's rows whole or absent: never a table cut short that looks whole.
      if (w.rows > 0 && !r.out.empty()) {
        EXPECT_EQ((std::count(r.out.begin(), r.out.end(), '\n') - 1) % w.rows, 0)
            << w.args.back() << " with " << more << " bytes more: " << r.err;
      }
      const bool short_ = r.status == 1 && r.err.find("not enough memory") != std::string::npos;
      const bool ended = w.end.empty() ? r.status == 0 : r.status == 1 && r.err.find(w.end) != std::string::npos;
      EXPECT_TRUE(short_ || ended) << w.args.back() << " with " << more << " bytes more: " << r.err;
      failed += short_ ? 1 : 0;
      return ended;
    };
    for (long k = 0; k <= w.stacks; ++k)
      for (long d = 0; d <= w.span; d += w.step) check(base + k * static_cast<long>(stack) + d);
    EXPECT_GT(failed, 0) << w.args.back() << ": no limit was low enough";
    // Room to spare: doubled until the run ends as it does without a limit.
    bool ended = false;
    for (long limit = base + 4 * static_cast<long>(stack) + (64 << 20); !ended && limit < (1L << 36); limit *= 2)
      ended = check(limit);
    EXPECT_TRUE(ended) << w.args.back();
  }
}

}  // namespace
