# Type stubs of the compiled part, for editors and type checkers: the result
# classes, which lattice_thermo exports as they are (the Python layer's Dos
# and qha carry their own annotations). Units: ThermalProperties and
# QhaResult kJ/mol and J/K/mol, GPa, A^3 per cell.
from typing import Any, Dict, Optional, Sequence, Union

import numpy as np
import numpy.typing as npt

_Array = npt.NDArray[np.float64]

class _Table:
    """What every result has: the program's CSV as columns, and its panels."""
    def to_dict(self) -> Dict[str, npt.NDArray[Any]]: ...
    def to_dataframe(self) -> Any: ...  # a pandas DataFrame
    def plot(self, ax: Any = None, panels: Optional[Union[str, Sequence[str]]] = None) -> Any: ...  # Axes

class ThermalProperties(_Table):
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
    @property
    def sampling_limit(self) -> float: ...  # K
    @property
    def theta_infinity(self) -> float: ...  # K
    @property
    def resolved(self) -> npt.NDArray[np.bool_]: ...  # False below the sampling limit

class _QhaColumns(_Table):
    """The quasi-harmonic columns (of QhaResult and QhaPhasesResult)."""
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
    def bulk_modulus_prime(self) -> _Array: ...
    @property
    def fit_rms(self) -> _Array: ...  # kJ/mol
    @property
    def linear_thermal_expansion(self) -> _Array: ...  # 1/K
    @property
    def last_temperature(self) -> _Array: ...  # K, per pressure (and phase)

class QhaResult(_QhaColumns):
    """Quasi-harmonic results, arrays of shape (pressures, temperatures)."""
    a: Optional[_Array]  # A, with lattice=; likewise b, c, alpha_a, alpha_b, alpha_c (1/K)
    b: Optional[_Array]
    c: Optional[_Array]
    alpha_a: Optional[_Array]
    alpha_b: Optional[_Array]
    alpha_c: Optional[_Array]
    # With error_bars=True (None without), in each value's unit:
    # the jackknife over the volumes, half the spread over the three
    # equations of state, the two in quadrature.
    volume_err_data: Optional[_Array]
    volume_err_model: Optional[_Array]
    volume_err: Optional[_Array]
    gibbs_energy_err_data: Optional[_Array]
    gibbs_energy_err_model: Optional[_Array]
    gibbs_energy_err: Optional[_Array]
    bulk_modulus_err_data: Optional[_Array]
    bulk_modulus_err_model: Optional[_Array]
    bulk_modulus_err: Optional[_Array]
    thermal_expansion_err_data: Optional[_Array]
    thermal_expansion_err_model: Optional[_Array]
    thermal_expansion_err: Optional[_Array]
    heat_capacity_p_err_data: Optional[_Array]
    heat_capacity_p_err_model: Optional[_Array]
    heat_capacity_p_err: Optional[_Array]

class QhaPhasesResult(_QhaColumns):
    """Several phases' results, arrays of shape (phases, pressures, temperatures);
    last_temperature (phases, pressures)."""
    @property
    def phase(self) -> npt.NDArray[np.str_]: ...
    @property
    def formula_units(self) -> _Array: ...
    @property
    def stable(self) -> npt.NDArray[np.bool_]: ...

class TransitionsResult(_Table):
    """The transitions, one entry per row."""
    @property
    def temperature(self) -> _Array: ...  # K
    @property
    def phase_low(self) -> npt.NDArray[np.str_]: ...
    @property
    def phase_high(self) -> npt.NDArray[np.str_]: ...
    @property
    def pressure(self) -> _Array: ...  # GPa
    @property
    def volume_change(self) -> _Array: ...  # A^3 per formula unit
    @property
    def entropy_change(self) -> _Array: ...  # J/K/mol
    @property
    def clapeyron_slope(self) -> _Array: ...  # GPa/K
    def __len__(self) -> int: ...

class QhaGridResult(_Table):
    """Quasi-harmonic results over a grid of lengths, arrays of shape (pressures, temperatures)."""
    pressures: _Array  # GPa
    temperatures: _Array  # K
    a: _Array  # A; b = a with two lengths
    b: _Array
    c: _Array
    volume: _Array  # A^3 per cell
    alpha_a: _Array  # 1/K
    alpha_b: _Array
    alpha_c: _Array
    thermal_expansion: _Array  # 1/K, volumetric
    heat_capacity_p: _Array  # J/K/mol
    heat_capacity_v: _Array  # J/K/mol
    entropy: _Array  # J/K/mol
    gibbs_energy: _Array  # kJ/mol
    fit_rms: _Array  # kJ/mol
    last_temperature: _Array  # K, per pressure
    axes: int
    # With error_bars=True (None without), in each value's unit: the jackknife
    # over the cells, half the difference between degrees 3 and 4, the two in
    # quadrature.
    a_err_data: Optional[_Array]
    a_err_model: Optional[_Array]
    a_err: Optional[_Array]
    b_err_data: Optional[_Array]
    b_err_model: Optional[_Array]
    b_err: Optional[_Array]
    c_err_data: Optional[_Array]
    c_err_model: Optional[_Array]
    c_err: Optional[_Array]
    volume_err_data: Optional[_Array]
    volume_err_model: Optional[_Array]
    volume_err: Optional[_Array]
    alpha_a_err_data: Optional[_Array]
    alpha_a_err_model: Optional[_Array]
    alpha_a_err: Optional[_Array]
    alpha_b_err_data: Optional[_Array]
    alpha_b_err_model: Optional[_Array]
    alpha_b_err: Optional[_Array]
    alpha_c_err_data: Optional[_Array]
    alpha_c_err_model: Optional[_Array]
    alpha_c_err: Optional[_Array]
    thermal_expansion_err_data: Optional[_Array]
    thermal_expansion_err_model: Optional[_Array]
    thermal_expansion_err: Optional[_Array]
    heat_capacity_p_err_data: Optional[_Array]
    heat_capacity_p_err_model: Optional[_Array]
    heat_capacity_p_err: Optional[_Array]
    gibbs_energy_err_data: Optional[_Array]
    gibbs_energy_err_model: Optional[_Array]
    gibbs_energy_err: Optional[_Array]

# The compiled Dos, qha, transitions and displacements, used through lattice_thermo's.
class Dos:
    def __init__(self, *args: Any) -> None: ...
    @staticmethod
    def from_file(*args: Any) -> "Dos": ...
    @staticmethod
    def from_pds(*args: Any) -> "Dos": ...
    def __getattr__(self, name: str) -> Any: ...

def qha(*args: Any) -> QhaResult: ...
def qha_files(*args: Any) -> QhaResult: ...
def qha_phases(*args: Any) -> QhaPhasesResult: ...
def qha_grid(*args: Any) -> QhaGridResult: ...
def transitions(*args: Any) -> TransitionsResult: ...
def _check_phase_name(name: str) -> None: ...
def displacements(*args: Any) -> dict: ...
