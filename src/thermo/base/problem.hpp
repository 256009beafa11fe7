// lattice_thermo: what is wrong with an input file, and the wording of the
// problems every reader meets.
#pragma once

#include <string>

namespace common {
struct readresult;
}

namespace thermo {

// A problem with a file: the line it was found on (0 where none applies) and
// what it is.
struct problem {
  long line = 0;
  std::string what;
};

// A numeric item the free-form reader refused, quoted with its bytes escaped:
// `item 2 is not a number: "abc"`.
std::string notanumber(const common::readresult& r);

// A path as messages show it: control characters as \xHH.
std::string showpath(const std::string& path);

// The whole line of a problem with a file: "lattice_thermo: FILE:LINE: what"
// (no LINE where none applies) and a line end.
std::string messageof(const std::string& path, const problem& p);

}  // namespace thermo
