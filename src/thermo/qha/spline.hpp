// lattice_thermo: a not-a-knot cubic spline through tabulated points, for
// the derivatives of a smooth function known only at its nodes.
#pragma once

#include <cstddef>

namespace thermo {

// The first and second derivatives, at each node, of the not-a-knot cubic
// spline through (x[k], y[k]), k = 0..m-1, x strictly increasing: the
// spline that is one cubic across the first two intervals and one across the
// last two. It reproduces any cubic exactly. With 3 nodes it is the parabola
// through them, with 2 the line, with 1 the constant. dy and d2y hold m
// values each; y, dy and d2y are read and written with a stride (y[k *
// stride]), so that one column of a table stored row by row is taken as it
// stands.
void splinederivatives(const double* x, const double* y, std::size_t m, std::size_t stride, double* dy, double* d2y);

}  // namespace thermo
