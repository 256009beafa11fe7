// lattice_thermo: the transitions among several phases at one temperature,
// as rows: each pair's crossings, with the phase of lower G below and above
// each, and the volume and entropy changes and dp/dT there.
#pragma once

#include <cstddef>
#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "thermo/qha/error_bars.hpp"
#include "thermo/qha/isotherm.hpp"
#include "thermo/qha/transitions.hpp"

namespace thermo {

struct transition {
  std::size_t low, high;  // the phases of lower G below and above the pressure
  double pressure;        // GPa
  double volumechange;    // A^3 per formula unit, V_high - V_low
  double entropychange;   // J/K/mol of formula units, S_high - S_low
  double slope;           // GPa/K, dp/dT = dS/dV (the exact derivative of the pressure in T)
  // Where asked for: the error bars of the pressure and the slope (NaN,
  // with why, where a re-run failed).
  errorbar pressureerr{}, slopeerr{};
  std::string errorswhy;
};

struct transitionsat {
  std::vector<std::string> failed;  // per phase: "" or why its guide's fit failed
  std::vector<pairoutcome> pairs;   // per pair of pairsof()
  std::vector<transition> rows;     // pair by pair, each pair's in increasing pressure
};

// The pairs of n phases: (0, 1), (0, 2), ..., (1, 2), ...
std::vector<std::pair<std::size_t, std::size_t>> pairsof(std::size_t n);

// The phases of models (with units formula units per cell each) at
// temperature t: every pair's crossings in [pmin, pmax] GPa; with `errors`,
// each with its error bars (transitionerrors).
void transitionsof(const std::vector<const qhamodel*>& models, const std::vector<double>& units, double t, double pmin,
                   double pmax, transitionsat& out, bool errors = false);

// The same of phases at one temperature however made: curves[k] null where
// phase k could not be made, with why in out.failed[k] (sized as curves).
// `each`, where given, sees each row as it is made, with its pair (a, b)
// still holding the state of their crossing.
using transitionseen = std::function<void(std::size_t a, std::size_t b, transition& row)>;
void transitionsamong(const std::vector<phasecurve*>& curves, double pmin, double pmax, transitionsat& out,
                      const transitionseen& each = nullptr);

}  // namespace thermo
