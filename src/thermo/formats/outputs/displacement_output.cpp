#include "thermo/formats/outputs/displacement_output.hpp"

#include <cmath>
#include <cstdio>

#include "thermo/base/number_text.hpp"
#include "thermo/formats/outputs/output.hpp"
#include "thermo/harmonic/displacement.hpp"

namespace thermo {

namespace {

// The table's columns: title, width, decimals (-1: shortest digits).
struct column {
  const char* title;
  int width, decimals;
};
constexpr column fixedcolumns[] = {{"T [K]", 9, 2},       {"atom", 6, 0},           {"element", 9, -1},
                                   {"mass [amu]", 12, -1}, {"<u^2> [A^2]", 13, 7},   {"B [A^2]", 11, 5}};
constexpr const char* matrixtitles[] = {"u_xx", "u_yy", "u_zz", "u_yz", "u_xz", "u_xy"};

// A table value: fixed with its decimals (no sign on a zero), with an
// exponent from 1e6 up.
std::string tablevalue(double v, int decimals) {
  char buf[64];
  if (std::fabs(v) >= 1e6) std::snprintf(buf, sizeof buf, "%.6e", v);
  else std::snprintf(buf, sizeof buf, "%.*f", decimals, v);
  std::string s = buf;
  if (s[0] == '-' && s.find_first_not_of("-0.") == std::string::npos) s.erase(0, 1);
  return s;
}

void pad(std::string& s, const std::string& v, int width) {
  s.append(static_cast<std::size_t>(std::max(1, width - static_cast<int>(v.size()))), ' ');
  s += v;
}

}  // namespace

std::string displacementcsvheader(bool filecolumn, bool matrices, bool mossbauer) {
  std::string s = filecolumn ? "file," : "";
  s += "temperature,atom,element,mass,mean_square_displacement,b_iso";
  if (matrices) s += ",u_xx,u_yy,u_zz,u_yz,u_xz,u_xy";
  if (mossbauer) s += ",lamb_mossbauer";
  return s + "\n";
}

void appenddisplacementheader(std::string& s, const std::string& shown, const displacementtable& t, double mossbauer) {
  s += "# file: " + shown + "\n";
  s += "# unit: " + t.unit + "\n";
  s += "# route: " + t.route + "\n";
  s += "# " + t.leftout + "\n";
  s += "# masses: from " + t.massesfrom + "\n";
  s += std::string("# <u^2> = ") + (t.matrices ? "u_xx + u_yy + u_zz, and the u_ab," : "<|u|^2>") +
       " in A^2; B = 8 pi^2 <u^2> / 3 in A^2" +
       (mossbauer > 0.0 ? "; f_LM = exp(-k^2 <u^2> / 3) for " + shortest(mossbauer) + " keV" : std::string()) + "\n";
  std::string line = "#";
  for (const column& c : fixedcolumns) pad(line, c.title, c.width - (line.size() == 1 ? 1 : 0));
  if (t.matrices)
    for (const char* m : matrixtitles) pad(line, m, 12);
  if (mossbauer > 0.0) pad(line, "f_LM", 10);
  s += line + "\n";
}

void appenddisplacementrows(std::string& s, const displacementtable& t, std::size_t from, std::size_t to,
                            double mossbauer, bool csv, bool matrices, const std::string& file) {
  const std::string prefix = file.empty() ? std::string() : csvfield(file) + ",";
  for (std::size_t i = from; i < to; ++i)
    for (std::size_t j = 0; j < t.atoms; ++j) {
      const double msd = t.meansquare(i, j);
      const double* u = t.matrices ? t.values.data() + (i * t.atoms + j) * 6 : nullptr;
      if (csv) {
        s += prefix;
        appendshortest(s, t.temperatures[i]);
        s += ',' + std::to_string(j + 1) + ',' + csvfield(t.elements[j]) + ',';
        appendshortest(s, t.masses[j]);
        for (double v : {msd, bfactor(msd)}) {
          s += ',';
          appendshortest(s, v);
        }
        if (matrices)
          for (int k = 0; k < 6; ++k) {
            s += ',';
            appendshortest(s, u != nullptr ? u[k] : NAN);
          }
        if (mossbauer > 0.0) {
          s += ',';
          appendshortest(s, lambmossbauer(msd, mossbauer));
        }
      } else {
        pad(s, tablevalue(t.temperatures[i], 2), fixedcolumns[0].width);
        pad(s, std::to_string(j + 1), fixedcolumns[1].width);
        pad(s, t.elements[j].empty() ? "-" : t.elements[j], fixedcolumns[2].width);
        pad(s, shortest(t.masses[j]), fixedcolumns[3].width);
        pad(s, tablevalue(msd, 7), fixedcolumns[4].width);
        pad(s, tablevalue(bfactor(msd), 5), fixedcolumns[5].width);
        if (u != nullptr)
          for (int k = 0; k < 6; ++k) pad(s, tablevalue(u[k], 7), 12);
        if (mossbauer > 0.0) pad(s, tablevalue(lambmossbauer(msd, mossbauer), 6), 10);
      }
      s += '\n';
    }
}

}  // namespace thermo
