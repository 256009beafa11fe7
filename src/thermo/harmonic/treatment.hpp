// lattice_thermo: what --pretend-real and --normalize do to a tabulated DOS.
#pragma once

#include "thermo/harmonic/dos.hpp"

namespace thermo {

// The integral of the DOS over all its points, by the trapezoid rule.
double integral(const spectrum& s);

// --pretend-real: imaginary modes, written at negative energies, count with
// their absolute energy. The DOS becomes g(E) + g(-E) on E >= 0 (each side
// linear between its points and 0 outside them), on the union of the
// absolute energies. A DOS with no negative energy is left as it is.
void fold(spectrum& s);

// --normalize: multiplies the DOS so that it holds 3n states, n = atoms
// where that is positive, else the nearest whole number of its integral / 3.
// Returns the factor, or 0 where n would be 0 (nothing is changed then).
double normalize(spectrum& s, double atoms);

}  // namespace thermo
