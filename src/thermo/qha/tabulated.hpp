// lattice_thermo: a free energy tabulated at temperatures shared by every
// volume, with its first and second temperature derivatives, as the
// quasi-harmonic model takes the phonons of phonopy's thermal_properties.yaml
// and the electrons of its fe-v.dat.
#pragma once

#include <cstddef>
#include <vector>

namespace thermo {

// Stored row by row: f[k * volumes + i] at temperature k and volume i; per
// cell, eV, eV/K and eV/K^2.
struct tabulated {
  std::vector<double> temperature;  // K, strictly increasing
  std::vector<double> f, df, d2f;
  std::size_t volumes = 0;

  bool empty() const { return temperature.empty(); }
  // The row of temperature t (within 1e-6 K and 1e-12 of t), or -1.
  long find(double t) const;
  // The same table with its volumes (columns) in the order `order` gives.
  tabulated reordered(const std::vector<std::size_t>& order) const;
};

// The row nearest t at or below it and the one above, for a message that
// names them (-1 where there is none).
void neighbours(const tabulated& table, double t, long& below, long& above);

// df and d2f of each volume's column from f alone: the derivatives at the
// nodes of a not-a-knot cubic spline in T (spline.hpp).
void splinecolumns(tabulated& table);

}  // namespace thermo
