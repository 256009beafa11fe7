// lattice_thermo: a polynomial of total degree d in one to three lattice
// lengths, in scaled variables u = (x - centre) / half-range, fitted by
// least squares over sampled points. The design matrix does not change with
// temperature: it is factorised once (by SVD) and each temperature's fit is
// a product with its pseudo-inverse.
#pragma once

#include <array>
#include <cstddef>
#include <string>
#include <vector>

namespace thermo {

using lengths3 = std::array<double, 3>;
using matrix3 = std::array<std::array<double, 3>, 3>;

// The monomials u^e of total degree up to `degree` in `axes` variables, and
// the scaling of each axis: the box the points span.
struct surfacebasis {
  int axes = 0, degree = 0;
  std::vector<std::array<int, 3>> exponents;  // one per term
  lengths3 centre{}, half{}, low{}, high{};   // per axis: (low + high) / 2, (high - low) / 2
  std::size_t terms() const { return exponents.size(); }
  // u of lengths x, and back.
  void scaled(const double* x, double* u) const;
  void unscaled(const double* u, double* x) const;
};

// The basis over the box of n points (x[i * axes + j]), each axis's half-range
// positive (else the caller has refused the points first).
surfacebasis makebasis(int axes, int degree, const double* x, std::size_t n);

// The surface sum_t coef[t] u^e_t at u: its value, and where asked for its
// gradient and Hessian in u.
double surfacevalue(const surfacebasis& b, const double* coef, const double* u, double* grad = nullptr,
                    matrix3* hess = nullptr);

// Each monomial's value at u (b.terms() of them).
void monomials(const surfacebasis& b, const double* u, double* out);

// The coefficients, in b's monomials, of k * prod_j x_j^power[j]: a cell's
// volume k a b c (power {1, 1, 1}) or k a^2 c ({2, 1}), exactly, for a
// surface of degree 3 or more (sum of the powers at most b.degree).
std::vector<double> productcoefficients(const surfacebasis& b, double k, const std::array<int, 3>& power);

// The least-squares fit over the sampled points, factorised once.
class surfacefit {
 public:
  // From the points' scaled coordinates (u[i * axes + j], n of them), with
  // point `skip` left out (-1: none), so that the fit less one point (a
  // jackknife) reuses the same data arrays. False with the reason where the
  // points do not determine the surface: too few distinct values on an axis
  // (named by axisnames[j]), fewer points than terms, or a design matrix of
  // deficient rank.
  bool make(const surfacebasis& b, const double* u, std::size_t n, const char* const* axisnames, std::string& why,
            long skip = -1);
  // coef[0..terms) fitted to g[0..n) (g[skip] is not read).
  void solve(const double* g, double* coef) const;
  // The root-mean-square residual of coef against g over the points used.
  double rms(const double* g, const double* coef) const;
  // The smallest singular value of the scaled design matrix over its largest.
  double conditioning() const { return inverse_condition; }
  std::size_t points() const { return n; }
  std::size_t terms() const { return p; }

 private:
  std::size_t n = 0, p = 0;
  long skipped = -1;
  std::vector<double> design;   // n x p, row by row (the skipped row zero)
  std::vector<double> inverse;  // p x n, the pseudo-inverse, row by row
  double inverse_condition = 0.0;
};

}  // namespace thermo
