#include "thermo/qha/eos_fit.hpp"

#include <Eigen/Dense>
#include <algorithm>
#include <cmath>

#include "thermo/qha/autodiff.hpp"
#include "thermo/qha/parameter_derivatives.hpp"

namespace thermo {

namespace {

using grad = dual<double, 2>;           // h and its gradient in (B0', V0)
using hess = dual<grad, 2>;             // ... and its Hessian

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
    const auto j = energygradient(p[1], s);
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
// With w, also sum_i dE_i/dp w_i in wsum.
void normal(eos form, const gibbsdata& data, const parameters& p, Eigen::Vector4d& phi, Eigen::Matrix4d& h,
            const double* w = nullptr, Eigen::Vector4d* wsum = nullptr) {
  hess b(variable<double, 2>(p[2], 0), {}), v0(variable<double, 2>(p[3], 1), {});
  b.d[0] = grad(1.0);
  v0.d[1] = grad(1.0);
  const shapebase<hess> base(v0);
  phi.setZero();
  h.setZero();
  if (wsum != nullptr) wsum->setZero();
  for (int i = 0; i < data.n; ++i) {
    const hess s = shape(form, data.point[i], b, v0, base);
    const double r = p[0] + p[1] * s.v.v - data.g[i];
    const double g[4] = {1.0, s.v.v, p[1] * s.v.d[0], p[1] * s.v.d[1]};
    for (int k = 0; k < 4; ++k) {
      if (wsum != nullptr) (*wsum)[k] += g[k] * w[i];
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

// Newton on the normal equations, to the last digits: it ends with the
// step that moves V0 by less than 1e-13 of itself. False where it does not
// get there in `iterations` steps.
bool newton(eos form, const gibbsdata& data, parameters& p, hessian& hout, int iterations) {
  for (int iter = 0; iter < iterations; ++iter) {
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
  return false;
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
  if (newton(form, data, p, hout, 30)) return true;
  why = "the equation of state's fit does not converge to full precision";
  return false;
}

bool roughfit(eos form, const gibbsdata& data, parameters& p) {
  return start(data, p) && marquardt(form, data, p) && p[1] > 0.0 && p[3] > 0.0;
}

bool fitnear(eos form, const gibbsdata& data, parameters& p, hessian& hout, const double* w, parameters& slope,
             std::string& why) {
  parameters q = p;
  for (int iter = 0; iter < 8; ++iter) {
    Eigen::Vector4d phi, wsum;
    Eigen::Matrix4d h;
    normal(form, data, q, phi, h, w, w != nullptr ? &wsum : nullptr);
    const auto qr = h.colPivHouseholderQr();
    const Eigen::Vector4d step = qr.solve(-phi);
    const bool last = std::fabs(step[3]) < 1e-13 * std::fabs(q[3]);
    for (int k = 0; k < 4; ++k) q[k] += step[k];
    if (!std::isfinite(q[3]) || !(q[3] > 0.0)) break;
    if (!last) continue;
    // A minimum (a positive definite Hessian), B0 positive.
    const Eigen::LDLT<Eigen::Matrix4d> ldlt(h);
    if (!(q[1] > 0.0) || ldlt.info() != Eigen::Success || !(ldlt.vectorD().array() > 0.0).all()) break;
    const Eigen::Vector4d s = w != nullptr ? Eigen::Vector4d(qr.solve(wsum)) : Eigen::Vector4d::Zero();
    for (int k = 0; k < 4; ++k) {
      if (w != nullptr) slope[k] = s[k];
      for (int l = 0; l < 4; ++l) hout[k][l] = h(k, l);
    }
    p = q;
    return true;
  }
  if (!fiteos(form, data, p, hout, why)) return false;
  if (w != nullptr) slope = parameterslope(form, data, p, hout, w);
  return true;
}

bool fitfrom(eos form, const gibbsdata& data, parameters& p, hessian& h, std::string& why) {
  parameters unused;
  return fitnear(form, data, p, h, nullptr, unused, why);
}

}  // namespace thermo
