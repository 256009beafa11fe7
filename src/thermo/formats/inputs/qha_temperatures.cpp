#include "thermo/formats/inputs/qha_temperatures.hpp"

#include <cmath>
#include <limits>

#include "thermo/base/number_text.hpp"

namespace thermo {

namespace {

// "the nearest are 290 and 300 K" for a temperature not in the table.
std::string nearest(const tabulated& table, double t) {
  long below, above;
  neighbours(table, t, below, above);
  auto at = [&](long k) { return shortest(table.temperature[static_cast<std::size_t>(k)]); };
  if (below >= 0 && above >= 0) return "the nearest are " + at(below) + " and " + at(above) + " K";
  return "the nearest is " + at(below >= 0 ? below : above) + " K";
}

}  // namespace

int choosetemperatures(qhaphase& ph) {
  temperatures& t = ph.temps;
  const tabulated& phonons = ph.model.phonons;
  const std::string files = "the thermal_properties.yaml files";
  if (ph.tables) {
    std::vector<double> chosen;
    auto pick = [&](double x, const char* option) {
      const long k = phonons.find(x);
      if (k < 0) {
        ph.messages += "lattice_thermo: " + std::string(option) + ": " + shortest(x) + " K is not among the temperatures of " +
                       files + " (" + nearest(phonons, x) + ")\n";
        return false;
      }
      chosen.push_back(phonons.temperature[static_cast<std::size_t>(k)]);
      return true;
    };
    if (!t.list.empty()) {
      for (double x : t.list)
        if (!pick(x, "--temperatures")) return 2;
    } else if (t.stepgiven) {
      // From tmin (else the files' first) every tstep to tmax (else their last).
      temperatures grid = t;
      if (!t.mingiven) grid.tmin = phonons.temperature.front();
      if (!t.maxgiven) grid.tmax = phonons.temperature.back();
      for (long i = 0; i < grid.count(); ++i)
        if (!pick(grid.at(i), "--tstep")) return 2;
    } else {
      const double lo = t.mingiven ? t.tmin : 0.0;
      const double hi = t.maxgiven ? t.tmax : std::numeric_limits<double>::infinity();
      for (double x : phonons.temperature)
        if (x >= lo - 1e-6 && x <= hi + 1e-6) chosen.push_back(x);
      if (chosen.empty()) {
        ph.messages += "lattice_thermo: --tmin/--tmax: no temperature of " + files + " lies from " + shortest(lo) +
                       " to " + shortest(hi) + " K (they hold " + shortest(phonons.temperature.front()) + " to " +
                       shortest(phonons.temperature.back()) + " K)\n";
        return 2;
      }
    }
    t.list = std::move(chosen);
  }
  const tabulated& electrons = ph.model.electrons;
  if (!electrons.empty())
    for (long i = 0; i < t.count(); ++i)
      if (electrons.find(t.at(i)) < 0) {
        ph.messages += "lattice_thermo: " + ph.names.efe + ": " + shortest(t.at(i)) +
                       " K is not among its temperatures (" + nearest(electrons, t.at(i)) +
                       "): each temperature of the rows must be there, and none is interpolated\n";
        return 1;
      }
  return -1;
}

}  // namespace thermo
