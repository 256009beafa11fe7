// lattice_thermo: a YAML file as a stream of events (libyaml), handed to a
// handler as they come, so that nothing but what the handler keeps is held
// in memory.
#pragma once

#include <string_view>

#include "thermo/base/problem.hpp"
#include "thermo/formats/text/input.hpp"

namespace thermo {

// What a reader of YAML events implements. Each call may throw a problem,
// which ends the parse.
class yamlhandler {
 public:
  virtual ~yamlhandler() = default;
  // A scalar value (a mapping's keys are not handed on), with the line it
  // starts on and the key it is the value of: "" in a sequence, at the top,
  // and after a key that is not a scalar.
  virtual void scalar(long line, std::string_view key, std::string_view value) = 0;
  // The start of a mapping (map) or a sequence, with the key it is the value
  // of as for a scalar ("" too where the collection is itself a key).
  virtual void start(long line, bool map, std::string_view key) = 0;
  // The end of the innermost mapping or sequence.
  virtual void end() = 0;
};

// Runs the events of the stream's first document through h; false with p
// where the bytes are not YAML, cannot be read, or h throws, and where they
// hold what no phonopy file does: an alias, a key given twice in one
// mapping, nesting deeper than 64 levels, a scalar of more than 1 KiB, or
// more than 1 MiB read without an event (which bounds libyaml's memory,
// since it holds a scalar whole).
bool parseyaml(source& in, yamlhandler& h, problem& p);

}  // namespace thermo
