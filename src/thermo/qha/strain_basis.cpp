#include "thermo/qha/strain_basis.hpp"

#include <Eigen/Dense>
#include <cmath>

namespace thermo {

namespace {

// u(V) and its first three derivatives.
void us(strainkind kind, double v, double u[4]) {
  const double w = 1.0 / v;
  if (kind == strainkind::natural) {
    u[0] = std::log(v);
    u[1] = w;
    u[2] = -w * w;
    u[3] = 2.0 * w * w * w;
    return;
  }
  const double c = std::cbrt(v), m = 1.0 / (c * c);  // V^(-2/3)
  u[0] = m;
  u[1] = -2.0 / 3.0 * m * w;
  u[2] = 10.0 / 9.0 * m * w * w;
  u[3] = -80.0 / 27.0 * m * w * w * w;
}

// sum a_j T_j^(n)(t) for n = 0..order, by the recurrences of T_j and its
// derivatives: T_(j+1)^(n) = 2 n T_j^(n-1) + 2 t T_j^(n) - T_(j-1)^(n).
void chebyshev(const std::vector<double>& a, double t, double p[4], int order) {
  double prev[4] = {1.0, 0.0, 0.0, 0.0}, cur[4] = {t, 1.0, 0.0, 0.0};
  for (int n = 0; n < 4; ++n) p[n] = 0.0;
  const std::size_t m = a.size();
  for (int n = 0; n <= order; ++n) p[n] = (m > 0 ? a[0] * prev[n] : 0.0) + (m > 1 ? a[1] * cur[n] : 0.0);
  for (std::size_t j = 2; j < m; ++j) {
    double next[4];
    next[0] = 2.0 * t * cur[0] - prev[0];
    for (int n = 1; n <= order; ++n) next[n] = 2.0 * n * cur[n - 1] + 2.0 * t * cur[n] - prev[n];
    for (int n = 0; n <= order; ++n) {
      prev[n] = cur[n];
      cur[n] = next[n];
      p[n] += a[j] * cur[n];
    }
  }
}

}  // namespace

bool parsestrain(std::string_view name, strainkind& kind) {
  if (name == "bm") kind = strainkind::eulerian;
  else if (name == "pt") kind = strainkind::natural;
  else return false;
  return true;
}

const char* strainname(strainkind kind) { return kind == strainkind::natural ? "pt" : "bm"; }

strainscale strainscale::over(strainkind kind, double vmin, double vmax) {
  double a[4], b[4];
  us(kind, vmin, a);
  us(kind, vmax, b);
  strainscale s;
  s.kind = kind;
  s.centre = 0.5 * (a[0] + b[0]);
  s.half = 0.5 * std::fabs(b[0] - a[0]);
  if (!(s.half > 0.0)) s.half = 1.0;
  return s;
}

double strainscale::t(double v) const {
  double u[4];
  us(kind, v, u);
  return (u[0] - centre) / half;
}

void strainvalues(const strainscale& sc, const strainpoly& poly, double v, double e[4], int order) {
  double u[4], p[4];
  us(sc.kind, v, u);
  const double t = (u[0] - sc.centre) / sc.half, t1 = u[1] / sc.half, t2 = u[2] / sc.half, t3 = u[3] / sc.half;
  chebyshev(poly.a, t, p, order);
  e[0] = p[0] - poly.tilt * v;
  if (order < 1) return;
  e[1] = p[1] * t1 - poly.tilt;
  if (order < 2) return;
  e[2] = p[2] * t1 * t1 + p[1] * t2;
  if (order < 3) return;
  e[3] = p[3] * t1 * t1 * t1 + 3.0 * p[2] * t1 * t2 + p[1] * t3;
}

std::vector<double> pressuresat(const strainscale& sc, const strainpoly& poly, const std::vector<double>& volumes) {
  std::vector<double> p(volumes.size());
  double e[4];
  for (std::size_t i = 0; i < volumes.size(); ++i) {
    strainvalues(sc, poly, volumes[i], e, 1);
    p[i] = -e[1];
  }
  return p;
}

namespace {

// The root of g(V) = -E'(V) - p in [a, b], g(a) >= 0 >= g(b).
double solve(const strainscale& sc, const strainpoly& poly, double p, double a, double b, double ga, double gb) {
  if (ga == 0.0) return a;
  if (gb == 0.0) return b;
  double x = ga == gb ? 0.5 * (a + b) : a + (b - a) * ga / (ga - gb);
  if (!(x > a && x < b)) x = 0.5 * (a + b);
  double e[4];
  for (int iter = 0; iter < 200; ++iter) {
    strainvalues(sc, poly, x, e, 2);
    const double g = -e[1] - p;
    if (g == 0.0) return x;
    (g > 0.0 ? a : b) = x;
    double next = x + g / e[2];  // g' = -E''
    if (!(next > a && next < b)) next = a + 0.5 * (b - a);
    const double ulp = std::nextafter(x, INFINITY) - x;
    if (std::fabs(next - x) <= 2.0 * ulp || b - a <= 4.0 * ulp) return next;
    x = next;
  }
  return x;
}

}  // namespace

bool volumeat(const strainscale& sc, const strainpoly& poly, const std::vector<double>& volumes,
              const std::vector<double>& pressures, double p, double& v) {
  const std::size_t n = volumes.size();
  for (std::size_t gap = 1; gap < n; ++gap)
    for (std::size_t i = 0; i + gap < n; ++i)
      if (pressures[i] >= p && p >= pressures[i + gap]) {
        v = solve(sc, poly, p, volumes[i], volumes[i + gap], pressures[i] - p, pressures[i + gap] - p);
        return true;
      }
  return false;
}

bool volumenear(const strainscale& sc, const strainpoly& poly, double p, double lo, double hi, double& v) {
  double e[4];
  for (int iter = 0; iter < 100; ++iter) {
    strainvalues(sc, poly, v, e, 2);
    if (!(e[2] > 0.0)) return false;
    const double step = (-e[1] - p) / e[2];
    v += step;
    if (!(v >= lo && v <= hi)) return false;
    if (std::fabs(step) <= 4.0 * (std::nextafter(v, INFINITY) - v)) return true;
  }
  return false;
}

strainbasis makebasis(strainkind kind, std::vector<double> volumes, int degree) {
  strainbasis b;
  const int n = static_cast<int>(volumes.size()), m = degree + 1;
  b.scale = strainscale::over(kind, volumes.front(), volumes.back());
  b.volume = std::move(volumes);
  b.degree = degree;
  Eigen::MatrixXd a(n, m);
  for (int i = 0; i < n; ++i) {
    const double t = b.scale.t(b.volume[static_cast<std::size_t>(i)]);
    double prev = 1.0, cur = t;
    a(i, 0) = 1.0;
    if (m > 1) a(i, 1) = t;
    for (int j = 2; j < m; ++j) {
      const double next = 2.0 * t * cur - prev;
      prev = cur;
      cur = next;
      a(i, j) = cur;
    }
  }
  b.a.assign(a.data(), a.data() + static_cast<std::size_t>(n) * m);
  const Eigen::HouseholderQR<Eigen::MatrixXd> qr(a);
  const Eigen::MatrixXd q = qr.householderQ() * Eigen::MatrixXd::Identity(n, m);
  b.q.assign(q.data(), q.data() + static_cast<std::size_t>(n) * m);
  b.r.assign(static_cast<std::size_t>(m) * m, 0.0);
  for (int j = 0; j < m; ++j)
    for (int i = 0; i <= j; ++i) b.r[static_cast<std::size_t>(j) * m + i] = qr.matrixQR()(i, j);
  return b;
}

std::vector<double> projected(const strainbasis& b, const double* y) {
  const std::size_t n = b.size(), m = static_cast<std::size_t>(b.degree) + 1;
  std::vector<double> out(m, 0.0);
  for (std::size_t j = 0; j < m; ++j) {
    const double* col = b.q.data() + j * n;
    double s = 0.0;
    for (std::size_t i = 0; i < n; ++i) s += col[i] * y[i];
    out[j] = s;
  }
  return out;
}

std::vector<double> residuals(const strainbasis& b, const double* y, const std::vector<double>& c) {
  const std::size_t n = b.size();
  std::vector<double> r(y, y + n);
  for (std::size_t j = 0; j < c.size(); ++j) {
    const double* col = b.a.data() + j * n;
    for (std::size_t i = 0; i < n; ++i) r[i] -= c[j] * col[i];
  }
  return r;
}

std::vector<double> coefficients(const strainbasis& b, const std::vector<double>& qty, int k) {
  const std::size_t m = static_cast<std::size_t>(b.degree) + 1, last = static_cast<std::size_t>(k);
  std::vector<double> c(last + 1);
  for (std::size_t i = last + 1; i-- > 0;) {
    double s = qty[i];
    for (std::size_t j = i + 1; j <= last; ++j) s -= b.r[j * m + i] * c[j];
    c[i] = s / b.r[i * m + i];
  }
  return c;
}

}  // namespace thermo
