// The sums above the kernel's split by the bins of quadrature.hpp, and the
// modes left out where they cannot reach the sums: against every mode's
// terms in long double.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <utility>
#include <vector>

#include "thermo/harmonic/harmonic.hpp"
#include "thermo/harmonic/kernel.hpp"

#include "testutil.hpp"

namespace {

using namespace thermotest;

// Each mode's four terms at k_B T = kt in long double (within a few 1e-19
// of their values).
std::vector<std::array<long double, 4>> terms(const harmonicdos& d, double kt) {
  std::vector<std::array<long double, 4>> out(d.energy.size());
  for (std::size_t i = 0; i < d.energy.size(); ++i) {
    const long double x = d.energy[i] / kt, w = d.weight[i];
    const long double y = std::exp(-x), m = -std::expm1(-x), lm = x < 1 ? std::log(m) : std::log1p(-y), occ = y / m;
    out[i] = {w * x * x * y / (m * m), w * d.energy[i] * occ, w * lm, w * (x * occ - lm)};
  }
  return out;
}

// Each sum within 2e-15 of the sum of its terms' sizes (of the sum itself
// where the weights are positive), plus what the rounding of x = E / k_B T
// itself does to e^-x, x units in the last place (x of the first mode above
// the split; absolute among subnormals): the whole sums with the bins and without, and the sums over
// the modes from every 64th above the split on, whose first bins are the
// largest that start there, so that a bin's error shows beside its own
// terms.
void expectsums(const harmonicdos& d, const char* what) {
  modequadrature q;
  q.build(d.energy.data(), d.weight.data(), d.energy.size());
  ASSERT_FALSE(q.empty()) << what;
  const std::size_t n = d.energy.size();
  for (double t : {0.3, 1.0, 2.0, 3.0, 5.0, 7.0, 10.0, 21.0, 33.0, 50.0, 100.0, 150.0, 240.0, 400.0, 470.0, 1000.0}) {
    const double kt = boltzmann * t;
    const auto each = terms(d, kt);
    // Sums and sizes from mode i on.
    std::vector<std::array<long double, 8>> from(n + 1);
    for (std::size_t i = n; i-- > 0;)
      for (int k = 0; k < 4; ++k) {
        from[i][k] = from[i + 1][k] + each[i][k];
        from[i][k + 4] = from[i + 1][k + 4] + std::fabs(each[i][k]);
      }
    auto expect = [&](const double got[4], std::size_t i, const char* how) {
      const std::size_t high = split(d.energy.data(), n, kt);
      const double x = d.energy[std::max(i, std::min(high, n - 1))] / kt;
      for (int k = 0; k < 4; ++k)
        EXPECT_NEAR(got[k], static_cast<double>(from[i][k]), (2e-15 + 2.5e-16 * x) * static_cast<double>(from[i][k + 4]) + 1e-290)
            << what << ", " << how << ": sum " << k << " from mode " << i << " at " << t << " K";
    };
    double bins[4], plain[4];
    modesumsof(d, kt, bins, &q);
    modesumsof(d, kt, plain);
    expect(bins, 0, "bins");
    expect(plain, 0, "mode by mode");
    const std::size_t to = std::lower_bound(d.energy.begin(), d.energy.end(), 750.0 * kt) - d.energy.begin();
    for (std::size_t i = split(d.energy.data(), n, kt); i < to; ++i) {
      if (i % modequadrature::leaf != 0) continue;
      double got[4] = {0.0, 0.0, 0.0, 0.0};
      highsums(d.energy.data(), d.weight.data(), i, to, kt, d.absweight, &q, got);
      expect(got, i, "above the split");
    }
  }
}

// A typical oxide's DOS, f^2 e^(-f/3) (1 + 0.2 sin(3f + 1)) on 0..20 THz at
// 20,001 points (below 500 K most of its modes are above the split); the
// same on an uneven grid with sharp peaks and dips below zero; the modes of
// a mesh, many of them at one energy.
TEST(ThermoQuadrature, SumsAgreeWithLongDoubleAtEveryTemperature) {
  const double thz = planck * 1e12;
  spectrum smooth;
  for (int i = 0; i <= 20000; ++i) {
    const double f = 0.001 * i;
    smooth.energy.push_back(f * thz);
    smooth.dos.push_back(f * f * std::exp(-f / 3.0) * (1.0 + 0.2 * std::sin(3.0 * f + 1.0)) / thz);
  }
  expectsums(prepare(smooth), "smooth");

  spectrum uneven;
  double f = 0.0;
  for (int i = 0; i <= 9000; ++i) {
    f += 0.0005 + 0.003 * (i % 7 == 0) + 0.0002 * std::sin(0.37 * i);
    const double peaks = std::exp(-((f - 3.0) / 0.02) * ((f - 3.0) / 0.02)) * 40.0 - 0.3 * (i % 97 == 0);
    uneven.energy.push_back(f * thz);
    uneven.dos.push_back((f * f * std::exp(-f / 4.0) + peaks) / thz);
  }
  expectsums(prepare(uneven), "uneven");

  std::vector<std::pair<double, double>> modes;
  for (int i = 0; i < 6000; ++i) {
    const double e = i < 2000 ? 5.0 : i < 2300 ? 5.0 + 0.001 * i : 7.0 + 0.0013 * (i % 1500);
    modes.push_back({e * thz, 1.0 / 6000});
  }
  expectsums(frommodes(modes, 0.0, 0.0), "mesh");

  // A comb: all but a trace of the weight on every 37th mode, so that a
  // bin's sum is its polynomials' values at a few points, where their error
  // does not average out over the bin.
  std::vector<std::pair<double, double>> comb;
  for (int i = 1; i <= 8000; ++i) comb.push_back({0.0025 * i * thz, i % 37 == 0 ? 1.0 : 1e-9});
  expectsums(frommodes(comb, 0.0, 0.0), "comb");
}

}  // namespace
