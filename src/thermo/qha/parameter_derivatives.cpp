#include "thermo/qha/parameter_derivatives.hpp"

#include <Eigen/Dense>

#include "thermo/qha/autodiff.hpp"

namespace thermo {

namespace {

using grad = dual<double, 2>;           // h and its gradient in (B0', V0)
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

Eigen::ColPivHouseholderQR<Eigen::Matrix4d> factored(const hessian& hp) {
  Eigen::Matrix4d h;
  for (int k = 0; k < 4; ++k)
    for (int l = 0; l < 4; ++l) h(k, l) = hp[k][l];
  return h.colPivHouseholderQr();
}

// H dp = sum_i dE_i/dp w_i, H factored.
Eigen::Vector4d slope(eos form, const gibbsdata& data, const parameters& p0,
                      const Eigen::ColPivHouseholderQR<Eigen::Matrix4d>& lu, const double* w) {
  Eigen::Vector4d rhs = Eigen::Vector4d::Zero();
  const grad bb = variable<double, 2>(p0[2], 0), vv = variable<double, 2>(p0[3], 1);
  const shapebase<grad> gbase(vv);
  for (int i = 0; i < data.n; ++i) {
    const auto g = energygradient(p0[1], shape(form, data.point[i], bb, vv, gbase));
    for (int k = 0; k < 4; ++k) rhs[k] += g[k] * w[i];
  }
  return lu.solve(rhs);
}

}  // namespace

parameters parameterslope(eos form, const gibbsdata& data, const parameters& p, const hessian& h, const double* w) {
  const Eigen::Vector4d s = slope(form, data, p, factored(h), w);
  return {s[0], s[1], s[2], s[3]};
}

void parameterderivatives(eos form, const gibbsdata& data, const parameters& p0, const hessian& hp, parameters& dp,
                          parameters& d2p) {
  const auto lu = factored(hp);
  // First: H dp = sum_i dE_i/dp G_i'.
  const Eigen::Vector4d first = slope(form, data, p0, lu, data.dg);
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
    const auto g = energygradient(b0, s);
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
