// lattice_thermo: the thermal displacement of an atom from the phonons. Each
// mode of energy E = hbar omega moves an atom of mass m by
//   <u^2> = (hbar^2 / 2 m E) coth(E / 2 k_B T)
// in the direction of its (mass-weighted, normalised) eigenvector; over the
// modes of a DOS normalised to 3 states per atom,
//   <|u|^2> = (hbar^2 / 2 m) integral of g(E) coth(E / 2 k_B T) / E dE,
// with the isotropic Debye-Waller B = 8 pi^2 <|u|^2> / 3 and the
// Lamb-Mossbauer factor f = exp(-k^2 <|u|^2> / 3), k = E_gamma / (hbar c).
// Energies in joules, temperatures in kelvin, masses in amu, results in A^2.
#pragma once

#include <cstddef>
#include <vector>

#include "thermo/harmonic/dos.hpp"
#include "thermo/harmonic/harmonic.hpp"

namespace thermo {

// c[i] = coth(e[i] / 2kt) / e[i] (1/J) for n energies e[i] > 0 at
// kt = k_B T (0 where T = 0: c = 1 / E), from one vector expm1 call each:
// coth(x / 2) = 1 + 2 / (e^x - 1).
void cothoverenergy(const double* e, std::size_t n, double kt, double* c);

// hbar^2 / 2m in A^2 J for a mass in amu: <u^2> is this times a sum of
// coth(E / 2 k_B T) / E over states.
double displacementscale(double mass);

// The interval from zero to a tabulated DOS's first point above it. The
// harmonic functions leave it out (their integrands vanish at zero); this
// one cannot: g coth(E / 2 k_B T) / E tends to 2 k_B T g / E^2, finite and
// the largest there for a crystal's g ~ E^2. The trapezoid rule on the whole
// integrand takes its limit at zero from g ~ E^2 through the first point.
struct lowestinterval {
  double energy = 0.0;  // J, the first point above zero (0: none, as for modes or above a cutoff)
  double dos = 0.0;     // its DOS, states per J
};
// That interval of s; none where `cutoff` (J) is above zero, as the modes at
// or below it take no part.
lowestinterval lowestof(const spectrum& s, double cutoff);

// The integral of g(E) coth(E / 2 k_B T) / E dE (states per J) over the
// modes of d (trapezoid weights or modes of a mesh), with the lowest
// interval where there is one; the modes at the (increasing) indices `skip`
// take no part.
double displacementsum(const harmonicdos& d, const lowestinterval& low, double t,
                       const std::vector<std::size_t>& skip = {});

// <|u|^2> in A^2 of an atom of mass m (amu) from such a sum over a DOS of
// `states` states, normalised to 3.
inline double meansquaredisplacement(double sum, double states, double mass) {
  return displacementscale(mass) * 3.0 / states * sum;
}

// The masses taken (amu): a lighter one is a unit mistake (kg, or g/mol
// read as kg/mol), not an atom, and would make <|u|^2> overflow; and the
// gamma rays (keV) of the Lamb-Mossbauer factor. The limits in words.
inline constexpr double lightestmass = 1e-3, heaviestmass = 1e6, highestgamma = 1e4;
inline bool anatomsmass(double m) { return m >= lightestmass && m <= heaviestmass; }
inline constexpr const char* massrange = "0.001 to 1e6 amu";
inline constexpr const char* gammarange = "above 0, up to 1e4 keV";

// B = 8 pi^2 <|u|^2> / 3, in the unit of <|u|^2>.
double bfactor(double meansquare);

// exp(-k^2 <|u|^2> / 3) for <|u|^2> in A^2 and a gamma ray of `kev` keV.
double lambmossbauer(double meansquare, double kev);

// What a DOS too coarse at its lowest energies leaves out of <|u|^2> at high
// temperatures, as a share of the whole: the states it holds below 3 E_s
// (E_s its first point with states) spread as a crystal's g ~ E^2 would
// spread them, against the integral of g / E^2 the DOS gives there. 0 where
// no point holds states, or above a cutoff, which leaves those energies out
// by choice. An estimate: on phonopy's tetrahedron DOS of EMT copper and
// Cu3Au it comes within some 50 % of the shortfall the mesh's own modes show.
double unresolvedshare(const spectrum& s, double cutoff);

}  // namespace thermo
