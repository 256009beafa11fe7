// lattice_thermo --debye --static and --fits: the static equation of state
// at the pressures, and the static fit's members at zero pressure, as CSV
// and as tables.
#pragma once

#include <string>

#include "thermo/formats/outputs/debye_output.hpp"

namespace thermo {

// --static: pressure, (phase,) volume, static_energy, enthalpy (eV),
// bulk_modulus, bulk_modulus_prime, and with errors the spreads of volume
// and bulk_modulus.
std::string staticcsvheader(const debyelayout& l);
void appendstaticcsv(std::string& s, const debyelayout& l, const debyestatic& r, const debyestatic& err,
                     const std::string& phase);
void appendstatictableheader(std::string& s, const debyelayout& l, const std::vector<debyeinfo>& phases, bool performula);
void appendstatictablerow(std::string& s, const debyelayout& l, const debyestatic& r, const debyestatic& err,
                          const std::string& phase, int width);

// --fits: (phase,) degree, weight, volume, static_energy, bulk_modulus,
// bulk_modulus_prime at p = 0.
std::string fitscsvheader(bool phases);
void appendfitcsv(std::string& s, bool phases, const debyemember& m, const std::string& phase);
void appendfitstableheader(std::string& s, bool phases, const std::vector<debyeinfo>& info, bool performula);
void appendfitstablerow(std::string& s, bool phases, const debyemember& m, const std::string& phase, int width);

// The static row and a member per formula unit, z per cell.
debyestatic performula(debyestatic r, double z);
debyemember performula(debyemember m, double z);

}  // namespace thermo
