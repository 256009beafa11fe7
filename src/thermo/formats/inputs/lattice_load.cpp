#include "thermo/formats/inputs/lattice_load.hpp"

#include "thermo/base/number_text.hpp"
#include "thermo/formats/text/lines.hpp"

namespace thermo {

bool readlatticepath(const qhaphase& ph, const std::string& file, const fileunits& units, axialpath& path,
                     std::string& messages) {
  const std::string name = showpath(file);
  latticedata lat;
  {
    source in;
    std::string why;
    problem p;
    std::vector<char> storage;
    if (!in.open(file, why)) return messages += "lattice_thermo: " + name + ": " + why + "\n", false;
    if (!readlattice(in, lat, p, storage, units)) return messages += messageof(file, p), false;
  }
  if (lat.line.size() != ph.kept.size())
    return messages += "lattice_thermo: " + name + ": " + std::to_string(lat.line.size()) + " lines of lengths, but " +
                       showpath(ph.evfile) + " has " + std::to_string(ph.kept.size()) +
                       " volumes: one line `a b c` for each, in its order\n",
           false;
  // The lines kept, then in the model's order (by volume).
  std::vector<std::size_t> kept;
  for (std::size_t i = 0; i < ph.kept.size(); ++i)
    if (ph.kept[i]) kept.push_back(i);
  const qhamodel& m = ph.model;
  std::vector<double> x;
  std::vector<long> line;
  for (std::size_t j = 0; j < m.volume.size(); ++j) {
    const std::size_t i = kept[m.order[j]];
    x.insert(x.end(), lat.x.begin() + 3 * i, lat.x.begin() + 3 * i + 3);
    line.push_back(lat.line[i]);
  }
  double k = 0.0;
  problem p;
  if (!cellconstant(x, 3, m.volume, line, k, p)) return messages += messageof(file, p), false;
  std::string why;
  if (!fitpath(m.volume, x, k, path, why)) return messages += "lattice_thermo: " + name + ": " + why + "\n", false;
  return true;
}

}  // namespace thermo
