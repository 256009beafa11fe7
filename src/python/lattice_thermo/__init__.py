"""lattice_thermo: the harmonic thermodynamic functions, the effective Debye
temperature and the quasi-harmonic approximation of a phonon DOS, computed
by the lattice_thermo program's own library.

    >>> from lattice_thermo import Dos
    >>> dos = Dos.from_file("total_dos.dat")      # phonopy's, THz
    >>> dos.cv(300.0)                             # J/K/mol of cells
    >>> props = dos.thermal_properties(range(0, 1001, 10))

Units follow the peer a name comes from: Dos's cv, entropy (J/K/mol) and
helmholtz_free_energy, internal_energy, zero_point_energy (J/mol) are
pymatgen's PhononDos units; thermal_properties() gives phonopy's
ThermalProperties units (kJ/mol, J/K/mol); qha() and debye() the
program's --qha and --debye columns (kJ/mol, J/K/mol, GPa, A^3 per cell); with several phases
(qha(phases=[Phase(...), ...]), transitions()) per mole of formula units;
qha_grid() the --qha-grid columns (A, A^3, 1/K, kJ/mol, J/K/mol);
displacements() and Dos's mean_square_displacement and b_factor the thermal
displacements in A^2, as phonopy gives them. Results are per mole of cells
unless a Dos is made with per_atom=True.

A change that breaks callers: helmholtz_free_energy, internal_energy and
zero_point_energy give J/mol, as pymatgen's do; earlier versions gave kJ/mol
(thermal_properties() keeps kJ/mol).
"""
from . import _results  # noqa: F401 (to_dict, to_dataframe and plot of the results)
from ._core import QhaGridResult, QhaPhasesResult, QhaResult, ThermalProperties, TransitionsResult
from ._debye import DebyeResult, debye
from ._displacements import Displacements, displacements
from ._dos import Dos
from ._phases import Phase, transitions
from ._qha import qha, qha_files, qha_grid

for _cls in (QhaResult, QhaGridResult, QhaPhasesResult, ThermalProperties, TransitionsResult, Dos, Phase, Displacements,
             DebyeResult):
    _cls.__module__ = __name__
for _fn in (qha, qha_files, qha_grid, transitions, displacements, debye):
    _fn.__module__ = __name__
del _cls, _fn

__all__ = ["DebyeResult", "Displacements", "Dos", "Phase", "QhaGridResult", "QhaPhasesResult", "QhaResult",
           "ThermalProperties", "TransitionsResult", "debye", "displacements", "qha", "qha_files", "qha_grid",
           "transitions"]
