// lattice_thermo: what both readers of phonopy's mesh.yaml (its YAML events,
// `mesh`, and phonopy's own layout line by line, `mesh_lines`) do with each
// value they meet: the checks it must pass, and the q-points handed on whole
// as they end, so that a file's memory is one q-point's.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "thermo/base/problem.hpp"

namespace thermo {

// One q-point as read.
struct meshqpoint {
  long line = 0;                     // where it starts
  double weight = 0.0;               // a whole number of the mesh's q-points
  bool gamma = false;                // its q-position is a reciprocal lattice vector (q = 0)
  std::vector<double> frequencies;   // THz, a band each
  std::vector<double> eigenvectors;  // with detail, where the file has them: 6 natom a band,
                                     // (real, imaginary) of x, y, z, atom by atom
};

// Where q-points go. qpoint may throw a problem.
class meshsink {
 public:
  virtual ~meshsink() = default;
  virtual void qpoint(const meshqpoint& q) = 0;
};

// The values of a mesh.yaml, each checked where it is read (a problem thrown
// with its line), the q-points handed to a sink. Without `detail`, the
// q-points' eigenvectors and the `points` pass by unread, as the harmonic
// sums need neither; with it, they are read and checked too.
class meshvalues {
 public:
  meshvalues(meshsink& sink, bool detail) : sink_(&sink), detail_(detail) {}
  bool detail() const { return detail_; }
  // As new, for a file read again from its start.
  void reset() { *this = meshvalues(*sink_, detail_); }

  void natom(long line, std::string_view v);
  void latticecomponent(long line, std::string_view v);
  // An entry of `points`.
  void startpoint();
  void symbol(long line, std::string_view v);
  void mass(long line, std::string_view v);
  // An entry of `phonon`: its start, a component of its q-position, its
  // weight; a band's start, its frequency, its eigenvector's numbers, the
  // end of each (real, imaginary) pair and of each atom's three; the ends.
  void startqpoint(long line);
  void position(long line, std::string_view v);
  void weight(long line, std::string_view v);
  void startband(long line);
  void frequency(long line, std::string_view v);
  void component(long line, std::string_view v);
  void endpair(long line);
  void endatom(long line);
  void endband();
  void endqpoint();
  // The checks of the whole file: q-points at all, natom against the bands,
  // and with detail the points and eigenvectors against natom. Fills natom
  // where the file gives none.
  void finish();

  // What was read besides the q-points.
  long atoms = 0;                   // natom: atoms per cell
  long qpoints = 0;
  long bands = -1;                  // frequencies a q-point, the same at each
  long weights = 0;                 // their sum
  std::vector<double> lattice;      // the rows of `lattice`, A
  std::vector<std::string> symbols; // with detail: a point's symbol ("" where none)
  std::vector<double> masses;       // and its mass, amu (NaN where none)
  bool eigenvectors = false;        // with detail: every band has one
  double largestweight = 0.0;

 private:
  meshsink* sink_;  // a pointer, so that reset() can assign
  bool detail_;
  meshqpoint q_;
  bool hasweight_ = false;
  long weightline_ = 0;
  int positions_ = 0;        // components of the q-position read
  bool whole_ = true;        // each of them a whole number
  std::size_t bandstart_ = 0;  // where the band's eigenvector begins in q_.eigenvectors
  std::size_t pairstart_ = 0, atomstart_ = 0;
  long bandline_ = 0;
  std::size_t bandfrequencies_ = 0;  // the q-point's frequencies before the band
  long eigenbands_ = 0;      // bands of this q-point with an eigenvector
  long atomsper_ = -1;       // atoms in each band's eigenvector, the same throughout
};

}  // namespace thermo
