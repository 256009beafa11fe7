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

// Which occurrence of the option `leader` each argument follows, counted
// from 0 (-1: before the first): each positional argument in its order
// (`files`), and each occurrence of the option `scoped[k]` in its order
// (`options[k]`). Walks the arguments as the parser does.
struct placed {
  std::vector<int> files;
  std::vector<std::vector<int>> options;
};
placed placesof(int argc, const char* const* argv, const std::vector<optionname>& known, const std::string& leader,
                const std::vector<std::string>& scoped);

}  // namespace thermo
