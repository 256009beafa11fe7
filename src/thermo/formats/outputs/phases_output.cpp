#include "thermo/formats/outputs/phases_output.hpp"

#include <algorithm>
#include <cstdio>

#include "thermo/base/number_text.hpp"
#include "thermo/base/problem.hpp"
#include "thermo/formats/outputs/error_output.hpp"
#include "thermo/formats/outputs/qha_output.hpp"

namespace thermo {

namespace {

// Each phase's line of a table's header: its files, cell and static fit.
void appendphaselines(std::string& s, const std::vector<phaseinfo>& phases) {
  for (const phaseinfo& p : phases) {
    const double z = p.formulaunits;
    char buf[512];
    std::snprintf(buf, sizeof buf,
                  "# %s: %s, %d volumes from %.6g to %.6g A^3 per cell, %.6g formula unit%s per cell; static fit of "
                  "E(V) per formula unit: V0 = %.6f A^3, B0 = %.4f GPa, B0' = %.4f, E0 = %.6f eV\n",
                  p.name.c_str(), showpath(p.evfile).c_str(), p.volumes, p.vmin, p.vmax, z, z == 1.0 ? "" : "s",
                  p.fit[3] / z, p.fit[1] * gpa, p.fit[2], p.fit[0] / z);
    s += buf;
    if (!p.electrons.empty()) s += "#   electrons of " + p.name + ": " + p.electrons + "; S, Cp, Cv and gamma include them\n";
  }
}

void appendname(std::string& s, const std::string& name, int width) {
  s += name;
  if (static_cast<int>(name.size()) < width) s.append(static_cast<std::size_t>(width) - name.size(), ' ');
}

}  // namespace

bool fitphasename(const std::string& s) {
  if (s.empty() || s.size() > 64) return false;
  return std::all_of(s.begin(), s.end(), [](char c) {
    const auto u = static_cast<unsigned char>(c);
    return u > 0x20 && u != 0x7f && c != ',' && c != '"';
  });
}

std::string phasescsvheader(bool pressurecolumn, bool errors) {
  std::string head = qhacsvheader(pressurecolumn);
  head.insert(pressurecolumn ? 9 : 0, "phase,");
  head.back() = ',';
  return head + "stable" + (errors ? errorcolumns() : "") + "\n";
}

void appendphasecsv(std::string& s, const qharow& r, bool pressurecolumn, double pressure, const std::string& name,
                    bool stable, bool errors) {
  if (pressurecolumn) {
    appendshortest(s, pressure);
    s += ',';
  }
  s += name;
  s += ',';
  appendqhafields(s, r);
  s += stable ? ",1" : ",0";
  if (errors) appenderrorfields(s, r.errors.data(), rowerrorcount);
  s += '\n';
}

void appendphasestableheader(std::string& s, const std::vector<phaseinfo>& phases, eos form, double pressure,
                             bool errors) {
  char buf[256];
  std::snprintf(buf, sizeof buf, "# quasi-harmonic, %zu phases; equation of state: %s; pressure: %.6g GPa\n",
                phases.size(), eosname(form), pressure);
  s += buf;
  appendphaselines(s, phases);
  s += "# values per mole of formula units, volume per formula unit; alpha is volumetric, alpha/3 linear (cubic "
       "or isotropic crystals), B0' the fit's (dB_T/dP), rms its residual;\n# stable: * marks the phase of lowest G "
       "at each temperature\n";
  if (errors)
    s += "# x(u): x with its error bar u in its last digits (11.79852(31) is 11.79852 +- 0.00031), the fit's doubt\n";
  int width = 5;
  for (const phaseinfo& p : phases) width = std::max(width, static_cast<int>(p.name.size()));
  s += "# phase";
  s.append(static_cast<std::size_t>(width - 5), ' ');
  s += ' ';
  s += qhatabletitles(errors);
  s += " stable\n";
}

void appendphasestablerow(std::string& s, const qharow& r, const std::string& name, int width, bool stable,
                          bool errors) {
  s += "  ";
  appendname(s, name, width);
  appendqhatablefields(s, r, errors);
  s += stable ? "      *\n" : "\n";
}

namespace {
const char* const transitionerrornames[] = {"pressure", "clapeyron_slope"};
}  // namespace

std::string transitionscsvheader(bool errors) {
  return std::string("temperature,phase_low,phase_high,pressure,volume_change,entropy_change,clapeyron_slope") +
         (errors ? errorcsvheader(transitionerrornames, 2) : "") + "\n";
}

void appendtransitioncsv(std::string& s, const transitionrow& r, bool errors) {
  appendshortest(s, r.temperature);
  s += ',' + r.low + ',' + r.high + ',';
  appendshortest(s, r.pressure);
  for (double v : {r.volumechange, r.entropychange, r.slope}) {
    s += ',';
    appendshortest(s, v);
  }
  if (errors) {
    const errorbar e[2] = {r.pressureerr, r.slopeerr};
    appenderrorfields(s, e, 2);
  }
  s += '\n';
}

void appendtransitionstableheader(std::string& s, const std::vector<phaseinfo>& phases, eos form, double pmin,
                                  double pmax) {
  char buf[256];
  std::snprintf(buf, sizeof buf, "# phase transitions from %.6g to %.6g GPa, %zu phases; equation of state: %s\n", pmin,
                pmax, phases.size(), eosname(form));
  s += buf;
  appendphaselines(s, phases);
}

void appendtransitionscolumns(std::string& s, int width, bool errors) {
  s += "# at each crossing of two phases' G: low has the lower G below p, high above; dV = V_high - V_low\n"
       "# (A^3 per formula unit) and dS = S_high - S_low (J/K/mol of formula units) there; dp/dT = dS/dV\n";
  if (errors)
    s += "# x(u): x with its error bar u in its last digits (4.2423(51) is 4.2423 +- 0.0051), the fits' doubt\n";
  s += "#   T [K] low";
  s.append(static_cast<std::size_t>(width - 3), ' ');
  s += " high";
  s.append(static_cast<std::size_t>(width - 4), ' ');
  s += errors ? "          p [GPa]     dV [A^3] dS [J/K/mol]     dp/dT [GPa/K]\n"
              : "         p [GPa]     dV [A^3] dS [J/K/mol] dp/dT [GPa/K]\n";
}

void appendtransitionstablerow(std::string& s, const transitionrow& r, int width, bool errors) {
  char buf[128];
  std::snprintf(buf, sizeof buf, "%9.2f ", r.temperature);
  s += buf;
  appendname(s, r.low, width);
  s += ' ';
  appendname(s, r.high, width);
  if (!errors) {
    std::snprintf(buf, sizeof buf, " %16.10f %12.6f %12.6f %13.6e\n", r.pressure, r.volumechange, r.entropychange,
                  r.slope);
    s += buf;
    return;
  }
  const std::string p = concise(r.pressure, r.pressureerr.total(), false, 10);
  const std::string slope = concise(r.slope, r.slopeerr.total(), true, 6);
  std::snprintf(buf, sizeof buf, " %17s %12.6f %12.6f %17s\n", p.c_str(), r.volumechange, r.entropychange,
                slope.c_str());
  s += buf;
}

std::string pairwarning(const std::string& a, const std::string& b, const pairrecord& r, long temperatures, double pmin,
                        double pmax) {
  const std::string range = " from " + significant(pmin) + " to " + significant(pmax) + " GPa";
  std::string why = "no crossing" + range;
  if (r.same) {
    why = "the phases do not differ: their G and V agree within rounding" + range;
  } else if (!r.touching.empty()) {
    why = "they meet near " + significant(r.touching.front()) +
          " GPa with a volume change that rounding alone could give: no transition";
  } else if (!r.lost.empty()) {
    const pairoutcome::lost& l = r.lost.front();
    why = "they cross near " + significant(l.pressure) + " GPa, where " +
          (l.first && l.second ? "both lie" : (l.first ? a : b) + " lies") + " outside the volumes sampled";
  }
  return a + " and " + b + ": no row at " + std::to_string(r.missing) + " of " + std::to_string(temperatures) +
         " temperatures, the first " + significant(r.first) + " K (" + why + ")";
}

std::string electronsof(const qhaphase& ph) {
  if (!ph.efefile.empty()) return "their free energy from " + showpath(ph.efefile) + " (S and Cv from a spline in T)";
  if (ph.dosatfermi.empty()) return "";
  return "Sommerfeld's, N(E_F) " + significant(ph.dosatfermi.front()) + " to " + significant(ph.dosatfermi.back()) +
         " states/eV per cell";
}

std::vector<phaseinfo> infoof(const std::vector<qhaphase>& phases) {
  std::vector<phaseinfo> info;
  for (const qhaphase& ph : phases) {
    const qhamodel& m = ph.model;
    info.push_back({ph.name, ph.evfile, ph.formulaunits, static_cast<int>(m.volume.size()), m.volume.front(),
                    m.volume.back(), ph.staticfit, electronsof(ph)});
  }
  return info;
}

}  // namespace thermo
