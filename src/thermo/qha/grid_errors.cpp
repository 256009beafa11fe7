#include "thermo/qha/grid_errors.hpp"

#include <cmath>
#include <limits>

#include "thermo/base/number_text.hpp"
#include "thermo/base/two_threads.hpp"

namespace thermo {

namespace {

// "a = 3.6, c = 5.8": point i's lengths.
std::string cellof(const gridmodel& m, std::size_t i) {
  std::string s;
  for (int j = 0; j < m.axes; ++j)
    s += std::string(j > 0 ? ", " : "") + axisnames(m.axes)[j] + " = " + significant(m.x[i * m.axes + j]) + " A";
  return s;
}

}  // namespace

bool makegriderrors(const gridmodel& m, griderrormodel& out, std::string& why) {
  const std::size_t n = m.points.volume.size();
  out.less.assign(n, surfacefit{});
  for (std::size_t i = 0; i < n; ++i)
    if (!out.less[i].make(m.basis, m.u.data(), n, axisnames(m.axes), why, static_cast<long>(i))) {
      why = "the jackknife leaves out each cell in turn, and without the cell (" + cellof(m, i) + "): " + why;
      return false;
    }
  // The same points, box and scaling; the surface of the other degree.
  out.other.points = m.points;
  out.other.axes = m.axes;
  out.other.x = m.x;
  out.other.k = m.k;
  out.other.u = m.u;
  out.other.basis = makebasis(m.axes, otherdegree(m.basis.degree), m.x.data(), n);
  if (!out.other.fit.make(out.other.basis, m.u.data(), n, axisnames(m.axes), why)) {
    why = "the spread between the surfaces of degrees 3 and 4 needs both, and for degree " +
          std::to_string(out.other.basis.degree) + ": " + why;
    return false;
  }
  out.other.volume = productcoefficients(out.other.basis, m.k, m.axes == 2 ? std::array<int, 3>{2, 1, 0}
                                                                             : std::array<int, 3>{1, 1, 1});
  return true;
}

void griderrorsat(const gridmodel& m, const griderrormodel& e, double t, double pressure, gridoutcome& out,
                  bool keep) {
  gridgibbs data;
  out.where = surfaceminimum::status::none;
  out.tabulated = gridgibbsat(m, t, data);
  if (!out.tabulated) return;
  gridfrom(m, data, t, pressure, out, keep, nullptr);
  out.errors = griderrorbars{};
  out.errorswhy.clear();
  if (out.where != surfaceminimum::status::inside) return;
  const lengths3 start = out.u;
  gridoutcome variant;
  // Each variant's values; false where its surface has no minimum.
  auto values = [&](const gridmodel& model, const surfacefit* fit, double* x) {
    gridfrom(model, data, t, pressure, variant, false, fit, start.data(), true);
    if (variant.where == surfaceminimum::status::none) return false;
    gridvalues(variant.row, x);
    return true;
  };
  const int n = static_cast<int>(e.less.size()), k = griderrorcount;
  double sigma[griderrorcount], full[griderrorcount], other[griderrorcount], half[griderrorcount];
  std::size_t failed = 0;
  const bool jackknifed = jackknife(n, k, [&](int i, double* x) {
    failed = static_cast<std::size_t>(i);
    return values(m, &e.less[static_cast<std::size_t>(i)], x);
  }, sigma);
  const bool spread = values(e.other, nullptr, other);
  if (!jackknifed || !spread) {
    constexpr double nan = std::numeric_limits<double>::quiet_NaN();
    for (errorbar& b : out.errors) b = {nan, nan, 0.0};
    out.errorswhy = !jackknifed ? "without the cell (" + cellof(m, failed) + ") the surface has no minimum"
                                : "the surface of degree " + std::to_string(e.other.basis.degree) + " has no minimum";
    return;
  }
  gridvalues(out.row, full);
  for (int j = 0; j < k; ++j) half[j] = 0.5 * std::fabs(other[j] - full[j]);
  for (int j = 0; j < k; ++j) out.errors[static_cast<std::size_t>(j)] = {sigma[j], half[j], 0.0};
}

void griderrorrows(const gridmodel& m, const griderrormodel& e, const double* t, std::size_t n, double pressure,
                   gridoutcome* out, bool keep) {
  alternateruns(n, n >= 2, [&](std::size_t i) { griderrorsat(m, e, t[i], pressure, out[i], keep); });
}

}  // namespace thermo
