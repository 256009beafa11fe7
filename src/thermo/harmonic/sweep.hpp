// lattice_thermo: the harmonic functions and theta_D at a run of
// temperatures, per mole, on one or two threads.
#pragma once

#include <cstddef>

#include "thermo/harmonic/harmonic.hpp"

namespace thermo {

// Limits of a run: the number of temperatures, and the highest temperature
// (beyond it no harmonic solid exists, and per-mole energies would overflow).
inline constexpr double maxtemperatures = 1e7;
inline constexpr double maxtemperature = 1e9;  // K

// One temperature's results: T in K, F and U in kJ/mol, S and C in J/K/mol,
// theta_D in K (NaN where it does not exist).
struct row {
  double temperature;
  double free_energy;
  double entropy;
  double heat_capacity;
  double energy;
  double debye_temperature;
};

// theta_D is left NaN where the heat capacity is below this share of the
// classical 3 n k_B: there it comes from the few lowest modes the DOS grid
// holds (or from a wrong energy unit), and the Debye temperature that
// matches it, beyond 40,000 T, describes nothing.
inline constexpr double thetafloor = 1e-12;

// Fills out[i] for the n temperatures t[i] (K), per mole of cells divided by
// `divisor` (1, or the atoms per cell for results per mole of atoms), with
// theta_D matched against a Debye solid of `thetaatoms` atoms. Where `split`
// and the work is worth it, two threads share the temperatures; each row is
// computed the same way on either. Where several temperatures have many
// modes above the kernel's split, the bins of quadrature.hpp are built
// first and sum them.
void sweep(const harmonicdos& d, double thetaatoms, double divisor, const double* t, std::size_t n, row* out,
           bool split);

// One row, as sweep computes it (`q`: the bins of d's modes, where built).
row rowat(const harmonicdos& d, double thetaatoms, double divisor, double t, const modequadrature* q = nullptr);

}  // namespace thermo
