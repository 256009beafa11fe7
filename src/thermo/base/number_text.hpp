// lattice_thermo: numbers as text, for results and for messages.
#pragma once

#include <charconv>
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

// std::from_chars(first, last, v) in its general format, the same result for
// any text, and faster for the numbers files are made of: a plain decimal
// of at most 19 significant digits whose digits make an integer below 2^53
// and whose power of ten is within 10^22 either way is one exact integer
// and one correctly rounded multiplication or division (from_chars spends
// some 200 instructions on a 12-digit number); any other text goes to
// std::from_chars.
std::from_chars_result fromchars(const char* first, const char* last, double& v);

}  // namespace thermo
