// lattice_thermo --displacements: one file read to the thermal displacements
// of its cell's atoms at a list of temperatures, by the route its kind and
// the masses given choose:
//   - phonopy's mesh.yaml with eigenvectors on a whole mesh: the exact sums,
//     per atom and Cartesian component, the masses from the file's `points`
//     (displacement_mesh);
//   - a DOS file of one column per atom (phonopy's projected_dos.dat) with a
//     mass per column: each column normalised to 3 states;
//   - a total DOS, or a mesh.yaml's modes, with one mass: a crystal of one
//     element, every atom the same.
#pragma once

#include <cstddef>
#include <functional>
#include <string>
#include <vector>

#include "thermo/formats/inputs/load.hpp"
#include "thermo/formats/text/input.hpp"

namespace thermo {

// The masses given, and the gamma ray of the Lamb-Mossbauer factor.
struct displacementoptions {
  std::vector<double> masses;  // --masses: amu, one per atom (a DOS column each)
  double mass = 0.0;           // --mass: amu, every atom's (0: not given)
  double mossbauer = 0.0;      // --mossbauer-energy: keV (0: none)
};

// Rows (temperatures times atoms) at most in one file's results, as
// temperatures are in the harmonic mode; a mesh's exact sums are held for
// all of them while it is read, and so at most a sixth of this.
inline constexpr double maxdisplacementrows = 1e7;

// One file's results, with what its header says.
struct displacementtable {
  std::size_t atoms = 0;
  bool matrices = false;              // u_xx ... u_xy per atom (eigenvectors), else <|u|^2> alone
  std::vector<std::string> elements;  // a symbol per atom, "" where the input names none
  std::vector<double> masses;         // amu
  std::vector<double> temperatures;   // K
  std::vector<double> values;         // per temperature, then atom: 6 (xx, yy, zz, yz, xz, xy) or 1; A^2
  std::string route;                  // how the values were made
  std::string unit;                   // the unit read, and where it came from
  std::string leftout;                // the modes or states that take no part
  std::string massesfrom;             // where the masses came from
  std::string notes;                  // warnings, whole lines

  // <|u|^2> of atom j at temperature i: the trace, or the value.
  double meansquare(std::size_t i, std::size_t j) const;
};

// Reads the file at `path` (its source `in`, perhaps peeked at) and fills
// `out` at the temperatures t, the atoms of a total DOS being `atoms` where
// it is positive, else the nearest whole number of its states / 3. `split`:
// two threads may share the sums; `poll` (where set) is called between runs
// of them and may throw to stop the work. False with the file's one-line
// message.
bool readdisplacements(source& in, const std::string& path, const readoptions& ro, const displacementoptions& o,
                       double atoms, const std::vector<double>& t, bool split, const std::function<void()>& poll,
                       filescratch& scratch, displacementtable& out, std::string& message);

// The routes on what is read, for files and for the Python module's arrays.
// Columns, each an atom's DOS (before any treatment), in `unitname`:
bool columndisplacements(std::vector<spectrum>& columns, const readoptions& ro, const displacementoptions& o,
                         const std::vector<double>& t, const std::function<void()>& poll, displacementtable& out,
                         problem& p, const std::string& w);
// A total DOS or a mesh's modes, read and treated:
bool totaldisplacements(const loaded& file, const displacementoptions& o, double atoms, const std::vector<double>& t,
                        const std::function<void()>& poll, displacementtable& out, problem& p, const std::string& w);
// phonopy's mesh.yaml (displacement_mesh):
bool meshdisplacements(source& in, const std::string& path, const readoptions& ro, const displacementoptions& o,
                       const std::vector<double>& t, bool split, const std::function<void()>& poll,
                       filescratch& scratch, displacementtable& out, problem& p, const std::string& w);

// <|u|^2> in A^2 of each atom, of mass `mass` (amu), of a total DOS or a
// mesh's modes (the rigid translations left out) at temperature t.
double totalmeansquare(const loaded& file, double mass, double t);

// The warning, appended to notes, where a tabulated DOS's lowest energies
// leave more than 1 % of <|u|^2> unresolved.
void notecoarse(const loaded& file, const std::string& w, std::string& notes);

// The masses a route takes: `atoms` masses from --masses or --mass, false
// with p where they are missing or miscounted (`what` names the atoms, as
// "DOS columns").
bool massesfor(const displacementoptions& o, std::size_t atoms, const char* what, std::vector<double>& masses,
               problem& p);

// Checks that every value is finite and not negative; false with p where
// one is not.
bool finishtable(displacementtable& out, problem& p);

}  // namespace thermo
