// lattice_thermo: the minimum of a fitted surface (surface.hpp), found by
// Newton's steps on its analytic gradient and Hessian.
#pragma once

#include "thermo/qha/surface.hpp"

namespace thermo {

struct surfaceminimum {
  enum class status { inside, outside, none };
  status where = status::none;
  lengths3 u{}, x{};  // the minimum, scaled and in lengths
  matrix3 hess{};     // the Hessian in u there, positive definite
  int axis = -1;      // outside: the first axis beyond the box; none: the axis it falls along, or -1
};

// The minimum reached from u0 (scaled): Newton's steps, each on a Hessian
// made positive definite where it is not and shortened until the surface
// falls, up to and including the first step below 1e-12 of the box's
// half-range on every axis (or the first, below 1e-7, that no longer
// shrinks: the gradient's rounding); then the Hessian there. `none` where no minimum
// is found within four half-ranges of the box's centre (the surface falls
// away along `axis`), or the steps stall; `outside` where the minimum lies
// beyond the box on some axis.
surfaceminimum minimise(const surfacebasis& b, const double* coef, const double* u0);

// Whether a symmetric m x m matrix is positive definite.
bool positivedefinite(const matrix3& h, int m);

// x solving h x = r (h positive definite, m x m).
lengths3 solvedefinite(const matrix3& h, int m, const lengths3& r);

}  // namespace thermo
