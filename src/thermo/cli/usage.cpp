// lattice_thermo's usage text, as --help prints it: every option of every
// mode, and the units of the results.
#include "thermo/cli/options.hpp"

namespace thermo {

const char* const usage =
    "usage: lattice_thermo [options] FILE...\n"
    "  FILE              a DOS file: energy and DOS columns, or phonopy's mesh.yaml\n"
    "                    ('-' reads standard input, once)\n"
    "Input:\n"
    "  --unit U          energy unit of column 1, in any case: THz, cm-1 (cm^-1, 1/cm),\n"
    "                    meV, eV, Ry, Ha; default: the unit the file's header names, else THz\n"
    "  --pds             the file is in lattice_heat_capacity's layout (hartree)\n"
    "  --column K        the DOS is column K (default 2)\n"
    "  --sum-columns     the DOS is the sum of columns 2 to the last (projected DOS)\n"
    "  --normalize       scale the DOS to 3n states (n: --atoms, else the nearest whole\n"
    "                    number of its integral / 3)\n"
    "  --cutoff-frequency F  modes at or below F (in the file's unit) take no part\n"
    "  --pretend-real    imaginary modes count with their absolute frequency\n"
    "Temperatures, K:\n"
    "  --tmin T --tmax T --tstep T  from tmin to tmax (default 0, 1000, 10)\n"
    "  --temperatures LIST          or these, e.g. 298.15,300,500\n"
    "Results:\n"
    "  --atoms N         atoms per cell (default: the DOS integral / 3)\n"
    "  --per-atom        per mole of atoms instead of per mole of cells\n"
    "  --csv             comma-separated values, shortest round-trip digits\n"
    "  --yaml            phonopy's thermal_properties.yaml layout, full digits (one FILE)\n"
    "  --write-pds OUT   also write the DOS resampled as lattice_heat_capacity's input\n"
    "                    (339 points, hartree, 3 states per atom; one FILE)\n"
    "  --force           let --write-pds or --write-fv replace an existing file\n"
    "Quasi-harmonic mode (Cp, thermal expansion, bulk modulus):\n"
    "  --qha EV_FILE     volume (A^3) and static energy (eV) per cell, a line per DOS FILE\n"
    "                    given, in the same order; at least 5 volumes\n"
    "  --eos NAME        vinet (default), birch_murnaghan or murnaghan\n"
    "  --pressure LIST   in GPa, default 0, e.g. 0,5,10\n"
    "  FILE...           a DOS per volume, or phonopy's thermal_properties.yaml per volume\n"
    "                    (their temperatures then; the options above pick among them)\n"
    "  --efe FILE        the electrons' free energy (eV per cell, static energy included) at\n"
    "                    each temperature (K) and volume: phonopy's fe-v.dat\n"
    "  --dos-at-fermi LIST  or N(E_F), states/eV per cell, per volume: Sommerfeld's F_el\n"
    "  --exclude-imaginary  leave out the volumes with imaginary modes\n"
    "  --write-fv FILE   also write G(V) at each temperature with its fitted curve\n"
    "  --error-bars      the fit's error bars of V, G, B_T, alpha and Cp (and of p and dp/dT
"
    "                    with --transitions): columns <name>_err_data (the jackknife over the
"
    "                    volumes), _err_model (the spread over the three EOS) and _err (both)
"
    "  --lattice LAT     with --qha: the lengths a b c (A) of each volume's relaxed cell, a
"
    "                    line each in EV_FILE's order; adds a, b, c and their alpha
"
    "Thermal expansion along each axis:
"
    "  --qha-grid GRID   a line per cell, `a c volume energy` or `a b c volume energy` (A,
"
    "                    A^3, eV per cell), a DOS FILE (or thermal_properties.yaml) each;
"
    "                    --pressure, --efe, --dos-at-fermi, --exclude-imaginary,
"
    "                    --write-fv and the temperatures as with --qha
"
    "  --degree D        the surface's total degree in the lengths, 3 (default) or 4
"
    "Several phases: --qha EV_FILE FILE... each, its --efe or --dos-at-fermi after it\n"
    "  --phase-names A,B,...  their names; --formula-units Z1,Z2,... per cell (values per\n"
    "                    formula unit, a column 'stable' for the phase of lowest G)\n"
    "  --transitions PMIN,PMAX  instead: where each pair's G cross, PMIN to PMAX GPa\n"
    "Thermal displacements, A^2 (<|u|^2>, B, and u_ab where there are eigenvectors):\n"
    "  --displacements   each atom's, from phonopy's mesh.yaml with eigenvectors (on the\n"
    "                    whole mesh), a DOS column per atom, or a total DOS of one element\n"
    "  --masses LIST     amu, one per DOS column (atom); --mass M: every atom's\n"
    "  --mossbauer-energy E  also the Lamb-Mossbauer factor for a gamma ray of E keV\n"
    "  --version, --help\n"
    "Options take their value as --option VALUE or --option=VALUE.\n"
    "Results: free_energy and energy in kJ/mol, entropy and heat_capacity in J/K/mol,\n"
    "debye_temperature in K. --qha: volume in A^3 per cell, gibbs_energy kJ/mol,\n"
    "bulk moduli GPa, thermal_expansion 1/K (volumetric; linear_thermal_expansion is a\n"
    "third of it, for cubic or isotropic crystals), fit_rms kJ/mol. --qha-grid: a, b, c\n"
    "in A, alpha_a, alpha_b, alpha_c 1/K.\n";

}  // namespace thermo
