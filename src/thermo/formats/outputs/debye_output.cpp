#include "thermo/formats/outputs/debye_output.hpp"

#include <algorithm>
#include <cmath>
#include <cstdio>

#include "thermo/base/number_text.hpp"
#include "thermo/base/problem.hpp"

namespace thermo {

namespace {

const char* const valuenames[] = {"volume", "gibbs_energy", "bulk_modulus", "bulk_modulus_s", "bulk_modulus_prime",
                                  "thermal_expansion", "heat_capacity_v", "heat_capacity_p", "entropy",
                                  "debye_temperature", "gruneisen", "electronic_free_energy", "electronic_energy",
                                  "electronic_entropy", "electronic_heat_capacity"};
constexpr int mainvalues = 11, allvalues = debyecolumns - 2;

int valuecount(const debyelayout& l) { return l.electrons ? allvalues : mainvalues; }

std::string degreesof(const strainfit& f) {
  if (f.degrees.size() == 1) return "degree " + std::to_string(f.degrees.front());
  return "the average of degrees " + std::to_string(f.degrees.front()) + " to " + std::to_string(f.degrees.back());
}

void pad(std::string& s, const std::string& name, int width) {
  s += name;
  if (static_cast<int>(name.size()) < width) s.append(static_cast<std::size_t>(width) - name.size(), ' ');
}

}  // namespace

std::string debyeheaderlines(const debyeinfo& p, bool named) {
  const debyemodel& m = *p.model;
  const debyesettings& s = m.s;
  const double z = p.formulaunits;
  const std::string lead = named ? "# " + p.name + ": " : "# ";
  std::string out = lead + showpath(p.evfile) + ", " + std::to_string(m.data.volume.size()) + " volumes from " +
                    significant(m.data.volume.front()) + " to " + significant(m.data.volume.back()) + " A^3, " +
                    significant(s.atoms) + (s.atoms == 1.0 ? " atom" : " atoms") + " and " + significant(s.mass) +
                    " g/mol per cell" +
                    (z != 1.0 ? ", " + significant(z) + " formula units" : std::string()) + "\n";
  const std::string f = "the Poisson ratio " + significant(s.poisson) + " (f = " + significant(poissonfactor(s.poisson)) + ")";
  if (s.gruneisen)
    out += "#   Debye-Grueneisen (" + p.variant + "): theta = theta0 (B/B0)^" + significant(s.b) + " (V0/V)^" +
           significant(s.a) + ", gamma = " + significant(s.a) + " + " + significant(s.b) + " B'; theta0 from " + f + "\n";
  else
    out += "#   theta_D from " + f + "; gamma Slater's, -1/6 + B'/2\n";
  out += "#   E(V) and F(V, T): strain polynomials (" + std::string(strainname(s.strain.kind)) + "), " +
         degreesof(m.staticfit) + "; " + s.k.name + " constants\n";
  char buf[256];
  std::snprintf(buf, sizeof buf,
                "#   static fit of E(V)%s: V0 = %.6f A^3, B0 = %.4f GPa, B0' = %.4f, E0 = %.6f eV; theta_D = %.3f K there\n",
                z != 1.0 ? " per formula unit" : "", m.v0 / z, m.b0 * s.k.gpa, m.b0prime, (m.e0 + m.data.reference) / z,
                m.theta0);
  out += buf;
  if (!p.electrons.empty()) out += "#   electrons: " + p.electrons + "; Cv, Cp, S and alpha include them\n";
  return out;
}

std::string debyecsvheader(const debyelayout& l) {
  std::string s = l.phases ? "pressure,phase,temperature" : "pressure,temperature";
  for (int c = 0; c < valuecount(l); ++c) s += std::string(",") + valuenames[c];
  if (l.errors)
    for (int c = 0; c < valuecount(l); ++c) s += std::string(",") + valuenames[c] + "_err_fit";
  return s + (l.phases ? ",stable\n" : "\n");
}

void appenddebyecsv(std::string& s, const debyelayout& l, const debyerow& r, const debyerow& err,
                    const std::string& phase, bool stable) {
  appendshortest(s, r.pressure);
  s += ',';
  if (l.phases) s += phase + ',';
  appendshortest(s, r.temperature);
  double x[allvalues];
  debyevalues(r, x);
  for (int c = 0; c < valuecount(l); ++c) {
    s += ',';
    appendshortest(s, x[c]);
  }
  if (l.errors) {
    debyevalues(err, x);
    for (int c = 0; c < valuecount(l); ++c) {
      s += ',';
      appendshortest(s, x[c]);
    }
  }
  if (l.phases) s += stable ? ",1" : ",0";
  s += '\n';
}

void appenddebyetableheader(std::string& s, const debyelayout& l, const std::vector<debyeinfo>& phases, double pressure,
                            bool performula) {
  s += phases.size() > 1 ? "# Debye models, " + std::to_string(phases.size()) + " phases\n" : "# Debye model: ";
  for (const debyeinfo& p : phases) {
    std::string lines = debyeheaderlines(p, phases.size() > 1);
    if (phases.size() == 1) lines.erase(0, 2);
    s += lines;
  }
  s += "# pressure: " + significant(pressure) + " GPa; values per mole of " +
       (performula ? "formula units, volume per formula unit" : "cells") +
       "; alpha is volumetric; B' = (dB_T/dP)_T of the fit of F\n";
  if (l.errors) s += "# dV and dB_T: their spread across the degrees of the average\n";
  if (l.phases) s += "# stable: * marks the phase of lowest G at each temperature\n";
  int width = 5;
  for (const debyeinfo& p : phases) width = std::max(width, static_cast<int>(p.name.size()));
  s += "#";
  if (l.phases) {
    s += " phase";
    s.append(static_cast<std::size_t>(width - 5), ' ');
    s += " ";
  }
  s += "   T [K]    V [A^3]  G [kJ/mol]  B_T [GPa]  B_S [GPa]      B' alpha [1/K] Cv [J/K/mol] Cp [J/K/mol]"
       " S [J/K/mol] theta [K]    gamma";
  if (l.errors) s += "    dV [A^3] dB_T [GPa]";
  if (l.phases) s += " stable";
  s += '\n';
}

void appenddebyetablerow(std::string& s, const debyelayout& l, const debyerow& r, const debyerow& err,
                         const std::string& phase, int width, bool stable) {
  if (l.phases) {
    s += "  ";
    pad(s, phase, width);
  }
  char buf[320];
  std::snprintf(buf, sizeof buf, "%9.2f %10.5f %11.5f %10.4f %10.4f %7.3f %11.4e %12.6f %12.6f %11.6f %9.3f %8.5f",
                r.temperature, r.volume, r.gibbs_energy, r.bulk_modulus, r.bulk_modulus_s, r.bulk_modulus_prime,
                r.thermal_expansion, r.heat_capacity_v, r.heat_capacity_p, r.entropy, r.debye_temperature, r.gruneisen);
  s += buf;
  if (l.errors) {
    std::snprintf(buf, sizeof buf, " %11.4e %10.4e", err.volume, err.bulk_modulus);
    s += buf;
  }
  if (l.phases && stable) s += "      *";
  s += '\n';
}

}  // namespace thermo
