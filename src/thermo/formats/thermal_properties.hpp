// lattice_thermo --qha: phonopy's thermal_properties.yaml, the harmonic
// free energy, entropy and heat capacity of one volume at a list of
// temperatures, read as a stream of YAML events (libyaml).
#pragma once

#include <string_view>
#include <vector>

#include "thermo/base/problem.hpp"
#include "thermo/formats/input.hpp"

namespace thermo {

// What the file holds: per mole of cells, as phonopy writes it.
struct thermaltable {
  long natom = 0;                 // 0 where the file does not say
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

// Whether the first bytes of a file say it is a thermal_properties.yaml (a
// top-level `thermal_properties:` key, whatever the file's name).
bool looksthermal(std::string_view head);

// Reads a thermal_properties.yaml into t. False with p (the line where one
// applies) where it is not YAML, an entry lacks one of the four values, a
// value is not a finite number, a temperature is negative or not above the
// one before, the heat capacity or entropy is negative, the units are not
// phonopy's, the values are per mole of atoms (lattice_thermo --per-atom),
// or there is no entry.
bool readthermal(source& in, thermaltable& t, problem& p);

}  // namespace thermo
