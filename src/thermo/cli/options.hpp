// lattice_thermo's command line: the usage text and the options it sets.
#pragma once

#include <algorithm>
#include <string>
#include <sys/types.h>
#include <vector>

#include "common/channel.hpp"
#include "thermo/formats/inputs/displacement_load.hpp"
#include "thermo/formats/inputs/ev_units.hpp"
#include "thermo/formats/inputs/load.hpp"
#include "thermo/harmonic/sweep.hpp"
#include "thermo/harmonic/temperatures.hpp"
#include "thermo/qha/eos.hpp"
#include "thermo/qha/strain_basis.hpp"

namespace thermo {

// One phase of the quasi-harmonic mode: a --qha and what follows it.
struct phaseinput {
  std::string evfile, efefile, name;
  std::vector<std::string> files;
  std::vector<double> dosatfermi;
  double formulaunits = 1.0;
};

// The quasi-harmonic mode: E(V) from a file, a DOS file per volume.
struct qhaoptions {
  std::string evfile;  // --qha EV_FILE; empty: the harmonic mode
  eos form = eos::vinet;
  bool formgiven = false;                 // --eos given
  std::vector<double> pressures = {0.0};  // GPa, in the order given
  std::string efefile;                    // --efe FILE: the electrons' free energy; empty: none
  std::vector<double> dosatfermi;         // --dos-at-fermi LIST: N(E_F), states/eV per cell
  bool excludeimaginary = false;          // --exclude-imaginary
  std::string writefv;                    // --write-fv FILE: G(V) and its fits; empty: none
  bool errorbars = false;                 // --error-bars: each value's error bars beside it
  // Every --qha with its files, --efe and --dos-at-fermi, name and formula
  // units (the first also in the fields above and in options::files, all
  // its files where there is one).
  std::vector<phaseinput> phases;
  bool formulaunits = false;              // --formula-units given
  bool transitions = false;               // --transitions PMIN,PMAX (GPa)
  double pmin = 0.0, pmax = 0.0;
  strainkind strain = strainkind::eulerian;  // --strain bm|pt, of --eos strain
  int degree = 0;                         // --degree D, of --eos strain; 0: the average
};

// The Debye models: --debye EV_FILE given once per phase (the phases, their
// --dos-at-fermi, names and formula units in qhaoptions::phases, with the
// pressures, the strain and the transitions), and their own options.
struct debyeoptions {
  bool on = false;                    // --debye
  std::vector<double> mass, atoms;    // --mass (g/mol), --atoms per cell: one for all phases, or one each
  double poisson = 0.25;              // --poisson
  bool gruneisen = false;             // --gruneisen: gamma = a + b B'
  double a = -1.0 / 6.0, b = 0.5;
  std::string variant;                // its name as given
  bool codata2006 = false;            // --constants codata2006
  bool statictable = false, fits = false, errorbars = false;  // --static, --fits, --error-bars
  // The E(V) file's units as factors to eV and A^3.
  double energyunit = 1.0, volumeunit = 1.0;
};

// The anisotropic modes: a grid of lattice lengths (--qha-grid), or the
// lengths along --qha's volumes (--lattice).
struct anisotropicoptions {
  std::string gridfile;     // --qha-grid GRID; empty: not this mode
  int degree = 3;           // --degree: the surface's total degree, 3 or 4
  std::string latticefile;  // --lattice LAT, with --qha; empty: none
};

// Everything the command line sets; the driver hands it on.
struct options {
  readoptions read;
  qhaoptions qha;
  anisotropicoptions aniso;
  temperatures temps;
  double atoms = 0.0;        // atoms per cell; 0: from the DOS
  bool peratom = false;
  bool csv = false;
  bool yaml = false;         // phonopy's thermal_properties.yaml layout
  std::string writepds;      // --write-pds OUT; empty: none
  bool force = false;
  bool strict = false;       // --strict: every warning an error, with no rows
  fileunits inputunits;      // --energy-unit, --volume-unit: those of the E(V), grid and --lattice files
  std::vector<std::string> files;
  bool displacements = false;    // --displacements
  displacementoptions displace;  // its masses and gamma ray
  debyeoptions debye;
  mode_t newfilemode = 0644;  // for --write-pds: 0666 less the umask, read by the driver
};

// The usage text, as --help prints it.
extern const char* const usage;

// Parses the command line into o. Returns -1 where the run goes on, else the
// exit status: 0 after --help or --version (their text on out; 1 where it
// cannot be written), 2 after a usage error (one line on err, and a pointer
// to --help).
int parseoptions(int argc, const char* const* argv, options& o, common::outchannel& out,
                 common::outchannel& err);

}  // namespace thermo
