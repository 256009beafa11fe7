// The mode sums: every kernel variant against long double.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <utility>
#include <vector>

#include "thermo/harmonic/harmonic.hpp"
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
  std::vector<double> e, g;
  for (double x = 1e-300; x < 1e300; x *= 1.37) {
    e.push_back(x * kt);
    g.push_back(1.0 + 0.1 * static_cast<double>(e.size() % 7));
  }
  for (double x : {std::nextafter(2.0, 0.0), 2.0, 1.999, 2.001, 0.6931471805599453, 4.0})  // at the split
    e.push_back(x * kt);
  for (int k = 1; k <= 4000; ++k) e.push_back(k * 0.002 * kt);  // densely over both polynomials' ranges
  std::sort(e.begin(), e.end());
  g.resize(e.size(), 1.0);
  using variant = void (*)(const double*, const double*, std::size_t, double, double*);
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
      std::vector<double> ev(8, e[i]), gv(8, g[i]);
      f(ev.data(), gv.data(), 8, kt, got);
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
      f(e.data(), g.data(), n, kt, got);
      for (int k = 0; k < 4; ++k) EXPECT_TRUE(close(got[k], want[k])) << name << " sum " << k << " of " << n << " modes";
    }
  }
}

}  // namespace

namespace {

// One mode's terms at k_B T = 1 to 50 digits (tools/kernel_references).
struct reference {
  double x;
  long double term[4];  // x^2 e^-x / m^2, x n, ln m, x n - ln m
};
constexpr reference references[] = {
#include "kernel_references.inc"
};

// Within a few units in the last place: the bound the sums keep, by the
// conditioning of their forms (ln m = ln x - x/2 + ... cancels by a factor
// up to 15 near x = 2). Absolute among subnormals.
bool tight(double got, long double want, double bound = 2e-15) {
  return std::fabs(got - want) <= bound * std::fabs(want) + 1e-300;
}

// The per-mode kernel, every variant, against the 50-digit terms, one mode
// at a time (a vector of copies), both sides of the split.
TEST(ThermoKernel, VariantsAgreeWithFiftyDigits) {
  std::vector<std::pair<const char*, void (*)(const double*, const double*, std::size_t, double, double*)>> variants = {
      {"scalar", thermo::modesums_scalar}};
  if (__builtin_cpu_supports("avx2") && __builtin_cpu_supports("fma")) variants.push_back({"AVX2", thermo::modesums_avx2});
  if (__builtin_cpu_supports("avx512f")) variants.push_back({"AVX-512", thermo::modesums_avx512});
  for (const reference& r : references)
    for (const auto& [name, f] : variants) {
      const std::vector<double> e(8, r.x), g(8, 1.0);
      double got[4];
      f(e.data(), g.data(), 8, 1.0, got);
      for (int k = 0; k < 4; ++k)
        EXPECT_TRUE(tight(got[k] / 8, r.term[k], 4e-15))
            << name << " term " << k << " at x = " << r.x << ": " << got[k] / 8 << " vs " << static_cast<double>(r.term[k]);
    }
}

// The moment path against the same terms: each mode below the split as a
// DOS of its own, whose sums the moments give whole; then all the modes,
// weighted, in one DOS, where the moments take those below the split up to
// the last checkpoint and the per-mode kernel the rest.
TEST(ThermoKernel, MomentsAgreeWithFiftyDigits) {
  long double want[4] = {0, 0, 0, 0};
  std::vector<std::pair<double, double>> all;
  for (const reference& r : references) {
    const double w = 1.0 + 0.1 * static_cast<double>(all.size() % 7);
    all.push_back({r.x, w});
    for (int k = 0; k < 4; ++k) want[k] += w * r.term[k];
    if (!(r.x < 2.0)) continue;
    std::vector<std::pair<double, double>> one = {{r.x, 1.0}};
    const harmonicdos d = frommodes(one, 0.0, 0.0);
    double got[4];
    ASSERT_EQ(d.moments.sums(1, 1.0, got), 1u) << "the moments take the mode at x = " << r.x;
    modesumsof(d, 1.0, got);
    for (int k = 0; k < 4; ++k)
      EXPECT_TRUE(tight(got[k], r.term[k])) << "term " << k << " at x = " << r.x << ": " << got[k] << " vs "
                                            << static_cast<double>(r.term[k]);
  }
  const harmonicdos d = frommodes(all, 0.0, 0.0);
  double got[4];
  modesumsof(d, 1.0, got);
  for (int k = 0; k < 4; ++k)
    EXPECT_TRUE(tight(got[k], want[k])) << "sum " << k << ": " << got[k] << " vs " << static_cast<double>(want[k]);
}

// The moment path against the per-mode kernel at temperatures that put the
// split before, at and after every checkpoint of a small DOS, and across a
// DOS of the first test's grid up to x = 1e6 (where the moments serve); with
// weights of both signs. Where the moments cannot serve (k_B T below
// 1e-12 E_max), the per-mode kernel takes every mode and the sums are its
// own.
TEST(ThermoKernel, MomentsAgreeWithTheKernelAtEveryTemperature) {
  auto check = [](const harmonicdos& d, double kt, const char* what) {
    double got[4], want[4];
    modesumsof(d, kt, got);
    thermo::modesums(d.energy.data(), d.weight.data(), d.energy.size(), kt, want);
    for (int k = 0; k < 4; ++k)
      EXPECT_NEAR(got[k], want[k], 4e-15 * std::fabs(want[k])) << what << " sum " << k << " at kT = " << kt;
  };
  std::vector<std::pair<double, double>> small;
  for (int i = 1; i <= 37; ++i) small.push_back({1e-21 * i * (1.0 + 0.01 * (i % 3)), i % 5 == 0 ? -0.2 : 1.0 + i % 4});
  const harmonicdos d = frommodes(small, 0.0, 0.0);
  for (std::size_t i = 0; i < d.energy.size(); ++i)
    for (double side : {0.999999, 1.0, 1.000001}) check(d, side * d.energy[i] / 2.0, "37 modes");
  check(d, 1e-34, "37 modes, far below the moments' range");
  std::vector<std::pair<double, double>> grid;
  for (double x = 1e-300; x < 1e6; x *= 1.37) grid.push_back({x * 1e-21, 1.0 + 0.1 * static_cast<double>(grid.size() % 7)});
  for (int k = 1; k <= 4000; ++k) grid.push_back({k * 0.002 * 1e-21, 1.0});
  const harmonicdos g = frommodes(grid, 0.0, 0.0);
  for (double kt : {1e-27, 1e-24, 1e-22, 1e-21, 3e-21, 1e-19, 1e-16, 1e-12}) check(g, kt, "the grid");
  // Neighbours far apart (a ratio that 1 + (E_i-1 - E_i) / E_i cannot hold),
  // and energies subnormal in joules, as a DOS in THz near 1e-300 gives.
  std::vector<std::pair<double, double>> far = {{6.6e-322, 1.0}, {1e-30, 2.0}, {1e-21, 1.0}, {2e-21, 0.5}, {3e-21, 1.0}};
  const harmonicdos f = frommodes(far, 0.0, 0.0);
  for (double kt : {1e-21, 1e-16, 1e-12}) check(f, kt, "modes far apart");
  std::vector<std::pair<double, double>> sub = {{2e-322, 1.0}, {4e-322, 1.0}, {6.6e-322, 1.0}};
  const harmonicdos t = frommodes(sub, 0.0, 0.0);
  for (double kt : {1e-30, 1e-20}) check(t, kt, "subnormal energies");
}

}  // namespace
