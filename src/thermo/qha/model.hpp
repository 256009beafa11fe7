// lattice_thermo: the quasi-harmonic model's data. At each volume: the
// static energy, the phonons' free energy (from a DOS at any temperature,
// or tabulated at fixed ones), and the electrons' (none, tabulated, or
// Sommerfeld's from N(E_F)); and from them G_i(T) = E_i + F_vib,i + F_el,i
// + P V_i with its exact first and second temperature derivatives.
#pragma once

#include <cstddef>
#include <vector>

#include "thermo/harmonic/harmonic.hpp"
#include "thermo/qha/eos.hpp"
#include "thermo/qha/strain_fit.hpp"
#include "thermo/qha/tabulated.hpp"

namespace thermo {

// What the files give, volume by volume in their order; per cell.
struct qhainput {
  eos form = eos::vinet;
  strainsettings strain;  // of --eos strain: the strain and the degree
  std::vector<double> volume, energy;  // A^3; eV, the static energy E(V)
  // What each energy's double leaves out of the digits it was written with
  // (eV; empty: nothing), here and in the electrons' table.
  std::vector<double> energylow, electronslow;
  // The phonons: a DOS per volume, or else a table of F, dF/dT = -S and
  // d2F/dT2 = -Cv/T (eV, eV/K, eV/K^2), with the zero-point energy of each
  // volume (eV; NaN where unknown).
  std::vector<harmonicdos> dos;
  tabulated phonons;
  std::vector<double> zeropoint;
  // The electrons, either or neither: their whole free energy tabulated in
  // T (eV, the static energy included: it replaces E(V); only f is read,
  // the derivatives are the spline's), or the DOS at the Fermi level
  // (states/eV) of Sommerfeld's F_el = -(pi^2/6) k_B^2 N(E_F) T^2.
  tabulated electrons;
  std::vector<double> dosatfermi;
  double atoms = 1.0;  // per cell: the classical 3 n k_B that scales what is "near zero"
};

// The same, sorted by volume, ready for the fits. A constant `reference`
// (one of the static energies) is taken out of every energy, so that the
// fits see differences of order the curve's depth however large the
// energies are: a plane-wave code's -3,000 eV changes no digit that counts.
struct qhamodel {
  eos form = eos::vinet;
  // --eos strain: its settings (the weights' floor set) and the basis of the
  // volumes (none where they are too few for the degree).
  strainsettings strain;
  strainbasis strainbase;
  std::vector<double> volume, energy;  // energy less reference
  double reference = 0.0;              // eV
  double referencelow = 0.0;           // eV, what reference's double leaves out of its decimal
  std::vector<volumepoint> points;
  std::vector<harmonicdos> dos;
  tabulated phonons, electrons;        // electrons.f less reference
  std::vector<double> zeropoint, dosatfermi;
  double atoms = 1.0;
  std::vector<std::size_t> order;      // order[i]: the input's index of volume i
};

qhamodel makemodel(qhainput in);
// A DOS at each volume, no electrons.
qhamodel makemodel(eos form, const std::vector<double>& volume, const std::vector<double>& energy,
                   std::vector<harmonicdos> dos);

// G_i less the reference at temperature t (K) and pressure (GPa), and its
// first and second temperature derivatives, at each volume (eV, eV/K,
// eV/K^2 per cell); false where t is not a temperature of a table.
bool gibbsat(const qhamodel& m, double t, double pressure, double* g, double* dg, double* d2g);

// E_i + the zero-point energy, less the reference: G_i at 0 K without the
// electrons' tables (eV per cell).
std::vector<double> zerokelvin(const qhamodel& m);

}  // namespace thermo
