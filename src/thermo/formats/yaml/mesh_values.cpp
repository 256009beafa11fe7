#include "thermo/formats/yaml/mesh_values.hpp"

#include <algorithm>
#include <cctype>
#include <charconv>
#include <cmath>
#include <limits>

#include "common/escape.hpp"
#include "thermo/base/number_text.hpp"
#include "thermo/harmonic/displacement.hpp"
#include "thermo/harmonic/dos.hpp"

namespace thermo {

namespace {

// The modes a mesh may count (each band at each q-point times its weight):
// whole numbers exact in a double.
constexpr long maxmodes = 1L << 53;
// How far from 1 a normalised eigenvector's squared norm may be: phonopy
// writes 14 decimals.
constexpr double normslack = 1e-5;

bool readnumber(std::string_view v, double& x) {
  const char* end = v.data() + v.size();
  const auto r = fromchars(v.data(), end, x);
  return !v.empty() && r.ec == std::errc() && r.ptr == end && std::isfinite(x);
}

double number(long line, std::string_view v, const char* what) {
  double x = 0.0;
  if (!readnumber(v, x)) {
    char shown[256];
    common::escape(v.data(), std::min<std::size_t>(v.size(), 60), shown, sizeof shown);
    throw problem{line, std::string(what) + " is not a finite number: \"" + shown + "\""};
  }
  return x;
}

// An element's symbol as phonopy writes it (it goes into every row): up to
// 16 letters, digits and underscores, from a letter.
bool symbolic(std::string_view v) {
  if (v.empty() || v.size() > 16 || !std::isalpha(static_cast<unsigned char>(v[0]))) return false;
  return std::all_of(v.begin(), v.end(), [](char c) { return std::isalnum(static_cast<unsigned char>(c)) || c == '_'; });
}

}  // namespace

void meshvalues::natom(long line, std::string_view v) {
  const double n = number(line, v, "natom");
  if (!(n >= 1 && n <= 1e6 && n == std::floor(n))) throw problem{line, "natom is not a count of atoms"};
  atoms = static_cast<long>(n);
}

void meshvalues::latticecomponent(long line, std::string_view v) {
  if (lattice.size() < 9) lattice.push_back(number(line, v, "a lattice vector's component"));
}

void meshvalues::startpoint() {
  if (!detail_) return;
  symbols.emplace_back();
  masses.push_back(std::numeric_limits<double>::quiet_NaN());
}

void meshvalues::symbol(long line, std::string_view v) {
  if (!detail_ || symbols.empty()) return;
  if (!symbolic(v)) {
    char shown[256];
    common::escape(v.data(), std::min<std::size_t>(v.size(), 60), shown, sizeof shown);
    throw problem{line, std::string("a point's symbol, \"") + shown + "\", is not an element's"};
  }
  symbols.back() = v;
}

void meshvalues::mass(long line, std::string_view v) {
  if (!detail_ || masses.empty()) return;
  const double m = number(line, v, "a point's mass");
  if (!anatomsmass(m)) throw problem{line, "a point's mass, " + shortest(m) + " amu, is not an atom's (" + massrange + ")"};
  masses.back() = m;
}

void meshvalues::startqpoint(long line) {
  q_.line = line;
  q_.weight = 0.0;
  q_.frequencies.clear();
  q_.eigenvectors.clear();
  hasweight_ = false;
  positions_ = 0;
  whole_ = true;
  eigenbands_ = 0;
}

void meshvalues::position(long line, std::string_view v) {
  double x = 0.0;
  if (detail_) x = number(line, v, "a q-position's component");
  else if (!readnumber(v, x)) whole_ = false;
  ++positions_;
  if (x != std::round(x)) whole_ = false;
}

void meshvalues::weight(long line, std::string_view v) {
  q_.weight = number(line, v, "a q-point's weight");
  if (!(q_.weight > 0.0)) throw problem{line, "a q-point's weight is not positive"};
  if (q_.weight != std::floor(q_.weight))
    throw problem{line, "a q-point's weight, " + shortest(q_.weight) +
                            ", is not a whole number: phonopy writes how many q-points of the mesh it stands for"};
  hasweight_ = true;
  weightline_ = line;
}

void meshvalues::startband(long line) {
  bandline_ = line;
  bandstart_ = pairstart_ = atomstart_ = q_.eigenvectors.size();
  bandfrequencies_ = q_.frequencies.size();
}

void meshvalues::frequency(long line, std::string_view v) {
  const double f = number(line, v, "a frequency");
  problem p;
  if (!energywithinlimits(f, unit::thz, line, p)) throw p;
  if (f != 0.0 && f * joules(unit::thz) == 0.0)
    throw problem{line, "the frequency " + shortest(f) + " THz is 0 in joules (too small)"};
  q_.frequencies.push_back(f);
}

void meshvalues::component(long line, std::string_view v) {
  q_.eigenvectors.push_back(number(line, v, "an eigenvector's component"));
}

void meshvalues::endpair(long line) {
  if (q_.eigenvectors.size() - pairstart_ != 2)
    throw problem{line, "an eigenvector's component is not a [real, imaginary] pair"};
  pairstart_ = q_.eigenvectors.size();
}

void meshvalues::endatom(long line) {
  const std::size_t n = (q_.eigenvectors.size() - atomstart_) / 2;
  if (n != 3) throw problem{line, "an atom's part of an eigenvector has " + std::to_string(n) + " components, not 3 (x, y, z)"};
  atomstart_ = q_.eigenvectors.size();
}

void meshvalues::endband() {
  if (!detail_) return;
  if (q_.frequencies.size() != bandfrequencies_ + 1) throw problem{bandline_, "a band without its frequency"};
  const std::size_t n = q_.eigenvectors.size() - bandstart_;
  if (n == 0) return;
  ++eigenbands_;
  const long covered = static_cast<long>(n / 6);
  if (atomsper_ < 0) atomsper_ = covered;
  if (covered != atomsper_)
    throw problem{bandline_, "an eigenvector of " + std::to_string(covered) + " atoms, where the first had " +
                                 std::to_string(atomsper_)};
  double norm = 0.0;
  for (std::size_t i = bandstart_; i < q_.eigenvectors.size(); ++i) norm += q_.eigenvectors[i] * q_.eigenvectors[i];
  if (!(std::fabs(norm - 1.0) <= normslack))
    throw problem{bandline_, "an eigenvector of norm " + significant(std::sqrt(norm)) +
                                 ", not 1: phonopy writes them normalised"};
}

void meshvalues::endqpoint() {
  ++qpoints;
  if (!hasweight_) throw problem{q_.line, "a q-point without a weight: not phonopy's mesh output"};
  if (q_.frequencies.empty()) throw problem{q_.line, "a q-point without frequencies"};
  if (bands < 0) bands = static_cast<long>(q_.frequencies.size());
  if (static_cast<long>(q_.frequencies.size()) != bands)
    throw problem{q_.line, "a q-point with " + std::to_string(q_.frequencies.size()) + " frequencies, where the first had " +
                               std::to_string(bands)};
  // The modes so far and this q-point's, counted exactly.
  if (!(q_.weight <= static_cast<double>(maxmodes)) || weights + static_cast<long>(q_.weight) > maxmodes / bands)
    throw problem{weightline_, "the q-points' weights add up to more than " + std::to_string(maxmodes) + " modes (" +
                                   std::to_string(bands) + " a q-point)"};
  weights += static_cast<long>(q_.weight);
  largestweight = std::max(largestweight, q_.weight);
  q_.gamma = positions_ == 3 && whole_;
  if (detail_) {
    if (positions_ != 3) throw problem{q_.line, "a q-point without its q-position's three components"};
    if (eigenbands_ != 0 && eigenbands_ != bands)
      throw problem{q_.line, "a q-point with eigenvectors for " + std::to_string(eigenbands_) + " of its " +
                                 std::to_string(bands) + " bands"};
    if (qpoints == 1) eigenvectors = eigenbands_ > 0;
    if ((eigenbands_ > 0) != eigenvectors)
      throw problem{q_.line, eigenvectors ? "a q-point without eigenvectors, where the first had them"
                                          : "a q-point with eigenvectors, where the first had none"};
    if (eigenvectors && atoms > 0 && atomsper_ != atoms)
      throw problem{q_.line, "eigenvectors of " + std::to_string(atomsper_) + " atoms, but natom is " + std::to_string(atoms)};
  }
  sink_->qpoint(q_);
}

void meshvalues::finish() {
  if (qpoints == 0) throw problem{0, "no q-points: a mesh.yaml holds a 'phonon' list of q-points with their weights and bands"};
  if (atoms == 0) atoms = bands / 3;
  if (bands != 3 * atoms)
    throw problem{0, "natom: " + std::to_string(atoms) + " atoms, but " + std::to_string(bands) + " frequencies a q-point"};
  if (!detail_) return;
  if (eigenvectors && atomsper_ != atoms)
    throw problem{0, "eigenvectors of " + std::to_string(atomsper_) + " atoms, but natom is " + std::to_string(atoms)};
  if (!symbols.empty() && static_cast<long>(symbols.size()) != atoms)
    throw problem{0, "points: " + std::to_string(symbols.size()) + " entries, but natom is " + std::to_string(atoms)};
}

}  // namespace thermo
