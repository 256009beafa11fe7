// lattice_thermo: numbers as text, for results and for messages.
#pragma once

#include <string>

namespace thermo {

// v in the fewest digits that read back as v (to_chars), appended to s;
// `nan` for any NaN.
void appendshortest(std::string& s, double v);
// The same as a string: a value quoted from a file, exactly as it was read.
std::string shortest(double v);

// v with `digits` significant digits, as printf's %.*g: a computed value in
// a message.
std::string significant(double v, int digits = 6);

// v in fixed notation, as printf's %*.*f.
std::string fixed(double v, int width, int decimals);

}  // namespace thermo
