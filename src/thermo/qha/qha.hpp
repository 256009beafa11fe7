// lattice_thermo: the quasi-harmonic approximation at one temperature and
// pressure. G(V) = E(V) + F_vib(V, T) + F_el(V, T) + P V at each volume is
// fitted by an equation of state; its minimum gives V(T) and G(T), its
// curvature B_T, and the exact temperature derivatives of the fitted
// parameters give the rest.
#pragma once

#include <string>
#include <vector>

#include "thermo/qha/eos_fit.hpp"
#include "thermo/qha/model.hpp"
#include "thermo/qha/row_errors.hpp"

namespace thermo {

// One row, per mole of cells.
struct qharow {
  double temperature;        // K
  double volume;             // A^3 per cell, V(T), the fitted minimum
  double gibbs_energy;       // kJ/mol, G(T) at the minimum
  double bulk_modulus;       // GPa, B_T = V d2G/dV2 at V(T)
  double thermal_expansion;  // 1/K, volumetric: (1/V) dV/dT
  double heat_capacity_p;    // J/K/mol, -T d2G/dT2
  double heat_capacity_v;    // J/K/mol, -T d2F/dT2 at fixed V(T) of the fitted model
  double gruneisen;          // alpha B_T V / Cv; NaN where Cv < gammafloor 3 n R
  double entropy;            // J/K/mol, -dG/dT
  double bulk_modulus_s;     // GPa, B_T (1 + alpha gamma T); B_T where gamma is NaN
  double bulk_modulus_prime; // the fitted B0': (dB_T/dP)_T at V(T)
  double fit_rms;            // kJ/mol, the root-mean-square residual of the fit
  double linear_thermal_expansion;  // 1/K, alpha / 3 (cubic or isotropic crystals)
  // Where asked for: the error bars of volume, G, B_T, alpha and Cp, in
  // their units (NaN where they could not be taken).
  rowerrorbars errors{};
};

// gamma is NaN where Cv is below this share of the classical 3 n k_B: there
// alpha and Cv, both near zero, are lost in rounding (below about 1 K for
// copper) and their quotient means nothing.
inline constexpr double gammafloor = 1e-6;
// S, Cp, Cv and alpha below zero by less than this share of their classical
// scale (3 n k_B; 3 n k_B / (B_T V) for alpha) are given as +0: zero within
// rounding and the fit's own scatter, where the volumes' entropies differ
// by orders of magnitude (near 0 K) and the fit's weights, some negative,
// leave a few 1e-10 of 3 n R of either sign.
inline constexpr double zerofloor = 1e-9;
// +0 for a value below zero by less than floor (and for -0).
inline double clampedzero(double x, double floor) { return x <= 0.0 && x > -floor ? 0.0 : x; }

// One temperature's outcome: its row and fit, or why its fit failed.
struct qhaoutcome {
  qharow row;
  parameters p{};             // the fit: E0 (with the reference put back), B0, B0', V0
  std::vector<double> g;      // G_i (eV, with the reference), where asked for
  strainpoly curve;           // --eos strain: the fit of G_i (eV, less the reference), where asked for
  bool errors = false;        // asked for: the row's error bars (row.errors)
  bool ok = false;
  std::string why;
  std::string errorswhy;      // where the error bars could not be taken: why
};

// The rows at temperatures t[0..n) and a pressure, on two threads where
// there are many; each row the same on either, and as qhaat gives it.
// `keep`: each outcome keeps its G_i.
void qharows(const qhamodel& m, const double* t, std::size_t n, double pressure, qhaoutcome* out, bool keep = false);

// The row at temperature t (K) and pressure (GPa); false with the reason in
// out.why where t is not tabulated or the fit does not converge. Where
// out.errors asks, the row's error bars too (rowerrors; NaN, and the reason
// in out.errorswhy, where a fit of theirs fails).
bool qhaat(const qhamodel& m, double t, double pressure, qhaoutcome& out, bool keep = false);

// The row at t of a fit at volume v with B0 b, B0' bprime and G g (eV,
// eV/A^3; the reference put back), its residual and alpha (1/K), Cv, Cp and
// S (eV/K): in the row's units, with the floors above.
void fillrow(const qhamodel& m, double t, double v, double b, double bprime, double g, double rms, double alpha,
             double cv, double cp, double s, qharow& row);

// The row per formula unit, z of them per cell: volume, G, Cp, Cv, S and
// the fit's rms divided by z, and the error bars of volume, G and Cp.
qharow performula(qharow r, double z);

// The fit of E(V) alone (static), and of E(V) with the zero-point energy
// (0 K), with E0 at their minimum (eV, the reference put back).
bool staticfit(const qhamodel& m, parameters& p, std::string& why);
bool zerokelvinfit(const qhamodel& m, parameters& p, std::string& why);

}  // namespace thermo
