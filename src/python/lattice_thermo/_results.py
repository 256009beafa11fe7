"""The module's results given to_dict(), to_dataframe() and plot(): how each
becomes a table (its axes, as the program's CSV shows them) and its panels.
A new result class is one tabulate() and one drawable() here."""
import numpy as np

from . import _core
from ._debye import DebyeResult
from ._displacements import Displacements
from ._plots import QHA, THERMAL, by_pressure, drawable
from ._plots_axes import GRID, PATH
from ._plots_phases import DISPLACEMENTS, PHASES, TRANSITIONS
from ._tables import Axis, Layout, tabulate

TEMPERATURES = Axis("temperatures", "temperature")
PRESSURES = Axis("pressures", "pressure", several=True)
# The error bars' columns, where a result has them: last, as the CSV has them.
ERRORS = [q + part for q in ("volume", "gibbs_energy", "bulk_modulus", "thermal_expansion", "heat_capacity_p")
          for part in ("_err_data", "_err_model", "_err")]

tabulate(_core.ThermalProperties, Layout([TEMPERATURES], renamed={"internal_energy": "energy"},
                                         constants=["sampling_limit"], skip=["resolved"]))
drawable(_core.ThermalProperties, THERMAL)

# With lattice=, the lengths and their expansions after the CSV's columns,
# as --lattice adds them.
tabulate(_core.QhaResult, Layout([PRESSURES, TEMPERATURES]))
drawable(_core.QhaResult, QHA + PATH)

# b and alpha_b are a's where the grid has two lengths; the CSV leaves them out.
# With error bars, theirs likewise.
BS = {n + part for n in ("b", "alpha_b") for part in ("", "_err_data", "_err_model", "_err")}
tabulate(_core.QhaGridResult, Layout([PRESSURES, TEMPERATURES], omit=lambda r: BS if r.axes == 2 else ()))
drawable(_core.QhaGridResult, GRID)

# The CSV's rows: pressure by pressure, temperature by temperature, a row
# per phase; its columns pressure, phase, temperature, ..., stable.
tabulate(_core.QhaPhasesResult, Layout([Axis("phase", "phase"), PRESSURES, TEMPERATURES], rows=[1, 2, 0],
                                       lead=["pressure", "phase", "temperature"], last=["stable"] + ERRORS))
drawable(_core.QhaPhasesResult, PHASES)

tabulate(_core.TransitionsResult, Layout([Axis(None, None, count=len)]))
drawable(_core.TransitionsResult, TRANSITIONS)

tabulate(Displacements, Layout([TEMPERATURES, Axis(None, "atom", count=lambda r: len(r.elements),
                                                   attached={"element": "elements", "mass": "masses"})],
                               skip=["thermal_displacement_matrices"]))
drawable(Displacements, DISPLACEMENTS)

# --debye's CSV: a pressure column always, the electrons' own columns (and
# their spreads) where there are electrons; fit_rms and the linear
# expansion, which it does not write, left out.
ELECTRONS = ("electronic_free_energy", "electronic_energy", "electronic_entropy", "electronic_heat_capacity")
tabulate(DebyeResult, Layout([Axis("pressures", "pressure"), TEMPERATURES], skip=["fit_rms", "linear_thermal_expansion"],
                             omit=lambda r: () if np.nansum(r.electronic_entropy) > 0.0
                             else ELECTRONS + tuple(c + "_err_fit" for c in ELECTRONS)))
# Its panels: qha's, with theta_D at V(T), the model's own, in place of B'.
drawable(DebyeResult, [panel for panel in QHA if panel[0] != "bulk_modulus_prime"] +
         [("debye_temperature", by_pressure("debye_temperature", "θ_D (K)", "Debye temperature at V(T)"), None)])
