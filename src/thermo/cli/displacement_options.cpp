#include "thermo/cli/displacement_options.hpp"

#include <cmath>

#include "thermo/base/number_text.hpp"
#include "thermo/cli/option_values.hpp"
#include "thermo/harmonic/displacement.hpp"

namespace thermo {

void adddisplacementoptions(CLI::App& app, displacementflags& f, options& o) {
  f.on = app.add_flag("--displacements", o.displacements);
  f.masses = app.add_option("--masses", f.massestext);
  f.mass = app.add_option("--mass", f.masstext)->excludes(f.masses);
  f.mossbauer = app.add_option("--mossbauer-energy", f.mossbauertext);
}

std::string checkdisplacementoptions(const displacementflags& f, options& o) {
  // --mass is --debye's too: the molar mass of its cell.
  const bool any = f.masses->count() + (o.debye.on ? 0 : f.mass->count()) + f.mossbauer->count() > 0;
  if (!o.displacements)
    return any ? "--masses, --mass and --mossbauer-energy go with --displacements (--mass with --debye too)" : "";
  if (!o.qha.evfile.empty() || o.yaml || o.peratom || !o.writepds.empty() || o.read.normalize)
    return "--displacements does not go with --qha, --yaml, --per-atom, --write-pds or --normalize (each DOS column "
           "is normalised to an atom's 3 states)";
  std::string why, item;
  displacementoptions& d = o.displace;
  if (f.masses->count() > 0) {
    if (!optionlist(f.massestext, d.masses, item, why)) return "--masses: '" + item + "' " + why;
    for (double m : d.masses)
      if (!anatomsmass(m)) return "--masses: " + significant(m) + " amu is not an atom's mass (" + massrange + ")";
  }
  if (f.mass->count() > 0) {
    if (!optionnumber(f.masstext, d.mass, why)) return "--mass: '" + f.masstext + "' " + why;
    if (!anatomsmass(d.mass)) return "--mass: " + significant(d.mass) + " amu is not an atom's mass (" + massrange + ")";
  }
  if (f.mossbauer->count() > 0) {
    if (!optionnumber(f.mossbauertext, d.mossbauer, why)) return "--mossbauer-energy: '" + f.mossbauertext + "' " + why;
    if (!(d.mossbauer > 0.0 && d.mossbauer <= highestgamma))
      return "--mossbauer-energy: " + significant(d.mossbauer) + " keV is not a gamma ray's energy (" + gammarange + ")";
  }
  return "";
}

}  // namespace thermo
