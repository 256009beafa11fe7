// lattice_thermo: phonopy's mesh.yaml, the phonon frequencies (THz) at each
// q-point of a mesh with the q-points' weights, and where asked for the
// eigenvectors and the atoms' masses: phonopy's own layout line by line
// (`mesh_lines`), any other YAML as a stream of events (libyaml), each value
// checked where it is read (`mesh_values`) and each q-point handed on as it
// ends, so that memory grows with the modes kept alone.
#pragma once

#include <cstddef>
#include <functional>
#include <string>
#include <string_view>
#include <tuple>
#include <vector>

#include "thermo/formats/text/input.hpp"
#include "thermo/formats/yaml/mesh_values.hpp"
#include "thermo/harmonic/dos.hpp"
#include "thermo/harmonic/harmonic.hpp"

namespace thermo {

struct meshinfo {
  long natom = 0;                 // atoms per cell
  long qpoints = 0;
  long modes = 0;                 // 3 natom times the sum of the weights, as phonopy counts
  long integratedmodes = 0;       // of those, the modes above the cutoff
  double volume = 0.0;            // A^3, of the cell `lattice` gives (0: none)
  std::vector<std::size_t> rigid;  // the modes of d that are the three of least |f| at q = 0 (increasing):
                                   // the rigid translations, which no displacement sums
  double rigidbelow = 0.0;  // states of d.below that are those three (at or below the cutoff): not imaginary modes
};

// Whether the first bytes of a file (or its name) say it is a mesh.yaml.
bool looksmesh(std::string_view path, std::string_view head);

// Reads a mesh.yaml's values into `values` (its q-points to values' sink).
// Where `in` can be read again from `path` (source::rereadable), phonopy's
// own layout is read line by line, some ten times faster than libyaml; a
// file that departs from it anywhere is read again from its start as YAML,
// after values.reset() and `restart()` (which makes the sink as new).
// Anything else (standard input, a pipe, a text) is read as YAML.
// False with p (the line where one applies) on a problem.
bool readmeshvalues(const std::string& path, source& in, meshvalues& values, const std::function<void()>& restart,
                    problem& p, std::vector<char>& storage);

// The two readers: phonopy's layout, `elsewise` where the file departs from
// it (what was read must then be read again), and YAML events.
enum class meshlayout { read, elsewise, failed };
meshlayout readmeshlines(source& in, meshvalues& values, problem& p, std::vector<char>& storage);
bool readmeshyaml(source& in, meshvalues& values, problem& p);

// The harmonic sums' modes as q-points come: each frequency (THz) with its
// q-point's weight, and whether it is one of the three of least |f| at
// q = 0, the rigid translations.
struct modecollector : meshsink {
  std::vector<std::tuple<double, double, bool>> modes;
  void qpoint(const meshqpoint& q) override;
};

// Reads a mesh.yaml into d: every mode above `cutoff` (THz; with
// `pretendreal`, imaginary modes, written as negative frequencies, count
// with their absolute value) with the weight of its q-point over the sum of
// the weights, so that the sums are per cell as phonopy makes them. The
// modes at or below the cutoff count in d.states and d.below. `path` as for
// readmeshvalues. False with p (the line where one applies) on a problem.
bool readmesh(source& in, double cutoff, bool pretendreal, harmonicdos& d, meshinfo& info, problem& p,
              const std::string& path = "", std::vector<char>* storage = nullptr);
// The same from the modes and values read.
bool meshmodes(const modecollector& h, const meshvalues& values, double cutoff, bool pretendreal, harmonicdos& d,
               meshinfo& info, problem& p);

}  // namespace thermo
