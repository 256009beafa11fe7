#include "thermo/formats/outputs/qha_output.hpp"

#include <algorithm>
#include <cmath>
#include <cstdio>

#include "thermo/base/number_text.hpp"
#include "thermo/base/problem.hpp"
#include "thermo/formats/outputs/error_output.hpp"

namespace thermo {

std::string qhacsvheader(bool pressurecolumn, bool errors, bool fit) {
  return std::string(pressurecolumn ? "pressure," : "") +
         "temperature,volume,gibbs_energy,bulk_modulus,thermal_expansion,heat_capacity_p,heat_capacity_v,"
         "gruneisen,entropy,bulk_modulus_s,bulk_modulus_prime,fit_rms,linear_thermal_expansion" +
         (errors ? errorcolumns(fit) : "") + "\n";
}

std::string errorcolumns(bool fit) { return errorcsvheader(rowerrornames, rowerrorcount, fit); }

void appendqhafields(std::string& s, const qharow& r) {
  for (double v : {r.temperature, r.volume, r.gibbs_energy, r.bulk_modulus, r.thermal_expansion, r.heat_capacity_p,
                   r.heat_capacity_v, r.gruneisen, r.entropy, r.bulk_modulus_s, r.bulk_modulus_prime, r.fit_rms}) {
    appendshortest(s, v);
    s += ',';
  }
  appendshortest(s, r.linear_thermal_expansion);
}

void appendqhacsv(std::string& s, const qharow& r, bool pressurecolumn, double pressure, bool errors, bool fit) {
  if (pressurecolumn) {
    appendshortest(s, pressure);
    s += ',';
  }
  appendqhafields(s, r);
  if (errors) appenderrorfields(s, r.errors.data(), rowerrorcount, fit);
  s += '\n';
}

void addrowerrors(std::string& s, const qharow& r, bool fit) {
  if (!s.empty() && s.back() == '\n') s.pop_back();
  appenderrorfields(s, r.errors.data(), rowerrorcount, fit);
  s += '\n';
}

void appendqhatableheader(std::string& s, const qhatableinfo& info) {
  char buf[768];
  const double z = info.formulaunits > 0.0 ? info.formulaunits : 1.0;
  std::snprintf(buf, sizeof buf,
                "# quasi-harmonic: %s, %d volumes from %.6g to %.6g A^3\n"
                "# equation of state: %s; pressure: %.6g GPa\n"
                "# static fit of E(V)%s: V0 = %.6f A^3, B0 = %.4f GPa, B0' = %.4f, E0 = %.6f eV\n",
                showpath(info.evfile).c_str(), info.volumes, info.vmin, info.vmax, eosname(info.form), info.pressure,
                z != 1.0 ? " per formula unit" : "", info.fit[3] / z, info.fit[1] * gpa, info.fit[2], info.fit[0] / z);
  s += buf;
  if (!info.electrons.empty())
    s += "# electrons: " + info.electrons + "; S, Cp, Cv and gamma include them\n";
  if (info.formulaunits > 0.0)
    s += "# values per mole of formula units (" + significant(z) + " per cell), volume per formula unit\n";
  s += std::string(info.formulaunits > 0.0 ? "#" : "# values per mole of cells;") +
       " alpha is volumetric, alpha/3 linear (cubic or isotropic crystals), B0' the fit's (dB_T/dP), rms its"
       " residual\n";
  if (info.errors)
    s += std::string("# x(u): x with its error bar u in its last digits (11.79852(31) is 11.79852 +- 0.00031), the fit's\n"
                     "# doubt: the jackknife over the volumes and the spread over three equations of state") +
         (info.form == eos::strain ? ",\n# and the spread across the polynomials' degrees," : "") + " in quadrature\n";
  s += "#" + qhatabletitles(info.errors) + "\n";
}

std::string qhatabletitles(bool errors) {
  if (errors)
    return "   T [K]        V [A^3]     G [kJ/mol]    B_T [GPa]      alpha [1/K]   Cp [J/K/mol] Cv [J/K/mol]    gamma"
           " S [J/K/mol]  B_S [GPa]     B0' rms [kJ/mol] alpha/3 [1/K]";
  return "   T [K]    V [A^3]  G [kJ/mol]  B_T [GPa] alpha [1/K] Cp [J/K/mol] Cv [J/K/mol]    gamma S [J/K/mol]"
         "  B_S [GPa]     B0' rms [kJ/mol] alpha/3 [1/K]";
}

void appendqhatablerow(std::string& s, const qharow& r, bool errors) {
  appendqhatablefields(s, r, errors);
  s += '\n';
}

void appendqhatablefields(std::string& s, const qharow& r, bool errors) {
  char buf[400];
  if (errors) {
    // The five values with their error bars, each right-aligned in its
    // column; the rest as without.
    const double values[rowerrorcount] = {r.volume, r.gibbs_energy, r.bulk_modulus, r.thermal_expansion,
                                          r.heat_capacity_p};
    const int widths[rowerrorcount] = {15, 15, 13, 17, 15}, decimals[rowerrorcount] = {5, 5, 4, 4, 6};
    std::snprintf(buf, sizeof buf, "%9.2f", r.temperature);
    s += buf;
    for (int j = 0; j < rowerrorcount; ++j) {
      const std::string x = concise(values[j], r.errors[j].total(), j == 3, decimals[j]);
      s.append(static_cast<std::size_t>(std::max(1, widths[j] - static_cast<int>(x.size()))), ' ');
      s += x;
    }
  }
  char gamma[32];
  if (std::isnan(r.gruneisen)) std::snprintf(gamma, sizeof gamma, "%9s", "nan");
  else std::snprintf(gamma, sizeof gamma, " %8.5f", r.gruneisen);
  if (errors)
    std::snprintf(buf, sizeof buf, " %12.6f%s %11.6f %10.4f %7.3f %12.4e %13.4e", r.heat_capacity_v, gamma, r.entropy,
                  r.bulk_modulus_s, r.bulk_modulus_prime, r.fit_rms, r.linear_thermal_expansion);
  else
    std::snprintf(buf, sizeof buf,
                  "%9.2f %10.5f %11.5f %10.4f %11.4e %12.6f %12.6f%s %11.6f %10.4f %7.3f %12.4e %13.4e", r.temperature,
                  r.volume, r.gibbs_energy, r.bulk_modulus, r.thermal_expansion, r.heat_capacity_p, r.heat_capacity_v,
                  gamma, r.entropy, r.bulk_modulus_s, r.bulk_modulus_prime, r.fit_rms, r.linear_thermal_expansion);
  s += buf;
}

}  // namespace thermo
