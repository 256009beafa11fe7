#include "thermo/formats/yaml/mesh.hpp"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <string>
#include <tuple>
#include <utility>
#include <vector>

#include "thermo/formats/yaml/yaml_events.hpp"
#include "thermo/harmonic/constants.hpp"

namespace thermo {

namespace {

// Keeps the path to the event at hand and hands meshvalues what it reads:
// natom and `lattice` at the top; in each entry of `phonon` its q-position,
// weight and the `frequency` of each entry of its `band`; with detail, each
// band's `eigenvector` and each entry of `points`.
class meshhandler : public yamlhandler {
 public:
  explicit meshhandler(meshvalues& v) : v_(v) {}

  void scalar(long line, std::string_view key, std::string_view v) override { value(line, key, v); }
  void start(long line, bool map, std::string_view key) override { push(line, map, key); }
  void end() override { pop(); }

 private:
  enum class role {
    root, phonons, qpoint, position, bands, band, eigenvector, atom, pair, lattice, latticerow, points, point, other
  };
  struct frame {
    role r;
    long line;
  };
  meshvalues& v_;
  std::vector<frame> stack_;

  // What a child of the top frame is, from the top's role and the key the
  // child is the value of.
  role childrole(bool map, std::string_view childkey) const {
    if (stack_.empty()) return map ? role::root : role::other;
    const frame& top = stack_.back();
    const bool detail = v_.detail();
    static constexpr std::tuple<role, const char*, bool, role> children[] = {
        {role::root, "phonon", false, role::phonons},       {role::qpoint, "q-position", false, role::position},
        {role::qpoint, "band", false, role::bands},         {role::band, "eigenvector", false, role::eigenvector},
        {role::root, "lattice", false, role::lattice},      {role::root, "points", false, role::points}};
    for (const auto& [parent, key, ismap, child] : children)
      if (top.r == parent && childkey == key && map == ismap && (detail || (child != role::eigenvector && child != role::points)))
        return child;
    if (map && top.r == role::phonons) return role::qpoint;
    if (map && top.r == role::bands) return role::band;
    if (map && top.r == role::points) return role::point;
    if (!map && top.r == role::eigenvector) return role::atom;
    if (!map && top.r == role::atom) return role::pair;
    if (!map && top.r == role::lattice) return role::latticerow;
    return role::other;
  }

  void push(long line, bool map, std::string_view key) {
    const role r = childrole(map, key);
    if (r == role::qpoint) v_.startqpoint(line);
    if (r == role::band) v_.startband(line);
    if (r == role::point) v_.startpoint();
    if (!stack_.empty() && (stack_.back().r == role::eigenvector || stack_.back().r == role::atom) && map) notalist(line);
    stack_.push_back({r, line});
  }

  void pop() {
    const frame f = stack_.back();
    stack_.pop_back();
    if (f.r == role::qpoint) v_.endqpoint();
    if (f.r == role::band) v_.endband();
    if (f.r == role::pair) v_.endpair(f.line);
    if (f.r == role::atom) v_.endatom(f.line);
  }

  [[noreturn]] static void notalist(long line) {
    throw problem{line, "an eigenvector is not a list of atoms, each of three [real, imaginary] pairs"};
  }

  void value(long line, std::string_view key, std::string_view v) {
    if (stack_.empty()) return;
    switch (stack_.back().r) {
      case role::root: if (key == "natom") v_.natom(line, v); break;
      case role::qpoint: if (key == "weight") v_.weight(line, v); break;
      case role::position: v_.position(line, v); break;
      case role::band:
        if (key == "frequency") v_.frequency(line, v);
        else if (key == "eigenvector" && v_.detail()) notalist(line);
        break;
      case role::eigenvector: case role::atom: notalist(line);
      case role::pair: v_.component(line, v); break;
      case role::latticerow: v_.latticecomponent(line, v); break;
      case role::point:
        if (key == "symbol") v_.symbol(line, v);
        else if (key == "mass") v_.mass(line, v);
        break;
      default: break;
    }
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

bool readmeshyaml(source& in, meshvalues& values, problem& p) {
  meshhandler h(values);
  if (!parseyaml(in, h, p)) return false;
  try {
    values.finish();
  } catch (problem& e) {
    p = std::move(e);
    return false;
  }
  return true;
}

bool readmeshvalues(const std::string& path, source& in, meshvalues& values, const std::function<void()>& restart,
                    problem& p, std::vector<char>& storage) {
  const std::string_view head = in.peek();
  if (std::memchr(head.data(), '\0', head.size()) != nullptr) {
    p = {1, "binary data, not a mesh.yaml"};
    return false;
  }
  if (!in.rereadable()) return readmeshyaml(in, values, p);
  switch (readmeshlines(in, values, p, storage)) {
    case meshlayout::read: return true;
    case meshlayout::failed: return false;
    case meshlayout::elsewise: break;
  }
  values.reset();
  restart();
  source again;
  std::string why;
  if (!again.open(path, why)) {
    p = {0, why};
    return false;
  }
  return readmeshyaml(again, values, p);
}

void modecollector::qpoint(const meshqpoint& q) {
  const std::size_t first = modes.size();
  for (double f : q.frequencies) modes.emplace_back(f, q.weight, false);
  if (!q.gamma) return;
  std::vector<std::size_t> order(q.frequencies.size());
  for (std::size_t i = 0; i < order.size(); ++i) order[i] = i;
  const std::size_t three = std::min<std::size_t>(3, order.size());
  std::partial_sort(order.begin(), order.begin() + static_cast<long>(three), order.end(),
                    [&](std::size_t a, std::size_t b) { return std::fabs(q.frequencies[a]) < std::fabs(q.frequencies[b]); });
  for (std::size_t k = 0; k < three; ++k) std::get<2>(modes[first + order[k]]) = true;
}

bool readmesh(source& in, double cutoff, bool pretendreal, harmonicdos& d, meshinfo& info, problem& p,
              const std::string& path, std::vector<char>* storage) {
  modecollector h;
  meshvalues values(h, false);
  std::vector<char> own;
  if (!readmeshvalues(path, in, values, [&] { h = modecollector{}; }, p, storage ? *storage : own)) return false;
  return meshmodes(h, values, cutoff, pretendreal, d, info, p);
}

bool meshmodes(const modecollector& h, const meshvalues& values, double cutoff, bool pretendreal, harmonicdos& d,
               meshinfo& info, problem& p) {
  info = meshinfo{};
  info.natom = values.atoms;
  if (values.lattice.size() == 9) {
    const double* a = values.lattice.data();
    info.volume = std::fabs(a[0] * (a[4] * a[8] - a[5] * a[7]) - a[1] * (a[3] * a[8] - a[5] * a[6]) +
                            a[2] * (a[3] * a[7] - a[4] * a[6]));
  }
  info.qpoints = values.qpoints;
  // Energy (J), weight (states per cell) and whether at rest, sorted as
  // the harmonic sums take them.
  std::vector<std::tuple<double, double, bool>> modes;
  modes.reserve(h.modes.size());
  double below = 0.0, zeropoint = 0.0;
  const double thz = joules(unit::thz);
  for (auto [f, w, rest] : h.modes) {
    if (pretendreal) f = std::fabs(f);
    const double share = w / static_cast<double>(values.weights);
    info.modes += static_cast<long>(w);
    if (f > cutoff) {
      modes.emplace_back(f * thz, share, rest);
      info.integratedmodes += static_cast<long>(w);
    } else {
      below += share;
      if (rest) info.rigidbelow += share;
      if (f > 0.0) zeropoint += 0.5 * share * f * thz;
    }
  }
  if (modes.empty()) {
    p = {0, "no mode above the cutoff frequency"};
    return false;
  }
  std::sort(modes.begin(), modes.end());
  std::vector<std::pair<double, double>> pairs;
  pairs.reserve(modes.size());
  for (std::size_t i = 0; i < modes.size(); ++i) {
    pairs.emplace_back(std::get<0>(modes[i]), std::get<1>(modes[i]));
    if (std::get<2>(modes[i])) info.rigid.push_back(i);
  }
  d = frommodes(pairs, below, zeropoint);
  return true;
}

}  // namespace thermo
