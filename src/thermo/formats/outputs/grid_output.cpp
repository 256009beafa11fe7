#include "thermo/formats/outputs/grid_output.hpp"

#include <algorithm>
#include <cstdio>

#include "thermo/base/number_text.hpp"
#include "thermo/base/problem.hpp"
#include "thermo/formats/outputs/error_output.hpp"
#include "thermo/harmonic/constants.hpp"

namespace thermo {

namespace {

constexpr double kjmol = elementary * avogadro / 1000.0;  // kJ/mol per eV
constexpr int errorwidth = 17;  // a column of x(u) in the table

// The row's values in the columns' order.
int valuesof(const gridrow& r, int axes, double* v) {
  int k = 0;
  v[k++] = r.temperature;
  v[k++] = r.length[0];
  if (axes == 3) v[k++] = r.length[1];
  v[k++] = r.length[2];
  v[k++] = r.volume;
  v[k++] = r.alpha[0];
  if (axes == 3) v[k++] = r.alpha[1];
  v[k++] = r.alpha[2];
  for (double x : {r.thermal_expansion, r.heat_capacity_p, r.heat_capacity_v, r.entropy, r.gibbs_energy, r.fit_rms})
    v[k++] = x;
  return k;
}

// The error bars a grid of `axes` lengths shows: all but b's and alpha_b's
// with two (their indices in griderrornames, `count` of them).
int shownerrors(int axes, int* shown) {
  int count = 0;
  for (int j = 0; j < griderrorcount; ++j)
    if (axes == 3 || (j != 1 && j != 5)) shown[count++] = j;
  return count;
}

}  // namespace

std::string gridcsvheader(int axes, bool pressurecolumn, bool errors) {
  std::string s = std::string(pressurecolumn ? "pressure," : "") + "temperature,a," + (axes == 3 ? "b," : "") +
                  "c,volume,alpha_a," + (axes == 3 ? "alpha_b," : "") +
                  "alpha_c,thermal_expansion,heat_capacity_p,heat_capacity_v,entropy,gibbs_energy,fit_rms";
  int shown[griderrorcount];
  const int count = errors ? shownerrors(axes, shown) : 0;
  for (int j = 0; j < count; ++j) s += errorcsvheader(&griderrornames[shown[j]], 1);
  return s + "\n";
}

void appendgridcsv(std::string& s, const gridrow& r, int axes, bool pressurecolumn, double pressure,
                   const griderrorbars* errors) {
  if (pressurecolumn) {
    appendshortest(s, pressure);
    s += ',';
  }
  double v[16];
  const int n = valuesof(r, axes, v);
  for (int k = 0; k < n; ++k) {
    if (k > 0) s += ',';
    appendshortest(s, v[k]);
  }
  int shown[griderrorcount];
  const int count = errors != nullptr ? shownerrors(axes, shown) : 0;
  for (int j = 0; j < count; ++j) appenderrorfields(s, &(*errors)[static_cast<std::size_t>(shown[j])], 1);
  s += '\n';
}

void appendgridtableheader(std::string& s, const gridtableinfo& info) {
  const gridmodel& m = info.model;
  const surfacebasis& b = m.basis;
  const char* const* names = axisnames(m.axes);
  s += "# quasi-harmonic over a grid: " + showpath(info.gridfile) + ", " + std::to_string(m.points.volume.size()) +
       " cells;";
  for (int j = 0; j < m.axes; ++j)
    s += std::string(j > 0 ? "," : "") + " " + names[j] + " from " + significant(b.low[j]) + " to " + significant(b.high[j]);
  s += " A; V = " + significant(m.k, 9) + (m.axes == 2 ? " a^2 c" : " a b c") + "\n";
  s += "# surface of total degree " + std::to_string(b.degree) + " (" + std::to_string(b.terms()) +
       " terms) in the scaled lengths; pressure: " + significant(info.pressure) + " GPa\n";
  s += "# static surface E(" + std::string(m.axes == 2 ? "a, c" : "a, b, c") + "): ";
  if (info.fit.where == surfaceminimum::status::inside) {
    for (int j = 0; j < m.axes; ++j) s += std::string(names[j]) + " = " + fixed(info.fit.x[j], 0, 6) + " A, ";
  } else {
    s += "no minimum within the box, ";
  }
  s += "rms " + significant(info.staticrms * 1e3, 4) + " meV\n";
  if (!info.electrons.empty()) s += "# electrons: " + info.electrons + "; S, Cp and Cv include them\n";
  s += "# values per mole of cells; alpha_x = (1/x) dx/dT, alpha the volumetric sum, rms the fit's residual\n";
  if (info.errors) {
    s += "# x(u): x with its error bar u in its last digits (3.61234(15) is 3.61234 +- 0.00015), the fit's doubt:\n"
         "# the jackknife over the cells and the spread between the surfaces of degrees 3 and 4 in quadrature\n";
    s += "#   T [K]";
    int shown[griderrorcount];
    const int count = shownerrors(m.axes, shown);
    const char* const titles[griderrorcount] = {"a [A]", "b [A]", "c [A]", "V [A^3]", "alpha_a [1/K]", "alpha_b [1/K]",
                                                "alpha_c [1/K]", "alpha [1/K]", "Cp [J/K/mol]", "G [kJ/mol]"};
    for (int j = 0; j < count; ++j) {
      s.append(static_cast<std::size_t>(errorwidth - static_cast<int>(std::string(titles[shown[j]]).size())), ' ');
      s += titles[shown[j]];
    }
    s += " Cv [J/K/mol] S [J/K/mol] rms [kJ/mol]\n";
    return;
  }
  s += m.axes == 3 ? "#   T [K]      a [A]      b [A]      c [A]    V [A^3]  alpha_a [1/K]  alpha_b [1/K]  alpha_c [1/K]"
                   : "#   T [K]      a [A]      c [A]    V [A^3]  alpha_a [1/K]  alpha_c [1/K]";
  s += "  alpha [1/K] Cp [J/K/mol] Cv [J/K/mol] S [J/K/mol]  G [kJ/mol] rms [kJ/mol]\n";
}

void appendgridtablerow(std::string& s, const gridrow& r, int axes, const griderrorbars* errors) {
  char buf[400];
  if (errors != nullptr) {
    // The values with their error bars, each right-aligned in its column;
    // the rest as without.
    double values[griderrorcount];
    gridvalues(r, values);
    const int decimals[griderrorcount] = {6, 6, 6, 5, 4, 4, 4, 4, 6, 5};
    int shown[griderrorcount];
    const int count = shownerrors(axes, shown);
    std::snprintf(buf, sizeof buf, "%9.2f", r.temperature);
    s += buf;
    for (int k = 0; k < count; ++k) {
      const int j = shown[k];
      const bool exponent = j >= 4 && j <= 7;  // the expansions
      const std::string x = concise(values[j], (*errors)[static_cast<std::size_t>(j)].total(), exponent, decimals[j]);
      s.append(static_cast<std::size_t>(std::max(1, errorwidth - static_cast<int>(x.size()))), ' ');
      s += x;
    }
    std::snprintf(buf, sizeof buf, " %12.6f %11.6f %12.4e\n", r.heat_capacity_v, r.entropy, r.fit_rms);
    s += buf;
    return;
  }
  int at = std::snprintf(buf, sizeof buf, "%9.2f %10.6f", r.temperature, r.length[0]);
  if (axes == 3) at += std::snprintf(buf + at, sizeof buf - at, " %10.6f", r.length[1]);
  at += std::snprintf(buf + at, sizeof buf - at, " %10.6f %10.5f %14.4e", r.length[2], r.volume, r.alpha[0]);
  if (axes == 3) at += std::snprintf(buf + at, sizeof buf - at, " %14.4e", r.alpha[1]);
  std::snprintf(buf + at, sizeof buf - at, " %14.4e %12.4e %12.6f %12.6f %11.6f %11.5f %12.4e\n", r.alpha[2],
                r.thermal_expansion, r.heat_capacity_p, r.heat_capacity_v, r.entropy, r.gibbs_energy, r.fit_rms);
  s += buf;
}

std::string gridfvheader(const std::string& gridfile, int axes) {
  const std::string x = axes == 3 ? "a b c" : "a c";
  return "# lattice_thermo --qha-grid --write-fv: " + gridfile +
         "\n# G = E + F_vib + F_el + P V per cell, eV, at lengths in A; a block per pressure and\n"
         "# temperature (gnuplot: index k): the data `" + x + " G`, a blank line, the fitted surface `a c G` at " +
         std::to_string(gridfvpoints) + " x " + std::to_string(gridfvpoints) +
         " points across the box\n# (" + (axes == 3 ? "b at the minimum's, " : "") +
         "a blank line after each a), two blank lines.\n\n";
}

void appendgridfvblock(std::string& s, const gridmodel& m, const gridoutcome& r, double pressure) {
  const surfacebasis& b = m.basis;
  const int axes = m.axes;
  const double reference = m.points.reference;
  auto number = [&](double v, char after) {
    appendshortest(s, v);
    s += after;
  };
  s += "# pressure: " + shortest(pressure) + " GPa, temperature: " + shortest(r.row.temperature) + " K\n# minimum: a = " +
       shortest(r.row.length[0]) + (axes == 3 ? " A, b = " + shortest(r.row.length[1]) : std::string()) +
       " A, c = " + shortest(r.row.length[2]) + " A, G = " + shortest(r.row.gibbs_energy / kjmol) + " eV\n";
  for (std::size_t i = 0; i < r.g.size(); ++i) {
    for (int j = 0; j < axes; ++j) number(m.x[i * axes + j], ' ');
    number(r.g[i] + reference, '\n');
  }
  s += '\n';
  // a and c across the box; b at the minimum's.
  const int last = axes - 1;
  double u[3] = {0.0, axes == 3 ? (r.row.length[1] - b.centre[1]) / b.half[1] : 0.0, 0.0};
  for (int i = 0; i < gridfvpoints; ++i) {
    u[0] = -1.0 + 2.0 * i / (gridfvpoints - 1);
    for (int k = 0; k < gridfvpoints; ++k) {
      u[last] = -1.0 + 2.0 * k / (gridfvpoints - 1);
      number(b.centre[0] + b.half[0] * u[0], ' ');
      number(b.centre[last] + b.half[last] * u[last], ' ');
      number(surfacevalue(b, r.coef.data(), u) + reference, '\n');
    }
    s += '\n';
  }
  s += '\n';
}

void addpathcsvheader(std::string& s) {
  if (!s.empty() && s.back() == '\n') s.pop_back();
  s += ",a,b,c,alpha_a,alpha_b,alpha_c\n";
}

void addpathtableheader(std::string& s, const std::string& latticefile, const axialpath& p) {
  if (!s.empty() && s.back() == '\n') s.pop_back();
  const std::size_t last = s.rfind('\n') + 1;
  s.insert(last, "# lattice: " + showpath(latticefile) + "; b/a and c/a quadratic in V, rms " + significant(p.rmsb, 3) +
                     " and " + significant(p.rmsc, 3) + "; V = " + significant(p.k, 9) + " a b c\n");
  s += "      a [A]      b [A]      c [A]  alpha_a [1/K]  alpha_b [1/K]  alpha_c [1/K]\n";
}

void addpathfields(std::string& s, const axialpath& p, double v, double alpha, bool csv) {
  if (!s.empty() && s.back() == '\n') s.pop_back();
  const axialrow r = alongpath(p, v, alpha);
  if (csv) {
    for (double x : {r.length[0], r.length[1], r.length[2], r.alpha[0], r.alpha[1], r.alpha[2]}) {
      s += ',';
      appendshortest(s, x);
    }
  } else {
    char buf[200];
    std::snprintf(buf, sizeof buf, " %10.6f %10.6f %10.6f %14.4e %14.4e %14.4e", r.length[0], r.length[1], r.length[2],
                  r.alpha[0], r.alpha[1], r.alpha[2]);
    s += buf;
  }
  s += '\n';
}

}  // namespace thermo
