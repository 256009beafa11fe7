// lattice_thermo: what a double leaves out of a decimal number. A total
// energy of -2,900 eV written to 8 decimals, or one of 1e6 eV, is rounded
// by its double to 5e-13 or 1e-10 eV: enough, against the meV depth of an
// E(V) curve, to move a quasi-harmonic fit's B0' in its ninth digit. The
// part left out, kept beside the double, restores the digits written.
#pragma once

#include <string_view>

namespace thermo {

// exact - value, where text is a plain decimal number (a sign, digits with
// or without a point, an exponent with e, E, d or D) of at most 15 digits
// before the point once the exponent is applied, and value its double; 0
// where it is not, or where text does not round to value.
double decimallow(std::string_view text, double value);

// The same for item k (from 0) of a line whose items are separated by
// blanks, tabs or commas.
double decimallowitem(std::string_view line, int k, double value);

}  // namespace thermo
