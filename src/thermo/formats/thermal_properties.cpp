#include "thermo/formats/thermal_properties.hpp"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstring>
#include <string>

#include "common/escape.hpp"
#include "thermo/base/number_text.hpp"
#include "thermo/formats/yaml_events.hpp"
#include "thermo/harmonic/sweep.hpp"

namespace thermo {

namespace {

// The keys of the top mapping, of `unit` and of each entry of the
// `thermal_properties` list; everything else passes by.
class thermalhandler : public yamlhandler {
 public:
  explicit thermalhandler(thermaltable& t) : t_(t) {}

  void start(long line, bool map) override {
    role r = role::other;
    if (stack_.empty()) r = map ? role::root : role::other;
    else if (stack_.back().r == role::root && stack_.back().key == "thermal_properties" && !map) r = role::list;
    else if (stack_.back().r == role::root && stack_.back().key == "unit" && map) r = role::unit;
    else if (stack_.back().r == role::list && map) r = role::entry;
    if (r == role::entry) {
      entry_ = {};
      entryline_ = line;
    }
    stack_.push_back({r, map, true, {}});
  }

  void end() override {
    const role r = stack_.back().r;
    stack_.pop_back();
    if (r == role::entry) endentry();
    if (!stack_.empty() && stack_.back().map) stack_.back().expectkey = true;
  }

  void scalar(long line, std::string_view v) override {
    if (stack_.empty()) return;
    frame& top = stack_.back();
    if (top.map && top.expectkey) {
      top.key.assign(v.substr(0, 64));
      top.expectkey = false;
      return;
    }
    if (top.map) top.expectkey = true;
    if (top.r == role::root) {
      if (top.key == "natom") {
        const double n = number(line, v, "natom");
        if (!(n >= 1 && n <= 1e6 && n == std::floor(n))) throw problem{line, "natom is not a count of atoms"};
        t_.natom = static_cast<long>(n);
      } else if (top.key == "num_modes") {
        t_.modes = number(line, v, "num_modes");
      } else if (top.key == "num_integrated_modes") {
        t_.integratedmodes = number(line, v, "num_integrated_modes");
      } else if (top.key == "zero_point_energy") {
        t_.zeropoint = number(line, v, "zero_point_energy");
        t_.haszeropoint = true;
      }
    } else if (top.r == role::unit) {
      const char* want = top.key == "temperature" ? "K" : top.key == "free_energy" ? "kJ/mol"
                         : top.key == "entropy" || top.key == "heat_capacity" ? "J/K/mol" : nullptr;
      if (want != nullptr && v != want)
        throw problem{line, "the unit of " + top.key + " is " + escaped(v) + ", not phonopy's " + want};
    } else if (top.r == role::entry) {
      static constexpr const char* keys[4] = {"temperature", "free_energy", "entropy", "heat_capacity"};
      for (int k = 0; k < 4; ++k)
        if (top.key == keys[k]) {
          entry_.value[k] = number(line, v, keys[k]);
          entry_.has[k] = true;
        }
    }
  }

 private:
  enum class role { root, unit, list, entry, other };
  struct frame {
    role r;
    bool map;
    bool expectkey;
    std::string key;
  };
  struct entry {
    double value[4] = {};
    bool has[4] = {};
  };
  thermaltable& t_;
  std::vector<frame> stack_;
  entry entry_;
  long entryline_ = 0;

  static std::string escaped(std::string_view v) {
    char shown[256];
    common::escape(v.data(), std::min<std::size_t>(v.size(), 60), shown, sizeof shown);
    return std::string("\"") + shown + "\"";
  }
  static double number(long line, std::string_view v, const char* what) {
    double x = 0.0;
    const char* end = v.data() + v.size();
    const auto r = std::from_chars(v.data(), end, x);
    if (v.empty() || r.ec != std::errc() || r.ptr != end || !std::isfinite(x))
      throw problem{line, std::string(what) + " is not a finite number: " + escaped(v)};
    return x;
  }

  void endentry() {
    static constexpr const char* names[4] = {"temperature", "free_energy", "entropy", "heat_capacity"};
    for (int k = 0; k < 4; ++k)
      if (!entry_.has[k]) throw problem{entryline_, std::string("an entry without ") + names[k]};
    const double t = entry_.value[0];
    if (!(t >= 0.0 && t <= maxtemperature))
      throw problem{entryline_, "the temperature " + shortest(t) + " K is outside 0 to " + significant(maxtemperature) + " K"};
    if (!t_.temperature.empty() && !(t > t_.temperature.back()))
      throw problem{entryline_, "the temperature " + shortest(t) + " K does not follow " + shortest(t_.temperature.back()) +
                                    " K: the temperatures must increase"};
    if (entry_.value[2] < 0.0) throw problem{entryline_, "a negative entropy"};
    if (entry_.value[3] < 0.0) throw problem{entryline_, "a negative heat capacity"};
    t_.temperature.push_back(t);
    t_.free_energy.push_back(entry_.value[1]);
    t_.entropy.push_back(entry_.value[2]);
    t_.heat_capacity.push_back(entry_.value[3]);
    t_.line.push_back(entryline_);
  }
};

}  // namespace

bool looksthermal(std::string_view head) {
  for (std::size_t i = 0; i < head.size();) {
    const std::size_t e = std::min(head.find('\n', i), head.size());
    if (head.substr(i, e - i).rfind("thermal_properties:", 0) == 0) return true;
    i = e + 1;
  }
  return false;
}

bool readthermal(source& in, thermaltable& t, problem& p) {
  t = thermaltable{};
  const std::string_view head = in.peek();
  if (std::memchr(head.data(), '\0', head.size()) != nullptr) {
    p = {1, "binary data, not a thermal_properties.yaml"};
    return false;
  }
  if (head.find("\n# lattice_thermo --per-atom") != std::string_view::npos) {
    p = {2, "values per mole of atoms (lattice_thermo --per-atom): --qha takes them per mole of cells"};
    return false;
  }
  thermalhandler h(t);
  if (!parseyaml(in, h, p)) return false;
  if (t.temperature.empty()) {
    p = {0, "no temperatures: a thermal_properties.yaml holds a 'thermal_properties' list of entries"};
    return false;
  }
  return true;
}

}  // namespace thermo
