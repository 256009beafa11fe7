// lattice_thermo: the exact derivatives of an equation of state's fitted
// parameters, in temperature or in pressure, from the normal equations of
// the fit.
#pragma once

#include "thermo/qha/eos_fit.hpp"

namespace thermo {

// dp/dT and d2p/dT2 at the optimum p with its Hessian h: the normal
// equations sum_i dE_i/dp (E_i - G_i(T)) = 0 differentiated in T, once and
// twice, with G's derivatives from the data.
void parameterderivatives(eos form, const gibbsdata& data, const parameters& p, const hessian& h, parameters& dp,
                          parameters& d2p);

// The first derivative alone, where the data move by w_i per unit of a
// variable: H dp = sum_i dE_i/dp w_i. With w = dG_i/dT it is dp/dT; with
// w = V_i (P V_i in each G_i) it is dp/dP per eV/A^3, whose E0 part is the
// volume dG/dP of the fitted model.
parameters parameterslope(eos form, const gibbsdata& data, const parameters& p, const hessian& h, const double* w);

// d2E(V; p(T))/dT2 at fixed V: the fitted model's second temperature
// derivative at that volume (eV/K^2).
double secondderivative(eos form, double v, const parameters& p, const parameters& dp, const parameters& d2p);

}  // namespace thermo
