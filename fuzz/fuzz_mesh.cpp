// Arbitrary bytes as phonopy's mesh.yaml: the first byte picks the options
// (--cutoff-frequency, --pretend-real, --atoms, the CSV or phonopy's YAML,
// the temperatures), the rest is the file. The reader runs on the bytes
// directly, its two readers (phonopy's layout line by line, libyaml's
// events) against each other, then the whole program in process on them as
// a file named *.yaml, and with --displacements. Whatever the bytes,
// nothing may crash; a refusal has its message;
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
#include "thermo/formats/yaml/mesh.hpp"
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

  // Both readers with the eigenvectors and points read, the bytes not
  // binary (which either refuses before reading): where phonopy's layout
  // read line by line takes the file, libyaml takes it too, to the same
  // q-points bit for bit; where the lines refuse it, libyaml does too.
  if (bytes.substr(0, thermo::source::blocksize).find('\0') == std::string_view::npos) {
    struct recorder : thermo::meshsink {
      std::string seen;
      void qpoint(const thermo::meshqpoint& q) override {
        for (const auto* v : {&q.frequencies, &q.eigenvectors})
          seen.append(reinterpret_cast<const char*>(v->data()), v->size() * sizeof(double));
        seen.append(reinterpret_cast<const char*>(&q.weight), sizeof q.weight);
        seen += q.gamma ? 'g' : '.';
      }
    } lines, events;
    thermo::meshvalues byline(lines, true), byevent(events, true);
    thermo::source a(bytes), b(bytes);
    thermo::problem pa, pb;
    std::vector<char> storage;
    const thermo::meshlayout outcome = thermo::readmeshlines(a, byline, pa, storage);
    if (outcome != thermo::meshlayout::elsewise) {
      const bool read = thermo::readmeshyaml(b, byevent, pb);
      if (read != (outcome == thermo::meshlayout::read)) std::abort();
      if (read && (lines.seen != events.seen || byline.symbols != byevent.symbols || byline.atoms != byevent.atoms))
        std::abort();
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

  // --displacements on the same file: exact where it holds eigenvectors,
  // else the mean over the atoms of mass 50.
  std::vector<const char*> dargv = {"lattice_thermo", "--displacements", "--csv", "--tmin", tmin.c_str(), "--tmax",
                                    tmin == "300" ? "400" : "50", "--tstep", "25", "--cutoff-frequency", cutoff};
  if (pretend) dargv.push_back("--pretend-real");
  if (a & 8) dargv.insert(dargv.end(), {"--mass", "50"});
  dargv.push_back(file.path.c_str());
  common::stringchannel dout, derr;
  const int dstatus = thermo::run(static_cast<int>(dargv.size()), dargv.data(), dout, derr);
  if (dstatus < 0 || dstatus > 2 || (dstatus != 0 && derr.text().empty())) std::abort();
  // Every number finite: the fields from the mass on (the element, third,
  // may be any symbol).
  const std::string& rows = dout.text();
  for (std::size_t p = rows.find('\n') + 1; dstatus == 0 && p < rows.size(); p = rows.find('\n', p) + 1) {
    std::size_t at = p;
    for (int k = 0; k < 3; ++k) at = rows.find(',', at) + 1;
    for (const std::size_t end = rows.find('\n', p); at < end; at = rows.find(',', at) + 1) {
      if (!std::isfinite(std::strtod(rows.c_str() + at, nullptr))) std::abort();
      if (rows.find(',', at) > end) break;
    }
  }
  return 0;
}
