// The phonon density of states and the harmonic heat capacity summed over it.
//
// Units: `energy` in hartree, `dos` in states per hartree (per atom), so the
// sum of cvdos is in hartree per kelvin.
#pragma once

#include <array>

#include "heat_capacity/failure.hpp"
#include "common/freeform.hpp"

namespace heat_capacity {

// Points of the tabulated DOS and header lines before them.
inline constexpr int npoints = 339;
inline constexpr int nheader = 11;

// The DOS file, relative to the working directory.
inline constexpr const char* dospath = "./elphon/co_elphon_4.out_ep_PDS";

// The tabulated DOS. Element k of the table (counted from 1, as the file
// counts its records) is energy[k - 1], dos[k - 1]. Both start zeroed, so an
// element that a null value or a slash leaves unassigned holds 0.0.
struct dostable {
  std::array<double, npoints> energy{};
  std::array<double, npoints> dos{};
};

// Reads the DOS from `reader`: 11 header items, each read into a 10-character
// text and discarded, then 339 records of energy and DOS value. On failure
// fills f (site 30 or 34, channel 42) and returns false.
bool parsedos(common::listreader& reader, dostable& table, failure& f);

// Opens the file at `path` as an existing file, reads it with parsedos and
// closes it (sites 27, 30, 34, 37). On failure fills f and returns false.
bool readdos(dostable& table, failure& f, const char* path = dospath);

// The harmonic heat capacity S at temperature t (kelvin, > 0), in hartree per
// kelvin: the trapezoid sum over the table, from point 2 to point 339, of
// dos(E) * E * dn/dT, where n is the Bose-Einstein occupation of a mode of
// energy E.
//
// Two limits of the literal term are taken where its arithmetic breaks down:
// where (e^(beta E) - 1)^2 overflows, the term is 0 (its value whenever the
// numerator is still finite, and the limit of the function); where it is 0
// (E = 0, or E so small that e^(beta E) rounds to 1), the term is its E -> 0
// limit, half the point's DOS times k_B times the interval.
double cvdos(const dostable& table, double t);

}  // namespace heat_capacity
