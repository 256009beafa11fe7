"""debye: the public face of the compiled Debye models, with its Python
signature, the checks of argument types, and its result."""
from typing import Optional, Sequence, Tuple, Union

import numpy as np

from . import _core
from ._arguments import flag, integer, real, strictly, text
from ._dos import Temperatures, Values

# The Debye-Grueneisen variants by name: gamma = a + B'/2.
_VARIANTS = {"slater": -1.0 / 6.0, "dugdale-macdonald": -0.5, "vashchenko-zubarev": -5.0 / 6.0,
             "free-volume": -0.95}
_COLUMNS = ("volume", "gibbs_energy", "bulk_modulus", "bulk_modulus_s", "bulk_modulus_prime", "thermal_expansion",
            "heat_capacity_v", "heat_capacity_p", "entropy", "debye_temperature", "gruneisen",
            "electronic_free_energy", "electronic_energy", "electronic_entropy", "electronic_heat_capacity")


class DebyeResult:
    """The Debye model's results, read-only numpy arrays of shape
    (pressures, temperatures), named like lattice_thermo --debye --csv's
    columns and per mole of cells: the columns of QhaResult (volume A^3,
    gibbs_energy kJ/mol, bulk_modulus and bulk_modulus_s GPa,
    bulk_modulus_prime, thermal_expansion 1/K volumetric and
    linear_thermal_expansion its third, heat_capacity_p, heat_capacity_v
    and entropy J/K/mol, gruneisen, fit_rms kJ/mol: the fit of F(V, T)),
    debye_temperature K, the electrons' own electronic_free_energy and
    electronic_energy (kJ/mol), electronic_entropy and
    electronic_heat_capacity (J/K/mol); with error_bars=True each column's
    spread across the averaged polynomial's degrees as <column>_err_fit
    (None otherwise). NaN from the first temperature whose volume leaves
    those fitted, at that pressure; and pressures (GPa), temperatures (K),
    last_temperature (K, per pressure; NaN: none). to_dict(),
    to_dataframe() and plot() as every result's; it pickles."""

    __slots__ = ("pressures", "temperatures", "last_temperature") + _COLUMNS + \
        tuple(c + "_err_fit" for c in _COLUMNS) + ("fit_rms", "linear_thermal_expansion")

    _error_suffix = "_err_fit"  # plot()'s bands: the spread across the degrees, as --debye's CSV names it

    def __init__(self, arrays):
        arrays = dict(arrays)
        arrays.setdefault("linear_thermal_expansion", np.asarray(arrays["thermal_expansion"]) / 3.0)
        for name in self.__slots__:
            value = arrays.get(name)
            if value is not None:
                value = np.asarray(value, dtype=np.float64)
                value.flags.writeable = False
            object.__setattr__(self, name, value)

    def __setattr__(self, name, value):
        raise AttributeError(f"DebyeResult's {name} cannot be set: its arrays are read-only")

    def __reduce__(self):
        return (DebyeResult, ({name: getattr(self, name) for name in self.__slots__},))

    def __repr__(self):
        p, t = self.pressures, self.temperatures
        return f"<DebyeResult at {len(p)} pressures and {len(t)} temperatures>"


def debye(
    volumes: Values,
    energies: Values,
    mass: float,
    atoms: int,
    temperatures: Temperatures,
    pressures: Union[float, Values] = 0.0,
    *,
    poisson: float = 0.25,
    gruneisen: Optional[Union[str, Tuple[float, float]]] = None,
    strain: str = "bm",
    degree: Union[str, int] = "average",
    constants: str = "si",
    dos_at_fermi: Optional[Sequence[float]] = None,
    error_bars: bool = False,
    strict: bool = False,
) -> DebyeResult:
    if isinstance(gruneisen, str):
        if gruneisen not in _VARIANTS:
            raise ValueError(f"gruneisen '{gruneisen}' is none of {', '.join(_VARIANTS)} or (a, b)")
        gruneisen = (_VARIANTS[gruneisen], 0.5)
    elif gruneisen is not None:
        if not isinstance(gruneisen, (tuple, list)) or len(gruneisen) != 2:
            raise TypeError("gruneisen must be a variant's name or (a, b), gamma = a + b B'")
        gruneisen = (real(gruneisen[0], "gruneisen's a"), real(gruneisen[1], "gruneisen's b"))
    if isinstance(degree, str):
        if degree != "average":
            raise ValueError(f"degree '{degree}' is neither 'average' nor a whole number")
        degree = 0
    else:
        degree = integer(degree, "degree")
    # Called from here alone, so that warnings point at the caller's line.
    args = (volumes, energies, real(mass, "mass"), real(atoms, "atoms"), temperatures, pressures,
            real(poisson, "poisson"), gruneisen, text(strain, "strain"), degree, text(constants, "constants"),
            dos_at_fermi, flag(error_bars, "error_bars"))
    arrays = strictly(_core.debye, args) if flag(strict, "strict") else _core.debye(*args)
    return DebyeResult(arrays)


debye.__doc__ = _core.debye.__doc__
