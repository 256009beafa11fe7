#include "thermo/cli/driver.hpp"

#include <cstring>
#include <new>
#include <optional>
#include <stdexcept>
#include <string>
#include <sys/stat.h>
#include <vector>

#include "thermo/base/number_text.hpp"
#include "thermo/base/workers.hpp"
#include "thermo/cli/debye_run.hpp"
#include "thermo/cli/displacement_run.hpp"
#include "thermo/cli/grid_run.hpp"
#include "thermo/cli/options.hpp"
#include "thermo/cli/pipeline.hpp"
#include "thermo/cli/qha_run.hpp"
#include "thermo/cli/results_write.hpp"
#include "thermo/cli/strict.hpp"
#include "thermo/formats/outputs/output.hpp"

namespace thermo {

namespace {

int runall(int argc, const char* const* argv, common::outchannel& out, common::outchannel& err) {
  options o;
  if (const int status = parseoptions(argc, argv, o, out, err); status >= 0) return status;
  // The umask, for a file --write-pds or --write-fv creates; read before any
  // thread starts.
  const mode_t mask = ::umask(0);
  ::umask(mask);
  o.newfilemode = 0666 & ~mask;
  if (o.debye.on) return rundebye(o, out, err);
  if (!o.aniso.gridfile.empty()) return rungrid(o, out, err);
  if (!o.qha.evfile.empty()) return runqha(o, out, err);
  if (o.displacements) return rundisplacements(o, out, err);

  int status = 0;
  const std::size_t n = o.files.size();
  const bool filecolumn = n > 1;
  auto say = [&](const std::string& s) { err.write(s.data(), s.size()); };
  auto cannotwrite = [&](const std::string* file, int e) {
    say(thermo::cannotwrite(e, file ? showpath(*file) : std::string()));
    status = 1;
    return false;
  };
  if (o.csv) {
    const std::string head = csvheader(filecolumn);
    if (const int e = out.write(head.data(), head.size()); e != 0) return cannotwrite(nullptr, e), 1;
  }
  // Each file's messages, then its rows, in the order the files were given.
  // The rows after a file's first block are made here, block by block, and
  // held until the last is made: a file's table is written whole or not at
  // all, never cut short where memory runs out.
  std::vector<std::string> blocks;
  auto take = [&](fileresult r) {
    if (!r.messages.empty()) say(r.messages);
    if (r.failed) status = 1;
    if (r.fatal) {
      status = 1;
      return false;
    }
    if (o.strict && !r.failed && haswarning(r.messages)) {
      say(strictrefusal(showpath(r.path)));
      status = 1;
      return true;
    }
    blocks.clear();
    try {
      while (r.rest && r.rest->more(o.temps, blocks.emplace_back(), true)) {
      }
    } catch (const std::bad_alloc&) {
      blocks = {};
      say("lattice_thermo: " + showpath(r.path) + ": not enough memory for its " + std::to_string(o.temps.count()) +
          " rows, which are held until all are made: none written\n");
      status = 1;
      return true;
    }
    if (const int e = out.write(r.rows.data(), r.rows.size()); e != 0) return cannotwrite(&r.path, e);
    for (const std::string& block : blocks)
      if (const int e = out.write(block.data(), block.size()); e != 0) return cannotwrite(&r.path, e);
    return true;
  };
  // Standard input is read here, on this thread, before any worker starts.
  std::size_t stdinat = n;
  loaded stdinfile;
  std::string stdinmessage;
  bool stdinok = false;
  for (std::size_t i = 0; i < n; ++i)
    if (o.files[i] == "-") {
      filescratch scratch;
      stdinat = i;
      try {
        stdinok = readfile("-", o.read, o.atoms, scratch, stdinfile, stdinmessage);
      } catch (const std::bad_alloc&) {
        stdinfile = loaded{};
        stdinmessage = "lattice_thermo: -: not enough memory\n";
      }
    }
  auto make = [&](filescratch& scratch, std::size_t i, bool split) {
    fileresult r;
    r.path = o.files[i];
    r.failed = true;
    try {
      if (i != stdinat) return onefile(o.files[i], o, filecolumn, split, scratch);
      if (stdinok) return finishfile("-", o, filecolumn, split, stdinfile);
      r.messages = stdinmessage;
    } catch (const std::bad_alloc&) {
      // A file with more points than memory holds, or rows that memory
      // cannot hold, fails alone.
      r.messages = "lattice_thermo: " + showpath(o.files[i]) + ": not enough memory\n";
    }
    return r;
  };
  if (n == 1) {
    // One file: the temperatures of each block are shared by two threads.
    filescratch scratch;
    take(make(scratch, 0, true));
  } else {
    inorder<fileresult, filescratch>(
        n, [&](filescratch& scratch, std::size_t i) { return make(scratch, i, false); }, take);
  }
  return status;
}

}  // namespace

int run(int argc, const char* const* argv, common::outchannel& out, common::outchannel& err) {
  // Memory that runs out where no file can take the blame (the workers, the
  // quasi-harmonic fit) ends the run with a message, never an abort; the
  // message is written without taking more memory.
  auto fail = [&](const char* why) {
    for (const char* part : {"lattice_thermo: ", why, "\n"}) err.write(part, std::strlen(part));
    return 1;
  };
  try {
    return runall(argc, argv, out, err);
  } catch (const std::bad_alloc&) {
    return fail("not enough memory");
  } catch (const std::length_error&) {
    return fail("not enough memory");
  } catch (const std::exception& e) {
    return fail(e.what());
  }
}

}  // namespace thermo
