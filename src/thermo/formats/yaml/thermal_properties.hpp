// lattice_thermo --qha: phonopy's thermal_properties.yaml, the harmonic
// free energy, entropy and heat capacity of one volume at a list of
// temperatures, read as a stream of YAML events (libyaml).
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "thermo/base/problem.hpp"
#include "thermo/formats/text/input.hpp"

namespace thermo {

// What the file holds: per mole of cells, as phonopy writes it.
struct thermaltable {
  long natom = 0;                 // 0 where the file does not say
  double volume = 0.0;            // A^3, the cell's (phonopy 2.20 on); 0 where the file does not say
  double modes = -1.0;            // num_modes (-1: not given)
  double integratedmodes = -1.0;  // num_integrated_modes (-1: not given)
  double zeropoint = 0.0;         // kJ/mol, zero_point_energy
  bool haszeropoint = false;
  std::vector<double> temperature;  // K, strictly increasing
  std::vector<double> free_energy;  // kJ/mol
  std::vector<double> entropy;      // J/K/mol
  std::vector<double> heat_capacity;  // J/K/mol
  std::vector<long> line;           // where each temperature's entry starts
};

// Reads a thermal_properties.yaml into t as YAML events (any layout). False with p (the line where one
// applies) where it is not YAML, an entry lacks one of the four values, a
// value is not a finite number, a temperature is negative or not above the
// one before, the heat capacity or entropy is negative, the units are not
// phonopy's, the values are per mole of atoms (lattice_thermo --per-atom),
// or there is no entry.
bool readthermal(source& in, thermaltable& t, problem& p);

// The same, but phonopy's own layout (thermal_lines) line by line, ten
// times faster than libyaml; a file that departs from it anywhere is read
// again from its start as YAML. What cannot be read again (standard input,
// a pipe: source::rereadable) is read as YAML.
bool readthermalfile(const std::string& path, source& in, thermaltable& t, problem& p, std::vector<char>& storage);

// What both readers do with a value: a key of the top mapping (natom,
// volume, num_modes, num_integrated_modes, zero_point_energy; others pass by), of
// `unit` (phonopy's units or a problem), and of an entry of the list, and an
// entry added at its end. Each throws a problem.
struct thermalentry {
  double value[4] = {};  // temperature, free_energy, entropy, heat_capacity
  bool has[4] = {};
};
void thermalkey(thermaltable& t, std::string_view key, std::string_view value, long line);
void thermalunit(std::string_view key, std::string_view value, long line);
void thermalentrykey(thermalentry& e, std::string_view key, std::string_view value, long line);
void addthermalentry(thermaltable& t, const thermalentry& e, long line);
// The checks before (on the first bytes) and after a file is read.
bool thermalhead(std::string_view head, problem& p);
bool thermalwhole(const thermaltable& t, problem& p);

}  // namespace thermo
