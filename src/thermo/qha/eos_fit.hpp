// lattice_thermo: an equation of state fitted by least squares to G(V) at
// one temperature (the derivatives of the fitted parameters: in
// parameter_derivatives).
#pragma once

#include <array>
#include <string>

#include "thermo/qha/eos.hpp"

namespace thermo {

using parameters = std::array<double, 4>;  // E0 (eV), B0 (eV/A^3), B0', V0 (A^3)

// G at n volumes (sorted, A^3, each with what the forms need of it) and its
// first and second temperature derivatives (eV, eV/K, eV/K^2).
struct gibbsdata {
  const volumepoint* point;
  const double* g;
  const double* dg;
  const double* d2g;
  int n;
};

// The Hessian of half the sum of squares at a point, J^T J + sum r_i Hess E_i.
using hessian = std::array<std::array<double, 4>, 4>;

// The parameters minimising sum (E(V_i; p) - G_i)^2, from the data alone:
// a start at the point of lowest G with B0' = 4 and B0 from the curvature
// there, Levenberg-Marquardt with the exact Jacobian, then Newton steps on
// the normal equations with their exact Hessian up to and including the
// first that changes V0 by less than 1e-13 of itself; h is the Hessian at
// the p returned. False with the reason where it does not converge.
bool fiteos(eos form, const gibbsdata& data, parameters& p, hessian& h, std::string& why);

// The same to 1e-10 of each parameter only (Levenberg-Marquardt's steps,
// without Newton's), where a guide needs no more; false where it fails.
bool roughfit(eos form, const gibbsdata& data, parameters& p);

// The same from a start p near the optimum (a neighbouring pressure's fit):
// Newton's steps alone, where they end at a minimum; else fiteos. With it,
// slope = dp/dx where the data move by w_i x: from the last step's
// gradients and Hessian (h returned), which the step, below 1e-13 of V0,
// changes no more than rounding does (w null: no slope).
bool fitnear(eos form, const gibbsdata& data, parameters& p, hessian& h, const double* w, parameters& slope,
             std::string& why);

// The same without the slope: a fit started from a neighbour's parameters
// (the data with a volume left out, or another form's fit of the same data).
bool fitfrom(eos form, const gibbsdata& data, parameters& p, hessian& h, std::string& why);

}  // namespace thermo
