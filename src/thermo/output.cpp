#include "thermo/output.hpp"

#include <charconv>
#include <cmath>
#include <cstdio>

#include "thermo/constants.hpp"

namespace thermo {

namespace {

constexpr std::array<int, 6> decimals = {2, 6, 6, 6, 6, 4};

void putcsv(std::string& s, double v) {
  char buf[64];
  if (std::isnan(v)) {
    s += "nan";
    return;
  }
  const auto r = std::to_chars(buf, buf + sizeof buf, v);
  s.append(buf, r.ptr);
}

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

std::array<double, 6> fields(const row& r) {
  return {r.temperature, r.free_energy, r.entropy, r.heat_capacity, r.energy, r.debye_temperature};
}

}  // namespace

std::string fixed(double v, int width, int decimals) {
  char buf[400];
  std::snprintf(buf, sizeof buf, "%*.*f", width, decimals, v);
  return buf;
}

std::string csvfield(const std::string& text) {
  if (text.find_first_of(",\"\r\n") == std::string::npos) return text;
  std::string q = "\"";
  for (char c : text) {
    if (c == '"') q += '"';
    q += c;
  }
  return q + "\"";
}

tablelayout layoutfor(const row& first, const row& last) {
  tablelayout t;
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
  return head + "temperature,free_energy,entropy,heat_capacity,energy,debye_temperature\n";
}

void appendtableheader(std::string& s, const tableinfo& info, const spectrum& sp, const harmonicdos& d,
                       const tablelayout& layout) {
  const double per = info.peratom ? 1.0 / info.atoms : 1.0;
  s += "# file: " + info.path + "\n";
  s += std::string("# unit: ") + info.unit + "\n";
  s += "# points: " + std::to_string(sp.energy.size()) + " (" + std::to_string(d.energy.size()) + " with E > 0)\n";
  s += "# integral of the DOS: " + fixed(d.states, 0, 6) + " states; atoms per cell n = " + fixed(info.atoms, 0, 6) + "\n";
  s += "# states that take no part (E <= 0 and the interval across zero): " + fixed(d.below, 0, 6) + " (" +
       fixed(100.0 * d.below / d.states, 0, 4) + " %)\n";
  if (std::fabs(info.thetaatoms - info.atoms) > 1e-6 * info.atoms)
    s += "# theta_D matched against a Debye solid of the " + fixed(3.0 * info.thetaatoms, 0, 6) +
         " states above zero\n";
  s += "# zero-point energy: " + fixed(d.zeropoint * avogadro * per / 1000.0, 0, 6) + " kJ/mol" +
       (info.peratom ? " of atoms" : " of cells") + "\n";
  s += "# theta_inf: " + fixed(thetainfinity(d), 0, 3) + " K\n";
  static constexpr const char* titles[6] = {"T [K]", "F [kJ/mol]", "S [J/K/mol]", "Cv [J/K/mol]", "E [kJ/mol]",
                                            "theta_D [K]"};
  std::string line = "#";
  for (int k = 0; k < 6; ++k) {
    const int pad = layout.width[k] - static_cast<int>(std::string_view(titles[k]).size()) - (k == 0 ? 1 : 0);
    line.append(static_cast<std::size_t>(pad > 1 ? pad : 1), ' ');
    line += titles[k];
  }
  s += line + "\n";
}

void appendtablerows(std::string& s, const row* rows, std::size_t n, const tablelayout& layout) {
  char buf[400];
  for (std::size_t i = 0; i < n; ++i) {
    const auto v = fields(rows[i]);
    for (int k = 0; k < 6; ++k) {
      const int len = formatvalue(buf, sizeof buf, v[k], decimals[k]);
      const int pad = layout.width[k] - len;
      s.append(static_cast<std::size_t>(pad > 0 ? pad : 1), ' ');
      s.append(buf, static_cast<std::size_t>(len));
    }
    s += '\n';
  }
}

void appendcsvrows(std::string& s, const row* rows, std::size_t n, const std::string& file) {
  const std::string prefix = file.empty() ? std::string() : csvfield(file) + ",";
  for (std::size_t i = 0; i < n; ++i) {
    s += prefix;
    const auto v = fields(rows[i]);
    for (int k = 0; k < 6; ++k) {
      putcsv(s, v[k]);
      s += k < 5 ? ',' : '\n';
    }
  }
}

}  // namespace thermo
