#include "thermo/formats/outputs/fv_output.hpp"

#include "thermo/base/number_text.hpp"

namespace thermo {

std::string fvheader(const std::string& evfile) {
  return "# lattice_thermo --qha --write-fv: " + evfile +
         "\n# G(V) = E + F_vib + F_el + P V per cell, eV, at volumes V in A^3; a block per pressure and\n"
         "# temperature (gnuplot: index k): the data points, a blank line, the fitted equation of\n"
         "# state at " + std::to_string(fvpoints) + " volumes across those sampled, two blank lines.\n\n";
}

void appendfvblock(std::string& s, const qhamodel& m, const qhaoutcome& r, double pressure) {
  auto point = [&](double v, double g) {
    appendshortest(s, v);
    s += ' ';
    appendshortest(s, g);
    s += '\n';
  };
  s += "# pressure: " + shortest(pressure) + " GPa, temperature: " + shortest(r.row.temperature) + " K\n# fit: E0 = " +
       shortest(r.p[0]) + " eV, B0 = " + shortest(r.p[1] * gpa) + " GPa, B0' = " + shortest(r.p[2]) +
       ", V0 = " + shortest(r.p[3]) + " A^3\n";
  for (std::size_t i = 0; i < m.volume.size(); ++i) point(m.volume[i], r.g[i]);
  s += '\n';
  const double lo = m.volume.front(), hi = m.volume.back();
  // The curve less E0, so that its digits are the shape's; E0 added last.
  parameters shape = r.p;
  shape[0] = 0.0;
  for (int k = 0; k < fvpoints; ++k) {
    const double v = k + 1 == fvpoints ? hi : lo + (hi - lo) * k / (fvpoints - 1);
    if (m.form == eos::strain) {
      double e[4];
      strainvalues(m.strainbase.scale, r.curve, v, e, 0);
      point(v, e[0] + m.reference);
    } else {
      point(v, r.p[0] + energy(m.form, v, shape.data()));
    }
  }
  s += "\n\n";
}

}  // namespace thermo
