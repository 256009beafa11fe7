// phonopy's own layout of mesh.yaml, line by line: top-level `key: value`
// lines (`mesh: [ ... ]` and the like passed over), `natom`, the rows of
// `lattice` and `reciprocal_lattice`, the entries of `points` (`- symbol:`,
// `  coordinates:`, `  mass:`), and the `phonon` list: each q-point a
// `- q-position: [ ... ]` line and `  key: value` lines, its `  band:` list
// of `  - # n` entries with `    frequency:`, `    group_velocity:` and
// `    eigenvector:`, a list of `    - # atom n` entries of three
// `      - [ real, imaginary ]` lines. libyaml spends some 1,600
// instructions on each scalar, most of them in malloc and free: a mesh of
// 8,000 q-points of 12 bands with eigenvectors, 69 MB, takes it 1.05 s, the
// lines 0.23 s. Any line outside this layout (a key given twice, a list of
// the wrong length, a byte outside printable ASCII) sends the whole file
// back to libyaml, so that what is read never depends on the reader, nor
// what a file is told where its YAML is sound.
#include <string>
#include <string_view>
#include <vector>

#include "thermo/formats/text/lines.hpp"
#include "thermo/formats/yaml/mesh.hpp"
#include "thermo/formats/yaml/yaml_lines.hpp"

namespace thermo {

namespace {

// A line with no more than this is phonopy's: a longer one may hold a value
// libyaml refuses.
constexpr std::size_t longestline = 1024;

struct elsewise {};  // the line is not phonopy's layout

class meshlines {
 public:
  explicit meshlines(meshvalues& v) : v_(v) {}

  void line(std::string_view s, long n) {
    std::string_view key, rest, items[9];
    if (s.size() > longestline) throw elsewise{};
    if (s[0] != ' ' && s[0] != '-') return top(s, n);
    if (item(s, 0, rest)) return entry(rest, n);
    if (at_ == section::points && point_ && keyat(s, 2, key, rest)) return pointkey(key, rest, n);
    if (at_ != section::phonon || !q_) throw elsewise{};
    if (keyat(s, 2, key, rest)) {
      closeband();
      bands_ = false;
      return qkey(key, rest, n);
    }
    if (bands_ && item(s, 2, rest)) {
      closeband();
      if (!rest.empty()) throw elsewise{};
      pending_ = true;
      return;
    }
    if ((pending_ || band_) && keyat(s, 4, key, rest)) {
      if (pending_) {
        v_.startband(n);
        band_ = true;
        pending_ = false;
      }
      closeeigen();
      return bandkey(key, rest, n);
    }
    if (eigen_ && item(s, 4, rest) && rest.empty()) {
      closeatom();
      atom_ = true;
      ++atoms_;
      return;
    }
    if (atom_ && item(s, 6, rest) && flowitems(rest, items, 2) == 2 && pairs_ < 3) {
      if (v_.detail()) {
        v_.component(n, items[0]);
        v_.component(n, items[1]);
        v_.endpair(n);
      }
      if (pairs_++ == 0) atomline_ = n;
      return;
    }
    throw elsewise{};
  }

  void end() { closeq(); }

 private:
  enum class section { top, rows, lattice, points, phonon };
  meshvalues& v_;
  section at_ = section::top;
  keyset topkeys_, qkeys_, bandkeys_, pointkeys_;
  bool point_ = false, q_ = false, bands_ = false, pending_ = false, band_ = false, eigen_ = false, atom_ = false;
  int pairs_ = 0, atoms_ = 0;
  long atomline_ = 0;

  void top(std::string_view s, long n) {
    std::string_view key, rest, items[9];
    if (!splitkey(s, key, rest) || !topkeys_.fresh(key)) throw elsewise{};
    closeq();
    at_ = section::top;
    point_ = false;
    if (rest.empty() || rest[0] == '#') {
      if (key == "phonon") at_ = section::phonon;
      else if (key == "lattice") at_ = section::lattice;
      else if (key == "points") at_ = section::points;
      else if (key == "reciprocal_lattice") at_ = section::rows;
      else throw elsewise{};
      return;
    }
    std::string_view value;
    const bool isplain = plainvalue(rest, value);
    if (key == "natom" && isplain) return v_.natom(n, value);
    if (!isplain && flowitems(rest, items, 9) < 0) throw elsewise{};
  }

  void entry(std::string_view rest, long n) {
    std::string_view key, value, items[9];
    if (at_ == section::rows || at_ == section::lattice) {
      const int k = flowitems(rest, items, 9);
      if (k < 0) throw elsewise{};
      if (at_ == section::lattice)
        for (int i = 0; i < k; ++i) v_.latticecomponent(n, items[i]);
      return;
    }
    if (!splitkey(rest, key, value)) throw elsewise{};
    if (at_ == section::points) {
      pointkeys_.clear();
      point_ = true;
      v_.startpoint();
      return pointkey(key, value, n);
    }
    if (at_ != section::phonon) throw elsewise{};
    closeq();
    v_.startqpoint(n);
    q_ = true;
    return qkey(key, value, n);
  }

  void pointkey(std::string_view key, std::string_view rest, long n) {
    std::string_view value, items[3];
    if (!pointkeys_.fresh(key)) throw elsewise{};
    if (key == "coordinates" && flowitems(rest, items, 3) == 3) return;
    if (!plain(rest, value)) throw elsewise{};
    if (key == "symbol") return v_.symbol(n, value);
    if (key == "mass") return v_.mass(n, value);
    throw elsewise{};
  }

  void qkey(std::string_view key, std::string_view rest, long n) {
    std::string_view value, items[3];
    if (!qkeys_.fresh(key)) throw elsewise{};
    if (key == "band" && rest.empty()) {
      bands_ = true;
      return;
    }
    if (key == "q-position" && flowitems(rest, items, 3) == 3) {
      for (const auto& x : items) v_.position(n, x);
      return;
    }
    if (!plain(rest, value)) throw elsewise{};
    if (key == "weight") return v_.weight(n, value);
    if (key != "distance_from_gamma") throw elsewise{};
  }

  void bandkey(std::string_view key, std::string_view rest, long n) {
    std::string_view value, items[3];
    if (!bandkeys_.fresh(key)) throw elsewise{};
    if (key == "eigenvector" && rest.empty()) {
      eigen_ = true;
      return;
    }
    if (key == "group_velocity" && flowitems(rest, items, 3) == 3) return;
    if (key != "frequency" || !plain(rest, value)) throw elsewise{};
    v_.frequency(n, value);
  }

  // A plain value, not empty.
  static bool plain(std::string_view rest, std::string_view& value) { return plainvalue(rest, value) && !value.empty(); }

  void closeatom() {
    if (!atom_) return;
    if (pairs_ != 3) throw elsewise{};
    if (v_.detail()) v_.endatom(atomline_);
    atom_ = false;
    pairs_ = 0;
  }
  // An `eigenvector:` with no atoms is null to YAML, not an empty list.
  void closeeigen() {
    closeatom();
    if (eigen_ && atoms_ == 0) throw elsewise{};
    eigen_ = false;
    atoms_ = 0;
  }
  void closeband() {
    if (pending_) throw elsewise{};  // an entry with nothing in it
    if (!band_) return;
    closeeigen();
    v_.endband();
    band_ = false;
    bandkeys_.clear();
  }
  void closeq() {
    closeband();
    if (!q_) return;
    v_.endqpoint();
    q_ = bands_ = false;
    qkeys_.clear();
  }
};

}  // namespace

meshlayout readmeshlines(source& in, meshvalues& values, problem& p, std::vector<char>& storage) {
  linereader lines(in, storage);
  meshlines reader(values);
  std::string_view line;
  try {
    for (;;) {
      const linereader::status st = lines.next(line);
      if (st == linereader::status::end) break;
      if (st != linereader::status::line) {
        p = lines.failure(st, "a mesh.yaml");
        return meshlayout::failed;
      }
      if (lines.truncated() || !printable(line)) return meshlayout::elsewise;
      line = line.substr(0, line.find_last_not_of(' ') + 1);
      const std::size_t first = line.find_first_not_of(' ');
      if (first == std::string_view::npos || line[first] == '#') continue;
      reader.line(line, lines.number());
    }
    reader.end();
    values.finish();
  } catch (elsewise) {
    return meshlayout::elsewise;
  } catch (problem& e) {
    p = std::move(e);
    return meshlayout::failed;
  }
  return meshlayout::read;
}

}  // namespace thermo
