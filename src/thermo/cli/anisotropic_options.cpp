#include "thermo/cli/anisotropic_options.hpp"

#include "thermo/cli/option_values.hpp"

namespace thermo {

void addanisotropicoptions(CLI::App& app, anisotropicflags& f, options& o) {
  f.grid = app.add_option("--qha-grid", o.aniso.gridfile);
  f.degree = app.add_option("--degree", f.degreetext);
  f.lattice = app.add_option("--lattice", o.aniso.latticefile);
}

std::string checkanisotropicoptions(const anisotropicflags& f, const phasetexts& t, options& o) {
  anisotropicoptions& a = o.aniso;
  if (f.lattice->count() > 0) {
    if (a.latticefile.empty()) return "--lattice needs a file name, not ''";
    if (o.qha.evfile.empty()) return "--lattice goes with --qha: the lengths a, b, c at each line of its E(V) file";
    if (o.qha.phases.size() > 1 || o.qha.transitions)
      return "--lattice takes one phase: give it with a single --qha, without --transitions";
  }
  if (f.grid->count() == 0) return "";  // --degree is --debye's or --eos strain's then, checked with them
  if (a.gridfile.empty()) return "--qha-grid needs a file name, not ''";
  if (!o.qha.evfile.empty()) return "--qha-grid and --qha do not go together: one quasi-harmonic mode a run";
  if (o.yaml || !o.writepds.empty() || o.peratom || o.displacements)
    return "--yaml, --write-pds, --per-atom and --displacements do not go with --qha-grid";
  if (f.degree->count() > 0) {
    double d = 0.0;
    std::string why;
    if (!optionnumber(f.degreetext, d, why)) return "--degree: '" + f.degreetext + "' " + why;
    if (d != 3.0 && d != 4.0) return "--degree: '" + f.degreetext + "': the surface's total degree is 3 or 4";
    a.degree = static_cast<int>(d);
  }
  if (t.efefiles.size() > 1) return "--efe is given more than once";
  if (t.fermis.size() > 1) return "--dos-at-fermi is given more than once";
  if (!t.efefiles.empty() && !t.fermis.empty())
    return "--efe and --dos-at-fermi do not go together: fe-v.dat holds the electrons' whole free energy";
  if (!t.efefiles.empty()) {
    if (t.efefiles[0].empty()) return "--efe needs a file name, not ''";
    o.qha.efefile = t.efefiles[0];
  }
  return t.fermis.empty() ? "" : fermiof(t.fermis[0], o.qha.dosatfermi);
}

}  // namespace thermo
