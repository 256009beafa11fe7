#include "thermo/cli/displacement_run.hpp"

#include <algorithm>
#include <cstring>
#include <new>
#include <string>
#include <vector>

#include "thermo/cli/results_write.hpp"
#include "thermo/cli/strict.hpp"
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
    const bool lost = o.csv && headed && table.matrices && !matrices;  // its u_ab left out
    if (o.strict && (lost || haswarning(table.notes))) {
      if (lost) say("lattice_thermo: " + showpath(path) + ": warning: its u_ab would be left out, as the CSV's columns "
                    "are the first file's, which had no eigenvectors: run it alone for them\n");
      say(strictrefusal(showpath(path)));
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
    // The file's rows made whole before any is written, as the harmonic
    // mode writes them: all of them or none.
    const std::size_t head = rows.size();  // the CSV's header, where this file begins the CSV
    std::vector<std::string> blocks;
    try {
      if (!o.csv) appenddisplacementheader(rows, showpath(path), table, kev);
      for (std::size_t from = 0; from < t.size(); from += block)
        appenddisplacementrows(blocks.emplace_back(), table, from, std::min(t.size(), from + block), kev, o.csv,
                               matrices, filecolumn ? path : std::string());
    } catch (const std::bad_alloc&) {
      blocks = {};
      rows.resize(head);
      say("lattice_thermo: " + showpath(path) + ": not enough memory for its rows: none written\n");
      status = 1;
    }
    blocks.insert(blocks.begin(), std::move(rows));
    for (const std::string& text : blocks)
      if (const int e = out.write(text.data(), text.size()); e != 0) {
        say(cannotwrite(e, showpath(path)));
        return 1;
      }
  }
  return status;
}

}  // namespace thermo
