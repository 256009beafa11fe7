"""lattice_thermo: the harmonic thermodynamic functions, the effective Debye
temperature and the quasi-harmonic approximation of a phonon DOS, computed
by the lattice_thermo program's own library.

    >>> from lattice_thermo import Dos
    >>> dos = Dos.from_file("total_dos.dat")      # phonopy's, THz
    >>> dos.cv(300.0)                             # J/K/mol of cells
    >>> props = dos.thermal_properties(range(0, 1001, 10))

Units: K, kJ/mol (F, U, G), J/K/mol (S, C), GPa, A^3 per cell; results per
mole of cells unless a Dos is made with per_atom=True.
"""
from ._core import Dos, QhaResult, ThermalProperties, qha

__all__ = ["Dos", "QhaResult", "ThermalProperties", "qha"]
