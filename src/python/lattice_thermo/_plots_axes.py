"""The panels of the lattice lengths, as plot_aniso draws them at the first
pressure: QhaGridResult's, and QhaResult's with lattice=; _plots has the
machinery."""
import numpy as np

from ._plots import labels, lines, pressure


def axes_of(r):
    """The lengths a result holds: a, b, c, or a and c where b is a."""
    return ("a", "c") if getattr(r, "axes", 3) == 2 else ("a", "b", "c")


def changes(ax, r):
    t = r.temperatures
    for k, name in enumerate(axes_of(r)):
        x = getattr(r, name)[0]
        lines(ax, t, 100.0 * (x / x[0] - 1.0), None, None, color=f"C{k}", label=f"{name}/{name}(T0) − 1")
    v = r.volume[0]
    lines(ax, t, 100.0 * (np.cbrt(v / v[0]) - 1.0), None, None, color="0.4", linestyle="--",
          label="(V/V(T0))^(1/3) − 1")
    ax.legend(fontsize="small")
    labels(ax, "change (%)", title=f"the lengths' changes at {pressure(r.pressures[0])}")


def expansions(ax, r):
    t = r.temperatures
    for k, name in enumerate(axes_of(r)):
        lines(ax, t, getattr(r, "alpha_" + name)[0], r, "alpha_" + name, 0, color=f"C{k}", label=f"α_{name}")
    lines(ax, t, r.thermal_expansion[0] / 3.0, None, None, color="0.4", linestyle="--", label="α / 3")
    ax.legend(fontsize="small")
    labels(ax, "α (1/K)", title=f"the axial expansions at {pressure(r.pressures[0])}")


def heat_capacities(ax, r):
    t = r.temperatures
    line = lines(ax, t, r.heat_capacity_p[0], r, "heat_capacity_p", 0, label="Cp")
    lines(ax, t, r.heat_capacity_v[0], r, "heat_capacity_v", 0, color=line.get_color(), linestyle="--",
          label="Cv at fixed lengths")
    ax.legend(fontsize="small")
    labels(ax, "C (J/K/mol)", title=f"Cp, Cv (dashed) at {pressure(r.pressures[0])}")


GRID = [("lengths", changes, None), ("alpha", expansions, None), ("heat_capacity_p", heat_capacities, None)]

# QhaResult with lattice=: its lengths beside plot_qha's panels.
PATH = [("lengths", changes, lambda r: r.a is not None), ("alpha", expansions, lambda r: r.a is not None)]
