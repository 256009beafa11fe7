// lattice_thermo: the sampling limit, the lowest temperature at which a DOS's
// sampling of its lowest energies no longer decides the results.
#pragma once

#include "thermo/harmonic/harmonic.hpp"

namespace thermo {

// The share of C that the lowest energies may hold in a resolved result.
inline constexpr double samplingshare = 0.01;

// The sampling limit in kelvin, rounded up to three significant digits (0
// where nothing limits the result, NaN where no point holds states), of the
// modes of d above `cutoff` (J, 0 or more), E1 the lowest of them holding
// states:
//   - a tabulated DOS: its resolution is e = max(E1 - cutoff, the grid step
//     at E1), and it cannot tell how its states lie below cutoff + 3e, where
//     a crystal's DOS rises as E^2. The limit is the lowest temperature from
//     which those lowest points give at most `samplingshare` of C beyond
//     their share of the states (the part that depends on where within them
//     the states lie: at high temperatures every state gives k_B).
//   - the modes of a q-mesh (`modes`): their sums are the crystal's own on
//     that mesh, accurate while k_B T is at least a third of the lowest mode
//     energy above the cutoff, E1 - cutoff; that is the limit.
// Below the limit, C, S, theta_D and the thermal parts of F and U depend on
// the sampling more than on the crystal.
double samplinglimit(const harmonicdos& d, double cutoff, bool modes);

}  // namespace thermo
