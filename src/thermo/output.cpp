#include "thermo/output.hpp"

#include <charconv>
#include <cmath>
#include <cstdio>

#include "thermo/constants.hpp"

namespace thermo {

namespace {

void putcsv(std::string& s, double v) {
  char buf[64];
  if (std::isnan(v)) {
    s += "nan";
    return;
  }
  const auto r = std::to_chars(buf, buf + sizeof buf, v);
  s.append(buf, r.ptr);
}

}  // namespace

std::string fixed(double v, int width, int decimals) {
  char buf[64];
  std::snprintf(buf, sizeof buf, "%*.*f", width, decimals, v);
  return buf;
}

std::string csvheader(bool filecolumn) {
  std::string head = filecolumn ? "file," : "";
  return head + "temperature,free_energy,entropy,heat_capacity,energy,debye_temperature\n";
}

void appendtableheader(std::string& s, const tableinfo& info, const spectrum& sp, const harmonicdos& d) {
  const double per = info.peratom ? 1.0 / info.atoms : 1.0;
  s += "# file: " + info.path + "\n";
  s += std::string("# unit: ") + info.unit + "\n";
  s += "# points: " + std::to_string(sp.energy.size()) + " (" + std::to_string(d.energy.size()) + " with E > 0)\n";
  s += "# integral of the DOS: " + fixed(d.states, 0, 6) + " states; atoms per cell n = " + fixed(info.atoms, 0, 6) + "\n";
  s += "# states at or below zero energy: " + fixed(d.below, 0, 6) + " (" + fixed(100.0 * d.below / d.states, 0, 4) + " %)\n";
  s += "# zero-point energy: " + fixed(d.zeropoint * avogadro * per / 1000.0, 0, 6) + " kJ/mol" +
       (info.peratom ? " of atoms" : " of cells") + "\n";
  s += "# theta_inf: " + fixed(thetainfinity(d), 0, 3) + " K\n";
  s += "#   T [K]  F [kJ/mol]  S [J/K/mol]  Cv [J/K/mol]  E [kJ/mol]  theta_D [K]\n";
}

void appendtablerows(std::string& s, const std::vector<row>& rows) {
  for (const row& r : rows)
    s += fixed(r.temperature, 9, 2) + fixed(r.free_energy, 12, 6) + fixed(r.entropy, 13, 6) +
         fixed(r.heat_capacity, 14, 6) + fixed(r.energy, 12, 6) +
         (std::isnan(r.debye_temperature) ? std::string("          nan") : fixed(r.debye_temperature, 13, 4)) + "\n";
}

void appendcsvrows(std::string& s, const std::vector<row>& rows, const std::string& file) {
  for (const row& r : rows) {
    if (!file.empty()) s += file + ",";
    for (double v : {r.temperature, r.free_energy, r.entropy, r.heat_capacity, r.energy}) {
      putcsv(s, v);
      s += ',';
    }
    putcsv(s, r.debye_temperature);
    s += '\n';
  }
}

}  // namespace thermo
