#include "thermo/formats/outputs/debye_static_output.hpp"

#include <algorithm>
#include <cstdio>

#include "thermo/base/number_text.hpp"

namespace thermo {

namespace {

void fields(std::string& s, std::initializer_list<double> values) {
  for (double v : values) {
    s += ',';
    appendshortest(s, v);
  }
}

void lead(std::string& s, bool phases, const std::string& phase, int width) {
  if (!phases) return;
  s += "  " + phase;
  if (static_cast<int>(phase.size()) < width) s.append(static_cast<std::size_t>(width) - phase.size(), ' ');
}

void header(std::string& s, const std::vector<debyeinfo>& phases, bool performula, const char* what) {
  s += std::string("# ") + what + "\n";
  for (const debyeinfo& p : phases) s += debyeheaderlines(p, phases.size() > 1);
  s += std::string("# ") + (performula ? "per formula unit" : "per cell") + "; energies in eV, the fit's E0 included\n";
}

int widthof(const std::vector<debyeinfo>& phases) {
  int width = 5;
  for (const debyeinfo& p : phases) width = std::max(width, static_cast<int>(p.name.size()));
  return width;
}

void columnhead(std::string& s, bool phases, int width) {
  s += "#";
  if (phases) {
    s += " phase";
    s.append(static_cast<std::size_t>(width - 5), ' ');
    s += " ";
  }
}

}  // namespace

std::string staticcsvheader(const debyelayout& l) {
  return std::string(l.phases ? "pressure,phase," : "pressure,") +
         "volume,static_energy,enthalpy,bulk_modulus,bulk_modulus_prime" +
         (l.errors ? ",volume_err_fit,bulk_modulus_err_fit\n" : "\n");
}

void appendstaticcsv(std::string& s, const debyelayout& l, const debyestatic& r, const debyestatic& err,
                     const std::string& phase) {
  appendshortest(s, r.pressure);
  if (l.phases) s += ',' + phase;
  fields(s, {r.volume, r.energy, r.enthalpy, r.bulk_modulus, r.bulk_modulus_prime});
  if (l.errors) fields(s, {err.volume, err.bulk_modulus});
  s += '\n';
}

void appendstatictableheader(std::string& s, const debyelayout& l, const std::vector<debyeinfo>& phases, bool performula) {
  header(s, phases, performula, "static equation of state, E(V) alone, at each pressure");
  columnhead(s, l.phases, widthof(phases));
  s += " p [GPa]     V [A^3]        E [eV]        H [eV]  B [GPa]       B'";
  if (l.errors) s += "    dV [A^3]    dB [GPa]";
  s += '\n';
}

void appendstatictablerow(std::string& s, const debyelayout& l, const debyestatic& r, const debyestatic& err,
                          const std::string& phase, int width) {
  lead(s, l.phases, phase, width);
  char buf[200];
  std::snprintf(buf, sizeof buf, "%9.3f %11.6f %13.6f %13.6f %8.3f %8.4f", r.pressure, r.volume, r.energy, r.enthalpy,
                r.bulk_modulus, r.bulk_modulus_prime);
  s += buf;
  if (l.errors) {
    std::snprintf(buf, sizeof buf, " %11.4e %11.4e", err.volume, err.bulk_modulus);
    s += buf;
  }
  s += '\n';
}

std::string fitscsvheader(bool phases) {
  return std::string(phases ? "phase," : "") + "degree,weight,volume,static_energy,bulk_modulus,bulk_modulus_prime\n";
}

void appendfitcsv(std::string& s, bool phases, const debyemember& m, const std::string& phase) {
  if (phases) s += phase + ',';
  s += std::to_string(m.degree);
  fields(s, {m.weight, m.volume, m.energy, m.bulk_modulus, m.bulk_modulus_prime});
  s += '\n';
}

void appendfitstableheader(std::string& s, bool phases, const std::vector<debyeinfo>& info, bool performula) {
  header(s, info, performula, "the static fit's polynomials, each alone at zero pressure, and their weights");
  columnhead(s, phases, widthof(info));
  s += " degree      weight     V [A^3]        E [eV]  B [GPa]       B'\n";
}

void appendfitstablerow(std::string& s, bool phases, const debyemember& m, const std::string& phase, int width) {
  lead(s, phases, phase, width);
  char buf[160];
  std::snprintf(buf, sizeof buf, "%8d %11.4e %11.6f %13.6f %8.3f %8.4f", m.degree, m.weight, m.volume, m.energy,
                m.bulk_modulus, m.bulk_modulus_prime);
  s += buf;
  s += '\n';
}

debyestatic performula(debyestatic r, double z) {
  r.volume /= z;
  r.energy /= z;
  r.enthalpy /= z;
  return r;
}

debyemember performula(debyemember m, double z) {
  m.volume /= z;
  m.energy /= z;
  return m;
}

}  // namespace thermo
