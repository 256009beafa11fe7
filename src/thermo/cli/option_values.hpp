// lattice_thermo's command line: the one syntax of every numeric option's
// value.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace thermo {

// A decimal number as every numeric option takes it: blanks around it, an
// optional sign, digits with an optional point, an optional exponent
// (`300`, `+300`, `-5`, `2.5e3`); not hexadecimal, not `inf` or `nan`, and
// within a double's range. -0 reads as 0. False with `why`: "is not a
// number" or "is out of range".
bool optionnumber(std::string_view text, double& v, std::string& why);

// A comma-separated list of such numbers. False at the first item that is
// not one, with that item and why.
bool optionlist(std::string_view text, std::vector<double>& list, std::string& item, std::string& why);

}  // namespace thermo
