#include "thermo/driver.hpp"

#include <cstring>
#include <string>

#include "thermo/options.hpp"
#include "thermo/output.hpp"
#include "thermo/pipeline.hpp"
#include "thermo/workers.hpp"

namespace thermo {

int run(int argc, const char* const* argv, common::outchannel& out, common::outchannel& err) {
  options o;
  if (const int status = parseoptions(argc, argv, o, out, err); status >= 0) return status;
  int status = 0;
  const std::size_t n = o.files.size();
  const bool filecolumn = n > 1;
  if (o.csv) {
    const std::string head = csvheader(filecolumn);
    if (out.write(head.data(), head.size()) != 0) return 1;
  }
  // Each file's messages, then its rows, in the order the files were given.
  auto take = [&](fileresult r) {
    if (!r.messages.empty()) err.write(r.messages.data(), r.messages.size());
    if (r.failed) status = 1;
    if (r.fatal) {
      status = 1;
      return false;
    }
    if (const int e = out.write(r.rows.data(), r.rows.size()); e != 0) {
      const std::string m = std::string("lattice_thermo: cannot write the results: ") + std::strerror(e) + "\n";
      err.write(m.data(), m.size());
      status = 1;
      return false;
    }
    return true;
  };
  if (n == 1) {
    // One file: its temperatures are shared by two threads instead.
    filescratch scratch;
    take(onefile(o.files[0], o, filecolumn, true, scratch));
  } else {
    inorder<fileresult, filescratch>(
        n, [&](filescratch& scratch, std::size_t i) { return onefile(o.files[i], o, filecolumn, false, scratch); },
        take);
  }
  return status;
}

}  // namespace thermo
