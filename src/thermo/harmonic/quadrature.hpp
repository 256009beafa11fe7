// lattice_thermo: the harmonic sums over the modes above the kernel's split
// (x = E / k_B T >= 2), runs of many modes at a time summed as a few virtual
// modes, and the modes whose terms no longer reach the sums left out.
#pragma once

#include <cstddef>
#include <vector>

namespace thermo {

// Above the split each term of kernel.hpp is an analytic function of x
// whose nearest singularity is the pole at x = 0. Over a run of modes whose
// energies span [E_a, E_b] (a bin), the polynomial of degree 15 in E through
// the 16 Chebyshev points of the span stands in for each term within 2e-17
// of the bin's smallest term wherever
//   E_a + E_b >= 7 (E_b - E_a)   (the span is narrow beside its distance from 0),
//   E_b - E_a <= 1.4 k_B T       (e^-x changes by at most e^1.4 across it),
// and E_a is above the split (tools/fit_kernel checks both against mpmath).
// Then sum_i g_i f(E_i) over the bin is sum_j W_j f(E_j) over the 16
// points, with W_j = sum_i g_i l_j(E_i) and l_j the Lagrange polynomials of
// the points: 16 virtual modes, whatever the temperature, which the
// per-mode kernel sums as it sums real ones. The bins are runs of 64 2^L
// modes aligned on their size; a temperature takes the largest bins that
// qualify, and the modes outside any one by one.
class modequadrature {
 public:
  static constexpr std::size_t leaf = 64;   // modes in the smallest bin
  static constexpr std::size_t points = 16;  // virtual modes in a bin
  static constexpr double narrow = 7.0;    // (E_a + E_b) / (E_b - E_a), at least
  static constexpr double widest = 1.4;    // (E_b - E_a) / k_B T, at most

  // The bins of the n modes of increasing energy e[i] > 0 (J) and weight
  // g[i] (states); none for fewer than two leaves.
  void build(const double* e, const double* g, std::size_t n);
  bool empty() const { return levels_.empty(); }

  // The memory they take, in bytes.
  std::size_t bytes() const;

 private:
  friend void highsums(const double*, const double*, std::size_t, std::size_t, double, double,
                       const modequadrature*, double[4]);
  struct level {
    std::vector<double> energy, weight;  // `points` per bin, in order of energy
    std::vector<double> span;            // E_b - E_a, or infinity where the bin is too wide for its place
  };
  std::vector<level> levels_;  // levels_[L]: bins of leaf 2^L modes
};

// Adds to out the four sums of kernel.hpp over the modes i in [from, to) of
// e and g, all above the split at k_B T = kt, by the bins of q where they
// qualify (q may be null or empty: then mode by mode). Once the terms of the
// modes left cannot reach 1e-19 of any of the four sums in out (the sums
// below the split included), bounded by the x of the next mode and
// `absweight` >= the sum of |g| over the modes left, they are left out.
void highsums(const double* e, const double* g, std::size_t from, std::size_t to, double kt, double absweight,
              const modequadrature* q, double out[4]);

}  // namespace thermo
