// lattice_thermo's command line: the arguments looked over before they are
// parsed, for what the parser would take in silence or report unhelpfully.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace thermo {

// An option as the command line knows it: its long name with its dashes,
// and whether it takes a value.
struct optionname {
  std::string name;  // "--tmax"
  bool value;
};

// The known option nearest to a name that is none of them (by edit distance
// of the names, or as the only one it begins), or "" where none is near.
std::string nearestoption(std::string_view typed, const std::vector<optionname>& known);

// The usage error of the first argument, before a lone `--`, that is an
// unknown option (with the nearest known one: "unknown option '--t-max';
// did you mean '--tmax'?") or an option with `=` and nothing after it; ""
// where there is none. The value of an option given as the next argument is
// passed over.
std::string misusedoption(int argc, const char* const* argv, const std::vector<optionname>& known);

}  // namespace thermo
