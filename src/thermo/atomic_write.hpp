// lattice_thermo: writing a file whole or not at all.
#pragma once

#include <string>

namespace thermo {

// Writes text to path through a temporary file in the same directory and a
// rename, so that a failure never leaves a half-written file; refuses an
// existing path unless force. False with the reason in why.
bool writeatomically(const std::string& path, const std::string& text, bool force, std::string& why);

}  // namespace thermo
