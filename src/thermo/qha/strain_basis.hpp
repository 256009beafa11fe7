// lattice_thermo: polynomials in a finite strain, what the averaged strain
// fits are made of: the strain, a polynomial's value and volume derivatives,
// the volume where it gives a pressure, and the least-squares basis of a set
// of volumes.
#pragma once

#include <string_view>
#include <vector>

namespace thermo {

// The Eulerian strain ("bm"), x = ((V/V_ref)^(-2/3) - 1)/2, or the natural
// one ("pt"), x = ln(V/V_ref)/3.
enum class strainkind { eulerian, natural };
bool parsestrain(std::string_view name, strainkind& kind);  // bm or pt
const char* strainname(strainkind kind);

// The highest degree a fit takes.
inline constexpr int maxstraindegree = 12;

// Either strain is affine in u = V^(-2/3) (Eulerian) or u = ln V (natural),
// whatever V_ref: a polynomial of degree k in x(V; V_ref) is one of degree k
// in u, and the reference volume changes only its rounding. The
// polynomials are written as Chebyshev series in t = (u - centre) / half,
// which runs over [-1, 1] across the volumes fitted: the well-conditioned
// form.
struct strainscale {
  strainkind kind = strainkind::eulerian;
  double centre = 0.0, half = 1.0;
  // The scale of volumes from vmin to vmax.
  static strainscale over(strainkind kind, double vmin, double vmax);
  double t(double v) const;
};

// E(V) = sum_j a_j T_j(t(V)) - s V: the coefficients (in the values' unit)
// and the tilt s (that unit per A^3).
struct strainpoly {
  std::vector<double> a;
  double tilt = 0.0;
};

// E(v) and its first `order` volume derivatives (order <= 3) in e[0..order].
void strainvalues(const strainscale& sc, const strainpoly& p, double v, double e[4], int order = 3);

// The volume within [volumes.front(), volumes.back()] where -E'(V) = p: the
// first pair of the volumes (sorted), neighbours first, then two apart, and
// so on, whose pressures on the curve enclose p brackets it, and the root is
// found there to full precision (Newton's steps kept inside the bracket,
// bisection where one would leave it). `pressures` holds -E' at the volumes
// (pressuresat gives them). False where no pair encloses p: the volume
// would lie outside them, and no value is extrapolated.
bool volumeat(const strainscale& sc, const strainpoly& poly, const std::vector<double>& volumes,
              const std::vector<double>& pressures, double p, double& v);
std::vector<double> pressuresat(const strainscale& sc, const strainpoly& poly, const std::vector<double>& volumes);

// The root of -E'(V) = p by Newton's steps from v, within [lo, hi] (which
// may reach beyond the volumes sampled): for a search that must look
// beyond them. False where the steps leave [lo, hi] or do not settle.
bool volumenear(const strainscale& sc, const strainpoly& poly, double p, double lo, double hi, double& v);

// The least squares of a set of volumes: the Chebyshev matrix A =
// [T_0(t_i) ... T_K(t_i)] of degree K factored as Q R (Householder, Q thin:
// memory N (K + 1)), so that each fit of degree k <= K is R_k^-1 (Q^T y)_(0..k),
// without normal equations.
struct strainbasis {
  strainscale scale;
  std::vector<double> volume;  // sorted, distinct
  int degree = 0;              // K
  std::vector<double> a;       // N x (K + 1), column-major: A
  std::vector<double> q;       // N x (K + 1), column-major: Q
  std::vector<double> r;       // (K + 1) x (K + 1), column-major, upper: R
  std::size_t size() const { return volume.size(); }
};
strainbasis makebasis(strainkind kind, std::vector<double> volumes, int degree);

// Q^T y, K + 1 values.
std::vector<double> projected(const strainbasis& b, const double* y);
// The coefficients of degree k from Q^T y's first k + 1 values.
std::vector<double> coefficients(const strainbasis& b, const std::vector<double>& qty, int k);
// y_i - (A c)_i at each volume: the residuals of coefficients c.
std::vector<double> residuals(const strainbasis& b, const double* y, const std::vector<double>& c);

}  // namespace thermo
