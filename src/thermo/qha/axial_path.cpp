#include "thermo/qha/axial_path.hpp"

#include <cmath>

namespace thermo {

bool fitpath(const std::vector<double>& v, const std::vector<double>& x, double k, axialpath& out, std::string& why) {
  const std::size_t n = v.size();
  out.k = k;
  out.basis = makebasis(1, pathdegree, v.data(), n);
  std::vector<double> u(n), rb(n), rc(n);
  for (std::size_t i = 0; i < n; ++i) {
    out.basis.scaled(&v[i], &u[i]);
    rb[i] = x[3 * i + 1] / x[3 * i];
    rc[i] = x[3 * i + 2] / x[3 * i];
  }
  static const char* const volume[] = {"the volume"};
  surfacefit fit;
  if (!fit.make(out.basis, u.data(), n, volume, why)) return false;
  out.rb.resize(out.basis.terms());
  out.rc.resize(out.basis.terms());
  fit.solve(rb.data(), out.rb.data());
  fit.solve(rc.data(), out.rc.data());
  out.rmsb = fit.rms(rb.data(), out.rb.data());
  out.rmsc = fit.rms(rc.data(), out.rc.data());
  return true;
}

axialrow alongpath(const axialpath& p, double v, double alphav) {
  double u, db, dc;
  p.basis.scaled(&v, &u);
  const double rb = surfacevalue(p.basis, p.rb.data(), &u, &db), rc = surfacevalue(p.basis, p.rc.data(), &u, &dc);
  // d ln r / d ln V, from the derivative in the scaled volume.
  const double lb = v * db / (p.basis.half[0] * rb), lc = v * dc / (p.basis.half[0] * rc);
  const double a = std::cbrt(v / (p.k * rb * rc));
  // ln V = ln k + 3 ln a + ln r_b + ln r_c.
  const double la = (1.0 - lb - lc) / 3.0;
  axialrow r;
  r.length = {a, a * rb, a * rc};
  r.alpha = {la * alphav, (la + lb) * alphav, (la + lc) * alphav};
  return r;
}

}  // namespace thermo
