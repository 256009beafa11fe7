#include "thermo/qha/spline.hpp"

#include <vector>

namespace thermo {

void splinederivatives(const double* x, const double* y, std::size_t m, std::size_t stride, double* dy, double* d2y) {
  auto Y = [&](std::size_t k) { return y[k * stride]; };
  auto put = [&](std::size_t k, double first, double second) {
    dy[k * stride] = first;
    d2y[k * stride] = second;
  };
  if (m == 0) return;
  if (m == 1) return put(0, 0.0, 0.0);
  if (m == 2) {
    const double d = (Y(1) - Y(0)) / (x[1] - x[0]);
    return put(0, d, 0.0), put(1, d, 0.0);
  }
  std::vector<double> h(m - 1), d(m - 1), M(m);
  for (std::size_t k = 0; k + 1 < m; ++k) {
    h[k] = x[k + 1] - x[k];
    d[k] = (Y(k + 1) - Y(k)) / h[k];
  }
  if (m == 3) {
    // The parabola: its second derivative is the second divided difference.
    const double c = 2.0 * (d[1] - d[0]) / (h[0] + h[1]);
    M = {c, c, c};
  } else {
    // The moments M_k = y''(x_k): h_{k-1} M_{k-1} + 2 (h_{k-1} + h_k) M_k +
    // h_k M_{k+1} = 6 (d_k - d_{k-1}) at the inner nodes, with M_0 and
    // M_{m-1} taken out through the not-a-knot conditions (M_1 - M_0) / h_0
    // = (M_2 - M_1) / h_1 and its mirror at the end; then a tridiagonal
    // system in M_1..M_{m-2}, solved by elimination (diagonally dominant).
    const std::size_t n = m - 2;
    std::vector<double> lower(n), diag(n), upper(n), rhs(n);
    for (std::size_t i = 0; i < n; ++i) {
      const std::size_t k = i + 1;
      lower[i] = h[k - 1];
      diag[i] = 2.0 * (h[k - 1] + h[k]);
      upper[i] = h[k];
      rhs[i] = 6.0 * (d[k] - d[k - 1]);
    }
    // M_0 = ((h0 + h1) M_1 - h0 M_2) / h1.
    diag[0] += h[0] * (h[0] + h[1]) / h[1];
    upper[0] -= h[0] * h[0] / h[1];
    // M_{m-1} = ((a + b) M_{m-2} - b M_{m-3}) / a, a = h_{m-3}, b = h_{m-2}.
    const double a = h[m - 3], b = h[m - 2];
    diag[n - 1] += b * (a + b) / a;
    lower[n - 1] -= b * b / a;
    for (std::size_t i = 1; i < n; ++i) {
      const double w = lower[i] / diag[i - 1];
      diag[i] -= w * upper[i - 1];
      rhs[i] -= w * rhs[i - 1];
    }
    M[n] = rhs[n - 1] / diag[n - 1];
    for (std::size_t i = n - 1; i-- > 0;) M[i + 1] = (rhs[i] - upper[i] * M[i + 2]) / diag[i];
    M[0] = ((h[0] + h[1]) * M[1] - h[0] * M[2]) / h[1];
    M[m - 1] = ((a + b) * M[m - 2] - b * M[m - 3]) / a;
  }
  for (std::size_t k = 0; k + 1 < m; ++k) put(k, d[k] - h[k] * (2.0 * M[k] + M[k + 1]) / 6.0, M[k]);
  put(m - 1, d[m - 2] + h[m - 2] * (M[m - 2] + 2.0 * M[m - 1]) / 6.0, M[m - 1]);
}

}  // namespace thermo
