#include "thermo/formats/inputs/ev_units.hpp"

#include <cmath>

#include "thermo/harmonic/constants.hpp"

namespace thermo {

namespace {

bool same(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    const char c = a[i] >= 'A' && a[i] <= 'Z' ? static_cast<char>(a[i] - 'A' + 'a') : a[i];
    if (c != b[i]) return false;
  }
  return true;
}

}  // namespace

bool parseenergyunit(std::string_view name, double& toev) {
  // kJ/mol of cells: 1000 J over Avogadro's number of cells, in eV.
  const struct {
    const char* name;
    double ev;
  } units[] = {{"ev", 1.0},
               {"mev", 1e-3},
               {"ry", rydbergev},
               {"ha", hartreeev},
               {"kj/mol", 1000.0 / (avogadro * elementary)}};
  for (const auto& u : units)
    if (same(name, u.name)) return toev = u.ev, true;
  return false;
}

bool parsevolumeunit(std::string_view name, double& toa3) {
  if (same(name, "a3")) return toa3 = 1.0, true;
  if (same(name, "bohr3")) return toa3 = bohr3, true;
  return false;
}

std::string parseevunits(const std::string& energy, const std::string& volume, fileunits& u) {
  if (!energy.empty() && !parseenergyunit(energy, u.energy))
    return "--energy-unit: unknown unit '" + energy + "'; one of eV, meV, Ry, Ha, kJ/mol";
  if (!volume.empty() && !parsevolumeunit(volume, u.volume))
    return "--volume-unit: unknown unit '" + volume + "'; one of A3, bohr3";
  return "";
}

void toev(double& e, double& low, double factor) {
  if (factor == 1.0) return;
  const double high = e * factor;
  low = std::fma(e, factor, -high) + low * factor;
  e = high;
}

void toevunits(evdata& ev, const fileunits& u) {
  for (double& v : ev.volume) v *= u.volume;
  for (std::size_t i = 0; i < ev.energy.size(); ++i) toev(ev.energy[i], ev.energylow[i], u.energy);
}

}  // namespace thermo
