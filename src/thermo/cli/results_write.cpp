#include "thermo/cli/results_write.hpp"

#include <cstring>

#include "thermo/base/problem.hpp"

namespace thermo {

std::string cannotwrite(int e, const std::string& file) {
  return "lattice_thermo: cannot write the results" + (file.empty() ? std::string() : " of " + file) + ": " +
         std::strerror(e) + "\n";
}

bool writeresults(common::outchannel& out, common::outchannel& err, std::string& messages, const std::string& text) {
  err.write(messages.data(), messages.size());
  messages.clear();
  if (const int e = out.write(text.data(), text.size()); e != 0) {
    const std::string why = cannotwrite(e);
    err.write(why.data(), why.size());
    return false;
  }
  return true;
}

bool writeresults(common::outchannel& out, common::outchannel& err, std::string& messages, const std::string& text,
                  atomicfile* fv, std::string& fvtext, const std::string& fvpath) {
  bool ok = writeresults(out, err, messages, text);
  std::string why;
  if (ok && fv != nullptr && !fv->write(fvtext, why)) {
    const std::string line = "lattice_thermo: " + showpath(fvpath) + ": " + why + "\n";
    err.write(line.data(), line.size());
    ok = false;
  }
  fvtext.clear();
  return ok;
}

}  // namespace thermo
