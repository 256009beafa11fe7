#include "thermo/formats/yaml/thermal_properties.hpp"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstring>
#include <string>

#include "common/escape.hpp"
#include "thermo/base/number_text.hpp"
#include "thermo/formats/yaml/yaml_events.hpp"
#include "thermo/harmonic/constants.hpp"
#include "thermo/harmonic/sweep.hpp"

namespace thermo {

namespace {

std::string escaped(std::string_view v) {
  char shown[256];
  common::escape(v.data(), std::min<std::size_t>(v.size(), 60), shown, sizeof shown);
  return std::string("\"") + shown + "\"";
}

double number(long line, std::string_view v, const char* what) {
  double x = 0.0;
  const char* end = v.data() + v.size();
  const auto r = std::from_chars(v.data(), end, x);
  if (v.empty() || r.ec != std::errc() || r.ptr != end || !std::isfinite(x))
    throw problem{line, std::string(what) + " is not a finite number: " + escaped(v)};
  return x;
}

constexpr const char* entrykeys[4] = {"temperature", "free_energy", "entropy", "heat_capacity"};

}  // namespace

void thermalkey(thermaltable& t, std::string_view key, std::string_view v, long line) {
  if (key == "natom") {
    const double n = number(line, v, "natom");
    if (!(n >= 1 && n <= 1e6 && n == std::floor(n))) throw problem{line, "natom is not a count of atoms"};
    t.natom = static_cast<long>(n);
  } else if (key == "volume") {
    t.volume = number(line, v, "volume");
    if (!(t.volume > 0.0)) throw problem{line, "the volume " + shortest(t.volume) + " A^3 is not positive"};
  } else if (key == "num_modes") {
    t.modes = number(line, v, "num_modes");
  } else if (key == "num_integrated_modes") {
    t.integratedmodes = number(line, v, "num_integrated_modes");
  } else if (key == "zero_point_energy") {
    t.zeropoint = number(line, v, "zero_point_energy");
    t.haszeropoint = true;
  }
}

void thermalunit(std::string_view key, std::string_view v, long line) {
  const char* want = key == "temperature" ? "K" : key == "free_energy" ? "kJ/mol"
                     : key == "entropy" || key == "heat_capacity" ? "J/K/mol" : nullptr;
  if (want != nullptr && v != want)
    throw problem{line, "the unit of " + std::string(key) + " is " + escaped(v) + ", not phonopy's " + want};
}

void thermalentrykey(thermalentry& e, std::string_view key, std::string_view v, long line) {
  for (int k = 0; k < 4; ++k)
    if (key == entrykeys[k]) {
      e.value[k] = number(line, v, entrykeys[k]);
      e.has[k] = true;
    }
}

void addthermalentry(thermaltable& t, const thermalentry& e, long line) {
  for (int k = 0; k < 4; ++k)
    if (!e.has[k]) throw problem{line, std::string("an entry without ") + entrykeys[k]};
  const double temperature = e.value[0];
  if (!(temperature >= 0.0 && temperature <= maxtemperature))
    throw problem{line, "the temperature " + shortest(temperature) + " K is outside 0 to " + significant(maxtemperature) + " K"};
  if (!t.temperature.empty() && !(temperature > t.temperature.back()))
    throw problem{line, "the temperature " + shortest(temperature) + " K does not follow " + shortest(t.temperature.back()) +
                            " K: the temperatures must increase"};
  if (e.value[2] < 0.0) throw problem{line, "a negative entropy"};
  if (e.value[3] < 0.0) throw problem{line, "a negative heat capacity"};
  if (static_cast<double>(t.temperature.size()) >= maxtemperatures)
    throw problem{line, "more than " + significant(maxtemperatures) + " temperatures"};
  t.temperature.push_back(temperature);
  t.free_energy.push_back(e.value[1]);
  t.entropy.push_back(e.value[2]);
  t.heat_capacity.push_back(e.value[3]);
  t.line.push_back(line);
}

namespace {

// The keys of the top mapping, of `unit` and of each entry of the
// `thermal_properties` list; everything else passes by.
class thermalhandler : public yamlhandler {
 public:
  explicit thermalhandler(thermaltable& t) : t_(t) {}

  void start(long line, bool map, std::string_view key) override {
    role r = role::other;
    if (stack_.empty()) r = map ? role::root : role::other;
    else if (stack_.back() == role::root && key == "thermal_properties" && !map) r = role::list;
    else if (stack_.back() == role::root && key == "unit" && map) r = role::unit;
    else if (stack_.back() == role::list && map) r = role::entry;
    if (r == role::entry) {
      entry_ = thermalentry{};
      entryline_ = line;
    }
    stack_.push_back(r);
  }

  void end() override {
    const role r = stack_.back();
    stack_.pop_back();
    if (r == role::entry) endentry();
  }

  void scalar(long line, std::string_view key, std::string_view v) override {
    if (stack_.empty()) return;
    const role r = stack_.back();
    if (r == role::root) thermalkey(t_, key, v, line);
    else if (r == role::unit) thermalunit(key, v, line);
    else if (r == role::entry) thermalentrykey(entry_, key, v, line);
  }

 private:
  enum class role { root, unit, list, entry, other };
  thermaltable& t_;
  std::vector<role> stack_;
  thermalentry entry_;
  long entryline_ = 0;

  void endentry() { addthermalentry(t_, entry_, entryline_); }
};

}  // namespace

bool thermalhead(std::string_view head, problem& p) {
  if (std::memchr(head.data(), '\0', head.size()) != nullptr) {
    p = {1, "binary data, not a thermal_properties.yaml"};
    return false;
  }
  if (head.find("\n# lattice_thermo --per-atom") != std::string_view::npos) {
    p = {2, "values per mole of atoms (lattice_thermo --per-atom): --qha takes them per mole of cells"};
    return false;
  }
  return true;
}

bool thermalwhole(const thermaltable& t, problem& p) {
  if (t.temperature.empty()) {
    p = {0, "no temperatures: a thermal_properties.yaml holds a 'thermal_properties' list of entries"};
    return false;
  }
  // What no harmonic solid of n atoms gives per mole of cells (n the file's
  // natom, else the most taken): a heat capacity above twice 3 n R (a DOS
  // may hold more states than its atoms'), an entropy above 3 n R times
  // 700 (the logarithm of the widest range of energies a mode may span),
  // a free energy beyond the zero-point energy of 3 n modes at the highest
  // energy taken (1e-10 J) and 700 k_B T each. Such a value would leave the
  // fits failing, and the messages blaming e-v.dat.
  const double n = t.natom > 0 ? static_cast<double>(t.natom) : 1e6, r = boltzmann * avogadro;
  for (std::size_t k = 0; k < t.temperature.size(); ++k) {
    const double most[3] = {3.0 * n * avogadro * (5e-11 + 700.0 * boltzmann * t.temperature[k]) / 1000.0,
                            3.0 * n * r * 700.0, 2.0 * 3.0 * n * r};
    const double value[3] = {t.free_energy[k], t.entropy[k], t.heat_capacity[k]};
    for (int j = 0; j < 3; ++j)
      if (!(std::fabs(value[j]) <= most[j])) {
        const char* unit = j == 0 ? " kJ/mol" : " J/K/mol";
        p = {t.line[k], std::string(entrykeys[j + 1]) + " " + shortest(value[j]) + unit + " at " +
                            shortest(t.temperature[k]) + " K is beyond any harmonic solid's (at most " +
                            significant(most[j], 3) + unit + " for " + significant(n) + (n == 1.0 ? " atom" : " atoms") +
                            ")"};
        return false;
      }
  }
  return true;
}

bool readthermal(source& in, thermaltable& t, problem& p) {
  t = thermaltable{};
  if (!thermalhead(in.peek(), p)) return false;
  thermalhandler h(t);
  return parseyaml(in, h, p) && thermalwhole(t, p);
}

}  // namespace thermo
