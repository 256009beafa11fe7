#include "thermo/qha/surface_minimum.hpp"

#include <Eigen/Dense>
#include <algorithm>
#include <cmath>

namespace thermo {

namespace {

Eigen::MatrixXd matrixof(const matrix3& h, int m) {
  Eigen::MatrixXd a(m, m);
  for (int j = 0; j < m; ++j)
    for (int l = 0; l < m; ++l) a(j, l) = h[j][l];
  return a;
}

// The descent step: Newton's where h is positive definite, else on h
// shifted by a little more than its lowest eigenvalue.
lengths3 stepof(const matrix3& h, int m, const double* grad) {
  Eigen::MatrixXd a = matrixof(h, m);
  Eigen::VectorXd g(m);
  for (int j = 0; j < m; ++j) g[j] = grad[j];
  Eigen::LLT<Eigen::MatrixXd> llt(a);
  if (llt.info() != Eigen::Success) {
    const Eigen::SelfAdjointEigenSolver<Eigen::MatrixXd> eig(a, Eigen::EigenvaluesOnly);
    const double lowest = eig.eigenvalues()[0], largest = eig.eigenvalues().cwiseAbs().maxCoeff();
    a.diagonal().array() += -lowest + 1e-3 * largest + 1e-300;
    llt.compute(a);
  }
  const Eigen::VectorXd s = llt.solve(-g);
  lengths3 r{};
  for (int j = 0; j < m; ++j) r[j] = s[j];
  return r;
}

}  // namespace

bool positivedefinite(const matrix3& h, int m) {
  const Eigen::LLT<Eigen::MatrixXd> llt(matrixof(h, m));
  return llt.info() == Eigen::Success;
}

lengths3 solvedefinite(const matrix3& h, int m, const lengths3& r) {
  Eigen::VectorXd v(m);
  for (int j = 0; j < m; ++j) v[j] = r[j];
  const Eigen::VectorXd s = matrixof(h, m).llt().solve(v);
  lengths3 x{};
  for (int j = 0; j < m; ++j) x[j] = s[j];
  return x;
}

surfaceminimum minimise(const surfacebasis& b, const double* coef, const double* u0) {
  const int m = b.axes;
  surfaceminimum r;
  lengths3 u{}, trial{};
  std::copy(u0, u0 + m, u.begin());
  double grad[3];
  matrix3 h;
  double f = surfacevalue(b, coef, u.data(), grad, &h), previous = 1.0;
  for (int iter = 0; iter < 200; ++iter) {
    const lengths3 s = stepof(h, m, grad);
    double size = 0.0;
    for (int j = 0; j < m; ++j) size = std::max(size, std::fabs(s[j]));
    if (!std::isfinite(size)) return r;
    // The last step: below 1e-12, or where the steps have stopped shrinking
    // at the level the gradient's rounding leaves them (on a shallow
    // surface of large values, 1e-11).
    const bool last = (size < 1e-12 || (size < 1e-7 && size > 0.25 * previous)) && positivedefinite(h, m);
    previous = size;
    // Shortened until the surface falls (a last step is taken as it is:
    // there the values differ by rounding).
    double t = 1.0, ft = f;
    for (; t > 1e-10; t *= 0.5) {
      for (int j = 0; j < m; ++j) trial[j] = u[j] + t * s[j];
      ft = surfacevalue(b, coef, trial.data());
      if (last || ft <= f) break;
    }
    if (!(t > 1e-10)) {
      // No descent left along the step: a minimum within rounding, or a stall.
      if (size < 1e-8 && positivedefinite(h, m)) break;
      return r;
    }
    u = trial;
    f = surfacevalue(b, coef, u.data(), grad, &h);
    for (int j = 0; j < m; ++j)
      if (!(std::fabs(u[j]) <= 4.0)) {
        r.axis = j;
        return r;
      }
    if (last) break;
    if (iter == 199) return r;
  }
  if (!positivedefinite(h, m)) return r;
  r.u = u;
  r.hess = h;
  b.unscaled(u.data(), r.x.data());
  r.where = surfaceminimum::status::inside;
  for (int j = 0; j < m; ++j)
    if (!(r.x[j] >= b.low[j] && r.x[j] <= b.high[j])) {
      r.where = surfaceminimum::status::outside;
      r.axis = j;
      break;
    }
  return r;
}

}  // namespace thermo
