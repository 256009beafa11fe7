# Type stubs of lattice_thermo, for editors and type checkers. Units: K,
# kJ/mol (F, U, G), J/K/mol (S, C), GPa, A^3 per cell.
from typing import Optional, Sequence, Union, overload

import numpy as np
import numpy.typing as npt

_Array = npt.NDArray[np.float64]
_Temperatures = Union[float, Sequence[float], npt.ArrayLike]

class ThermalProperties:
    """The harmonic functions at a run of temperatures (read-only arrays)."""
    @property
    def temperatures(self) -> _Array: ...  # K
    @property
    def free_energy(self) -> _Array: ...  # kJ/mol
    @property
    def entropy(self) -> _Array: ...  # J/K/mol
    @property
    def heat_capacity(self) -> _Array: ...  # J/K/mol
    @property
    def internal_energy(self) -> _Array: ...  # kJ/mol
    @property
    def debye_temperature(self) -> _Array: ...  # K, NaN where there is none

class QhaResult:
    """Quasi-harmonic results, arrays of shape (pressures, temperatures)."""
    @property
    def pressures(self) -> _Array: ...  # GPa
    @property
    def temperatures(self) -> _Array: ...  # K
    @property
    def volume(self) -> _Array: ...  # A^3 per cell
    @property
    def gibbs_energy(self) -> _Array: ...  # kJ/mol
    @property
    def bulk_modulus(self) -> _Array: ...  # GPa
    @property
    def thermal_expansion(self) -> _Array: ...  # 1/K
    @property
    def heat_capacity_p(self) -> _Array: ...  # J/K/mol
    @property
    def heat_capacity_v(self) -> _Array: ...  # J/K/mol
    @property
    def gruneisen(self) -> _Array: ...
    @property
    def entropy(self) -> _Array: ...  # J/K/mol
    @property
    def bulk_modulus_s(self) -> _Array: ...  # GPa
    @property
    def last_temperature(self) -> _Array: ...  # K, per pressure

class Dos:
    """A phonon DOS, checked as lattice_thermo checks it."""
    def __init__(
        self,
        energies: npt.ArrayLike,
        densities: npt.ArrayLike,
        unit: str = "THz",
        atoms: Optional[float] = None,
        normalize: bool = False,
        per_atom: bool = False,
        cutoff_frequency: float = 0.0,
        pretend_real: bool = False,
    ) -> None: ...
    @staticmethod
    def from_file(
        path: str,
        unit: Optional[str] = None,
        column: Optional[int] = None,
        sum_columns: bool = False,
        normalize: bool = False,
        cutoff_frequency: float = 0.0,
        pretend_real: bool = False,
        atoms: Optional[float] = None,
        per_atom: bool = False,
        pds: bool = False,
    ) -> "Dos": ...
    @staticmethod
    def from_pds(path: str, atoms: Optional[float] = None, per_atom: bool = False) -> "Dos": ...
    @overload
    def cv(self, t: float) -> float: ...  # J/K/mol
    @overload
    def cv(self, t: npt.ArrayLike) -> _Array: ...
    @overload
    def entropy(self, t: float) -> float: ...  # J/K/mol
    @overload
    def entropy(self, t: npt.ArrayLike) -> _Array: ...
    @overload
    def helmholtz_free_energy(self, t: float) -> float: ...  # kJ/mol
    @overload
    def helmholtz_free_energy(self, t: npt.ArrayLike) -> _Array: ...
    @overload
    def internal_energy(self, t: float) -> float: ...  # kJ/mol
    @overload
    def internal_energy(self, t: npt.ArrayLike) -> _Array: ...
    @overload
    def debye_temperature(self, t: float) -> float: ...  # K
    @overload
    def debye_temperature(self, t: npt.ArrayLike) -> _Array: ...
    def thermal_properties(self, temperatures: _Temperatures) -> ThermalProperties: ...
    def zero_point_energy(self) -> float: ...  # kJ/mol
    @property
    def theta_infinity(self) -> float: ...  # K
    @property
    def states(self) -> float: ...  # states per cell
    @property
    def atoms(self) -> float: ...
    @property
    def per_atom(self) -> bool: ...
    @property
    def unit(self) -> str: ...
    @property
    def sampling_limit(self) -> float: ...  # K

def qha(
    volumes: npt.ArrayLike,
    energies: npt.ArrayLike,
    doses: Sequence[Dos],
    temperatures: _Temperatures,
    eos: str = "vinet",
    pressures: Union[float, Sequence[float]] = 0.0,
) -> QhaResult: ...
