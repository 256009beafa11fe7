// Arbitrary bytes as the inputs of a whole quasi-harmonic run and of
// --displacements: the first byte picks the options (--efe, the volumes'
// files named .yaml or .dat, two phases with --transitions, the equation of
// state, pressures, --exclude-imaginary, the temperatures, --mass), the rest
// is split at each "\n%%\n" into e-v.dat, fe-v.dat (or, with --transitions,
// the second phase's E(V)) and a file for each volume (a DOS, a projected DOS, phonopy's mesh.yaml or
// thermal_properties.yaml, as the bytes make them). The program runs in
// process: --qha on them, and --displacements on the first volume's file.
// Whatever the bytes, nothing may crash; it exits 0, 1 or 2 and says why
// where it is not 0; every CSV row has the header's fields, and a
// transition row never a nan or an inf.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>
#include <sys/mman.h>
#include <unistd.h>
#include <vector>

#include "common/channel.hpp"
#include "thermo/cli/driver.hpp"

namespace {

constexpr std::size_t volumes = 8;  // files for volumes at most

// The name of volume k's file.
std::string volumename(std::size_t k, const char* extension) {
  std::string name = "v";
  name += std::to_string(k);
  return name += extension;
}

// Files in memory under the names the program sees: each a memory file
// behind symbolic links of its names in a folder of its own.
struct memoryfiles {
  std::string dir;
  std::vector<int> fds;
  memoryfiles() {
    char name[] = "/tmp/fuzz_qha_XXXXXX";
    if (::mkdtemp(name) == nullptr) std::abort();
    dir = name;
    auto make = [&](const std::vector<std::string>& names) {
      const int fd = ::memfd_create("fuzz_qha", 0);
      if (fd < 0) std::abort();
      for (const std::string& n : names)
        if (::symlink(("/proc/self/fd/" + std::to_string(fd)).c_str(), (dir + "/" + n).c_str()) != 0) std::abort();
      fds.push_back(fd);
    };
    make({"e-v.dat"});
    make({"fe-v.dat"});
    for (std::size_t k = 0; k < volumes; ++k) make({volumename(k, ".yaml"), volumename(k, ".dat")});
  }
  void hold(std::size_t k, std::string_view bytes) const {
    if (::ftruncate(fds[k], 0) != 0) std::abort();
    if (!bytes.empty() && ::pwrite(fds[k], bytes.data(), bytes.size(), 0) != static_cast<ssize_t>(bytes.size()))
      std::abort();
  }
};

// The program on args; aborts where it ends in a way it must not.
std::string run(const std::vector<std::string>& args, int& status) {
  std::vector<const char*> argv = {"lattice_thermo"};
  for (const std::string& a : args) argv.push_back(a.c_str());
  common::stringchannel out, err;
  status = thermo::run(static_cast<int>(argv.size()), argv.data(), out, err);
  if (status < 0 || status > 2) std::abort();
  if (status != 0 && err.text().empty()) std::abort();  // a failure always says why
  if (!out.text().empty() && out.text().back() != '\n') std::abort();  // rows end whole
  return out.text();
}

// Every row of a CSV with the header's count of fields (the phases' names
// hold no comma); `finite`: none of them nan or inf.
void checkcsv(const std::string& csv, bool finite) {
  std::size_t fields = std::string::npos;
  for (std::size_t p = 0; p < csv.size();) {
    const std::size_t e = csv.find('\n', p);
    const std::string_view row(csv.data() + p, e - p);
    const std::size_t n = static_cast<std::size_t>(std::count(row.begin(), row.end(), ','));
    if (fields != std::string::npos && n != fields) std::abort();
    if (fields != std::string::npos && finite && (row.find("nan") != row.npos || row.find("inf") != row.npos))
      std::abort();
    fields = n;
    p = e + 1;
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size < 2) return 0;
  const std::uint8_t a = data[0];
  const std::string_view bytes(reinterpret_cast<const char*>(data + 1), size - 1);
  std::vector<std::string_view> parts;
  for (std::size_t p = 0;;) {
    const std::size_t e = bytes.find("\n%%\n", p);
    parts.push_back(bytes.substr(p, e == std::string_view::npos ? std::string_view::npos : e - p));
    if (e == std::string_view::npos) break;
    p = e + 4;
  }
  static const memoryfiles files;
  const std::size_t n = parts.size() < 3 ? 0 : std::min(parts.size() - 2, volumes);
  for (std::size_t k = 0; k < 2 + volumes; ++k) files.hold(k, k < parts.size() && k < 2 + n ? parts[k] : "");
  if (n == 0) return 0;
  std::vector<std::string> volumefiles;
  for (std::size_t k = 0; k < n; ++k) volumefiles.push_back(files.dir + "/" + volumename(k, (a & 2) ? ".yaml" : ".dat"));

  // The quasi-harmonic run: one phase, or two with --transitions, the
  // second's E(V) the part that is else fe-v.dat.
  std::vector<std::string> args = {"--csv"};
  if (a & 0x80) args.insert(args.end(), {"--temperatures", "0,300"});
  else args.insert(args.end(), {"--tmax", "30", "--tstep", "10"});
  if (a & 0x10) args.insert(args.end(), {"--eos", "birch_murnaghan"});
  if (a & 8) args.push_back("--exclude-imaginary");
  const bool transitions = (a & 4) != 0;
  if (!transitions && (a & 0x20)) args.insert(args.end(), {"--pressure", "0,3"});
  for (int phase = 0; phase < (transitions ? 2 : 1); ++phase) {
    args.insert(args.end(), {"--qha", files.dir + (phase == 0 ? "/e-v.dat" : "/fe-v.dat")});
    if ((a & 1) && !transitions) args.insert(args.end(), {"--efe", files.dir + "/fe-v.dat"});
    args.insert(args.end(), volumefiles.begin(), volumefiles.end());
  }
  if (transitions) args.insert(args.end(), {"--phase-names", "a,b", "--transitions", "-2,10"});
  int status;
  const std::string rows = run(args, status);
  if (status == 0 || transitions) checkcsv(rows, transitions);

  // --displacements on the first volume's file: a mesh.yaml's exact sums, a
  // projected DOS's columns, or a total DOS's mean.
  std::vector<std::string> dargs = {"--displacements", "--csv", "--tmax", "20", "--tstep", "10"};
  if (a & 0x40) dargs.insert(dargs.end(), {"--mass", "50"});
  dargs.push_back(volumefiles[0]);
  const std::string drows = run(dargs, status);
  if (status == 0) checkcsv(drows, false);
  return 0;
}
