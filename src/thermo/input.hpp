// lattice_thermo's input: the bytes of a DOS file or of standard input.
#pragma once

#include <string>

namespace thermo {

// Reads the whole file at path ("-": standard input) into text. False with
// the reason ("cannot open: ...", "cannot read: ...") in why.
bool readwhole(const std::string& path, std::string& text, std::string& why);

}  // namespace thermo
