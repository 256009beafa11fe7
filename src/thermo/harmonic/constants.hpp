// lattice_thermo: physical constants, SI units. The exact values of the SI
// and the 2018 CODATA hartree, bohr radius and atomic mass constant.
#pragma once

namespace thermo {

inline constexpr double boltzmann = 1.380649e-23;     // J/K
inline constexpr double planck = 6.62607015e-34;      // J s
inline constexpr double avogadro = 6.02214076e23;     // 1/mol
inline constexpr double elementary = 1.602176634e-19; // C
inline constexpr double lightspeed = 299792458.0;     // m/s
inline constexpr double hartree = 4.3597447222071e-18; // J
inline constexpr double amu = 1.66053906660e-27;      // kg
inline constexpr double bohr = 0.529177210903e-10;    // m
// A cubic bohr in A^3.
inline constexpr double bohr3 = (bohr * 1e10) * (bohr * 1e10) * (bohr * 1e10);

}  // namespace thermo
