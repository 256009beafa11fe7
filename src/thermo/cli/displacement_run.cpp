#include "thermo/cli/displacement_run.hpp"

#include <algorithm>
#include <cstring>
#include <new>
#include <string>
#include <vector>

#include "thermo/formats/outputs/displacement_output.hpp"

namespace thermo {

namespace {

// Temperatures whose rows are made and written at a time.
constexpr std::size_t block = 4096;

}  // namespace

int rundisplacements(const options& o, common::outchannel& out, common::outchannel& err) {
  int status = 0;
  auto say = [&](const std::string& s) { err.write(s.data(), s.size()); };
  std::vector<double> t(static_cast<std::size_t>(o.temps.count()));
  for (std::size_t i = 0; i < t.size(); ++i) t[i] = o.temps.at(static_cast<long>(i));
  const bool filecolumn = o.files.size() > 1;
  const double kev = o.displace.mossbauer;
  bool headed = false, matrices = false;  // the CSV's header, and whether it has the u_ab
  filescratch scratch;
  for (const std::string& path : o.files) {
    source in;
    std::string why, message, rows;
    displacementtable table;
    bool ok = false;
    try {
      if (!in.open(path, why)) message = "lattice_thermo: " + showpath(path) + ": " + why + "\n";
      else ok = readdisplacements(in, path, o.read, o.displace, o.atoms, t, true, {}, scratch, table, message);
    } catch (const std::bad_alloc&) {
      message = "lattice_thermo: " + showpath(path) + ": not enough memory\n";
      ok = false;
    }
    say(ok ? table.notes : message);
    if (!ok) {
      status = 1;
      continue;
    }
    if (o.csv && !headed) {
      headed = true;
      matrices = table.matrices;
      rows = displacementcsvheader(filecolumn, matrices, kev > 0.0);
    } else if (o.csv && table.matrices && !matrices) {
      say("lattice_thermo: " + showpath(path) + ": warning: its u_ab are left out, as the CSV's columns are the first "
          "file's, which had no eigenvectors: run it alone for them\n");
    }
    if (!o.csv) appenddisplacementheader(rows, showpath(path), table, kev);
    for (std::size_t from = 0; from < t.size(); from += block) {
      appenddisplacementrows(rows, table, from, std::min(t.size(), from + block), kev, o.csv, matrices,
                             filecolumn ? path : std::string());
      if (const int e = out.write(rows.data(), rows.size()); e != 0) {
        say("lattice_thermo: cannot write the results of " + showpath(path) + ": " + std::strerror(e) + "\n");
        return 1;
      }
      rows.clear();
    }
  }
  return status;
}

}  // namespace thermo
