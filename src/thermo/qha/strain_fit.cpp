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
bool edgeminimum(const strainbasis& b, const double* y) {
  const std::size_t n = b.size();
  const std::size_t low = static_cast<std::size_t>(std::min_element(y, y + n) - y);
  return low <= 1 || low + 2 >= n;
}
double tiltof(const strainbasis& b, const double* y) {
  const std::size_t m = b.size() / 2;  // 1-based m and m + 1 are m - 1 and m here
  return -(y[m] - y[m - 1]) / (b.volume[m] - b.volume[m - 1]);
}

// y + s V.
std::vector<double> tilted(const strainbasis& b, const double* y, double s) {
  std::vector<double> t(y, y + b.size());
  for (std::size_t i = 0; i < t.size(); ++i) t[i] += s * b.volume[i];
  return t;
}

double dot(const std::vector<double>& x, const std::vector<double>& z) {
  double s = 0.0;
  for (std::size_t i = 0; i < x.size(); ++i) s += x[i] * z[i];
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
  const bool tilt = edgeminimum(b, y), derivatives = dy != nullptr && d2y != nullptr;
  const double s0 = tilt ? tiltof(b, y) : 0.0;
  const std::vector<double> y0 = tilted(b, y, s0), q0 = projected(b, y0.data());
  std::vector<double> y1, y2, q1, q2;
  double s1 = 0.0, s2 = 0.0;
  if (derivatives) {
    s1 = tilt ? tiltof(b, dy) : 0.0;
    s2 = tilt ? tiltof(b, d2y) : 0.0;
    y1 = tilted(b, dy, s1);
    y2 = tilted(b, d2y, s2);
    q1 = projected(b, y1.data());
    q2 = projected(b, y2.data());
  }
  // Each member: its coefficients (and theirs of the derivatives), its mean
  // square residual and the residual's derivatives, from the residuals
  // themselves.
  std::vector<double> sq(m), sq1(m), sq2(m);
  std::vector<std::vector<double>> c0(m), c1(m), c2(m);
  for (std::size_t k = 0; k < m; ++k) {
    const int d = out.degrees[k];
    c0[k] = coefficients(b, q0, d);
    const std::vector<double> r0 = residuals(b, y0.data(), c0[k]);
    sq[k] = dot(r0, r0) / nn;
    if (derivatives) {
      c1[k] = coefficients(b, q1, d);
      c2[k] = coefficients(b, q2, d);
      const std::vector<double> r1 = residuals(b, y1.data(), c1[k]), r2 = residuals(b, y2.data(), c2[k]);
      sq1[k] = 2.0 * dot(r0, r1) / nn;
      sq2[k] = 2.0 * (dot(r1, r1) + dot(r0, r2)) / nn;
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
    strainpoly& p = out.members[k];
    p.a = c0[k];
    p.tilt = s0;
    accumulate(out.mean.a, p.a, w[k]);
    if (!derivatives) continue;
    out.dmembers[k].a = c1[k];
    out.d2members[k].a = c2[k];
    accumulate(out.dmean.a, c1[k], w[k]);
    accumulate(out.dmean.a, p.a, w1[k]);
    accumulate(out.d2mean.a, c2[k], w[k]);
    accumulate(out.d2mean.a, c1[k], 2.0 * w1[k]);
    accumulate(out.d2mean.a, p.a, w2[k]);
  }
  // The mean's residual (y + sV less P is y less P - sV).
  const std::vector<double> r = residuals(b, y0.data(), out.mean.a);
  out.rms = std::sqrt(dot(r, r) / nn);
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
