#include "thermo/formats/inputs/grid_load.hpp"

#include <utility>

#include "thermo/base/number_text.hpp"
#include "thermo/formats/inputs/qha_temperatures.hpp"
#include "thermo/formats/text/lines.hpp"

namespace thermo {

int readgridphase(gridphase& gp) {
  qhaphase& ph = gp.files;
  std::string& messages = ph.messages;
  const std::string name = showpath(ph.evfile);
  {
    source in;
    std::string why;
    problem p;
    filescratch scratch;
    if (!in.open(ph.evfile, why)) return messages += "lattice_thermo: " + name + ": " + why + "\n", 1;
    if (!readgrid(in, gp.grid, p, scratch.lines, gp.units)) return messages += messageof(ph.evfile, p), 1;
  }
  return loadgridphase(gp);
}

int loadgridphase(gridphase& gp) {
  qhaphase& ph = gp.files;
  std::string& messages = ph.messages;
  const std::string name = showpath(ph.evfile);
  const griddata& grid = gp.grid;
  const std::size_t n = grid.line.size();
  if (n != ph.files.size())
    return messages += "lattice_thermo: " + name + ": " + std::to_string(n) + " cells, but " +
                       std::to_string(ph.files.size()) + " files are given: one for each line, in the same order\n",
           1;
  if (!ph.dosatfermi.empty() && ph.dosatfermi.size() != n)
    return messages += "lattice_thermo: --dos-at-fermi gives " + std::to_string(ph.dosatfermi.size()) + " values, but " +
                       name + " " + std::to_string(n) + " cells: one for each, in its order\n",
           1;
  evdata data{grid.volume, grid.energy, grid.energylow, grid.line};
  qhainput in;
  findings found;
  phononinfo phonons;
  if (!readpoints(ph, data, in, found, phonons)) return 1;
  checkelectrons(in, ph.names, found);
  messages += found.warnings + found.errors;
  if (!found.errors.empty()) return 1;
  std::vector<double> x;
  std::size_t left = 0;
  for (std::size_t i = 0; i < n; ++i) {
    if (!ph.kept[i]) {
      ++left;
      continue;
    }
    for (int j = 0; j < grid.axes; ++j) x.push_back(grid.x[i * grid.axes + j]);
  }
  std::string why;
  if (!makegridmodel(std::move(in), x, grid.axes, gp.degree, grid.k, gp.model, why))
    return messages += "lattice_thermo: " + name + ": " + why +
                       (left > 0 ? " (" + std::to_string(left) + " cells left out by --exclude-imaginary)" : "") + "\n",
           1;
  gp.staticminimum = staticsurface(gp.model, gp.staticrms);
  // The temperatures where the tables hold them: chosen on the phase's
  // model, which holds the same tables.
  std::swap(ph.model, gp.model.points);
  const int status = choosetemperatures(ph);
  std::swap(ph.model, gp.model.points);
  return status;
}

}  // namespace thermo
