// lattice_thermo: a phonon DOS in SI units, the energy units files use, and
// the checks every DOS must pass, whatever layout it was read from.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "thermo/base/problem.hpp"

namespace thermo {

// Energy units of a DOS file's first column, and joules per unit.
enum class unit { thz, cm1, mev, ev, ry, ha };
// Parses a unit name, in any case: THz; cm-1, cm^-1, cm**-1 or 1/cm; meV;
// eV; Ry, Ryd or Rydberg; Ha or Hartree. False if unknown.
bool parseunit(std::string_view name, unit& u);
const char* unitname(unit u);
double joules(unit u);

// The tabulated DOS: energy in joules (strictly increasing), dos in states
// per joule, per cell.
struct spectrum {
  std::vector<double> energy;
  std::vector<double> dos;
  long negative = 0;  // count of negative DOS values (kept)
};

// The trapezoid rule's area between the points (e0, g0) and (e1, g1), in a
// form that does not overflow on the way.
inline double trapezoid(double e0, double g0, double e1, double g1) { return (0.5 * g0 + 0.5 * g1) * (e1 - e0); }

// Limits that keep every result finite: no phonon comes near them.
inline constexpr double maxenergy = 1e-10;  // J, |E|; about 6e8 eV
inline constexpr double maxstates = 1e280;  // the integral of |g|

// Whether e, an energy in unit u read on `line`, keeps within the limits of
// every DOS: finite, and in joules finite and at most maxenergy in size.
// False with p where it does not; every reader checks its energies here.
bool energywithinlimits(double e, unit u, long line, problem& p);

// Builds a spectrum point by point from values in a file's unit, checking
// each point as it comes and the whole at the end.
class spectrumbuilder {
 public:
  spectrumbuilder(spectrum& s, unit u);

  // The unit of the values still to come (before the first point only).
  void setunit(unit u);
  // The highest energy added so far, in the file's unit.
  double lastraw() const { return lastraw_; }

  // Adds the point (e, g) read on `line` (0 where there are no line
  // numbers), e in the file's unit and g per that unit. False with p where
  // a value is not finite, overflows or leaves the limits in SI units, or
  // the energies do not increase strictly.
  bool add(double e, double g, long line, problem& p);

  // The checks of the whole: points at all, at least two above zero, a
  // positive integral over all points and over those above zero.
  bool finish(problem& p);

 private:
  spectrum& s_;
  unit u_;
  double scale_;
  double lastraw_ = 0.0;
  double absolute_ = 0.0;  // running integral of |g|
  long positive_ = 0;
};

}  // namespace thermo
