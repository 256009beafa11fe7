// lattice_thermo: the quasi-harmonic Debye models of a phase from its static
// E(V) alone: the constants they take, the static fit by strain
// polynomials, the Debye temperature and Grueneisen gamma at any volume
// (from a Poisson ratio, or Debye-Grueneisen), theta at the volumes, and the
// Debye solid's thermal functions.
#pragma once

#include <string>
#include <vector>

#include "thermo/qha/model.hpp"
#include "thermo/qha/strain_fit.hpp"

namespace thermo {

// The constants of a run, as factors from eV, A^3 and K: the SI's exact ones
// (the 2019 SI fixes k_B, h, e and N_A), or CODATA 2006's as an older
// program of these models truncated them, so that its numbers can be
// reproduced to their printed digits.
struct debyeconstants {
  double kb;       // eV/K
  double kjmol;    // kJ/mol per eV
  double gpa;      // GPa per eV/A^3
  double theta;    // K: theta_D = theta (6 pi^2 n)^(1/3) V^(2/3) f sqrt(E''/M), V in A^3, E'' in eV/A^6, M in g/mol
  double hartree;  // eV
  const char* name;  // "SI" or "CODATA 2006"
};
debyeconstants siconstants();
debyeconstants codata2006constants();

struct debyesettings {
  double mass = 0.0;        // g/mol, of the cell
  double atoms = 1.0;       // per cell
  double poisson = 0.25;    // sigma, of f(sigma)
  bool gruneisen = false;   // Debye-Grueneisen: gamma = a + b B'
  double a = -1.0 / 6.0, b = 0.5;
  strainsettings strain;    // its floor is set from the constants
  debyeconstants k = siconstants();
};

// f(sigma) = (3 / [2 (2(1+s)/(3(1-2s)))^(3/2) + ((1+s)/(3(1-s)))^(3/2)])^(1/3).
double poissonfactor(double sigma);

// A phase of the Debye models, made from its E(V).
struct debyemodel {
  qhamodel data;  // E(V) sorted, less its reference; N(E_F) at each volume
  debyesettings s;
  // The static fit, of the volumes from `first` on: the leading volumes
  // where E(V) curves downward are left out.
  std::size_t first = 0;
  strainbasis staticbasis;
  strainfit staticfit;
  std::vector<double> staticpressures;  // -E' of the mean at its volumes, eV/A^3
  // At p = 0: V0 (A^3), E0 (eV, less the reference), B0 (eV/A^3), B0', theta0 (K).
  double v0 = 0.0, e0 = 0.0, b0 = 0.0, b0prime = 0.0, theta0 = 0.0;
  // The same of each static member alone (NaN where it has no volume at p = 0).
  std::vector<double> memberv0, memberb0, membertheta0;
  // The volumes of the F(V; T) fits: the static ones up to the first, from
  // just below the lowest energy up, where E'' < 0 (left out with all
  // larger); their energies (less the reference) and theta.
  strainbasis grid;
  std::vector<double> gridenergy, gridtheta, gridfermi;
};

// The model of E(V) in `data` (sorted; at least 5 volumes); false with the
// reason where E(V) has no minimum within the volumes, too few are left
// for the degrees, or theta is not positive at a volume fitted.
bool makedebye(qhamodel data, const debyesettings& s, debyemodel& m, std::string& why);

// theta_D (K) and gamma at volume v from a static polynomial p (the mean,
// or a member with its own V0, B0 and theta0): where E'' < 0, theta = 0.
void thetaat(const debyemodel& m, const strainpoly& p, double v0, double b0, double theta0, double v, double& theta,
             double& gamma);

// N(E_F) (states/eV) at v: linear between the input volumes, the end value
// beyond them; 0 without electrons.
double fermiat(const debyemodel& m, double v);

// A Debye solid of n atoms with theta at t (K): F and U (eV), S and Cv
// (eV/K). At t = 0, F = U = 9/8 n k_B theta and S = Cv = 0.
struct debyevib {
  double f, u, s, cv;
};
debyevib debyevibration(double theta, double t, double n, double kb);

}  // namespace thermo
