// lattice_thermo: the equations of state E(V) of the quasi-harmonic mode,
// one function each, with the parameters p = (E0, B0, B0', V0): E0 in eV,
// B0 in eV/A^3, B0' without unit, V0 in A^3; V in A^3 and E in eV. Each is
// written for any number type S (double, or a dual of autodiff.hpp for its
// derivatives in the parameters), and in a form that stays accurate for
// every B0', below 1 and negative too.
#pragma once

#include <array>
#include <cmath>
#include <string_view>

#include "thermo/qha/autodiff.hpp"

namespace thermo {

// strain: the averaged strain polynomials (strain_fit), fitted apart from
// the three forms here.
enum class eos { vinet, birch_murnaghan, murnaghan, strain };

// Parses vinet, birch_murnaghan, murnaghan or strain; false if unknown.
bool parseeos(std::string_view name, eos& form);
const char* eosname(eos form);

// The pressure P = -dE/dV and the bulk modulus B = -V dP/dV of a form with
// parameters p at volume v (eV/A^3 both), in closed form.
void eospressure(eos form, double v, const double p[4], double& pressure, double& bulk);

// eV/A^3 in GPa: 1.602176634e-19 J / 1e-30 m^3.
inline constexpr double gpa = 160.2176634;

namespace eosdetail {

using std::exp;
using std::log;
using std::pow;

// phi(z) = (1 + (z - 1) e^z) / z^2 = sum (k + 1) z^k / (k + 2)!, k from 0:
// the series by Horner's rule below |z| = 0.3 (its 17th term is below 1e-22
// there), where the quotient loses digits; the quotient, good to a few ulp
// from there, above.
inline double vinetphi(double z) {
  if (std::fabs(z) < 0.3) {
    constexpr int terms = 17;
    static constexpr auto c = [] {
      std::array<double, terms> a{};
      double factorial = 2.0;  // (k + 2)!
      for (int k = 0; k < terms; ++k) {
        a[k] = (k + 1) / factorial;
        factorial *= k + 3;
      }
      return a;
    }();
    double sum = c[terms - 1];
    for (int k = terms - 2; k >= 0; --k) sum = sum * z + c[k];
    return sum;
  }
  double e, em1;
  exps(z, e, em1);
  return (z * e - em1) / (z * z);
}

// phi and its first `depth` derivatives (up to 3) at z: phi as above; the
// derivatives from the series differentiated term by term below |z| = 2
// (17 terms below |z| = 0.3, 30 above: the last below 1e-19 of the sum),
// from the quotient's above, where it loses no more than a few digits:
// phi = N / z^2 with N = 1 + (z - 1) e^z, whose derivatives are z e^z,
// (z + 1) e^z and (z + 2) e^z.
template <int depth>
void vinetphis(double z, double f[]) {
  f[0] = vinetphi(z);
  if constexpr (depth > 0) {
    if (std::fabs(z) < 2.0) {
      constexpr int terms = 30;
      // d[n][k] = k (k - 1) ... (k - n + 1) (k + 1) / (k + 2)!
      static constexpr auto d = [] {
        std::array<std::array<double, terms>, 4> a{};
        double factorial = 2.0;
        for (int k = 0; k < terms; ++k) {
          double falling = 1.0;
          for (int n = 0; n < 4; ++n) {
            a[n][k] = falling * (k + 1) / factorial;
            falling *= k - n;
          }
          factorial *= k + 3;
        }
        return a;
      }();
      const int last = std::fabs(z) < 0.3 ? 17 : terms;
      for (int n = 1; n <= depth; ++n) {
        double sum = d[n][last - 1];
        for (int k = last - 2; k >= n; --k) sum = sum * z + d[n][k];
        f[n] = sum;
      }
      return;
    }
    const double e = std::exp(z), n0 = 1.0 + (z - 1.0) * e, n1 = z * e, n2 = (z + 1.0) * e, n3 = (z + 2.0) * e;
    const double w = 1.0 / z;
    f[1] = (n1 - 2.0 * n0 * w) * w * w;
    if constexpr (depth > 1) f[2] = (n2 - 4.0 * n1 * w + 6.0 * n0 * w * w) * w * w;
    if constexpr (depth > 2) f[3] = (n3 - 6.0 * n2 * w + 18.0 * n1 * w * w - 24.0 * n0 * w * w * w) * w * w;
  }
}

// In a dual: the derivatives summed once in doubles, the chain rule on top.
template <class S>
S vinetphi(const S& z) {
  double f[4];
  vinetphis<nesting<S>>(value(z), f);
  return taylor(f, z);
}

// m(b, L) = (e^{bL} - 1 - b (e^L - 1)) / (b (b - 1)) = sum over n >= 2 of
// L^n / n! * (1 + b + ... + b^(n-2)): the series within 0.5 of b = 0 and
// b = 1, where the quotient is 0/0 (|L| = |ln(V0/V)| stays well below 1,
// and 40 terms are far more than enough there). The quotient loses some
// 4 / (|b - 1| |L|) ulp to cancellation (and as many near b = 0): within a
// few hundredths of 1, enough that a fit cannot settle to full precision.
template <class S>
S murnaghanm(const S& b, const S& L) {
  const double bv = value(b);
  if (std::fabs(bv) < 0.5 || std::fabs(bv - 1.0) < 0.5) {
    S sum(0.0), lpow = L * L * 0.5, bsum(1.0), bpow(1.0);
    for (int n = 2; n < 40; ++n) {
      sum += lpow * bsum;
      bpow *= b;
      bsum += bpow;
      lpow *= L * (1.0 / (n + 1));
    }
    return sum;
  }
  return (expm1(b * L) - b * expm1(L)) / (b * (b - 1.0));
}

}  // namespace eosdetail

// Each form is E = E0 + B0 h(V; B0', V0), linear in E0 and B0: the shape h
// (A^3) is written out below, and the derivatives in E0 and B0 follow. What
// a form needs of each volume is taken once (a volumepoint), and of V0 once
// for all volumes (a shapebase), so that each volume costs no power or
// logarithm of its own.
struct volumepoint {
  double v, cbrtv, logv;
  explicit volumepoint(double volume) : v(volume), cbrtv(std::cbrt(volume)), logv(std::log(volume)) {}
};
template <class S>
struct shapebase {
  S cbrtv0, logv0;
  explicit shapebase(const S& v0) {
    using std::log;
    using std::pow;
    cbrtv0 = pow(v0, 1.0 / 3.0);
    logv0 = log(v0);
  }
};

// Vinet: x = (V/V0)^(1/3), xi = 1.5 (B0' - 1),
// E = E0 + 9 B0 V0 / xi^2 [1 + (xi (1 - x) - 1) e^{xi (1 - x)}],
// h = 9 V0 (1 - x)^2 phi(xi (1 - x)).
template <class S>
S vinet(const volumepoint& pt, const S& b, const S& v0, const shapebase<S>& base) {
  using namespace eosdetail;
  const S u = 1.0 - pt.cbrtv / base.cbrtv0;
  const S xi = 1.5 * (b - 1.0);
  return 9.0 * v0 * u * u * vinetphi(xi * u);
}

// Third-order Birch-Murnaghan: eta = (V0/V)^(2/3),
// E = E0 + 9/16 V0 B0 [(eta - 1)^3 B0' + (eta - 1)^2 (6 - 4 eta)].
template <class S>
S birchmurnaghan(const volumepoint& pt, const S& b, const S& v0, const shapebase<S>& base) {
  using namespace eosdetail;
  const S c = base.cbrtv0 * (1.0 / pt.cbrtv);
  const S eta = c * c;
  const S e1 = eta - 1.0;
  return (9.0 / 16.0) * v0 * (e1 * e1 * e1 * b + e1 * e1 * (6.0 - 4.0 * eta));
}

// Murnaghan: E = E0 + B0 V / B0' [(V0/V)^B0' / (B0' - 1) + 1] - B0 V0 / (B0' - 1),
// h = V m(B0', ln(V0/V)).
template <class S>
S murnaghan(const volumepoint& pt, const S& b, const S&, const shapebase<S>& base) {
  using namespace eosdetail;
  return pt.v * murnaghanm(b, base.logv0 - pt.logv);
}

// The shape h(V; B0', V0) of a form.
template <class S>
S shape(eos form, const volumepoint& pt, const S& b, const S& v0, const shapebase<S>& base) {
  switch (form) {
    case eos::birch_murnaghan: return birchmurnaghan(pt, b, v0, base);
    case eos::murnaghan: return murnaghan(pt, b, v0, base);
    case eos::vinet:
    case eos::strain: break;
  }
  return vinet(pt, b, v0, base);
}
template <class S>
S shape(eos form, double v, const S& b, const S& v0) {
  return shape(form, volumepoint(v), b, v0, shapebase<S>(v0));
}

// E(V; p) = E0 + B0 h(V; B0', V0).
template <class S>
S energy(eos form, double v, const S p[4]) {
  return p[0] + p[1] * shape(form, v, p[2], p[3]);
}

// The gradient of E = E0 + B0 h(V; B0', V0) in p, from h with its gradient
// in (B0', V0).
template <class T>
std::array<T, 4> energygradient(const T& b0, const dual<T, 2>& h) {
  return {T(1.0), h.v, b0 * h.d[0], b0 * h.d[1]};
}

}  // namespace thermo
