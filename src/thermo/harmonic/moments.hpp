// lattice_thermo: the harmonic sums over the modes below the kernel's split
// (x = E / k_B T < 2) from moments of the sorted energies, computed once per
// DOS, so that a temperature costs a few dozen operations for them however
// many there are.
#pragma once

#include <cstddef>
#include <vector>

namespace thermo {

// Below the split every term is a polynomial in u = x^2 beside ln x and x/2:
//   x^2 e^-x / m^2 = 1 + u k(u),   x n = 1 - x/2 + u h(u),
//   ln m = ln x - x/2 + u p(u),
// with k, h and p of degree 10 at most (tools/fit_kernel; relative error
// below 2e-16 on 0 < x < 2). Summed over the modes i < j,
//   sum g u^k = Z_k(j) (E_max / k_B T)^(2k),  Z_k(j) = sum_{i<j} g (E_i / E_max)^(2k),
// so that the sums need only the prefix moments Z_k, sum g, sum g E and
// sum g ln E. Their power form is well conditioned: sum |a_k| 4^k over each
// polynomial's coefficients is below 0.42. The moments are kept at every
// `stride`-th mode (a checkpoint) and at the last; the few modes between the
// checkpoint and the split go to the per-mode kernel.
class modemoments {
 public:
  static constexpr std::size_t stride = 16;
  static constexpr int order = 11;  // Z_1 .. Z_order

  // The moments of the n modes of increasing energy e[i] > 0 (J) and weight
  // g[i] (states).
  void build(const double* e, const double* g, std::size_t n);

  // At k_B T = kt (J), where the modes i < j are those below the split: adds
  // the four sums of kernel.hpp over the modes below the last checkpoint at
  // or before j to out, and returns that checkpoint; 0 (nothing added) where
  // the moments do not serve, at temperatures so far below E_max / k_B that
  // (E_max / k_B T)^(2 order) would overflow.
  std::size_t sums(std::size_t j, double kt, double out[4]) const;

  // The memory they take, in bytes.
  std::size_t bytes() const { return table_.capacity() * sizeof(double); }

 private:
  // Each checkpoint's record: sum g, sum g E / E_max, sum g ln(E / E_top)
  // with E_top the energy of its last mode, E_top, then Z_1 .. Z_order.
  static constexpr std::size_t record = 4 + order;

  std::vector<double> table_;
  std::size_t modes_ = 0;
  double emax_ = 0.0;
};

}  // namespace thermo
