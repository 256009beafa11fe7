// lattice_thermo: the harmonic thermodynamic functions of a phonon DOS, one
// function per quantity. Energies in joules, temperatures in kelvin, results
// per cell the DOS describes (multiply by Avogadro's number for a mole).
#pragma once

#include <utility>
#include <vector>

#include "thermo/harmonic/dos.hpp"
#include "thermo/harmonic/moments.hpp"
#include "thermo/harmonic/quadrature.hpp"

namespace thermo {

// The DOS prepared for the trapezoid rule over its points with E > 0: each
// such point's energy and its weight (its DOS times its trapezoid width),
// and their moments for the sums below the kernel's split.
struct harmonicdos {
  std::vector<double> energy;  // J
  std::vector<double> weight;  // states
  modemoments moments;
  double states = 0.0;         // integral of the DOS over all points
  double positive = 0.0;       // integral over the points with E > 0: the states that take part
  double below = 0.0;          // the rest: at or below zero, and the interval across zero
  double zeropoint = 0.0;      // integral of g E / 2 over E > 0 (below the cutoff too), J
  double meansquare = 0.0;     // <E^2> over E > 0, J^2
  double absweight = 0.0;      // sum of |weight|, which bounds what any modes can add
};
// The points of s above `cutoff` (J, 0 or more) take part in the thermal
// terms; the zero-point energy counts every point above zero, as phonopy
// counts it.
harmonicdos prepare(const spectrum& s, double cutoff = 0.0);

// Modes given one by one, (energy in J above the cutoff, states): sorted
// here; `below` the states of the modes that take no part, `zeropoint` the
// zero-point energy of those of them above zero (J).
harmonicdos frommodes(std::vector<std::pair<double, double>>& modes, double below, double zeropoint);

// The four functions at one temperature, per cell.
struct harmonic {
  double free_energy = 0.0;    // J
  double entropy = 0.0;        // J/K
  double heat_capacity = 0.0;  // J/K
  double energy = 0.0;         // J
};

// All four at temperature t >= 0. At t = 0, C = S = 0 and F = U = the
// zero-point energy. `q`, where given, holds the bins of d's modes, which
// make a run of temperatures cheaper (sweep builds them).
harmonic evaluate(const harmonicdos& d, double t, const modequadrature* q = nullptr);

// The four sums of kernel.hpp over the modes of d at k_B T = kt > 0, as
// evaluate forms them: the modes below the kernel's split by their moments
// (up to the last checkpoint before the split), the few from there to the
// split one by one, and those above it by highsums (quadrature.hpp), up to
// where their terms can no longer reach the sums.
void modesumsof(const harmonicdos& d, double kt, double out[4], const modequadrature* q = nullptr);

// The high-temperature limit of the effective Debye temperature,
// sqrt(5 <E^2> / 3) / k_B, kelvin.
double thetainfinity(const harmonicdos& d);

}  // namespace thermo
