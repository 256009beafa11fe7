// Grid data sets for the tests of --qha-grid: a made-up crystal's static
// energy and an Einstein-like DOS (3 states per cell in one narrow peak) at
// each cell of a grid of lattice lengths, written as files.
#pragma once

#include <cmath>
#include <cstdio>
#include <functional>
#include <string>
#include <vector>

#include "testutil.hpp"
#include "thermo/harmonic/constants.hpp"
#include "thermo/qha/eos.hpp"

namespace thermotest {

// A crystal of one atom per cell, V = a b c: E(a, b, c) in eV and the
// peak's frequency f(a, b, c) in THz.
struct crystal {
  std::function<double(double, double, double)> energy, frequency;
};

// Cubic: E from the volume's linear strain (B0 = 100 GPa at V0 = 12 A^3),
// a shear term s ((a - b)^2 + (b - c)^2 + (c - a)^2) (eV/A^2), and
// f = 6 THz (V/12)^-gamma.
inline crystal cubic(double gamma, double s = 5.0) {
  crystal c;
  c.energy = [s](double a, double b, double cc) {
    const double strain = std::cbrt(a * b * cc / 12.0) - 1.0;
    return -3.0 + 4.5 * (100.0 / thermo::gpa) * 12.0 * strain * strain +
           s * ((a - b) * (a - b) + (b - cc) * (b - cc) + (cc - a) * (cc - a));
  };
  c.frequency = [gamma](double a, double b, double cc) { return 6.0 * std::pow(a * b * cc / 12.0, -gamma); };
  return c;
}

struct griddataset {
  std::string grid;
  std::vector<std::string> doses;
  std::vector<std::vector<double>> cells;  // a, [b,] c of each line
};

// The cells of `values` on each axis (2: a and c, b = a; 3: a, b, c), a
// varying slowest.
inline griddataset makegrid(const std::string& name, const crystal& x, int axes, const std::vector<double>& values) {
  griddataset d;
  std::string grid = axes == 2 ? "# a c volume energy\n" : "# a b c volume energy\n";
  char buf[200];
  const std::size_t n = values.size();
  const std::size_t total = axes == 2 ? n * n : n * n * n;
  for (std::size_t i = 0; i < total; ++i) {
    const double a = values[axes == 2 ? i / n : i / (n * n)];
    const double b = axes == 2 ? a : values[(i / n) % n];
    const double c = values[i % n];
    const double v = a * b * c, e = x.energy(a, b, c);
    if (axes == 2) std::snprintf(buf, sizeof buf, "%.17g %.17g %.17g %.17g\n", a, c, v, e);
    else std::snprintf(buf, sizeof buf, "%.17g %.17g %.17g %.17g %.17g\n", a, b, c, v, e);
    grid += buf;
    d.cells.push_back(axes == 2 ? std::vector<double>{a, c} : std::vector<double>{a, b, c});
    const double f = x.frequency(a, b, c);
    std::string dos;
    for (int k = -1; k <= 1; ++k) {
      std::snprintf(buf, sizeof buf, "%.17g %.17g\n", f + k * 1e-3, k == 0 ? 3.0 / 1e-3 : 0.0);
      dos += buf;
    }
    d.doses.push_back(writefile(name + "_g" + std::to_string(i) + ".dat", dos));
  }
  d.grid = writefile(name + "_grid.dat", grid);
  return d;
}

// n values evenly from lo to hi.
inline std::vector<double> spaced(double lo, double hi, int n) {
  std::vector<double> v;
  for (int i = 0; i < n; ++i) v.push_back(lo + (hi - lo) * i / (n - 1));
  return v;
}

inline std::vector<std::string> gridargs(const griddataset& d, std::vector<std::string> extra) {
  std::vector<std::string> args = {"--qha-grid", d.grid};
  args.insert(args.end(), extra.begin(), extra.end());
  args.insert(args.end(), d.doses.begin(), d.doses.end());
  return args;
}

}  // namespace thermotest
