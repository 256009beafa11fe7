#include "thermo/qha/strain_fit.hpp"

#include <algorithm>
#include <cmath>

namespace thermo {

std::vector<int> straindegrees(const strainsettings& s, std::size_t n) {
  if (s.degree > 0) return {s.degree};
  const int top = std::max(std::min(static_cast<int>(n / 2) - 1, maxstraindegree), 3);
  std::vector<int> d;
  for (int k = 2; k <= top; ++k) d.push_back(k);
  return d;
}

namespace {

// The tilt of y at the volumes: where the lowest value sits at an end pair.
bool tilted(const strainbasis& b, const double* y) {
  const std::size_t n = b.size();
  const std::size_t low = static_cast<std::size_t>(std::min_element(y, y + n) - y);
  return low <= 1 || low + 2 >= n;
}
double tiltof(const strainbasis& b, const double* y) {
  const std::size_t m = b.size() / 2;  // 1-based m and m + 1 are m - 1 and m here
  return -(y[m] - y[m - 1]) / (b.volume[m] - b.volume[m - 1]);
}

// Q^T of y + s V.
std::vector<double> tiltedprojection(const strainbasis& b, const double* y, double s) {
  std::vector<double> t(y, y + b.size());
  for (std::size_t i = 0; i < t.size(); ++i) t[i] += s * b.volume[i];
  return projected(b, t.data());
}

// sum over j > k of x_j z_j.
double tail(const std::vector<double>& x, const std::vector<double>& z, int k) {
  double s = 0.0;
  for (std::size_t j = static_cast<std::size_t>(k) + 1; j < x.size(); ++j) s += x[j] * z[j];
  return s;
}

void accumulate(std::vector<double>& to, const std::vector<double>& c, double w) {
  if (to.size() < c.size()) to.resize(c.size(), 0.0);
  for (std::size_t j = 0; j < c.size(); ++j) to[j] += w * c[j];
}

}  // namespace

void fitstrain(const strainbasis& b, const strainsettings& s, const double* y, strainfit& out, const double* dy,
               const double* d2y) {
  const std::size_t n = b.size();
  const double nn = static_cast<double>(n);
  out.degrees = straindegrees(s, n);
  const std::size_t m = out.degrees.size();
  const bool tilt = tilted(b, y), derivatives = dy != nullptr && d2y != nullptr;
  const double s0 = tilt ? tiltof(b, y) : 0.0;
  const std::vector<double> q0 = tiltedprojection(b, y, s0);
  std::vector<double> q1, q2;
  double s1 = 0.0, s2 = 0.0;
  if (derivatives) {
    s1 = tilt ? tiltof(b, dy) : 0.0;
    s2 = tilt ? tiltof(b, d2y) : 0.0;
    q1 = tiltedprojection(b, dy, s1);
    q2 = tiltedprojection(b, d2y, s2);
  }
  // Each member's mean square residual and its derivatives.
  std::vector<double> sq(m), sq1(m), sq2(m);
  for (std::size_t k = 0; k < m; ++k) {
    const int d = out.degrees[k];
    sq[k] = tail(q0, q0, d) / nn;
    if (derivatives) {
      sq1[k] = 2.0 * tail(q0, q1, d) / nn;
      sq2[k] = 2.0 * (tail(q1, q1, d) + tail(q0, q2, d)) / nn;
    }
  }
  // The weights: u_k = -sigma_k^2 / q k / n, q = min sigma^2 + floor.
  const std::size_t low = static_cast<std::size_t>(std::min_element(sq.begin(), sq.end()) - sq.begin());
  const double q = sq[low] + s.floor;
  std::vector<double> u(m), u1(m, 0.0), u2(m, 0.0), w(m), w1(m, 0.0), w2(m, 0.0);
  for (std::size_t k = 0; k < m; ++k) {
    const double c = out.degrees[k] / nn;
    u[k] = -c * sq[k] / q;
    if (derivatives) {
      const double ql = sq1[low], qll = sq2[low];
      u1[k] = -c * (sq1[k] / q - sq[k] * ql / (q * q));
      u2[k] = -c * (sq2[k] / q - 2.0 * sq1[k] * ql / (q * q) - sq[k] * qll / (q * q) +
                    2.0 * sq[k] * ql * ql / (q * q * q));
    }
  }
  const double top = *std::max_element(u.begin(), u.end());
  double z = 0.0;
  for (std::size_t k = 0; k < m; ++k) z += w[k] = std::exp(u[k] - top);
  for (double& x : w) x /= z;
  if (derivatives) {
    // w_k' = w_k (u_k' - <u'>), w_k'' = w_k' (u_k' - <u'>) + w_k (u_k'' - <u'>'),
    // <u'>' = sum w_j' u_j' + w_j u_j''.
    double mean1 = 0.0, mean1d = 0.0;
    for (std::size_t k = 0; k < m; ++k) mean1 += w[k] * u1[k];
    for (std::size_t k = 0; k < m; ++k) w1[k] = w[k] * (u1[k] - mean1);
    for (std::size_t k = 0; k < m; ++k) mean1d += w1[k] * u1[k] + w[k] * u2[k];
    for (std::size_t k = 0; k < m; ++k) w2[k] = w1[k] * (u1[k] - mean1) + w[k] * (u2[k] - mean1d);
  }
  out.weights = w;
  out.members.assign(m, strainpoly{});
  out.mean = strainpoly{{}, s0};
  out.dmean = strainpoly{{}, s1};
  out.d2mean = strainpoly{{}, s2};
  out.dmembers.assign(derivatives ? m : 0, strainpoly{{}, s1});
  out.d2members.assign(derivatives ? m : 0, strainpoly{{}, s2});
  for (std::size_t k = 0; k < m; ++k) {
    const int d = out.degrees[k];
    strainpoly& p = out.members[k];
    p.a = coefficients(b, q0, d);
    p.tilt = s0;
    accumulate(out.mean.a, p.a, w[k]);
    if (!derivatives) continue;
    const std::vector<double> c1 = coefficients(b, q1, d), c2 = coefficients(b, q2, d);
    out.dmembers[k].a = c1;
    out.d2members[k].a = c2;
    accumulate(out.dmean.a, c1, w[k]);
    accumulate(out.dmean.a, p.a, w1[k]);
    accumulate(out.d2mean.a, c2, w[k]);
    accumulate(out.d2mean.a, c1, 2.0 * w1[k]);
    accumulate(out.d2mean.a, p.a, w2[k]);
  }
  // The mean's residual, point by point.
  double squares = 0.0;
  for (std::size_t i = 0; i < n; ++i) {
    double e[4];
    strainvalues(b.scale, out.mean, b.volume[i], e, 0);
    const double r = e[0] - y[i];
    squares += r * r;
  }
  out.rms = std::sqrt(squares / nn);
}

double memberspread(const std::vector<double>& weights, const std::vector<double>& x) {
  double total = 0.0, mean = 0.0;
  std::size_t count = 0;
  for (std::size_t k = 0; k < x.size(); ++k)
    if (std::isfinite(x[k])) {
      total += weights[k];
      mean += weights[k] * x[k];
      ++count;
    }
  if (count == 0 || !(total > 0.0)) return NAN;
  mean /= total;
  double s = 0.0;
  for (std::size_t k = 0; k < x.size(); ++k)
    if (std::isfinite(x[k])) s += weights[k] * (x[k] - mean) * (x[k] - mean);
  return count == 1 ? 0.0 : std::sqrt(s / total);
}

}  // namespace thermo
