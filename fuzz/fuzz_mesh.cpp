// Arbitrary bytes as phonopy's mesh.yaml: the first byte picks the options
// (--cutoff-frequency, --pretend-real, --atoms, the CSV or phonopy's YAML,
// the temperatures), the rest is the file. The reader runs on the bytes
// directly, then the whole program in process on them as a file named
// *.yaml. Whatever the bytes, nothing may crash; a refusal has its message;
// a mesh read has its counts consistent and gives finite sums; the program
// exits 0, 1 or 2, says why where it is not 0, and its CSV rows hold finite
// F, S, C and U.
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>
#include <sys/mman.h>
#include <unistd.h>
#include <vector>

#include "common/channel.hpp"
#include "csv_rows.hpp"
#include "thermo/cli/driver.hpp"
#include "thermo/formats/mesh.hpp"
#include "thermo/harmonic/harmonic.hpp"

namespace {

// A path ending in .yaml that names a file in memory, rewritten for each
// input: a symbolic link to the memory file's /proc path.
struct yamlfile {
  int fd = -1;
  std::string path;
  yamlfile() {
    fd = ::memfd_create("fuzz_mesh", 0);
    char dir[] = "/tmp/fuzz_mesh_XXXXXX";
    if (fd < 0 || ::mkdtemp(dir) == nullptr) std::abort();
    path = std::string(dir) + "/mesh.yaml";
    if (::symlink(("/proc/self/fd/" + std::to_string(fd)).c_str(), path.c_str()) != 0) std::abort();
  }
  void hold(std::string_view bytes) const {
    if (::ftruncate(fd, 0) != 0) std::abort();
    if (!bytes.empty() && ::pwrite(fd, bytes.data(), bytes.size(), 0) != static_cast<ssize_t>(bytes.size())) std::abort();
  }
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size < 2) return 0;
  const std::uint8_t a = data[0];
  const std::string_view bytes(reinterpret_cast<const char*>(data + 1), size - 1);
  static const char* const cutoffs[] = {"0", "0.5", "3", "1e-300"};
  const char* cutoff = cutoffs[a & 3];
  const bool pretend = (a & 4) != 0;

  // The reader alone.
  {
    thermo::source in(bytes);
    thermo::harmonicdos d;
    thermo::meshinfo info;
    thermo::problem p;
    if (!thermo::readmesh(in, std::atof(cutoff), pretend, d, info, p)) {
      if (p.what.empty() || p.line < 0) std::abort();
    } else {
      if (info.natom < 1 || info.natom > 1000000 || info.qpoints < 1) std::abort();
      if (info.modes < info.integratedmodes || info.integratedmodes < 1) std::abort();
      if (info.modes % (3 * info.natom) != 0) std::abort();  // 3 natom times the weights' sum
      for (std::size_t i = 0; i < d.energy.size(); ++i)
        if (!(d.energy[i] > 0.0) || !std::isfinite(d.energy[i])) std::abort();
      for (double t : {0.0, 1e-300, 1.0, 300.0, 1e9}) {
        const thermo::harmonic h = thermo::evaluate(d, t);
        if (!std::isfinite(h.free_energy) || !std::isfinite(h.entropy) || !std::isfinite(h.heat_capacity) ||
            !std::isfinite(h.energy))
          std::abort();
      }
    }
  }

  // The whole program.
  static const yamlfile file;
  file.hold(bytes);
  static const char* const tmins[] = {"0", "1e-300", "1", "300"};
  const std::string tmin = tmins[(a >> 5) & 3];
  std::vector<std::string> args = {"lattice_thermo", "--tmin", tmin, "--tmax", tmin == "300" ? "400" : "50",
                                   "--tstep", "25", "--cutoff-frequency", cutoff};
  if (pretend) args.push_back("--pretend-real");
  if (a & 8) args.insert(args.end(), {"--atoms", "2"});
  const bool csv = (a & 16) == 0;
  args.push_back(csv ? "--csv" : "--yaml");
  if (a & 0x80) args.push_back("--per-atom");
  args.push_back(file.path);
  std::vector<const char*> argv;
  for (const auto& s : args) argv.push_back(s.c_str());
  common::stringchannel out, err;
  const int status = thermo::run(static_cast<int>(argv.size()), argv.data(), out, err);
  if (status < 0 || status > 2) std::abort();
  if (status != 0 && err.text().empty()) std::abort();  // a failure always says why
  if (status == 0 && csv) checkrows(out.text(), false);
  return 0;
}
