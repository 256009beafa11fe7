// lattice_thermo: writing a file whole or not at all.
#pragma once

#include <string>
#include <sys/types.h>

namespace thermo {

// Writes text to path through a temporary file in the same directory and a
// rename, so that a failure never leaves a half-written file. Refuses an
// existing path unless force, and a path that is there but not a regular
// file (a device, a directory, a symbolic link) even then. A replaced file
// keeps its permission bits; a new one gets `newmode` (0666 less the
// umask, which the caller reads). A SIGINT or SIGTERM while the temporary
// file exists removes it before the signal takes its usual effect. False
// with the reason in why.
bool writeatomically(const std::string& path, const std::string& text, bool force, mode_t newmode, std::string& why);

}  // namespace thermo
