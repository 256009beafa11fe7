// The mode sums: every kernel variant against long double.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <utility>
#include <vector>

#include "thermo/harmonic/kernel.hpp"

#include "testutil.hpp"

namespace {

using namespace thermotest;

// Every kernel variant against the four terms in long double, one mode at a
// time over x from 1e-300 to far past the overflow of e^x (both sides of the
// split at 2, and where the splits were; densely where the polynomials
// stand in for logarithms), and on sums with counts that leave
// every tail length.
TEST(ThermoKernel, VariantsAgreeWithLongDouble) {
  const bool avx2 = __builtin_cpu_supports("avx2") && __builtin_cpu_supports("fma");
  const bool avx512 = __builtin_cpu_supports("avx512f");
  const double kt = 1e-21;
  std::vector<double> e, le, g;
  for (double x = 1e-300; x < 1e300; x *= 1.37) {
    e.push_back(x * kt);
    le.push_back(std::log(x * kt));
    g.push_back(1.0 + 0.1 * static_cast<double>(e.size() % 7));
  }
  for (double x : {std::nextafter(2.0, 0.0), 2.0, 1.999, 2.001, 0.6931471805599453, 4.0})  // at the split
    e.push_back(x * kt);
  for (int k = 1; k <= 4000; ++k) e.push_back(k * 0.002 * kt);  // densely over both polynomials' ranges
  std::sort(e.begin(), e.end());
  le.clear();
  for (double v : e) le.push_back(std::log(v));
  g.resize(e.size(), 1.0);
  using variant = void (*)(const double*, const double*, const double*, std::size_t, double, double*);
  std::vector<std::pair<const char*, variant>> variants = {{"scalar", thermo::modesums_scalar}};
  if (avx2) variants.push_back({"AVX2", thermo::modesums_avx2});
  if (avx512) variants.push_back({"AVX-512", thermo::modesums_avx512});
  auto reference = [&](std::size_t i, long double out[4]) {
    const long double en = e[i], w = g[i], x = en / kt, y = std::exp(-x), m = -std::expm1(-x);
    const long double lm = x < 1 ? std::log(m) : std::log1p(-y), occ = y / m;
    out[0] = w * x * x * y / (m * m);
    out[1] = w * en * occ;
    out[2] = w * lm;
    out[3] = w * (x * occ - lm);
  };
  // Relative, but absolute among subnormals and underflows, which no sum notices.
  auto close = [](double a, long double b) { return std::fabs(a - b) <= 1e-13 * std::fabs(b) + 1e-290; };
  for (std::size_t i = 0; i < e.size(); ++i) {
    long double want[4];
    reference(i, want);
    for (const auto& [name, f] : variants) {
      double got[4];
      // A whole vector of copies, so that the vector path takes the mode.
      std::vector<double> ev(8, e[i]), lev(8, le[i]), gv(8, g[i]);
      f(ev.data(), lev.data(), gv.data(), 8, kt, got);
      for (int k = 0; k < 4; ++k)
        EXPECT_TRUE(close(got[k] / 8, want[k])) << name << " term " << k << " at x = " << e[i] / kt << ": "
                                                << got[k] / 8 << " vs " << static_cast<double>(want[k]);
    }
  }
  for (std::size_t n : {e.size(), e.size() - 1, e.size() - 3, e.size() - 5, e.size() - 7, std::size_t{3}, std::size_t{7}}) {
    long double want[4] = {0, 0, 0, 0};
    for (std::size_t i = 0; i < n; ++i) {
      long double one[4];
      reference(i, one);
      for (int k = 0; k < 4; ++k) want[k] += one[k];
    }
    for (const auto& [name, f] : variants) {
      double got[4];
      f(e.data(), le.data(), g.data(), n, kt, got);
      for (int k = 0; k < 4; ++k) EXPECT_TRUE(close(got[k], want[k])) << name << " sum " << k << " of " << n << " modes";
    }
  }
}

}  // namespace
