// Arbitrary bytes as lattice_thermo's input: the first three bytes pick the
// options (unit or layout, temperatures, --atoms, --per-atom, --csv, how
// many files and which of them is standard input), the rest is split into
// the files. The whole program runs on them in process; the bytes are also
// read as an E(V) file for the quasi-harmonic mode. Whatever the bytes,
// it must not crash, must exit 0, 1 or 2, must say why where it is not 0,
// and every CSV row it writes must hold finite F, S, C and U. The column
// and fixed-layout readers are also run directly on the bytes, and each line
// the column reader's direct path reads must read to the same bits by the
// free-form reader.
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>
#include <string_view>
#include <sys/mman.h>
#include <unistd.h>
#include <vector>

#include "common/channel.hpp"
#include "common/freeform.hpp"
#include "thermo/cli/driver.hpp"
#include "thermo/formats/inputs/ev_file.hpp"
#include "thermo/formats/inputs/pds.hpp"
#include "thermo/formats/text/columns.hpp"
#include "thermo/formats/text/plain_numbers.hpp"
#include "thermo/harmonic/harmonic.hpp"
#include "csv_rows.hpp"

namespace {

// A file descriptor holding the bytes, named by its /proc path.
int memfile(std::string_view bytes) {
  const int fd = ::memfd_create("fuzz", 0);
  if (fd < 0) std::abort();
  if (!bytes.empty() && ::write(fd, bytes.data(), bytes.size()) != static_cast<ssize_t>(bytes.size())) std::abort();
  ::lseek(fd, 0, SEEK_SET);
  return fd;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size < 4) return 0;
  const std::uint8_t a = data[0], b = data[1], c = data[2];
  const std::string_view bytes(reinterpret_cast<const char*>(data + 3), size - 3);

  // The readers alone.
  {
    thermo::spectrum s;
    thermo::problem p;
    const bool ok = (a & 0x80) ? thermo::parsepds(bytes, s, p) : thermo::parsecolumns(bytes, thermo::unit::thz, s, p);
    if (!ok && (p.what.empty() || p.line < 0)) std::abort();
    if (ok) {
      for (std::size_t i = 1; i < s.energy.size(); ++i)
        if (!(s.energy[i] > s.energy[i - 1]) || !std::isfinite(s.dos[i])) std::abort();
      const thermo::harmonicdos d = thermo::prepare(s);
      for (double t : {0.0, 1e-300, 1.0, 300.0, 1e9}) {
        const thermo::harmonic h = thermo::evaluate(d, t);
        if (!std::isfinite(h.free_energy) || !std::isfinite(h.entropy) || !std::isfinite(h.heat_capacity) ||
            !std::isfinite(h.energy))
          std::abort();
      }
    }
  }

  // The direct path against the free-form reader, line by line.
  for (std::size_t at = 0; at < bytes.size();) {
    std::size_t end = bytes.find_first_of("\n\r", at);
    if (end == std::string_view::npos) end = bytes.size();
    const std::string line = std::string(bytes.substr(at, end - at)) + "\n";
    for (int count = 1; count <= 3; ++count) {
      double plain[3], general[3];
      if (!thermo::plainnumbers(std::string_view(line.data(), line.size() - 1), count, plain)) continue;
      common::listreader reader(line.data(), line.size());
      if (reader.readreals(general, count).status != common::readstatus::ok) std::abort();
      if (std::memcmp(plain, general, count * sizeof(double)) != 0) std::abort();
    }
    at = end + 1;
  }

  // The bytes as an E(V) file: a problem with its line, or volumes that are
  // positive, finite and distinct.
  {
    thermo::evdata ev;
    thermo::problem p;
    if (!thermo::parseev(bytes, ev, p)) {
      if (p.what.empty() || p.line < 0) std::abort();
    } else {
      for (std::size_t i = 0; i < ev.volume.size(); ++i) {
        if (!(ev.volume[i] > 0.0) || !std::isfinite(ev.volume[i]) || !std::isfinite(ev.energy[i])) std::abort();
        for (std::size_t j = 0; j < i; ++j)
          if (ev.volume[i] == ev.volume[j]) std::abort();
      }
    }
  }

  // The whole program.
  static const char* const units[] = {"THz", "cm-1", "meV", "eV", "Ry", "Ha"};
  static const char* const tmins[] = {"0", "1e-300", "0.01", "1", "300", "999999990"};
  static const char* const tsteps[] = {"1", "0.5", "100", "1e-300", "1e5", "7"};
  static const char* const atoms[] = {"1", "0.001", "64", "1e6"};
  std::vector<std::string> args = {"lattice_thermo"};
  if (a & 0x80) args.push_back("--pds");
  else if (a & 0x40) args.insert(args.end(), {"--unit", units[a % 6]});
  if (a & 0x20) args.push_back("--csv");
  if (a & 0x10) args.push_back("--per-atom");
  if (a & 0x08) args.insert(args.end(), {"--atoms", atoms[(a >> 1) & 3]});
  const std::string tmin = tmins[b % 6];
  args.insert(args.end(), {"--tmin", tmin, "--tmax", std::to_string(std::atof(tmin.c_str()) + (b >> 3) % 16),
                           "--tstep", tsteps[(b >> 5) % 6]});
  const std::size_t files = 1 + c % 3;
  const std::size_t stdinat = (c >> 2) % 4;  // 3: none
  std::vector<int> fds;
  const int savedin = ::dup(0);
  for (std::size_t i = 0; i < files; ++i) {
    const std::size_t from = bytes.size() * i / files, to = bytes.size() * (i + 1) / files;
    const int fd = memfile(bytes.substr(from, to - from));
    fds.push_back(fd);
    if (i == stdinat) {
      ::dup2(fd, 0);
      args.push_back("-");
    } else {
      args.push_back("/proc/self/fd/" + std::to_string(fd));
    }
  }
  std::vector<const char*> argv;
  for (const auto& s : args) argv.push_back(s.c_str());
  common::stringchannel out, err;
  const int status = thermo::run(static_cast<int>(argv.size()), argv.data(), out, err);
  ::dup2(savedin, 0);
  ::close(savedin);
  for (int fd : fds) ::close(fd);
  if (status < 0 || status > 2) std::abort();
  if (status != 0 && err.text().empty()) std::abort();  // a failure always says why
  if (status != 2 && (a & 0x20)) checkrows(out.text(), files > 1);
  return 0;
}
