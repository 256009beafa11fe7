// lattice_thermo: which of phonopy's YAML files a file is, known by its
// top-level keys in any layout (block or flow style, LF, CRLF or lone-CR
// line ends, the deciding key however far in), never by its name alone.
#pragma once

#include <string>

#include "thermo/formats/text/input.hpp"

namespace thermo {

enum class yamlkind {
  other,    // not YAML, or none of the keys below at its top
  thermal,  // a thermal_properties.yaml: a top-level `thermal_properties`
  mesh,     // a mesh.yaml (or another of phonopy's band files): `phonon`, `mesh` or `nqpoint`
};

// The kind the first of those keys at the top of the file says, from the
// first bytes of `in` (peeked, so that in still reads from its start):
// phonopy's own layout by its lines, any other where the first bytes hold
// YAML by libyaml's events; a file longer than them whose first bytes hold
// a mapping without a deciding key is read on from `path` where the file
// can be read again (source::rereadable: not standard input nor a pipe).
yamlkind yamlkindof(const std::string& path, source& in);

}  // namespace thermo
