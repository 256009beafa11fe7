#include "thermo/qha/eos_fit.hpp"

#include <Eigen/Dense>
#include <algorithm>
#include <cmath>

#include "thermo/qha/autodiff.hpp"

namespace thermo {

namespace {

using grad = dual<double, 2>;           // h and its gradient in (B0', V0)
using hess = dual<grad, 2>;             // ... and its Hessian
using line = dual<dual<double, 1>, 1>;  // a value and two derivatives along one line
using lineg = dual<line, 2>;            // h along the line, with its gradient in (B0', V0)

// x(t) = a + b t + c t^2 / 2 near t = 0: value, first and second derivative.
line along(double a, double b, double c) {
  line r;
  r.v = dual<double, 1>(a, {b});
  r.d[0] = dual<double, 1>(b, {c});
  return r;
}
double second(const line& x) { return x.d[0].d[0]; }

// The gradient of E = E0 + B0 h(V; B0', V0) in p from h's in (B0', V0).
template <class T>
std::array<T, 4> gradient(const T& b0, const dual<T, 2>& h) {
  return {T(1.0), h.v, b0 * h.d[0], b0 * h.d[1]};
}

// Half the sum of squares at p, with J^T J and J^T r there.
double objective(eos form, const gibbsdata& data, const parameters& p, Eigen::Matrix4d* a, Eigen::Vector4d* g) {
  const grad b = variable<double, 2>(p[2], 0), v0 = variable<double, 2>(p[3], 1);
  const shapebase<grad> base(v0);
  double sum = 0.0;
  if (a != nullptr) {
    a->setZero();
    g->setZero();
  }
  for (int i = 0; i < data.n; ++i) {
    const grad s = shape(form, data.point[i], b, v0, base);
    const double r = p[0] + p[1] * s.v - data.g[i];
    sum += 0.5 * r * r;
    if (a == nullptr) continue;
    const auto j = gradient(p[1], s);
    for (int k = 0; k < 4; ++k) {
      (*g)[k] += j[k] * r;
      for (int l = 0; l < 4; ++l) (*a)(k, l) += j[k] * j[l];
    }
  }
  return sum;
}

// Levenberg-Marquardt (Marquardt's scaling of the diagonal) with the exact
// Jacobian, to 1e-10 of each parameter: near enough for the Newton steps
// that follow. False where it stalls or leaves the parameters' domain.
bool marquardt(eos form, const gibbsdata& data, parameters& p) {
  Eigen::Matrix4d a, a2;
  Eigen::Vector4d g, g2;
  double cost = objective(form, data, p, &a, &g), lambda = 1e-3;
  for (int iter = 0; iter < 500; ++iter) {
    Eigen::Matrix4d m = a;
    for (int k = 0; k < 4; ++k) m(k, k) += lambda * a(k, k);
    const Eigen::Vector4d step = m.ldlt().solve(-g);
    parameters q = p;
    bool small = true;
    for (int k = 0; k < 4; ++k) {
      q[k] += step[k];
      small = small && std::fabs(step[k]) <= 1e-10 * (std::fabs(q[k]) + 1e-10);
    }
    const bool domain = q[1] > 0.0 && q[3] > 0.0;
    // A step this small is taken without comparing costs: they differ by
    // rounding there.
    if (small && domain) {
      p = q;
      return true;
    }
    // The cost and the next step's matrices at once: a step is rarely refused.
    const double next = domain ? objective(form, data, q, &a2, &g2) : NAN;
    if (next <= cost) {
      p = q;
      cost = next;
      a = a2;
      g = g2;
      lambda = std::max(lambda * 0.1, 1e-15);
    } else {
      lambda *= 10.0;
      if (lambda > 1e15) return false;
    }
  }
  return false;
}

// The gradient of the objective's half, J^T r, and its exact Hessian,
// J^T J + sum r_i Hess E_i, where Hess E has h's gradient in the B0 row
// and column and B0 times h's Hessian in the (B0', V0) block.
void normal(eos form, const gibbsdata& data, const parameters& p, Eigen::Vector4d& phi, Eigen::Matrix4d& h) {
  hess b(variable<double, 2>(p[2], 0), {}), v0(variable<double, 2>(p[3], 1), {});
  b.d[0] = grad(1.0);
  v0.d[1] = grad(1.0);
  const shapebase<hess> base(v0);
  phi.setZero();
  h.setZero();
  for (int i = 0; i < data.n; ++i) {
    const hess s = shape(form, data.point[i], b, v0, base);
    const double r = p[0] + p[1] * s.v.v - data.g[i];
    const double g[4] = {1.0, s.v.v, p[1] * s.v.d[0], p[1] * s.v.d[1]};
    for (int k = 0; k < 4; ++k) {
      phi[k] += g[k] * r;
      for (int l = 0; l < 4; ++l) h(k, l) += g[k] * g[l];
    }
    // r times the Hessian of E.
    for (int k = 0; k < 2; ++k) {
      h(1, 2 + k) += r * s.v.d[k];
      h(2 + k, 1) += r * s.v.d[k];
      for (int l = 0; l < 2; ++l) h(2 + k, 2 + l) += r * p[1] * s.d[k].d[l];
    }
  }
}

// The start: the point of lowest G, B0' = 4, B0 = V G'' from the parabola
// through it and its neighbours (or through all points).
bool start(const gibbsdata& data, parameters& p) {
  const int n = data.n;
  const int k = static_cast<int>(std::min_element(data.g, data.g + n) - data.g);
  const int c = std::clamp(k, 1, n - 2);
  const double v[3] = {data.point[c - 1].v, data.point[c].v, data.point[c + 1].v};
  const double* g = data.g + c - 1;
  // Second divided difference of the parabola through three points.
  const double curvature =
      2.0 * ((g[2] - g[1]) / (v[2] - v[1]) - (g[1] - g[0]) / (v[1] - v[0])) / (v[2] - v[0]);
  double b = data.point[k].v * curvature;
  if (!(b > 0.0)) {  // the whole range's parabola
    Eigen::MatrixXd a(n, 3);
    Eigen::VectorXd y(n);
    for (int i = 0; i < n; ++i) {
      a(i, 0) = 1.0;
      a(i, 1) = data.point[i].v;
      a(i, 2) = data.point[i].v * data.point[i].v;
      y[i] = data.g[i];
    }
    const Eigen::Vector3d q = a.colPivHouseholderQr().solve(y);
    b = 2.0 * q[2] * data.point[k].v;
  }
  if (!(b > 0.0)) return false;
  p = {data.g[k], b, 4.0, data.point[k].v};
  return true;
}

}  // namespace

bool fiteos(eos form, const gibbsdata& data, parameters& p, hessian& hout, std::string& why) {
  if (!start(data, p)) {
    why = "G(V) curves downward over the volumes: it has no minimum to fit";
    return false;
  }
  if (!marquardt(form, data, p) || !(p[1] > 0.0) || !(p[3] > 0.0)) {
    why = "the equation of state does not fit (Levenberg-Marquardt stalls)";
    return false;
  }
  // Newton on the normal equations, to the last digits: it ends with the
  // step that moves V0 by less than 1e-13 of itself.
  for (int iter = 0; iter < 30; ++iter) {
    Eigen::Vector4d phi;
    Eigen::Matrix4d h;
    normal(form, data, p, phi, h);
    const Eigen::Vector4d step = h.colPivHouseholderQr().solve(-phi);
    if (std::fabs(step[3]) < 1e-13 * std::fabs(p[3])) {
      // The last step too, and the Hessian after it: without the step B0'
      // keeps an error of its size, far above its rounding, and the
      // Hessian before it is off by as much.
      for (int k = 0; k < 4; ++k) p[k] += step[k];
      normal(form, data, p, phi, h);
      for (int k = 0; k < 4; ++k)
        for (int l = 0; l < 4; ++l) hout[k][l] = h(k, l);
      return true;
    }
    for (int k = 0; k < 4; ++k) p[k] += step[k];
    if (!std::isfinite(p[3]) || !(p[3] > 0.0)) break;
  }
  why = "the equation of state's fit does not converge to full precision";
  return false;
}

void parameterderivatives(eos form, const gibbsdata& data, const parameters& p0, const hessian& hp, parameters& dp,
                          parameters& d2p) {
  Eigen::Vector4d rhs = Eigen::Vector4d::Zero();
  Eigen::Matrix4d h;
  for (int k = 0; k < 4; ++k)
    for (int l = 0; l < 4; ++l) h(k, l) = hp[k][l];
  const auto lu = h.colPivHouseholderQr();
  // First: H dp = sum_i dE_i/dp G_i'.
  const grad bb = variable<double, 2>(p0[2], 0), vv = variable<double, 2>(p0[3], 1);
  const shapebase<grad> gbase(vv);
  for (int i = 0; i < data.n; ++i) {
    const auto g = gradient(p0[1], shape(form, data.point[i], bb, vv, gbase));
    for (int k = 0; k < 4; ++k) rhs[k] += g[k] * data.dg[i];
  }
  const Eigen::Vector4d first = lu.solve(rhs);
  // Second: H d2p = -Q, Q the second derivative of the normal equations
  // along p0 + first t at T + t.
  lineg b(along(p0[2], first[2], 0.0), {}), v0(along(p0[3], first[3], 0.0), {});
  b.d[0] = line(1.0);
  v0.d[1] = line(1.0);
  const line e0 = along(p0[0], first[0], 0.0), b0 = along(p0[1], first[1], 0.0);
  const shapebase<lineg> lbase(v0);
  Eigen::Vector4d qq = Eigen::Vector4d::Zero();
  for (int i = 0; i < data.n; ++i) {
    const lineg s = shape(form, data.point[i], b, v0, lbase);
    const line r = e0 + b0 * s.v - along(data.g[i], data.dg[i], data.d2g[i]);
    const auto g = gradient(b0, s);
    for (int k = 0; k < 4; ++k) qq[k] += second(g[k] * r);
  }
  const Eigen::Vector4d secondd = lu.solve(-qq);
  for (int k = 0; k < 4; ++k) {
    dp[k] = first[k];
    d2p[k] = secondd[k];
  }
}

double secondderivative(eos form, double v, const parameters& p, const parameters& dp, const parameters& d2p) {
  line q[4];
  for (int k = 0; k < 4; ++k) q[k] = along(p[k], dp[k], d2p[k]);
  return second(energy(form, v, q));
}

}  // namespace thermo
