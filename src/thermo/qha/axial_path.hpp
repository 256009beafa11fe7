// lattice_thermo --qha --lattice: the lattice lengths along the
// one-dimensional mode's volumes, where each volume's cell shape was relaxed.
// The axial ratios b/a and c/a are fitted as quadratics in V (scaled to the
// volumes' range); then a(V) = (V / (k r_b r_c))^(1/3), and each length's
// expansion follows from the volume's exact dV/dT.
#pragma once

#include <string>
#include <vector>

#include "thermo/qha/surface.hpp"

namespace thermo {

struct axialpath {
  double k = 1.0;              // V = k a b c
  surfacebasis basis;          // in V
  std::vector<double> rb, rc;  // the coefficients of b/a and c/a
  double rmsb = 0.0, rmsc = 0.0;  // their rms residuals
};

// The degree of the ratios' polynomials in V.
inline constexpr int pathdegree = 2;

// The fit over the volumes v and the lengths x (a, b, c of each, in v's
// order); false with the reason where the volumes do not determine it.
bool fitpath(const std::vector<double>& v, const std::vector<double>& x, double k, axialpath& out, std::string& why);

struct axialrow {
  lengths3 length;  // a, b, c (A)
  lengths3 alpha;   // (1/x) dx/dT (1/K); their sum is alphav to rounding
};

// The lengths at volume v and their expansion where the volume's is alphav
// = (1/V) dV/dT.
axialrow alongpath(const axialpath& p, double v, double alphav);

}  // namespace thermo
