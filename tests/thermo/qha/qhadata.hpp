// Quasi-harmonic data sets for the tests: E(V) from Vinet, a DOS per volume
// whose energies scale with a constant Grueneisen parameter, and phonopy's
// other inputs made from them; the runs' CSV rows by column.
#pragma once

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "testutil.hpp"
#include "thermo/base/number_text.hpp"
#include "thermo/qha/eos.hpp"

namespace thermotest {

// A QHA data set: E(V) from Vinet (V0 = 12 A^3, B0 = 100 GPa, B0' = 4.5 or
// bprime)
// at n volumes from vlow to vhigh, and at each an Einstein-like DOS: a
// narrow peak of 3 states at an energy that scales as (V/12)^-gamma
// (gamma = 0: the same DOS at every volume).
struct dataset {
  std::string ev;
  std::vector<std::string> doses;
  std::vector<double> volume, energy;  // as e-v.dat holds them
};
inline dataset qhadata(const std::string& name, double gamma, int n = 9, double vlow = 11.2, double vhigh = 13.2,
                       double bprime = 4.5) {
  dataset d;
  std::string ev = "# volume energy\n";
  char buf[160];
  const double p[4] = {-4.0, 100.0 / gpa, bprime, 12.0};
  for (int i = 0; i < n; ++i) {
    const double v = vlow + (vhigh - vlow) * i / (n - 1);
    std::snprintf(buf, sizeof buf, "%.17g %.17g\n", v, energy(eos::vinet, v, p));
    ev += buf;
    d.volume.push_back(v);
    d.energy.push_back(energy(eos::vinet, v, p));
    const double f = 6.0 * std::pow(v / 12.0, -gamma);  // THz
    std::string dos;
    for (int k = -1; k <= 1; ++k) {
      std::snprintf(buf, sizeof buf, "%.17g %.17g\n", f + k * 1e-3, k == 0 ? 3.0 / 1e-3 : 0.0);
      dos += buf;
    }
    d.doses.push_back(writefile(name + std::to_string(i) + ".dat", dos));
  }
  d.ev = writefile(name + "_ev.dat", ev);
  return d;
}
inline std::string readtext(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

// The same volumes and E(V) with phonopy's mesh.yaml at each volume: a cubic
// cell of that volume (or `cell` times it) with `natom` atoms, one q-point,
// every band at the peak's frequency.
inline dataset qhamesh(const std::string& name, double gamma, int n = 9, double vlow = 11.2, double vhigh = 13.2,
                       double cell = 1.0, int natom = 1) {
  dataset d = qhadata(name, gamma, n, vlow, vhigh);
  char buf[160];
  for (int i = 0; i < n; ++i) {
    const double v = vlow + (vhigh - vlow) * i / (n - 1), a = std::cbrt(v * cell);
    std::string s = "mesh: [ 1, 1, 1 ]\nnqpoint: 1\nnatom: " + std::to_string(natom) + "\nlattice:\n";
    for (int r = 0; r < 3; ++r) {
      std::snprintf(buf, sizeof buf, "- [ %.17g, %.17g, %.17g ] # %c\n", r == 0 ? a : 0.0, r == 1 ? a : 0.0,
                    r == 2 ? a : 0.0, "abc"[r]);
      s += buf;
    }
    s += "phonon:\n- q-position: [ 0.0, 0.0, 0.0 ]\n  weight: 1\n  band:\n";
    for (int b = 0; b < 3 * natom; ++b) {
      std::snprintf(buf, sizeof buf, "  - # %d\n    frequency: %.17g\n", b + 1, 6.0 * std::pow(v / 12.0, -gamma));
      s += buf;
    }
    d.doses[static_cast<std::size_t>(i)] = writefile(name + std::to_string(i) + "_mesh.yaml", s);
  }
  return d;
}
// The same with a thermal_properties.yaml at each volume, as lattice_thermo
// --yaml writes it from the DOS (named without .yaml: known by its content),
// at `grid`'s temperatures.
inline dataset qhatables(const std::string& name, double gamma, const std::vector<std::string>& grid, int n = 9) {
  dataset d = qhadata(name, gamma, n);
  for (std::size_t i = 0; i < d.doses.size(); ++i) {
    std::vector<std::string> args = {"--yaml"};
    args.insert(args.end(), grid.begin(), grid.end());
    args.push_back(d.doses[i]);
    d.doses[i] = writefile(name + std::to_string(i) + "_tp", runwith(args).out);
  }
  return d;
}
// An E(V) file of the volumes and energies given, every digit kept.
inline std::string evfile(const std::string& name, const std::vector<double>& v, const std::vector<double>& e) {
  std::string s;
  char buf[96];
  for (std::size_t i = 0; i < v.size(); ++i) {
    std::snprintf(buf, sizeof buf, "%.17g %.17g\n", v[i], e[i]);
    s += buf;
  }
  return writefile(name, s);
}

// The arguments of two or more phases: --qha E(V) and its DOS files each.
inline std::vector<std::string> phasesargs(const std::vector<std::pair<std::string, std::vector<std::string>>>& phases,
                                    std::vector<std::string> extra) {
  for (const auto& [ev, doses] : phases) {
    extra.push_back("--qha");
    extra.push_back(ev);
    extra.insert(extra.end(), doses.begin(), doses.end());
  }
  return extra;
}

// The same crystal in a cell twice as large: E, V and the DOS's states twice.
inline dataset doubled(const dataset& d, const std::string& name) {
  dataset r;
  for (std::size_t i = 0; i < d.volume.size(); ++i) {
    r.volume.push_back(2.0 * d.volume[i]);
    r.energy.push_back(2.0 * d.energy[i]);
  }
  for (std::size_t i = 0; i < d.doses.size(); ++i) {
    std::stringstream in(readtext(d.doses[i]));
    std::string s;
    char buf[96];
    for (double f, g; in >> f >> g;) {
      std::snprintf(buf, sizeof buf, "%.17g %.17g\n", f, 2.0 * g);
      s += buf;
    }
    r.doses.push_back(writefile(name + "_dos" + std::to_string(i), s));
  }
  r.ev = evfile(name + "_ev", r.volume, r.energy);
  return r;
}
inline std::vector<std::string> qhaargs(const dataset& d, std::vector<std::string> extra) {
  std::vector<std::string> args = {"--qha", d.ev};
  args.insert(args.end(), extra.begin(), extra.end());
  args.insert(args.end(), d.doses.begin(), d.doses.end());
  return args;
}
// The CSV's rows as name -> value maps (its text columns, the phases'
// names, left out).
inline std::vector<std::map<std::string, double>> qharows(const std::string& csv) {
  std::vector<std::map<std::string, double>> rows;
  std::stringstream in(csv);
  std::string head, line, f;
  std::getline(in, head);
  std::vector<std::string> names;
  for (std::stringstream h(head); std::getline(h, f, ',');) names.push_back(f);
  while (std::getline(in, line)) {
    std::map<std::string, double> r;
    std::stringstream fields(line);
    for (std::size_t k = 0; std::getline(fields, f, ','); ++k) {
      char* end = nullptr;
      const double x = std::strtod(f.c_str(), &end);
      if (end != f.c_str() && *end == '\0') r[names[k]] = x;
    }
    rows.push_back(r);
  }
  return rows;
}

}  // namespace thermotest

namespace thermotest {

// Whether every column of two runs' rows agrees within rel (relative; fit_rms
// within rel kJ/mol), the same temperatures in the same order; the first
// difference in `why`.
inline bool samerows(const std::string& a, const std::string& b, double rel, std::string& why) {
  const auto x = qharows(a), y = qharows(b);
  if (x.size() != y.size() || x.empty()) return why = std::to_string(x.size()) + " rows against " + std::to_string(y.size()), false;
  for (std::size_t i = 0; i < x.size(); ++i)
    for (const auto& [k, v] : x[i]) {
      const double w = y[i].at(k);
      if (std::isnan(v) && std::isnan(w)) continue;
      // The fit's residual, small against G, to rel of a kJ/mol.
      if (!(std::fabs(v - w) <= rel * (k == "fit_rms" ? 1.0 : std::fabs(v)) + 1e-300))
        return why = k + " at " + shortest(x[i].at("temperature")) + " K: " + shortest(v) + " against " + shortest(w),
               false;
    }
  return true;
}

}  // namespace thermotest
