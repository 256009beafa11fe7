#include "thermo/qha/grid_qha.hpp"

#include <algorithm>
#include <cmath>

#include "thermo/base/two_threads.hpp"
#include "thermo/harmonic/constants.hpp"
#include "thermo/qha/qha.hpp"

namespace thermo {

namespace {

constexpr double ev = elementary;                         // J
constexpr double kjmol = elementary * avogadro / 1000.0;  // kJ/mol per eV
constexpr double jmol = elementary * avogadro;            // J/mol per eV

double clamped(double x, double floor) { return x <= 0.0 && x > -floor ? 0.0 : x; }

// The point whose fitted value is lowest, scaled: where Newton starts.
const double* lowestpoint(const gridmodel& m, const double* coef) {
  const std::size_t n = m.points.volume.size();
  std::size_t best = 0;
  double low = 0.0;
  for (std::size_t i = 0; i < n; ++i) {
    const double f = surfacevalue(m.basis, coef, m.u.data() + i * m.axes);
    if (i == 0 || f < low) {
      low = f;
      best = i;
    }
  }
  return m.u.data() + best * m.axes;
}

}  // namespace

const char* const* axisnames(int axes) {
  static const char* const two[] = {"a", "c"};
  static const char* const three[] = {"a", "b", "c"};
  return axes == 3 ? three : two;
}

bool makegridmodel(qhainput in, const std::vector<double>& x, int axes, int degree, double k, gridmodel& out,
                   std::string& why) {
  out.points = makemodel(std::move(in));
  const std::size_t n = out.points.volume.size();
  out.axes = axes;
  out.k = k;
  out.x.resize(n * axes);
  for (std::size_t i = 0; i < n; ++i)
    for (int j = 0; j < axes; ++j) out.x[i * axes + j] = x[out.points.order[i] * axes + j];
  out.basis = makebasis(axes, degree, out.x.data(), n);
  out.u.resize(n * axes);
  for (std::size_t i = 0; i < n; ++i) out.basis.scaled(out.x.data() + i * axes, out.u.data() + i * axes);
  if (!out.fit.make(out.basis, out.u.data(), n, axisnames(axes), why)) return false;
  out.volume = productcoefficients(out.basis, k, axes == 2 ? std::array<int, 3>{2, 1, 0} : std::array<int, 3>{1, 1, 1});
  return true;
}

void gridvalues(const gridrow& r, double values[griderrorcount]) {
  const double v[griderrorcount] = {r.length[0], r.length[1], r.length[2],        r.volume,          r.alpha[0],
                                    r.alpha[1],  r.alpha[2],  r.thermal_expansion, r.heat_capacity_p, r.gibbs_energy};
  std::copy(v, v + griderrorcount, values);
}

bool gridgibbsat(const gridmodel& m, double t, gridgibbs& out) {
  const std::size_t n = m.points.volume.size();
  out.g.resize(n);
  out.dg.resize(n);
  out.d2g.resize(n);
  return gibbsat(m.points, t, 0.0, out.g.data(), out.dg.data(), out.d2g.data());
}

void gridat(const gridmodel& m, double t, double pressure, gridoutcome& out, bool keep, const surfacefit* fit) {
  gridgibbs data;
  out.where = surfaceminimum::status::none;
  out.tabulated = gridgibbsat(m, t, data);
  if (out.tabulated) gridfrom(m, data, t, pressure, out, keep, fit);
}

void gridfrom(const gridmodel& m, const gridgibbs& data, double t, double pressure, gridoutcome& out, bool keep,
              const surfacefit* fit, const double* start, bool beyond) {
  const surfacefit& f = fit != nullptr ? *fit : m.fit;
  const std::size_t n = m.points.volume.size(), p = m.basis.terms();
  const int axes = m.axes;
  std::vector<double> g = data.g, coef(p), dcoef(p), d2coef(p);
  const std::vector<double>&dg = data.dg, &d2g = data.d2g;
  out.where = surfaceminimum::status::none;
  out.tabulated = true;
  f.solve(g.data(), coef.data());
  f.solve(dg.data(), dcoef.data());
  f.solve(d2g.data(), d2coef.data());
  gridrow& row = out.row;
  row.temperature = t;
  row.fit_rms = f.rms(g.data(), coef.data()) * kjmol;
  // P V(x) exactly: V is a monomial sum of the surface's degree.
  const double pv = pressure / gpa;
  for (std::size_t c = 0; c < p; ++c) coef[c] += pv * m.volume[c];
  double lo = 0.0, hi = 0.0;
  for (std::size_t i = 0; i < n; ++i) {
    g[i] += pv * m.points.volume[i];
    lo = i == 0 ? g[i] : std::min(lo, g[i]);
    hi = i == 0 ? g[i] : std::max(hi, g[i]);
  }
  out.spread = (hi - lo) * kjmol;
  const surfaceminimum mn = minimise(m.basis, coef.data(), start != nullptr ? start : lowestpoint(m, coef.data()));
  out.where = mn.where;
  out.axis = mn.axis;
  out.minimum = mn.x;
  out.u = mn.u;
  if (keep) {
    out.coef = coef;
    out.g = g;
  }
  if (mn.where == surfaceminimum::status::none || (mn.where == surfaceminimum::status::outside && !beyond)) return;
  out.edge = 0.5;
  for (int j = 0; j < axes; ++j)
    if (const double e = 0.5 * (1.0 - std::fabs(mn.u[j])); e < out.edge) {
      out.edge = e;
      out.edgeaxis = j;
    }
  // dG/dT = dG/dT at fixed x (the minimum's condition), and the minimum's
  // own motion: H du/dT = -grad(dG/dT).
  lengths3 gt{};
  const double dgdt = surfacevalue(m.basis, dcoef.data(), mn.u.data(), gt.data());
  const double d2gdt2 = surfacevalue(m.basis, d2coef.data(), mn.u.data());
  lengths3 du = solvedefinite(mn.hess, axes, gt);
  double along = 0.0;
  for (int j = 0; j < axes; ++j) {
    du[j] = -du[j];
    along += gt[j] * du[j];
  }
  const double value = surfacevalue(m.basis, coef.data(), mn.u.data());
  lengths3 x = mn.x, dx{};
  for (int j = 0; j < axes; ++j) dx[j] = m.basis.half[j] * du[j];
  if (axes == 2) {
    x = {mn.x[0], mn.x[0], mn.x[1]};
    dx = {dx[0], dx[0], dx[1]};
  }
  const double classical = 3.0 * m.points.atoms * boltzmann / ev;  // eV/K
  row.length = x;
  row.volume = m.k * x[0] * x[1] * x[2];
  row.gibbs_energy = (value + m.points.reference) * kjmol;
  row.alpha = {0.0, 0.0, 0.0};
  row.thermal_expansion = row.heat_capacity_p = row.heat_capacity_v = row.entropy = 0.0;
  if (t > 0.0) {
    for (int j = 0; j < 3; ++j) row.alpha[j] = dx[j] / x[j];
    row.thermal_expansion = row.alpha[0] + row.alpha[1] + row.alpha[2];
    row.entropy = clamped(-dgdt, zerofloor * classical) * jmol;
    row.heat_capacity_v = clamped(-t * d2gdt2, zerofloor * classical) * jmol;
    row.heat_capacity_p = clamped(-t * (d2gdt2 + along), zerofloor * classical) * jmol;
  }
}

void gridrows(const gridmodel& m, const double* t, std::size_t n, double pressure, gridoutcome* out, bool keep) {
  alternateruns(n, n >= 8, [&](std::size_t i) { gridat(m, t[i], pressure, out[i], keep); });
}

surfaceminimum staticsurface(const gridmodel& m, double& rms) {
  std::vector<double> coef(m.basis.terms());
  m.fit.solve(m.points.energy.data(), coef.data());
  rms = m.fit.rms(m.points.energy.data(), coef.data());
  return minimise(m.basis, coef.data(), lowestpoint(m, coef.data()));
}

}  // namespace thermo
