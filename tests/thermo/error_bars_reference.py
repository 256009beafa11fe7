"""An independent reference for lattice_thermo --qha --error-bars: the same
definitions computed another way, in numpy and scipy.

  - Each fit is scipy's least_squares (Levenberg-Marquardt, the Jacobian by
    the complex step) polished by Gauss-Newton steps to the last digits.
  - alpha and Cp are Richardson-extrapolated central differences of the
    fitted V0 and E0 over the data extended by their own Taylor polynomial,
    G_i + h G'_i + h^2/2 G''_i; the transitions' V and S the implicit
    derivative of the minimiser, with the objective's Hessian from central
    differences of complex-step Jacobians.
  - The equations of state are written from their textbook forms, with a
    series where the quotients lose digits.

_err_data: the jackknife over the volumes, sqrt((n-1)/n sum (x_(i) - mean)^2);
_err_model: half the range over Vinet, Birch-Murnaghan and Murnaghan;
_err: the two in quadrature. The phases' transitions: p_t found by brentq
on the fits, the jackknife over each phase's volumes in turn, the two
phases' variances added."""
import math

import numpy as np
from scipy.interpolate import CubicSpline
from scipy.optimize import brentq, least_squares

EV = 1.602176634e-19
KJMOL = EV * 6.02214076e23 / 1000.0   # kJ/mol per eV
JMOL = KJMOL * 1000.0                 # J/mol per eV
GPA = 160.2176634                     # GPa per eV/A^3
KB = 1.380649e-23 / EV                # eV/K
FORMS = ("vinet", "birch_murnaghan", "murnaghan")
QUANTITIES = ("volume", "gibbs_energy", "bulk_modulus", "thermal_expansion", "heat_capacity_p")


# (k + 1) / (k + 2)!, highest first, for Horner's rule.
_PHI = [(k + 1) / math.factorial(k + 2) for k in range(13, -1, -1)]


def _phi(z):
    """(1 + (z - 1) e^z) / z^2 = sum (k + 1) z^k / (k + 2)!, complex too."""
    z = np.asarray(z)
    small = np.abs(z) < 0.1
    zs = np.where(small, 1.0, z)
    quotient = (1 + (zs - 1) * np.exp(zs)) / (zs * zs)
    return np.where(small, np.polyval(_PHI, z), quotient)


def _murnaghan_m(b, L):
    """(e^{bL} - 1 - b (e^L - 1)) / (b (b - 1))."""
    near = (abs(b) < 1e-2) or (abs(b - 1) < 1e-2)
    if near:
        total, term = 0.0, L * L / 2
        bsum, bpow = 1.0, 1.0
        for n in range(2, 40):
            total = total + term * bsum
            bpow = bpow * b
            bsum = bsum + bpow
            term = term * L / (n + 1)
        return total
    return (np.expm1(b * L) - b * np.expm1(L)) / (b * (b - 1))


def energy(form, v, p):
    e0, b0, b, v0 = p
    if form == "vinet":
        u = 1 - (v / v0) ** (1.0 / 3.0)
        return e0 + 9 * b0 * v0 * u * u * _phi(1.5 * (b - 1) * u)
    if form == "birch_murnaghan":
        eta = (v0 / v) ** (2.0 / 3.0)
        return e0 + 9.0 / 16.0 * v0 * b0 * ((eta - 1) ** 3 * b + (eta - 1) ** 2 * (6 - 4 * eta))
    return e0 + b0 * v * _murnaghan_m(b, np.log(v0 / v))


def jacobian(form, v, p):
    j = np.empty((len(v), 4))
    for k in range(4):
        q = np.array(p, dtype=complex)
        q[k] += 1e-30j
        j[:, k] = energy(form, v + 0j, q).imag / 1e-30
    return j


def fit(form, v, g, start=None):
    """The least-squares parameters (E0, B0, B0', V0), to the last digits."""
    if start is None:
        k = int(np.argmin(g))
        c = min(max(k, 1), len(v) - 2)
        x, y = v[c - 1:c + 2], g[c - 1:c + 2]
        curvature = 2 * ((y[2] - y[1]) / (x[2] - x[1]) - (y[1] - y[0]) / (x[1] - x[0])) / (x[2] - x[0])
        start = [g[k], max(v[k] * curvature, 1e-3), 4.0, v[k]]
    r = least_squares(lambda p: energy(form, v, p) - g, start, jac=lambda p: jacobian(form, v, p), method="lm",
                      xtol=1e-15, ftol=1e-15, gtol=1e-15, max_nfev=20000)
    p = r.x
    for _ in range(8):  # Gauss-Newton: its fixed point is the minimum's
        step = np.linalg.lstsq(jacobian(form, v, p), -(energy(form, v, p) - g), rcond=None)[0]
        p = p + step
        if abs(step[3]) < 1e-15 * abs(p[3]):
            break
    return p


def _slope(form, v, g, p, w):
    """dp/dx where the data move by w x: (J^T J + sum r_i Hess E_i)^-1 J^T w."""
    j = jacobian(form, v, p)
    r = energy(form, v, p) - g
    h = j.T @ j
    for k in range(4):
        d = 1e-5 * max(abs(p[k]), 1e-3)
        up, down = np.array(p, float), np.array(p, float)
        up[k] += d
        down[k] -= d
        h[:, k] += ((jacobian(form, v, up) - jacobian(form, v, down)) / (2 * d)).T @ r
    h = 0.5 * (h + h.T)
    return np.linalg.solve(h, j.T @ w)


def values(form, v, g, dg, d2g, t, reference=0.0, start=None):
    """The five quantities per cell: V (A^3), G (kJ/mol), B_T (GPa), alpha
    (1/K), Cp (J/K/mol), and the fit. alpha and Cp from central differences
    of V0 and E0 fitted to the data extended by their Taylor polynomial,
    G_i + h G'_i + h^2/2 G''_i (which has the data's first and second
    derivatives), at h and 2h, Richardson-extrapolated."""
    p = fit(form, v, g, start)
    alpha = cp = 0.0
    if t > 0:
        h = min(1.0, t / 20.0)
        at = {k: fit(form, v, g + k * h * dg + 0.5 * (k * h) ** 2 * d2g, p) for k in (-2, -1, 1, 2)}
        d1 = lambda k: (at[k][3] - at[-k][3]) / (2 * k * h)
        d2 = lambda k: (at[k][0] - 2 * p[0] + at[-k][0]) / (k * h) ** 2
        alpha = (4 * d1(1) - d1(2)) / 3 / p[3]
        cp = -t * (4 * d2(1) - d2(2)) / 3 * JMOL
    return np.array([p[3], (p[0] + reference) * KJMOL, p[1] * GPA, alpha, cp]), p


def jackknife(samples):
    """sqrt((n-1)/n sum (x_i - mean)^2) of each column of the (n, k) array."""
    s = np.asarray(samples)
    n = len(s)
    return np.sqrt((n - 1) / n * np.sum((s - s.mean(axis=0)) ** 2, axis=0))


def error_bars(form, v, g, dg, d2g, t):
    """For each quantity, (value, err_data, err_model, err), per cell."""
    full, p = values(form, v, g, dg, d2g, t)
    n = len(v)
    keep = lambda i: np.arange(n) != i
    left = [values(form, v[keep(i)], g[keep(i)], dg[keep(i)], d2g[keep(i)], t, start=p)[0] for i in range(n)]
    data = jackknife(left)
    others = [full if f == form else values(f, v, g, dg, d2g, t, start=p)[0] for f in FORMS]
    model = 0.5 * (np.max(others, axis=0) - np.min(others, axis=0))
    return {q: (full[k], data[k], model[k], math.hypot(data[k], model[k])) for k, q in enumerate(QUANTITIES)}


class Phase:
    """One phase's data: volumes (A^3 per cell, sorted), and G_i(T) with its
    first and second temperature derivatives at each tabulated temperature
    (eV per cell, less the lowest static energy)."""

    def __init__(self, volumes, energies, t, f, s, cv, electrons=None):
        """f, s, cv: the phonons' free energy (kJ/mol), entropy and heat
        capacity (J/K/mol), of shape (temperatures, volumes), as phonopy's
        reader gives them; electrons: fe-v.dat's F_el (eV), the same shape
        and temperatures, which replaces the static energy."""
        order = np.argsort(volumes)
        self.v = np.asarray(volumes, float)[order]
        self.t = np.asarray(t, float)
        self.reference = float(np.min(energies))
        e = np.asarray(energies, float)[order] - self.reference
        f, s, cv = (np.asarray(x, float)[:, order] for x in (f, s, cv))
        safe = np.where(self.t > 0, self.t, 1.0)[:, None]
        self.g = f / KJMOL + e[None, :]
        self.dg = -s / JMOL
        self.d2g = np.where(self.t[:, None] > 0, -cv / JMOL / safe, 0.0)
        if electrons is not None:
            el = np.asarray(electrons, float)[:, order] - self.reference
            spline = CubicSpline(self.t, el, axis=0, bc_type="not-a-knot")
            self.g += el - e[None, :]
            self.dg += spline(self.t, 1)
            self.d2g += spline(self.t, 2)

    def at(self, t, pressure=0.0):
        k = int(np.argmin(np.abs(self.t - t)))
        return self.v, self.g[k] + pressure * self.v / GPA, self.dg[k], self.d2g[k]

    def without(self, i):
        """The same phase without volume i (of the sorted order)."""
        other = object.__new__(Phase)
        keep = np.arange(len(self.v)) != i
        other.v, other.t, other.reference = self.v[keep], self.t, self.reference
        other.g, other.dg, other.d2g = self.g[:, keep], self.dg[:, keep], self.d2g[:, keep]
        return other


def row_error_bars(phase, t, form="vinet", pressure=0.0, units=1.0):
    """Each quantity's (value, err_data, err_model, err) at t and pressure,
    per formula unit."""
    v, g, dg, d2g = phase.at(t, pressure)
    out = error_bars(form, v, g, dg, d2g, t)
    extensive = {"volume", "gibbs_energy", "heat_capacity_p"}
    scale = lambda q: 1.0 / units if q in extensive else 1.0
    out = {q: tuple(x * scale(q) for x in vals) for q, vals in out.items()}
    value = out["gibbs_energy"]
    out["gibbs_energy"] = (value[0] + phase.reference * KJMOL / units,) + value[1:]
    return out


def _state(phase, form, t, pressure, units):
    """G (eV, less the reference), V (A^3) and S (eV/K) per formula unit at a pressure."""
    v, g, dg, d2g = phase.at(t, pressure)
    p = fit(form, v, g)
    volume = _slope(form, v, g, p, v)[0]
    entropy = -_slope(form, v, g, p, dg)[0]
    return p[0] / units, volume / units, entropy / units


def transition(a, b, t, near, form="vinet", units=(1.0, 1.0), width=0.5):
    """p_t (GPa) where a's and b's G per formula unit cross near `near`,
    and dp/dT = dS/dV there."""
    gap = b.reference / units[1] - a.reference / units[0]

    def dg(p):
        return _state(b, form, t, p, units[1])[0] + gap - _state(a, form, t, p, units[0])[0]

    pt = brentq(dg, near - width, near + width, xtol=1e-13, rtol=1e-15, maxiter=200)
    _, va, sa = _state(a, form, t, pt, units[0])
    _, vb, sb = _state(b, form, t, pt, units[1])
    return np.array([pt, (sb - sa) / (vb - va) * GPA])


def transition_error_bars(a, b, t, near, form="vinet", units=(1.0, 1.0)):
    """(value, err_data, err_model, err) of p_t and of dp/dT."""
    full = transition(a, b, t, near, form, units)
    variance = np.zeros(2)
    for phase, which in ((a, 0), (b, 1)):
        left = []
        for i in range(len(phase.v)):
            pair = (phase.without(i), b) if which == 0 else (a, phase.without(i))
            left.append(transition(*pair, t, full[0], form, units))
        variance += jackknife(left) ** 2
    data = np.sqrt(variance)
    others = [full if f == form else transition(a, b, t, full[0], f, units) for f in FORMS]
    model = 0.5 * (np.max(others, axis=0) - np.min(others, axis=0))
    return {q: (full[k], data[k], model[k], math.hypot(data[k], model[k]))
            for k, q in enumerate(("pressure", "clapeyron_slope"))}
