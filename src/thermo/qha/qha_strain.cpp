#include "thermo/qha/qha_strain.hpp"

#include <algorithm>
#include <cmath>

#include "thermo/harmonic/constants.hpp"

namespace thermo {

namespace {

constexpr double kjmol = elementary * avogadro / 1000.0;  // kJ/mol per eV

// G_i at zero pressure at t, with its derivatives, and their fit.
struct fitted {
  std::vector<double> g, dg, d2g;
  strainfit fit;
};

bool fitat(const qhamodel& m, double t, fitted& f, std::string& why) {
  const std::size_t n = m.volume.size();
  if (m.strainbase.size() == 0) {
    why = "--degree " + std::to_string(m.strain.degree) + " needs " + std::to_string(m.strain.degree + 1) +
          " volumes at least, and there are " + std::to_string(n);
    return false;
  }
  f.g.resize(n);
  f.dg.resize(n);
  f.d2g.resize(n);
  if (!gibbsat(m, t, 0.0, f.g.data(), f.dg.data(), f.d2g.data())) {
    why = "no tabulated values at this temperature";
    return false;
  }
  fitstrain(m.strainbase, m.strain, f.g.data(), f.fit, f.dg.data(), f.d2g.data());
  return true;
}

// The row of a fit f in basis b with its temperature derivatives ft and ftt
// at pressure pe (eV/A^3), and its parameters (E0 less the reference);
// false where no volume within `range` gives pe.
bool rowof(const qhamodel& m, const strainbasis& b, const std::vector<double>& range, double t, double pe,
           const strainpoly& f, const strainpoly& ft, const strainpoly& ftt, double rms, qharow& row, parameters& p) {
  double v;
  if (!volumeat(b.scale, f, range, pressuresat(b.scale, f, range), pe, v)) return false;
  double e[4], et[4], ett[4];
  strainvalues(b.scale, f, v, e, 3);
  strainvalues(b.scale, ft, v, et, 1);
  strainvalues(b.scale, ftt, v, ett, 0);
  const double bulk = v * e[2], bprime = -(1.0 + v * e[3] / e[2]), dvdt = -et[1] / e[2], g = e[0] + pe * v;
  fillrow(m, t, v, bulk, bprime, g + m.reference, rms, dvdt / v, -t * ett[0], -t * (ett[0] + et[1] * dvdt), -et[0],
          row);
  p = {g, bulk, bprime, v};
  return true;
}

bool rowof(const qhamodel& m, double t, double pe, const strainpoly& f, const strainpoly& ft, const strainpoly& ftt,
           double rms, qharow& row, parameters& p) {
  return rowof(m, m.strainbase, m.strainbase.volume, t, pe, f, ft, ftt, rms, row, p);
}

// The spread of each column across the degrees of the fit (memberspread).
qharow spreadof(const qhamodel& m, double t, double pe, const strainfit& fit) {
  double qharow::*columns[] = {&qharow::volume, &qharow::gibbs_energy, &qharow::bulk_modulus,
                               &qharow::thermal_expansion, &qharow::heat_capacity_p, &qharow::heat_capacity_v,
                               &qharow::gruneisen, &qharow::entropy, &qharow::bulk_modulus_s,
                               &qharow::bulk_modulus_prime, &qharow::linear_thermal_expansion};
  std::vector<qharow> rows(fit.members.size());
  std::vector<char> has(fit.members.size(), 0);
  parameters p;
  for (std::size_t k = 0; k < rows.size(); ++k)
    has[k] = rowof(m, t, pe, fit.members[k], fit.dmembers[k], fit.d2members[k], fit.rms, rows[k], p);
  qharow spread{};
  spread.temperature = t;
  for (double qharow::*c : columns) {
    std::vector<double> x(rows.size(), NAN);
    for (std::size_t k = 0; k < rows.size(); ++k)
      if (has[k]) x[k] = rows[k].*c;
    spread.*c = memberspread(fit.weights, x);
  }
  return spread;
}

void errorvalues(const qharow& r, double x[rowerrorcount]) {
  const double v[rowerrorcount] = {r.volume, r.gibbs_energy, r.bulk_modulus, r.thermal_expansion, r.heat_capacity_p};
  std::copy(v, v + rowerrorcount, x);
}

// The row's error bars: the jackknife of the average refitted without each
// volume in turn (its own degrees and basis, as a run of the file without
// it would take them, V sought within all the volumes as the other forms'
// jackknife does), the three forms' spread of f's values at pressure pe
// from the start p (less the reference), and the spread across the degrees.
bool strainerrors(const qhamodel& m, double t, double pe, const fitted& f, const parameters& p, rowerrorbars& out,
                  std::string& why) {
  const int n = static_cast<int>(f.g.size());
  const int degree = straindegrees(m.strain, static_cast<std::size_t>(n - 1)).back();
  if (n - 1 <= degree) {
    why = "with a volume left out, --degree " + std::to_string(degree) + " needs " + std::to_string(degree + 1) +
          " volumes at least";
    return false;
  }
  double sigma[rowerrorcount], half[rowerrorcount];
  std::vector<double> v, g, dg, d2g;
  strainfit fit;
  const bool jack = jackknife(n, rowerrorcount, [&](int left, double* x) {
    v.clear(), g.clear(), dg.clear(), d2g.clear();
    for (int i = 0; i < n; ++i)
      if (i != left) {
        v.push_back(m.volume[static_cast<std::size_t>(i)]);
        g.push_back(f.g[static_cast<std::size_t>(i)]);
        dg.push_back(f.dg[static_cast<std::size_t>(i)]);
        d2g.push_back(f.d2g[static_cast<std::size_t>(i)]);
      }
    const strainbasis b = makebasis(m.strain.kind, v, degree);
    fitstrain(b, m.strain, g.data(), fit, dg.data(), d2g.data());
    qharow r;
    parameters q;
    if (!rowof(m, b, m.volume, t, pe, fit.mean, fit.dmean, fit.d2mean, fit.rms, r, q)) {
      why = "with a volume left out, no volume within those sampled gives the pressure";
      return false;
    }
    errorvalues(r, x);
    return true;
  }, sigma);
  if (!jack) return false;
  std::vector<double> atp(f.g);
  for (int i = 0; i < n; ++i) atp[static_cast<std::size_t>(i)] += pe * m.volume[static_cast<std::size_t>(i)];
  const gibbsdata data{m.points.data(), atp.data(), f.dg.data(), f.d2g.data(), n};
  if (!formerrors(data, t, 3.0 * m.atoms * boltzmann / elementary, p, half, why)) return false;
  double spread[rowerrorcount];
  errorvalues(spreadof(m, t, pe, f.fit), spread);
  for (int j = 0; j < rowerrorcount; ++j) out[static_cast<std::size_t>(j)] = {sigma[j], half[j], spread[j]};
  return true;
}

}  // namespace

bool strainqhaat(const qhamodel& m, double t, double pressure, qhaoutcome& out, bool keep) {
  fitted f;
  if (!fitat(m, t, f, out.why)) return false;
  const double pe = pressure / gpa;
  const strainfit& fit = f.fit;
  if (!rowof(m, t, pe, fit.mean, fit.dmean, fit.d2mean, fit.rms, out.row, out.p)) {
    out.row = qharow{};
    out.row.temperature = t;
    out.row.volume = NAN;
    out.p = {NAN, NAN, NAN, NAN};
  } else if (out.errors && !strainerrors(m, t, pe, f, out.p, out.row.errors, out.errorswhy)) {
    out.row.errors.fill({NAN, NAN, NAN});
  }
  out.p[0] += m.reference;
  if (keep) {
    for (std::size_t i = 0; i < f.g.size(); ++i) f.g[i] += pe * m.volume[i] + m.reference;
    out.g = std::move(f.g);
    out.curve = fit.mean;
    out.curve.tilt -= pe;  // + P V
  }
  return true;
}

bool strainparameters(const qhamodel& m, const std::vector<double>& g, double pressure, parameters& p,
                      std::string& why) {
  if (m.strainbase.size() == 0) {
    why = "--degree " + std::to_string(m.strain.degree) + " needs " + std::to_string(m.strain.degree + 1) +
          " volumes at least";
    return false;
  }
  strainfit fit;
  fitstrain(m.strainbase, m.strain, g.data(), fit);
  const strainbasis& b = m.strainbase;
  const double pe = pressure / gpa;
  double v, e[4];
  if (!volumeat(b.scale, fit.mean, b.volume, pressuresat(b.scale, fit.mean, b.volume), pe, v)) {
    why = "the strain polynomials' fit has no volume at " + std::to_string(pressure) + " GPa within the volumes";
    return false;
  }
  strainvalues(b.scale, fit.mean, v, e, 3);
  p = {e[0] + pe * v, v * e[2], -(1.0 + v * e[3] / e[2]), v};
  return true;
}

bool strainspread(const qhamodel& m, double t, double pressure, qharow& spread) {
  fitted f;
  std::string why;
  if (!fitat(m, t, f, why)) return false;
  const double pe = pressure / gpa;
  const strainfit& fit = f.fit;
  qharow mean;
  parameters p;
  if (!rowof(m, t, pe, fit.mean, fit.dmean, fit.d2mean, fit.rms, mean, p)) return false;
  spread = spreadof(m, t, pe, fit);
  return true;
}

bool qhastraincurve(const qhamodel& m, double t, double units, straincurve& out, std::string& why) {
  fitted f;
  if (!fitat(m, t, f, why)) return false;
  out.units = units;
  out.scale = m.strainbase.scale;
  out.f = f.fit.mean;
  out.volume = m.volume;
  out.values = f.g;
  out.ref = m.reference;
  out.reflow = m.referencelow;
  out.gpaunit = gpa;
  out.entropyat = [ft = f.fit.dmean, scale = m.strainbase.scale](double v) {
    double e[4];
    strainvalues(scale, ft, v, e, 0);
    return -e[0];
  };
  out.settle();
  return true;
}

}  // namespace thermo
