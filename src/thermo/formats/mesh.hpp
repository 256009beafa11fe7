// lattice_thermo: phonopy's mesh.yaml, the phonon frequencies (THz) at each
// q-point of a mesh with the q-points' weights, read as a stream of YAML
// events (libyaml): eigenvectors, where the file has them, pass by
// unstored, so memory grows with the modes alone.
#pragma once

#include <string_view>

#include "thermo/harmonic/dos.hpp"
#include "thermo/harmonic/harmonic.hpp"
#include "thermo/formats/input.hpp"

namespace thermo {

struct meshinfo {
  long natom = 0;                 // atoms per cell
  long qpoints = 0;
  long modes = 0;                 // 3 natom times the sum of the weights, as phonopy counts
  long integratedmodes = 0;       // of those, the modes above the cutoff
  double volume = 0.0;            // A^3, of the cell `lattice` gives (0: none)
};

// Whether the first bytes of a file (or its name) say it is a mesh.yaml.
bool looksmesh(std::string_view path, std::string_view head);

// Reads a mesh.yaml into d: every mode above `cutoff` (THz; with
// `pretendreal`, imaginary modes, written as negative frequencies, count
// with their absolute value) with the weight of its q-point over the sum of
// the weights, so that the sums are per cell as phonopy makes them. The
// modes at or below the cutoff count in d.states and d.below. False with p
// (the line where one applies) on a problem.
bool readmesh(source& in, double cutoff, bool pretendreal, harmonicdos& d, meshinfo& info, problem& p);

}  // namespace thermo
