// lattice_thermo: forward-mode automatic differentiation for the
// equations of state. dual<T, N> carries a value and its derivatives along
// N directions, each of type T; nesting gives second and higher
// derivatives: dual<dual<double, 4>, 4> a Hessian in four parameters,
// dual<dual<double, 1>, 1> a second derivative along one line. Only what
// the equations of state need: + - * / with numbers and with each other,
// exp, expm1 (and both at once), log and pow by a number (of a positive
// base).
#pragma once

#include <array>
#include <cmath>

namespace thermo {

template <class T, int N>
struct dual {
  T v{};
  std::array<T, N> d{};

  dual() = default;
  dual(double x) : v(x) {}  // a constant: every derivative 0
  dual(T x, std::array<T, N> dx) : v(x), d(dx) {}
};

// The value of a number at the bottom of the nesting.
inline double value(double x) { return x; }
template <class T, int N>
double value(const dual<T, N>& x) {
  return value(x.v);
}

// A variable: value x and derivative 1 along direction k.
template <class T, int N>
dual<T, N> variable(T x, int k) {
  dual<T, N> r(x, {});
  r.d[static_cast<std::size_t>(k)] = T(1.0);
  return r;
}

template <class T, int N>
dual<T, N> operator+(const dual<T, N>& a, const dual<T, N>& b) {
  dual<T, N> r(a.v + b.v, {});
  for (int k = 0; k < N; ++k) r.d[k] = a.d[k] + b.d[k];
  return r;
}
template <class T, int N>
dual<T, N> operator-(const dual<T, N>& a, const dual<T, N>& b) {
  dual<T, N> r(a.v - b.v, {});
  for (int k = 0; k < N; ++k) r.d[k] = a.d[k] - b.d[k];
  return r;
}
template <class T, int N>
dual<T, N> operator-(const dual<T, N>& a) {
  dual<T, N> r(-a.v, {});
  for (int k = 0; k < N; ++k) r.d[k] = -a.d[k];
  return r;
}
template <class T, int N>
dual<T, N> operator*(const dual<T, N>& a, const dual<T, N>& b) {
  dual<T, N> r(a.v * b.v, {});
  for (int k = 0; k < N; ++k) r.d[k] = a.d[k] * b.v + a.v * b.d[k];
  return r;
}
template <class T, int N>
dual<T, N> operator/(const dual<T, N>& a, const dual<T, N>& b) {
  const T q = a.v / b.v;
  dual<T, N> r(q, {});
  for (int k = 0; k < N; ++k) r.d[k] = (a.d[k] - q * b.d[k]) / b.v;
  return r;
}
// With plain numbers.
template <class T, int N>
dual<T, N> operator+(const dual<T, N>& a, double b) {
  return dual<T, N>(a.v + b, a.d);
}
template <class T, int N>
dual<T, N> operator+(double a, const dual<T, N>& b) {
  return b + a;
}
template <class T, int N>
dual<T, N> operator-(const dual<T, N>& a, double b) {
  return dual<T, N>(a.v - b, a.d);
}
template <class T, int N>
dual<T, N> operator-(double a, const dual<T, N>& b) {
  return -b + a;
}
template <class T, int N>
dual<T, N> operator*(const dual<T, N>& a, double b) {
  dual<T, N> r(a.v * b, {});
  for (int k = 0; k < N; ++k) r.d[k] = a.d[k] * b;
  return r;
}
template <class T, int N>
dual<T, N> operator*(double a, const dual<T, N>& b) {
  return b * a;
}
template <class T, int N>
dual<T, N> operator/(const dual<T, N>& a, double b) {
  return a * (1.0 / b);
}
template <class T, int N>
dual<T, N> operator/(double a, const dual<T, N>& b) {
  return dual<T, N>(a) / b;
}
template <class T, int N>
dual<T, N>& operator+=(dual<T, N>& a, const dual<T, N>& b) {
  return a = a + b;
}
template <class T, int N>
dual<T, N>& operator*=(dual<T, N>& a, const dual<T, N>& b) {
  return a = a * b;
}

// The functions, by the chain rule: f(x).d = f'(x) x.d.
template <class T, int N>
dual<T, N> chain(const T& f, const T& fprime, const dual<T, N>& x) {
  dual<T, N> r(f, {});
  for (int k = 0; k < N; ++k) r.d[k] = fprime * x.d[k];
  return r;
}
inline double expm1(double x) { return std::expm1(x); }
template <class T, int N>
dual<T, N> exp(const dual<T, N>& x) {
  using std::exp;
  const T e = exp(x.v);
  return chain(e, e, x);
}
template <class T, int N>
dual<T, N> expm1(const dual<T, N>& x) {
  using std::exp;
  return chain(expm1(x.v), exp(x.v), x);
}
template <class T, int N>
dual<T, N> log(const dual<T, N>& x) {
  using std::log;
  return chain(log(x.v), 1.0 / x.v, x);
}
// e^x and e^x - 1 at once: their derivatives are the same e^x.
inline void exps(double x, double& e, double& em1) {
  e = std::exp(x);
  em1 = std::expm1(x);
}
template <class T, int N>
void exps(const dual<T, N>& x, dual<T, N>& e, dual<T, N>& em1) {
  T ev, em1v;
  exps(x.v, ev, em1v);
  e = chain(ev, ev, x);
  em1 = chain(em1v, ev, x);
}
// How deep duals are nested: 0 for a number.
template <class T>
inline constexpr int nesting = 0;
template <class T, int N>
inline constexpr int nesting<dual<T, N>> = 1 + nesting<T>;

// f(x) from f and its derivatives at value(x), f^(n) in df[n] for n up to
// the nesting depth (3 for the deepest dual here): each level's derivative
// is f' one level down, so that a function costly in nested duals (a long
// series) is summed once in doubles, and the duals only carry the chain rule.
inline double taylor(const double* df, double) { return df[0]; }
template <class T, int N>
dual<T, N> taylor(const double* df, const dual<T, N>& x) {
  dual<T, N> r(taylor(df, x.v), {});
  const T fprime = taylor(df + 1, x.v);
  for (int k = 0; k < N; ++k) r.d[k] = fprime * x.d[k];
  return r;
}
// x > 0: the derivative c x^c / x takes the one power.
template <class T, int N>
dual<T, N> pow(const dual<T, N>& x, double c) {
  using std::pow;
  const T p = pow(x.v, c);
  return chain(p, c * p / x.v, x);
}

}  // namespace thermo
