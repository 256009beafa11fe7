#include "thermo/qha/surface.hpp"

#include <Eigen/Dense>
#include <algorithm>
#include <cmath>

namespace thermo {

namespace {

// u_j^e for e = 0..degree, per axis.
struct powers {
  double p[3][8];
  powers(const surfacebasis& b, const double* u) {
    for (int j = 0; j < b.axes; ++j) {
      p[j][0] = 1.0;
      for (int e = 1; e <= b.degree; ++e) p[j][e] = p[j][e - 1] * u[j];
    }
  }
};

double binomial(int n, int k) {
  double r = 1.0;
  for (int i = 1; i <= k; ++i) r = r * (n - k + i) / i;
  return r;
}

// The distinct values of one axis over the points used, within 1e-9 of the
// axis's range.
std::size_t distinct(const double* u, std::size_t n, int axes, int j, long skip) {
  std::vector<double> v;
  for (std::size_t i = 0; i < n; ++i)
    if (static_cast<long>(i) != skip) v.push_back(u[i * axes + j]);
  std::sort(v.begin(), v.end());
  std::size_t count = v.empty() ? 0 : 1;
  for (std::size_t i = 1; i < v.size(); ++i)
    if (v[i] - v[i - 1] > 1e-9) ++count;
  return count;
}

}  // namespace

void surfacebasis::scaled(const double* x, double* u) const {
  for (int j = 0; j < axes; ++j) u[j] = (x[j] - centre[j]) / half[j];
}

void surfacebasis::unscaled(const double* u, double* x) const {
  for (int j = 0; j < axes; ++j) x[j] = centre[j] + half[j] * u[j];
}

surfacebasis makebasis(int axes, int degree, const double* x, std::size_t n) {
  surfacebasis b;
  b.axes = axes;
  b.degree = degree;
  for (int total = 0; total <= degree; ++total)
    for (int e0 = total; e0 >= 0; --e0) {
      if (axes == 1) {
        if (e0 == total) b.exponents.push_back({e0, 0, 0});
        continue;
      }
      for (int e1 = total - e0; e1 >= 0; --e1) {
        const int e2 = total - e0 - e1;
        if (axes == 2 && e2 != 0) continue;
        b.exponents.push_back({e0, e1, e2});
      }
    }
  for (int j = 0; j < axes; ++j) {
    double lo = x[j], hi = x[j];
    for (std::size_t i = 1; i < n; ++i) {
      lo = std::min(lo, x[i * axes + j]);
      hi = std::max(hi, x[i * axes + j]);
    }
    b.low[j] = lo;
    b.high[j] = hi;
    b.centre[j] = 0.5 * (lo + hi);
    // An axis of one value keeps a finite scale: the fit refuses it.
    b.half[j] = hi > lo ? 0.5 * (hi - lo) : 1.0;
  }
  return b;
}

void monomials(const surfacebasis& b, const double* u, double* out) {
  const powers pw(b, u);
  for (std::size_t t = 0; t < b.terms(); ++t) {
    double m = 1.0;
    for (int j = 0; j < b.axes; ++j) m *= pw.p[j][b.exponents[t][j]];
    out[t] = m;
  }
}

double surfacevalue(const surfacebasis& b, const double* coef, const double* u, double* grad, matrix3* hess) {
  const powers pw(b, u);
  const int m = b.axes;
  // d^r/du^r of u_j^e.
  auto factor = [&](int j, int e, int r) {
    if (e < r) return 0.0;
    double f = pw.p[j][e - r];
    for (int i = 0; i < r; ++i) f *= e - i;
    return f;
  };
  double value = 0.0;
  if (grad != nullptr) std::fill(grad, grad + m, 0.0);
  if (hess != nullptr)
    for (auto& row : *hess) row.fill(0.0);
  for (std::size_t t = 0; t < b.terms(); ++t) {
    const auto& e = b.exponents[t];
    double f0[3], f1[3];
    for (int j = 0; j < m; ++j) {
      f0[j] = pw.p[j][e[j]];
      f1[j] = factor(j, e[j], 1);
    }
    auto others = [&](int j, int l) {
      double r = coef[t];
      for (int q = 0; q < m; ++q)
        if (q != j && q != l) r *= f0[q];
      return r;
    };
    value += others(-1, -1);
    if (grad == nullptr) continue;
    for (int j = 0; j < m; ++j) {
      grad[j] += others(j, -1) * f1[j];
      if (hess == nullptr) continue;
      (*hess)[j][j] += others(j, -1) * factor(j, e[j], 2);
      for (int l = j + 1; l < m; ++l) {
        const double h = others(j, l) * f1[j] * f1[l];
        (*hess)[j][l] += h;
        (*hess)[l][j] += h;
      }
    }
  }
  return value;
}

std::vector<double> productcoefficients(const surfacebasis& b, double k, const std::array<int, 3>& power) {
  std::vector<double> c(b.terms(), 0.0);
  for (std::size_t t = 0; t < b.terms(); ++t) {
    double v = k;
    for (int j = 0; j < b.axes && v != 0.0; ++j) {
      const int e = b.exponents[t][j];
      v = e > power[j] ? 0.0
                       : v * binomial(power[j], e) * std::pow(b.centre[j], power[j] - e) * std::pow(b.half[j], e);
    }
    c[t] = v;
  }
  return c;
}

bool surfacefit::make(const surfacebasis& b, const double* u, std::size_t count, const char* const* axisnames,
                      std::string& why, long skip) {
  n = count;
  p = b.terms();
  skipped = skip;
  const std::size_t used = n - (skip >= 0 ? 1 : 0);
  const std::string degree = "a surface of degree " + std::to_string(b.degree);
  for (int j = 0; j < b.axes; ++j)
    if (const std::size_t d = distinct(u, n, b.axes, j, skip); d < static_cast<std::size_t>(b.degree) + 1) {
      why = std::string(axisnames[j]) + " takes " + std::to_string(d) + (d == 1 ? " distinct value; " : " distinct values; ") + degree + " needs " +
            std::to_string(b.degree + 1) + " or more on each axis (--degree)";
      return false;
    }
  if (used < p) {
    why = std::to_string(used) + " points for the " + std::to_string(p) + " terms of " + degree +
          ": it needs as many points as terms, or more (--degree)";
    return false;
  }
  Eigen::MatrixXd a(n, p);
  std::vector<double> row(p);
  for (std::size_t i = 0; i < n; ++i) {
    monomials(b, u + i * b.axes, row.data());
    for (std::size_t t = 0; t < p; ++t) a(i, t) = static_cast<long>(i) == skip ? 0.0 : row[t];
  }
  const Eigen::JacobiSVD<Eigen::MatrixXd> svd(a, Eigen::ComputeThinU | Eigen::ComputeThinV);
  const Eigen::VectorXd& s = svd.singularValues();
  inverse_condition = s[s.size() - 1] / s[0];
  if (!(inverse_condition > 1e-10)) {
    why = "the points do not determine " + degree +
          " (its design matrix has deficient rank: they lie on a curve of low degree)";
    return false;
  }
  const Eigen::MatrixXd pinv = svd.matrixV() * s.cwiseInverse().asDiagonal() * svd.matrixU().transpose();
  design.resize(n * p);
  inverse.resize(p * n);
  for (std::size_t i = 0; i < n; ++i)
    for (std::size_t t = 0; t < p; ++t) {
      design[i * p + t] = a(i, t);
      inverse[t * n + i] = pinv(t, i);
    }
  return true;
}

void surfacefit::solve(const double* g, double* coef) const {
  for (std::size_t t = 0; t < p; ++t) {
    const double* w = inverse.data() + t * n;
    double sum = 0.0;
    for (std::size_t i = 0; i < n; ++i)
      if (static_cast<long>(i) != skipped) sum += w[i] * g[i];
    coef[t] = sum;
  }
}

double surfacefit::rms(const double* g, const double* coef) const {
  double squares = 0.0;
  for (std::size_t i = 0; i < n; ++i) {
    if (static_cast<long>(i) == skipped) continue;
    double f = 0.0;
    for (std::size_t t = 0; t < p; ++t) f += design[i * p + t] * coef[t];
    squares += (f - g[i]) * (f - g[i]);
  }
  return std::sqrt(squares / static_cast<double>(n - (skipped >= 0 ? 1 : 0)));
}

}  // namespace thermo
