#include "thermo/formats/inputs/qha_files.hpp"

#include <algorithm>
#include <cmath>

#include "thermo/base/number_text.hpp"
#include "thermo/base/workers.hpp"
#include "thermo/formats/yaml/yaml_kind.hpp"
#include "thermo/harmonic/constants.hpp"

namespace thermo {

namespace {

constexpr double kjmol = elementary * avogadro / 1000.0;  // kJ/mol per eV
constexpr double jmol = elementary * avogadro;            // J/mol per eV

volumefile readvolume(const std::string& path, const readoptions& ro, double atoms, filescratch& scratch) {
  volumefile r;
  source in;
  std::string why;
  if (!in.open(path, why)) {
    r.message = "lattice_thermo: " + showpath(path) + ": " + why + "\n";
    return r;
  }
  if (!ro.pds && yamlkindof(path, in) == yamlkind::thermal) {
    r.table = true;
    problem p;
    r.ok = readthermalfile(path, in, r.tab, p, scratch.lines);
    if (!r.ok) r.message = messageof(path, p);
    return r;
  }
  r.ok = readopened(in, path, ro, atoms, scratch, r.dos, r.message);
  if (r.ok) r.message = r.dos.notes;
  return r;
}

}  // namespace

bool imaginary(const volumefile& f) {
  if (f.table) return f.tab.modes >= 0.0 && f.tab.integratedmodes >= 0.0 && f.tab.modes - f.tab.integratedmodes > 3.0;
  return imaginaryshare(f.dos) > 1e-3;
}

bool tablesof(const std::vector<volumefile>& v, const std::vector<std::string>& paths, tabulated& t,
              std::string& messages) {
  const thermaltable& first = v[0].tab;
  const std::size_t n = v.size(), m = first.temperature.size();
  for (std::size_t i = 1; i < n; ++i) {
    const thermaltable& x = v[i].tab;
    for (std::size_t k = 0; k < std::max(m, x.temperature.size()); ++k) {
      if (k < m && k < x.temperature.size() && std::fabs(x.temperature[k] - first.temperature[k]) <= 1e-6) continue;
      const std::string every = ": every thermal_properties.yaml must hold the same temperatures";
      if (k >= m || k >= x.temperature.size())
        messages += messageof(paths[i], {0, "it holds " + std::to_string(x.temperature.size()) + " temperatures, where " +
                                                showpath(paths[0]) + " holds " + std::to_string(m) + every});
      else
        messages += messageof(paths[i], {x.line[k], "temperature " + std::to_string(k + 1) + " is " +
                                                        shortest(x.temperature[k]) + " K, where " + showpath(paths[0]) +
                                                        " has " + shortest(first.temperature[k]) + " K" + every});
      return false;
    }
  }
  t.temperature = first.temperature;
  t.volumes = n;
  t.f.resize(n * m);
  t.df.resize(n * m);
  t.d2f.resize(n * m);
  for (std::size_t k = 0; k < m; ++k)
    for (std::size_t i = 0; i < n; ++i) {
      const thermaltable& x = v[i].tab;
      const double temp = first.temperature[k];
      t.f[k * n + i] = x.free_energy[k] / kjmol;
      t.df[k * n + i] = -x.entropy[k] / jmol;
      t.d2f[k * n + i] = temp > 0.0 ? -x.heat_capacity[k] / (temp * jmol) : 0.0;
    }
  return true;
}

bool readvolumes(const std::vector<std::string>& paths, const readoptions& ro, double atoms, bool leaveout,
                 std::vector<volumefile>& files, std::string& messages) {
  const std::size_t n = paths.size();
  files.assign(n, volumefile{});
  bool ok = true;
  std::size_t taken = 0;
  inorder<volumefile, filescratch>(
      n, [&](filescratch& sc, std::size_t i) { return readvolume(paths[i], ro, atoms, sc); },
      [&](volumefile r) {
        if (const std::string& b = r.dos.belownote; leaveout && r.ok && !r.table && imaginary(r) && !b.empty())
          if (const std::size_t at = r.message.find(b); at != std::string::npos) r.message.erase(at, b.size());
        messages += r.message;
        ok = ok && r.ok;
        files[taken++] = std::move(r);
        return true;
      });
  return ok;
}

}  // namespace thermo
