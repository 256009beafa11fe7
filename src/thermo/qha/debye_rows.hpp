// lattice_thermo: the rows of the Debye models: F(V; T) fitted at a
// temperature, the row at a pressure with the spread of each column across
// the fit's degrees, the static equation of state at a pressure, and the
// static fit's members at zero pressure.
#pragma once

#include <vector>

#include "thermo/qha/debye_model.hpp"

namespace thermo {

// F(V; T) = E + F_vib(theta_i, T) + F_el at the model's grid volumes (eV,
// less the reference), and its fit.
struct debyeisotherm {
  double t = 0.0;
  std::vector<double> f;
  strainfit fit;
  std::vector<double> pressures;  // -F' of the mean at the grid volumes, eV/A^3
  std::vector<std::vector<double>> memberpressures;  // the same of each member
};
void debyeisothermat(const debyemodel& m, double t, debyeisotherm& out);

// A row, per cell: volume A^3, energies kJ/mol, bulk moduli GPa, alpha 1/K
// (volumetric), heat capacities and entropies J/K/mol, theta K.
struct debyerow {
  double pressure, temperature, volume, gibbs_energy, bulk_modulus, bulk_modulus_s, bulk_modulus_prime,
      thermal_expansion, heat_capacity_v, heat_capacity_p, entropy, debye_temperature, gruneisen;
  // Sommerfeld's electrons on their own (in the columns above too).
  double electronic_free_energy, electronic_energy, electronic_entropy, electronic_heat_capacity;
};
inline constexpr int debyecolumns = 17;
// The row's values from volume on, in the order above.
void debyevalues(const debyerow& r, double out[debyecolumns - 2]);
debyerow debyefromvalues(double pressure, double temperature, const double in[debyecolumns - 2]);

// The row at pressure p (GPa): V where -F' = p within the volumes, B_T and
// B'_T from the fit of F, theta and gamma from the static fit at V, Cv and S
// from the Debye functions (and the electrons), alpha = gamma Cv / (B_T V),
// Cp = Cv (1 + alpha gamma T), B_S = B_T (1 + alpha gamma T). False where
// no volume within those fitted gives p. With spread: each column's spread
// across the degrees, each degree's row made from its own polynomials of F
// and E at its own volume, weighted by F's weights (the degrees without a
// volume at p left out, the others' weights renormalised).
bool debyerowat(const debyemodel& m, const debyeisotherm& f, double p, debyerow& r, debyerow* spread = nullptr);

// The row per formula unit, z per cell: the extensive columns divided by z.
debyerow performula(debyerow r, double z);

// The static equation of state at pressure p (GPa): volume A^3, energy and
// enthalpy eV (the reference put back), B GPa and B'. False where no volume
// gives p. The spread of each across the degrees (a degree without a
// volume at p takes the end volume where its enthalpy is lower).
struct debyestatic {
  double pressure, volume, energy, enthalpy, bulk_modulus, bulk_modulus_prime;
};
bool debyestaticat(const debyemodel& m, double p, debyestatic& r, debyestatic* spread = nullptr);

// The static fit's members at p = 0: degree, weight, V0, E0 (eV), B0 (GPa),
// B0' (NaN where a member has no volume at p = 0).
struct debyemember {
  int degree;
  double weight, volume, energy, bulk_modulus, bulk_modulus_prime;
};
std::vector<debyemember> debyemembers(const debyemodel& m);

}  // namespace thermo
