#include "thermo/formats/outputs/output.hpp"

#include <algorithm>
#include <cmath>
#include <cstdio>

#include "thermo/base/number_text.hpp"
#include "thermo/harmonic/constants.hpp"

namespace thermo {

namespace {

constexpr std::array<int, 6> decimals = {2, 6, 6, 6, 6, 4};

// A table value: fixed with its decimals where that shows at least four
// significant digits and stays short, else seven significant digits with an
// exponent; `nan` where there is none.
int formatvalue(char* buf, std::size_t size, double v, int decimals) {
  if (std::isnan(v)) return std::snprintf(buf, size, "nan");
  const double a = std::fabs(v);
  if (v == 0.0 || (a >= 1e-3 && a < 1e15) || decimals == 2)
    return std::snprintf(buf, size, "%.*f", decimals, v);
  return std::snprintf(buf, size, "%.6e", v);
}

// The column titles, per mole of cells or of atoms.
std::array<std::string, 6> titles(bool peratom) {
  const std::string per = peratom ? " atoms]" : "]";
  return {"T [K]", "F [kJ/mol" + per, "S [J/K/mol" + per, "Cv [J/K/mol" + per, "U [kJ/mol" + per, "theta_D [K]"};
}

// A YAML value: YAML writes NaN as .nan.
std::string shortestvalue(double v) { return std::isnan(v) ? ".nan" : shortest(v); }

std::array<double, 6> fields(const row& r) {
  return {r.temperature, r.free_energy, r.entropy, r.heat_capacity, r.energy, r.debye_temperature};
}

}  // namespace

std::string csvfield(const std::string& text) {
  if (text.find_first_of(",\"\r\n") == std::string::npos) return text;
  std::string q = "\"";
  for (char c : text) {
    if (c == '"') q += '"';
    q += c;
  }
  return q + "\"";
}

tablelayout layoutfor(const row& first, const row& last, bool peratom) {
  tablelayout t;
  const auto title = titles(peratom);
  for (int k = 0; k < 6; ++k) t.width[k] = std::max(t.width[k], static_cast<int>(title[k].size()) + (k == 0 ? 4 : 2));
  char buf[400];
  for (const row& r : {first, last}) {
    const auto v = fields(r);
    for (int k = 0; k < 6; ++k) {
      const int n = formatvalue(buf, sizeof buf, v[k], decimals[k]);
      if (n + 2 > t.width[k]) t.width[k] = n + 2;
    }
  }
  return t;
}

std::string csvheader(bool filecolumn) {
  std::string head = filecolumn ? "file," : "";
  return head + "temperature,free_energy,entropy,heat_capacity,energy,debye_temperature,sampling_limit\n";
}

void appendtableheader(std::string& s, const tableinfo& info, const harmonicdos& d, const tablelayout& layout) {
  const double per = info.peratom ? 1.0 / info.atoms : 1.0;
  s += "# file: " + info.path + "\n";
  s += "# unit: " + info.unit + "\n";
  s += "# points: " + info.points + "\n";
  s += "# integral of the DOS: " + fixed(d.states, 0, 6) + " states; atoms per cell n = " + fixed(info.atoms, 0, 6) + "\n";
  s += (info.cutoff.empty() ? std::string("# states that take no part (E <= 0 and the interval across zero): ")
                            : "# states that take no part (E <= " + info.cutoff + " and the interval across it): ") + fixed(d.below, 0, 6) + " (" +
       fixed(100.0 * d.below / d.states, 0, 4) + " %)\n";
  if (std::fabs(info.thetaatoms - info.atoms) > 1e-6 * info.atoms)
    s += "# theta_D matched against a Debye solid of the " + fixed(3.0 * info.thetaatoms, 0, 6) +
         " states above zero\n";
  s += "# zero-point energy: " + fixed(d.zeropoint * avogadro * per / 1000.0, 0, 6) + " kJ/mol" +
       (info.peratom ? " of atoms" : " of cells") + "\n";
  s += "# theta_inf: " + fixed(thetainfinity(d), 0, 3) + " K\n";
  s += "# sampling limit: " + shortest(info.samplinglimit) + " K (below it " +
       (info.mesh ? "the q-mesh's lowest modes" : "the DOS's lowest energy steps") +
       " decide C and theta_D: rows marked \"" + (unresolvedmark + 2) + "\")\n";
  s += info.peratom ? "# values per mole of atoms\n" : "# values per mole of cells\n";
  const auto title = titles(info.peratom);
  std::string line = "#";
  for (int k = 0; k < 6; ++k) {
    const int pad = layout.width[k] - static_cast<int>(title[k].size()) - (k == 0 ? 1 : 0);
    line.append(static_cast<std::size_t>(pad > 1 ? pad : 1), ' ');
    line += title[k];
  }
  s += line + "\n";
}

void appendyamlheader(std::string& s, const yamlinfo& info) {
  s += "# Thermal properties / unit cell (natom)\n";
  s += info.peratom ? "# lattice_thermo --per-atom: values per mole of atoms\n\n" : "\n";
  s += "unit:\n  temperature:   K\n  free_energy:   kJ/mol\n  entropy:       J/K/mol\n  heat_capacity: J/K/mol\n\n";
  s += "natom: " + std::to_string(info.natom) + "\n";
  s += "cutoff_frequency: " + shortestvalue(info.cutoff) + "\n";
  s += "num_modes: " + shortestvalue(info.modes) + "\n";
  s += "num_integrated_modes: " + shortestvalue(info.integratedmodes) + "\n\n";
  s += "zero_point_energy: " + shortestvalue(info.zeropoint) + "\n";
  s += "sampling_limit: " + shortestvalue(info.samplinglimit) + "  # K: below it the DOS's sampling decides the results\n\n";
  s += "thermal_properties:\n";
}

void appendyamlrows(std::string& s, const row* rows, std::size_t n) {
  for (std::size_t i = 0; i < n; ++i) {
    const row& r = rows[i];
    s += "- temperature:   " + shortestvalue(r.temperature) + "\n";
    s += "  free_energy:   " + shortestvalue(r.free_energy) + "\n";
    s += "  entropy:       " + shortestvalue(r.entropy) + "\n";
    s += "  heat_capacity: " + shortestvalue(r.heat_capacity) + "\n";
    s += "  energy:        " + shortestvalue(r.energy) + "\n";
    s += "  debye_temperature: " + shortestvalue(r.debye_temperature) + "\n\n";
  }
}

void appendtablerows(std::string& s, const row* rows, std::size_t n, const tablelayout& layout, double limit) {
  char buf[400];
  for (std::size_t i = 0; i < n; ++i) {
    const auto v = fields(rows[i]);
    for (int k = 0; k < 6; ++k) {
      const int len = formatvalue(buf, sizeof buf, v[k], decimals[k]);
      const int pad = layout.width[k] - len;
      s.append(static_cast<std::size_t>(pad > 0 ? pad : 1), ' ');
      s.append(buf, static_cast<std::size_t>(len));
    }
    if (rows[i].temperature > 0.0 && rows[i].temperature < limit) s += unresolvedmark;
    s += '\n';
  }
}

void appendcsvrows(std::string& s, const row* rows, std::size_t n, const std::string& file, double limit) {
  const std::string prefix = file.empty() ? std::string() : csvfield(file) + ",";
  std::string suffix = ",";
  appendshortest(suffix, limit);
  suffix += '\n';
  for (std::size_t i = 0; i < n; ++i) {
    s += prefix;
    const auto v = fields(rows[i]);
    for (int k = 0; k < 6; ++k) {
      appendshortest(s, v[k]);
      if (k < 5) s += ',';
    }
    s += suffix;
  }
}

}  // namespace thermo
