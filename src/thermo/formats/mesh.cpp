#include "thermo/formats/mesh.hpp"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstring>
#include <string>
#include <utility>
#include <vector>

#include "common/escape.hpp"
#include "thermo/formats/yaml_events.hpp"
#include "thermo/base/number_text.hpp"
#include "thermo/harmonic/constants.hpp"

namespace thermo {

namespace {

// The modes a mesh may count (each band at each q-point times its weight):
// whole numbers exact in a double.
constexpr long maxmodes = 1L << 53;

// Keeps the path to the event at hand and takes the values it needs: natom
// at the top, and in each entry of `phonon` its `weight` and the `frequency`
// of each entry of its `band`.
class meshhandler : public yamlhandler {
 public:
  std::vector<std::pair<double, double>> modes;  // frequency (THz), weight
  long natom = 0;
  long qpoints = 0;
  long bands = -1;  // frequencies per q-point, the same at each
  long weights = 0;  // their sum
  std::vector<double> lattice;  // the rows of `lattice`, A

  void scalar(long line, std::string_view v) override { value(line, v); }
  void start(long line, bool map) override { push(line, map); }
  void end() override { pop(); }

 private:
  enum class role { root, phonons, qpoint, bands, band, lattice, latticerow, other };
  struct frame {
    role r;
    bool map;
    bool expectkey = true;
    std::string key;
  };
  std::vector<frame> stack_;
  // The q-point being read.
  double weight_ = 0.0;
  bool hasweight_ = false;
  long weightline_ = 0;
  long qline_ = 0;
  std::vector<double> freqs_;

  static double number(long line, std::string_view v, const char* what) {
    double x = 0.0;
    const char* end = v.data() + v.size();
    const auto r = std::from_chars(v.data(), end, x);
    if (v.empty() || r.ec != std::errc() || r.ptr != end || !std::isfinite(x)) {
      char shown[256];
      common::escape(v.data(), std::min<std::size_t>(v.size(), 60), shown, sizeof shown);
      throw problem{line, std::string(what) + " is not a finite number: \"" + shown + "\""};
    }
    return x;
  }

  // What a child of the top frame is, from the top's role and key.
  role childrole(bool map) const {
    if (stack_.empty()) return map ? role::root : role::other;
    const frame& top = stack_.back();
    if (top.r == role::root && top.key == "phonon" && !map) return role::phonons;
    if (top.r == role::phonons && map) return role::qpoint;
    if (top.r == role::qpoint && top.key == "band" && !map) return role::bands;
    if (top.r == role::bands && map) return role::band;
    if (top.r == role::root && top.key == "lattice" && !map) return role::lattice;
    if (top.r == role::lattice && !map) return role::latticerow;
    return role::other;
  }

  void push(long line, bool map) {
    const role r = childrole(map);
    if (r == role::qpoint) {
      weight_ = 0.0;
      hasweight_ = false;
      freqs_.clear();
      qline_ = line;
    }
    stack_.push_back({r, map, true, {}});
  }

  void pop() {
    const frame f = stack_.back();
    stack_.pop_back();
    if (f.r == role::qpoint) endqpoint();
    if (!stack_.empty() && stack_.back().map) stack_.back().expectkey = true;
  }

  void value(long line, std::string_view v) {
    if (stack_.empty()) return;
    frame& top = stack_.back();
    if (top.map && top.expectkey) {
      top.key.assign(v.substr(0, 64));
      top.expectkey = false;
      return;
    }
    if (top.r == role::root && top.key == "natom") {
      const double n = number(line, v, "natom");
      if (!(n >= 1 && n <= 1e6 && n == std::floor(n))) throw problem{line, "natom is not a count of atoms"};
      natom = static_cast<long>(n);
    } else if (top.r == role::qpoint && top.key == "weight") {
      weight_ = number(line, v, "a q-point's weight");
      if (!(weight_ > 0.0)) throw problem{line, "a q-point's weight is not positive"};
      if (weight_ != std::floor(weight_))
        throw problem{line, "a q-point's weight, " + shortest(weight_) +
                                ", is not a whole number: phonopy writes how many q-points of the mesh it stands for"};
      hasweight_ = true;
      weightline_ = line;
    } else if (top.r == role::band && top.key == "frequency") {
      const double f = number(line, v, "a frequency");
      problem p;
      if (!energywithinlimits(f, unit::thz, line, p)) throw p;
      if (f != 0.0 && f * joules(unit::thz) == 0.0)
        throw problem{line, "the frequency " + shortest(f) + " THz is 0 in joules (too small)"};
      freqs_.push_back(f);
    } else if (top.r == role::latticerow && lattice.size() < 9) {
      lattice.push_back(number(line, v, "a lattice vector's component"));
    }
    if (top.map) top.expectkey = true;
  }

  void endqpoint() {
    ++qpoints;
    if (!hasweight_) throw problem{qline_, "a q-point without a weight: not phonopy's mesh output"};
    if (freqs_.empty()) throw problem{qline_, "a q-point without frequencies"};
    if (bands < 0) bands = static_cast<long>(freqs_.size());
    if (static_cast<long>(freqs_.size()) != bands)
      throw problem{qline_, "a q-point with " + std::to_string(freqs_.size()) + " frequencies, where the first had " +
                                    std::to_string(bands)};
    // The modes so far and this q-point's, counted exactly.
    if (!(weight_ <= static_cast<double>(maxmodes)) || weights + static_cast<long>(weight_) > maxmodes / bands)
      throw problem{weightline_, "the q-points' weights add up to more than " + std::to_string(maxmodes) + " modes (" +
                                     std::to_string(bands) + " a q-point)"};
    weights += static_cast<long>(weight_);
    for (double f : freqs_) modes.emplace_back(f, weight_);
  }
};

}  // namespace

bool looksmesh(std::string_view path, std::string_view head) {
  auto ends = [&](std::string_view s) { return path.size() >= s.size() && path.substr(path.size() - s.size()) == s; };
  if (ends(".yaml") || ends(".yml")) return true;
  // The first line that is not blank or a comment.
  std::size_t i = 0;
  while (i < head.size()) {
    const std::size_t e = std::min(head.find('\n', i), head.size());
    const std::string_view line = head.substr(i, e - i);
    const std::size_t first = line.find_first_not_of(" \t\r");
    if (first != std::string_view::npos && line[first] != '#')
      return line.substr(first).rfind("mesh:", 0) == 0 || line.substr(first).rfind("nqpoint:", 0) == 0;
    i = e + 1;
  }
  return false;
}

bool readmesh(source& in, double cutoff, bool pretendreal, harmonicdos& d, meshinfo& info, problem& p) {
  const std::string_view head = in.peek();
  if (std::memchr(head.data(), '\0', head.size()) != nullptr) {
    p = {1, "binary data, not a mesh.yaml"};
    return false;
  }
  meshhandler h;
  if (!parseyaml(in, h, p)) return false;
  if (h.qpoints == 0) {
    p = {0, "no q-points: a mesh.yaml holds a 'phonon' list of q-points with their weights and bands"};
    return false;
  }
  if (h.natom == 0) h.natom = h.bands / 3;
  if (h.bands != 3 * h.natom) {
    p = {0, "natom: " + std::to_string(h.natom) + " atoms, but " + std::to_string(h.bands) + " frequencies a q-point"};
    return false;
  }
  info.natom = h.natom;
  if (h.lattice.size() == 9) {
    const double* a = h.lattice.data();
    info.volume = std::fabs(a[0] * (a[4] * a[8] - a[5] * a[7]) - a[1] * (a[3] * a[8] - a[5] * a[6]) +
                            a[2] * (a[3] * a[7] - a[4] * a[6]));
  }
  info.qpoints = h.qpoints;
  info.modes = 0;
  info.integratedmodes = 0;
  std::vector<std::pair<double, double>> modes;  // energy (J), weight (states per cell)
  modes.reserve(h.modes.size());
  double below = 0.0, zeropoint = 0.0;
  const double thz = joules(unit::thz);
  for (auto [f, w] : h.modes) {
    if (pretendreal) f = std::fabs(f);
    const double share = w / static_cast<double>(h.weights);
    info.modes += static_cast<long>(w);
    if (f > cutoff) {
      modes.emplace_back(f * thz, share);
      info.integratedmodes += static_cast<long>(w);
    } else {
      below += share;
      if (f > 0.0) zeropoint += 0.5 * share * f * thz;
    }
  }
  if (modes.empty()) {
    p = {0, "no mode above the cutoff frequency"};
    return false;
  }
  d = frommodes(modes, below, zeropoint);
  return true;
}

}  // namespace thermo
