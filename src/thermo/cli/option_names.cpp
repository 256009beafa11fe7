#include "thermo/cli/option_names.hpp"

#include <algorithm>
#include <cctype>

#include "thermo/base/problem.hpp"

namespace thermo {

namespace {

// The optimal string alignment distance: insertions, deletions,
// substitutions and swaps of neighbours, each 1.
std::size_t distance(std::string_view a, std::string_view b) {
  const std::size_t n = a.size(), m = b.size();
  std::vector<std::size_t> d((n + 1) * (m + 1));
  auto at = [&](std::size_t i, std::size_t j) -> std::size_t& { return d[i * (m + 1) + j]; };
  for (std::size_t i = 0; i <= n; ++i) at(i, 0) = i;
  for (std::size_t j = 0; j <= m; ++j) at(0, j) = j;
  for (std::size_t i = 1; i <= n; ++i)
    for (std::size_t j = 1; j <= m; ++j) {
      const std::size_t change = a[i - 1] == b[j - 1] ? 0 : 1;
      at(i, j) = std::min({at(i - 1, j) + 1, at(i, j - 1) + 1, at(i - 1, j - 1) + change});
      if (i > 1 && j > 1 && a[i - 1] == b[j - 2] && a[i - 2] == b[j - 1]) at(i, j) = std::min(at(i, j), at(i - 2, j - 2) + 1);
    }
  return at(n, m);
}

std::string_view bare(std::string_view name) {
  while (!name.empty() && name.front() == '-') name.remove_prefix(1);
  return name;
}

}  // namespace

std::string nearestoption(std::string_view typed, const std::vector<optionname>& known) {
  const std::string_view t = bare(typed);
  if (t.empty() || t.size() > 64) return "";
  std::string lower(t);
  for (char& c : lower) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  std::string best;
  std::size_t bestdistance = 3;  // nothing further than 2 edits
  const optionname* onlyprefix = nullptr;
  int prefixes = 0;
  for (const optionname& o : known) {
    const std::string_view k = bare(o.name);
    if (lower.size() >= 2 && k.substr(0, lower.size()) == lower) {
      ++prefixes;
      onlyprefix = &o;
    }
    // Near enough where fewer than half the letters change.
    const std::size_t dd = distance(lower, k);
    if (dd < bestdistance && 2 * dd < lower.size()) {
      bestdistance = dd;
      best = o.name;
    }
  }
  if (!best.empty()) return best;
  return prefixes == 1 ? onlyprefix->name : "";
}

std::string misusedoption(int argc, const char* const* argv, const std::vector<optionname>& known) {
  for (int i = 1; i < argc; ++i) {
    const std::string_view a = argv[i];
    if (a == "--") return "";
    const bool isoption = a.size() > 1 && a[0] == '-' && !(std::isdigit(static_cast<unsigned char>(a[1])) || a[1] == '.');
    if (!isoption) continue;
    const std::size_t eq = a.find('=');
    const std::string_view name = a.substr(0, eq);
    const auto o = std::find_if(known.begin(), known.end(), [&](const optionname& k) {
      return k.name == name || (name == "-h" && k.name == "--help");
    });
    if (o == known.end()) {
      const std::string near = nearestoption(name, known);
      return "unknown option '" + showpath(std::string(name)) + "'" + (near.empty() ? "" : "; did you mean '" + near + "'?");
    }
    if (eq != std::string_view::npos && eq + 1 == a.size())
      return o->value ? std::string(name) + "= gives no value: write " + std::string(name) + "=VALUE or " +
                            std::string(name) + " VALUE"
                      : std::string(name) + " takes no value";
    if (o->value && eq == std::string_view::npos) ++i;  // its value
  }
  return "";
}

placed placesof(int argc, const char* const* argv, const std::vector<optionname>& known, const std::string& leader,
                const std::vector<std::string>& scoped) {
  placed r;
  r.options.resize(scoped.size());
  int at = -1;
  bool positional = false;  // after a lone `--`
  for (int i = 1; i < argc; ++i) {
    const std::string_view a = argv[i];
    const bool isoption = !positional && a.size() > 1 && a[0] == '-' && !(std::isdigit(static_cast<unsigned char>(a[1])) || a[1] == '.');
    if (!positional && a == "--") {
      positional = true;
      continue;
    }
    if (!isoption) {
      r.files.push_back(at);
      continue;
    }
    const std::size_t eq = a.find('=');
    const std::string_view name = a.substr(0, eq);
    if (name == leader) ++at;
    for (std::size_t k = 0; k < scoped.size(); ++k)
      if (name == scoped[k]) r.options[k].push_back(at);
    const auto o = std::find_if(known.begin(), known.end(), [&](const optionname& x) { return x.name == name; });
    if (o != known.end() && o->value && eq == std::string_view::npos) ++i;  // its value
  }
  return r;
}

}  // namespace thermo
