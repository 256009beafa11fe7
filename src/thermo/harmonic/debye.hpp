// lattice_thermo: the Debye heat capacity and the Debye function to full
// double precision, the Debye solid's thermal functions from them, and the
// effective Debye temperature that reproduces a given heat capacity.
#pragma once

namespace thermo {

// The Debye heat capacity per 3 k_B per atom, c(y) = (3/y^3) * integral from 0
// to y of x^4 e^x / (e^x - 1)^2 dx, with y = theta/T (dimensionless). c falls
// from 1 at y = 0 to 0; accurate to about 1e-15 relative for every y >= 0.
double debyecv(double y);

// The Debye function D(y) = (3/y^3) * integral from 0 to y of x^3 / (e^x - 1)
// dx, from 1 at y = 0 to 0, as (c(y) + 3y / (e^y - 1)) / 4: two positive
// terms, so as accurate as c (a few ulp) for every y >= 0.
double debyefunction(double y);

// A Debye solid of n atoms at y = theta/T, its functions reduced:
//   c = Cv / (3 n k_B)
//   s = S / (3 n k_B) = 4D/3 - ln(1 - e^-y)
//   f = (F - 9/8 n k_B theta) / (3 n k_B T) = ln(1 - e^-y) - D/3
//   u = (U - 9/8 n k_B theta) / (3 n k_B T) = D
// Each a sum of terms of one sign, so a few ulp for every y > 0; at y =
// infinity (T = 0) all are 0.
struct debyereduced {
  double c, s, f, u;
};
debyereduced debyereducedat(double y);

// The theta (kelvin) for which a Debye solid has the reduced heat capacity
// r = C / (3 n k_B) at temperature t (kelvin), to 1e-13 relative; NaN where
// t <= 0 or r lies outside (0, 1).
double debyetemperature(double r, double t);

}  // namespace thermo
