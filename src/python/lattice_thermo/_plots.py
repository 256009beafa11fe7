"""plot() of the results with matplotlib: the panels lattice_thermo's plot
scripts draw, as a figure of its own or in the caller's Axes.

Each result class has a list of panels, (name, drawer, shown): drawer(ax,
result) draws the panel in ax and labels its axes with their units; shown
(None: always) says whether the result has what the panel needs. A new
result class needs its list and a call of drawable(). A curve drawn by
lines() gets a band of +-1 error where the result holds an array named as
its column with ERROR appended (as the CSV names a value's error bar), or
with the class's own _error_suffix where its CSV names them otherwise."""
import math

import numpy as np

ERROR = "_err"
STYLES = ("-", "--", ":", "-.")


def pyplot():
    try:
        import matplotlib.pyplot as plt
    except ImportError as e:
        raise ImportError("plot() needs matplotlib (Debian: apt-get install python3-matplotlib; elsewhere: "
                          "pip install matplotlib)") from e
    return plt


def plot(self, ax=None, panels=None):
    """Draws the results with matplotlib, the panels lattice_thermo's plot
    scripts draw, each axis labelled with its unit, and returns the Axes
    (a numpy array of them where there are several); never calls show().
    ax: None (a new figure, one Axes per panel), or an Axes (the first
    panel), or a sequence of Axes (as many panels). panels: a panel's name
    or a list of them, to draw those alone (a name that is not one raises
    ValueError naming those there are)."""
    table = [(name, draw) for name, draw, shown in type(self)._panels if shown is None or shown(self)]
    if panels is not None:
        wanted = [panels] if isinstance(panels, str) else list(panels)
        known = dict(table)
        for name in wanted:
            if name not in known:
                raise ValueError(f"no panel '{name}' here; the panels: {', '.join(known)}")
        table = [(name, known[name]) for name in wanted]
    if ax is None:
        plt = pyplot()
        cols = 1 if len(table) == 1 else 2 if len(table) <= 4 else 3
        rows = math.ceil(len(table) / cols)
        fig, grid = plt.subplots(rows, cols, figsize=(4.6 * cols, 3.5 * rows), layout="constrained", squeeze=False)
        axes = list(grid.ravel())
        for spare in axes[len(table):]:
            fig.delaxes(spare)
        axes = axes[:len(table)]
    else:
        axes = list(np.ravel(np.asarray(ax, dtype=object)))
        if len(axes) > len(table):
            raise ValueError(f"{len(axes)} Axes given for {len(table)} panels")
        table = table[:len(axes)]
    for a, (_, draw) in zip(axes, table):
        draw(a, self)
    return axes[0] if len(axes) == 1 else np.array(axes, dtype=object)


def drawable(cls, panels):
    """Gives result class cls its plot(), with its panels."""
    cls._panels = panels
    cls.plot = plot


def lines(ax, t, y, result=None, column=None, at=(), **style):
    """A curve of y(t) (NaN where there is no value), y the result's column
    at index `at`, with its error band where the result holds one; returns
    the line."""
    (line,) = ax.plot(t, y, **style)
    error = getattr(result, column + getattr(result, "_error_suffix", ERROR), None) if column else None
    if isinstance(error, np.ndarray):
        error = error[at]
    if isinstance(error, np.ndarray) and error.shape == np.shape(y):
        ax.fill_between(t, y - error, y + error, color=line.get_color(), alpha=0.2, linewidth=0)
    return line


def labels(ax, y, x="T (K)", title=None):
    ax.set_xlabel(x)
    ax.set_ylabel(y)
    ax.ticklabel_format(axis="y", style="sci", scilimits=(-3, 4), useOffset=False)
    if title:
        ax.set_title(title, fontsize="medium")
    ax.grid(True, alpha=0.3)


def pressure(p):
    return f"{p:g} GPa"


def debye(y):
    """The Debye heat-capacity function D(y) = 3/y^3 int_0^y x^4 e^x / (e^x - 1)^2 dx
    (Simpson's rule on 400 intervals: ample for a reference line)."""
    if y < 1e-3:
        return 1.0 - y * y / 20.0
    x = np.linspace(0.0, y, 401)[1:]
    f = np.concatenate([[0.0], x ** 4 * np.exp(-x) / (-np.expm1(-x)) ** 2])
    w = np.ones(401)
    w[1:-1:2], w[2:-1:2] = 4.0, 2.0
    return 3.0 / y ** 3 * (w @ f) * (y / 400.0) / 3.0


# ThermalProperties: as plot_thermo draws a file.
def heat_capacity(ax, r):
    t, c = r.temperatures, r.heat_capacity
    line = lines(ax, t, c, r, "heat_capacity")
    top = np.flatnonzero(np.isfinite(r.debye_temperature) & (t > 0) & r.resolved)
    if len(top):
        k = top[np.argmax(t[top])]
        classical = c[k] / debye(r.debye_temperature[k] / t[k])
        ax.axhline(classical, color=line.get_color(), linestyle="--", linewidth=0.8)
        ax.annotate(f"3nR = {classical:.2f} J/K/mol", (1.0, classical), xycoords=("axes fraction", "data"),
                    xytext=(-4, -4), textcoords="offset points", ha="right", va="top", color=line.get_color())
    labels(ax, "C_V (J/K/mol)", title="heat capacity (3nR dashed)")


def entropy(ax, r):
    lines(ax, r.temperatures, r.entropy, r, "entropy")
    labels(ax, "S (J/K/mol)", title="entropy")


def free_energy(ax, r):
    line = lines(ax, r.temperatures, r.free_energy, r, "free_energy", label="F")
    lines(ax, r.temperatures, r.internal_energy, r, "internal_energy", color=line.get_color(), linestyle="--", label="U")
    ax.legend()
    labels(ax, "F, U (kJ/mol)", title="free energy F (solid), energy U (dashed)")


def debye_temperature(ax, r):
    t, theta, ok = r.temperatures, r.debye_temperature, np.asarray(r.resolved)
    below = ~ok
    if below.any() and ok.any():
        below[np.argmax(ok)] = True  # the grey part meets the coloured one
    ax.plot(t[below], theta[below], color="0.6", label="below the sampling limit" if below.any() else None)
    line = lines(ax, np.where(ok, t, np.nan), np.where(ok, theta, np.nan), r, "debye_temperature")
    shown = list(theta[ok & np.isfinite(theta)])
    if np.isfinite(r.theta_infinity):
        ax.axhline(r.theta_infinity, color=line.get_color(), linestyle="--", linewidth=0.8,
                   label=f"θ∞ = {r.theta_infinity:.1f} K")
        shown.append(r.theta_infinity)
    if shown:  # the range of the resolved values and theta_inf: the grey part cannot stretch it
        lo, hi = min(shown), max(shown)
        pad = 0.05 * (hi - lo) if hi > lo else 0.05 * abs(hi) + 1.0
        ax.set_ylim(lo - pad, hi + pad)
    ax.legend()
    labels(ax, "θ_D (K)", title="θ_D (grey below the sampling limit)")


THERMAL = [("heat_capacity", heat_capacity, None), ("entropy", entropy, None), ("free_energy", free_energy, None),
           ("debye_temperature", debye_temperature, None)]


def colours(n):
    """n colours: the ten of matplotlib's cycle, or past ten a sequential map
    (dark blue to yellow, in order)."""
    if n <= 10:
        return [f"C{k}" for k in range(n)]
    from matplotlib import colormaps
    return [colormaps["viridis"](k / (n - 1)) for k in range(n)]


# QhaResult: as plot_qha draws a CSV, one colour per pressure (past ten, the
# first and last named).
def by_pressure(column, ylabel, title, dashed=None, names=("", "")):
    def draw(ax, r):
        t, n, stopped = r.temperatures, len(r.pressures), False
        for k, (p, colour) in enumerate(zip(r.pressures, colours(n))):
            named = n <= 10 or k in (0, n - 1)
            lines(ax, t, getattr(r, column)[k], r, column, k, color=colour,
                  label=names[0] + pressure(p) if named else "_")
            if dashed is not None:
                lines(ax, t, getattr(r, dashed)[k], r, dashed, k, color=colour, linestyle="--",
                      label=names[1] + pressure(p) if named else "_")
            if column == "volume" and r.last_temperature[k] < t[-1]:
                i = np.flatnonzero(t == r.last_temperature[k])[-1]
                ax.plot(t[i], r.volume[k, i], "o", color=colour)
                if not stopped:  # said once
                    ax.annotate("V leaves the volumes sampled", (t[i], r.volume[k, i]), xytext=(-8, -2),
                                textcoords="offset points", ha="right", va="top", fontsize="small", color=colour)
                stopped = True
        if column == "bulk_modulus_prime":
            ax.axhspan(1.0, 10.0, color="green", alpha=0.08, label="1 to 10: a healthy fit")
        ax.legend(fontsize="small")
        labels(ax, ylabel, title=title)
    return draw


QHA = [
    ("gruneisen", by_pressure("gruneisen", "γ", "Grüneisen parameter"), None),
    ("volume", by_pressure("volume", "V (Å³ per cell)", "volume"), None),
    ("thermal_expansion", by_pressure("thermal_expansion", "α (1/K)", "volumetric thermal expansion"), None),
    ("bulk_modulus", by_pressure("bulk_modulus", "B (GPa)", "B_T, B_S (dashed)", "bulk_modulus_s", ("B_T, ", "B_S, ")),
     None),
    ("heat_capacity_p", by_pressure("heat_capacity_p", "C (J/K/mol)", "Cp, Cv at V(T) (dashed)", "heat_capacity_v",
                                    ("Cp, ", "Cv, ")), None),
    ("bulk_modulus_prime", by_pressure("bulk_modulus_prime", "B0′", "the fit's B0′"), None),
]
