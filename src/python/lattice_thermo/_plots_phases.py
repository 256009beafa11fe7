"""The panels of several phases, of their transitions (as plot_phases draws
them) and of the thermal displacements; _plots has the machinery."""
import numpy as np

from ._plots import STYLES, labels, lines, pressure


def shade(ax, t, p, which, names):
    """The (T, p) plane coloured by the index of the stable phase (which, of
    shape (pressures, temperatures); -1: white, not known)."""
    from matplotlib.colors import ListedColormap, to_rgba
    from matplotlib.patches import Patch

    def edges(x):
        x = np.asarray(x, dtype=float)
        if len(x) == 1:
            return np.array([x[0] - 0.5, x[0] + 0.5])
        mid = (x[1:] + x[:-1]) / 2
        return np.concatenate([[2 * x[0] - mid[0]], mid, [2 * x[-1] - mid[-1]]])

    colours = [(1.0, 1.0, 1.0, 1.0)] + [to_rgba(f"C{f % 10}", 0.3) for f in range(len(names))]
    which = np.asarray(which)
    if len(p) >= 3:
        ax.pcolormesh(edges(t), edges(p), which + 1, cmap=ListedColormap(colours), vmin=-0.5,
                      vmax=len(names) + 0.5, shading="flat")
    else:  # too few pressures for a plane: a row of marks at each
        for k, pk in enumerate(p):
            for f in sorted(set(which[k]) - {-1}):
                ax.plot(np.asarray(t)[which[k] == f], np.full(np.sum(which[k] == f), pk), "s", markersize=5,
                        color=colours[f + 1])
        ax.set_ylim(min(p) - 1.0, max(p) + 1.0)
    shown = sorted(set(np.ravel(which)) - {-1})
    return [Patch(color=colours[f + 1], label=f"{names[f]} stable") for f in shown]


def note(ax, text):
    ax.text(0.5, 0.5, text, transform=ax.transAxes, ha="center", va="center")


# QhaPhasesResult: one colour per phase, one line style per pressure.
def stable(ax, r):
    which = np.where(r.stable.any(axis=0), r.stable.argmax(axis=0), -1)
    names = list(r.phase)
    handles = shade(ax, r.temperatures, r.pressures, which, names)
    if len(r.pressures) >= 3:  # where the stable phase changes, between two pressures
        bounds = {}
        for k in range(len(r.pressures) - 1):
            for j in np.flatnonzero((which[k] != which[k + 1]) & (which[k] >= 0) & (which[k + 1] >= 0)):
                bounds.setdefault((which[k, j], which[k + 1, j]), []).append(
                    (r.temperatures[j], (r.pressures[k] + r.pressures[k + 1]) / 2))
        for (low, high), points in bounds.items():
            t, p = np.array(sorted(points)).T
            handles += ax.plot(t, p, ".", markersize=3, color="k", label=f"{names[low]} → {names[high]}")
    ax.legend(handles=handles, fontsize="small")
    labels(ax, "p (GPa)", title="the stable phase (white: none has a row)")


def per_phase(column, ylabel, title, relative=False):
    def draw(ax, r):
        values = getattr(r, column)
        if relative:  # G less the lowest G at each pressure and temperature
            lowest = np.where(np.isnan(values), np.inf, values).min(axis=0)
            values = values - np.where(np.isinf(lowest), np.nan, lowest)
        # At most four pressures, from the first to the last.
        drawn = sorted(set(np.linspace(0, len(r.pressures) - 1, min(len(r.pressures), len(STYLES))).round().astype(int)))
        for f, name in enumerate(r.phase):
            for style, k in zip(STYLES, drawn):
                lines(ax, r.temperatures, values[f, k], None if relative else r, column, (f, k), color=f"C{f % 10}",
                      linestyle=style, label=f"{name}, {pressure(r.pressures[k])}")
        ax.legend(fontsize="small")
        labels(ax, ylabel, title=title)
    return draw


PHASES = [
    ("stable", stable, None),
    ("gibbs_energy", per_phase("gibbs_energy", "G − G_stable (kJ/mol)", "G above the stable phase's", True), None),
    ("volume", per_phase("volume", "V (Å³ per formula unit)", "volume"), None),
    ("thermal_expansion", per_phase("thermal_expansion", "α (1/K)", "volumetric thermal expansion"), None),
    ("bulk_modulus", per_phase("bulk_modulus", "B_T (GPa)", "isothermal bulk modulus"), None),
    ("heat_capacity_p", per_phase("heat_capacity_p", "Cp (J/K/mol)", "heat capacity at constant pressure"), None),
]


# TransitionsResult: as plot_phases draws the CSV.
def names_of(r):
    return list(dict.fromkeys(list(r.phase_low) + list(r.phase_high)))


def lower(crossings, a, b, p):
    """Of phases a and b, the one of lower G at pressure p (None: not known),
    from their crossings at that temperature, (pressure, low, high) sorted."""
    c = crossings.get(frozenset((a, b)))
    if not c:
        return None
    above = [x for x in c if x[0] > p]
    return above[0][1] if above else c[-1][2]


def plane(ax, r):
    names = names_of(r)
    if not len(r):
        note(ax, "no transitions")
        labels(ax, "p (GPa)")
        return
    temps = np.unique(r.temperature)
    lo, hi = float(np.min(r.pressure)), float(np.max(r.pressure))
    margin = 0.5 * max(hi - lo, 1.0)
    grid = np.linspace(lo - margin, hi + margin, 161)
    which = np.full((len(grid), len(temps)), -1)
    for j, t in enumerate(temps):
        crossings = {}
        for i in np.flatnonzero(r.temperature == t):
            low, high = str(r.phase_low[i]), str(r.phase_high[i])
            crossings.setdefault(frozenset((low, high)), []).append((r.pressure[i], low, high))
        for c in crossings.values():
            c.sort()
        for m, p in enumerate(grid):
            for f, a in enumerate(names):
                if all(lower(crossings, a, b, p) == a for b in names if b != a):
                    which[m, j] = f
                    break
    handles = shade(ax, temps, grid, which, names)
    for g, (low, high) in enumerate(dict.fromkeys(zip(r.phase_low, r.phase_high))):
        rows = (r.phase_low == low) & (r.phase_high == high)
        colour = "k" if g == 0 else f"C{(len(names) + g) % 10}"
        handles.append(lines(ax, r.temperature[rows], r.pressure[rows], r, "pressure", rows, marker=".",
                             markersize=3, color=colour, label=f"{low} → {high}"))
    ax.legend(handles=handles, fontsize="small")
    labels(ax, "p (GPa)", title="the stable phase (white: not known) and p_t(T)")


def per_transition(column, ylabel):
    def draw(ax, r):
        if not len(r):
            note(ax, "no transitions")
        for g, (low, high) in enumerate(dict.fromkeys(zip(r.phase_low, r.phase_high))):
            rows = (r.phase_low == low) & (r.phase_high == high)
            lines(ax, r.temperature[rows], getattr(r, column)[rows], r, column, rows,
                  color="k" if g == 0 else f"C{(len(names_of(r)) + g) % 10}", label=f"{low} → {high}")
        if len(r):
            ax.legend(fontsize="small")
        labels(ax, ylabel)
    return draw


TRANSITIONS = [
    ("pressure", plane, None),
    ("clapeyron_slope", per_transition("clapeyron_slope", "Clapeyron slope dp_t/dT (GPa/K)"), None),
    ("volume_change", per_transition("volume_change", "V_high − V_low (Å³ per formula unit)"), None),
    ("entropy_change", per_transition("entropy_change", "S_high − S_low (J/K/mol)"), None),
]


# Displacements: one colour per atom.
def per_atom(column, ylabel, title, directions=None):
    def draw(ax, r):
        for j, element in enumerate(r.elements):
            label = f"{j + 1} {element}".strip()
            if directions is None:
                lines(ax, r.temperatures, getattr(r, column)[:, j], r, column, (slice(None), j), color=f"C{j % 10}",
                      label=label)
                continue
            for d, name in enumerate(directions):  # the legend: atoms by colour, directions by style
                lines(ax, r.temperatures, getattr(r, name)[:, j], r, name, (slice(None), j), color=f"C{j % 10}",
                      linestyle=STYLES[d], label=label if d == 0 else "_")
        for d, name in enumerate(directions or ()):
            ax.plot([], [], color="0.4", linestyle=STYLES[d], label=name)
        if column == "mean_square_displacement":
            factor = 8 * np.pi ** 2 / 3
            ax.secondary_yaxis("right", functions=(lambda u: u * factor, lambda b: b / factor)).set_ylabel(
                "B = 8π²⟨|u|²⟩/3 (Å²)")
        ax.legend(fontsize="small")
        labels(ax, ylabel, title=title)
    return draw


DISPLACEMENTS = [
    ("mean_square_displacement", per_atom("mean_square_displacement", "⟨|u|²⟩ (Å²)", "mean square displacement"),
     None),
    ("u_xx", per_atom("u_xx", "u_aa (Å²)", "along x, y, z", ("u_xx", "u_yy", "u_zz")), lambda r: r.u_xx is not None),
    ("lamb_mossbauer", per_atom("lamb_mossbauer", "f_LM", "Lamb–Mössbauer factor"),
     lambda r: r.lamb_mossbauer is not None),
]
