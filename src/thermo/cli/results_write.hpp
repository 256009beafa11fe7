// lattice_thermo: a run's rows to standard output, the messages gathered
// before them first, and the line that says where that failed.
#pragma once

#include <string>

#include "common/channel.hpp"
#include "thermo/formats/outputs/atomic_write.hpp"

namespace thermo {

// "lattice_thermo: cannot write the results[ of FILE]: why\n" for errno e;
// `file` as messages show it, or empty for the run's results.
std::string cannotwrite(int e, const std::string& file = {});

// messages to err (then cleared), text to out; false, with cannotwrite's
// line on err, where out refuses it.
bool writeresults(common::outchannel& out, common::outchannel& err, std::string& messages, const std::string& text);

// The same, then what --write-fv has gathered (fvtext, cleared) to fv where
// there is one (fvpath its path); false where either fails, with the cause.
bool writeresults(common::outchannel& out, common::outchannel& err, std::string& messages, const std::string& text,
                  atomicfile* fv, std::string& fvtext, const std::string& fvpath);

}  // namespace thermo
