// lattice_thermo: the quasi-harmonic approximation at one temperature and
// pressure. G(V) = E(V) + F_vib(V, T) + P V at each volume is fitted by an
// equation of state; its minimum gives V(T) and G(T), its curvature B_T, and
// the exact temperature derivatives of the fitted parameters give the rest.
#pragma once

#include <string>
#include <vector>

#include "thermo/qha/eos_fit.hpp"
#include "thermo/harmonic/harmonic.hpp"

namespace thermo {

// The data: volumes in increasing order (A^3), the static energy at each
// (eV per cell) and the phonons at each.
struct qhamodel {
  eos form = eos::vinet;
  std::vector<double> volume, energy;
  std::vector<volumepoint> points;  // the volumes, with what the forms need of them
  std::vector<harmonicdos> dos;
};

// One row, per mole of cells.
struct qharow {
  double temperature;        // K
  double volume;             // A^3 per cell, V(T), the fitted minimum
  double gibbs_energy;       // kJ/mol, G(T) at the minimum
  double bulk_modulus;       // GPa, B_T = V d2G/dV2 at V(T)
  double thermal_expansion;  // 1/K, (1/V) dV/dT
  double heat_capacity_p;    // J/K/mol, -T d2G/dT2
  double heat_capacity_v;    // J/K/mol, -T d2F/dT2 at fixed V(T) of the fitted model
  double gruneisen;          // alpha B_T V / Cv; NaN at 0 K
  double entropy;            // J/K/mol, -dG/dT
  double bulk_modulus_s;     // GPa, B_T (1 + alpha gamma T)
};

// The model from E(V) and a DOS per volume, in any order of volume (sorted
// here).
qhamodel makemodel(eos form, const std::vector<double>& volume, const std::vector<double>& energy,
                   std::vector<harmonicdos> dos);

// Where E(V) plus the zero-point energy is lowest (an index into the sorted
// volumes), and whether that lies between the smallest and the largest.
std::size_t lowestat(const qhamodel& m);
bool lowestinside(const qhamodel& m);

// One temperature's outcome: its row, or why its fit failed.
struct qhaoutcome {
  qharow row;
  bool ok = false;
  std::string why;
};

// The rows at temperatures t[0..n) and a pressure, on two threads where
// there are many; each row the same on either, and as qhaat gives it.
void qharows(const qhamodel& m, const double* t, std::size_t n, double pressure, qhaoutcome* out);

// The row at temperature t (K) and pressure (GPa), and the fitted
// parameters; false with the reason where the fit does not converge.
bool qhaat(const qhamodel& m, double t, double pressure, qharow& row, parameters& p, std::string& why);

// The fit of E(V) alone, with E0 at its minimum.
bool staticfit(const qhamodel& m, parameters& p, std::string& why);

}  // namespace thermo
