// lattice_thermo: the fit of values at a set of volumes by strain
// polynomials: one degree, or the average of several weighted by their
// residuals; the tilt that an edge minimum asks for; the fit's temperature
// derivatives where the values have them; the spread across the degrees.
#pragma once

#include <vector>

#include "thermo/qha/strain_basis.hpp"

namespace thermo {

struct strainsettings {
  strainkind kind = strainkind::eulerian;
  int degree = 0;        // 0: the average of degrees
  double floor = 0.0;    // the weights' 1e-15 Ha^2, in the values' unit squared
};

// The degrees a fit of n values takes: 2 to max(min(n/2 - 1, 12), 3) for
// the average, else the one given.
std::vector<int> straindegrees(const strainsettings& s, std::size_t n);

struct strainfit {
  strainpoly mean;                  // the averaged polynomial (one degree: its own)
  std::vector<int> degrees;         // of the members
  std::vector<strainpoly> members;  // each degree alone, with the same tilt
  std::vector<double> weights;      // summing to 1
  double rms = 0.0;                 // the root-mean-square residual of mean
  // Where the values' temperature derivatives were given: those of mean
  // (its coefficients and tilt), each weight's derivatives included, and
  // those of each member.
  strainpoly dmean, d2mean;
  std::vector<strainpoly> dmembers, d2members;
};

// The fit of y at the basis's volumes:
// 1. the tilt: where the lowest y is at one of the two smallest or two
//    largest volumes, s = -(y_(m+1) - y_m) / (V_(m+1) - V_m) with m = n/2
//    (1-based), and the fit is of y_i + s V_i, s V taken off again;
// 2. each degree k by least squares, its mean square residual sigma_k^2;
// 3. the weights w_k ~ exp(-sigma_k^2 / (min sigma^2 + floor) k / n), and
//    the mean sum w_k P_k.
// With dy and d2y (the values' first and second temperature derivatives),
// dmean and d2mean: the fit is linear in y but for the weights, so each
// member's derivatives are the same least squares of dy and d2y, the tilt's
// the same difference, and the weights' follow from the residuals'
// derivatives (the degree of least residual, and whether the tilt applies,
// held as they are at y).
void fitstrain(const strainbasis& b, const strainsettings& s, const double* y, strainfit& out,
               const double* dy = nullptr, const double* d2y = nullptr);

// The spread of x over a fit's members, x[k] of member k (NaN where member
// k has none): sqrt(sum w_k (x_k - xbar)^2) with xbar = sum w_k x_k, the
// weights renormalised over the members that have a value. 0 for one
// member; NaN where none has a value.
double memberspread(const std::vector<double>& weights, const std::vector<double>& x);

}  // namespace thermo
