// lattice_thermo: the Debye heat capacity to full double precision and the
// effective Debye temperature that reproduces a given heat capacity.
#pragma once

namespace thermo {

// The Debye heat capacity per 3 k_B per atom, c(y) = (3/y^3) * integral from 0
// to y of x^4 e^x / (e^x - 1)^2 dx, with y = theta/T (dimensionless). c falls
// from 1 at y = 0 to 0; accurate to about 1e-15 relative for every y >= 0.
double debyecv(double y);

// The theta (kelvin) for which a Debye solid has the reduced heat capacity
// r = C / (3 n k_B) at temperature t (kelvin), to 1e-13 relative; NaN where
// t <= 0 or r lies outside (0, 1).
double debyetemperature(double r, double t);

}  // namespace thermo
