"""displacements: the public face of the compiled thermal displacements, with
its Python signature, the checks of argument types, and its result."""
import os
from typing import Optional, Sequence, Tuple, Union

import numpy as np

from . import _core
from ._arguments import flag, path as pathof, real, text
from ._dos import Path, Temperatures, Values

_COLUMNS = ("mean_square_displacement", "b_iso", "u_xx", "u_yy", "u_zz", "u_yz", "u_xz", "u_xy", "lamb_mossbauer")


class Displacements:
    """Each atom's thermal displacement at each temperature, as lattice_thermo
    --displacements's columns, read-only numpy arrays of shape (temperatures,
    atoms): mean_square_displacement <|u|^2> and b_iso = 8 pi^2 <|u|^2> / 3
    (A^2); u_xx, u_yy, u_zz, u_yz, u_xz, u_xy (A^2, phonopy's order; None
    without eigenvectors); lamb_mossbauer (None without mossbauer_energy).
    Besides: temperatures (K), and per atom elements (a tuple of symbols, ""
    where the input names none) and masses (amu). thermal_displacement_matrices
    gives the u_ab as phonopy's ThermalDisplacementMatrices does, of shape
    (temperatures, atoms, 3, 3). It can be pickled and copied."""

    __slots__ = ("temperatures", "elements", "masses") + _COLUMNS

    def __init__(self, arrays):
        for name in self.__slots__:
            value = arrays[name]
            # Read-only again after pickle or deepcopy, which make new arrays.
            if isinstance(value, np.ndarray):
                value.setflags(write=False)
            object.__setattr__(self, name, value)

    def __setattr__(self, name, value):
        raise AttributeError("a Displacements cannot be changed")

    def __reduce__(self):
        return (Displacements, ({name: getattr(self, name) for name in self.__slots__},))

    @property
    def thermal_displacement_matrices(self) -> Optional[np.ndarray]:
        if self.u_xx is None:
            return None
        u = np.empty(self.u_xx.shape + (3, 3))
        for (a, b), name in zip(((0, 0), (1, 1), (2, 2), (1, 2), (0, 2), (0, 1)), _COLUMNS[2:8]):
            u[..., a, b] = u[..., b, a] = getattr(self, name)
        u.setflags(write=False)
        return u

    def __repr__(self) -> str:
        n, t = len(self.elements), self.temperatures
        span = f"{len(t)} temperature{'s' if len(t) != 1 else ''}" + (f" ({t[0]:g} to {t[-1]:g} K)" if len(t) else "")
        kind = "per direction" if self.u_xx is not None else "<|u|^2> alone"
        return f"<Displacements of {n} atom{'s' if n != 1 else ''} at {span}, {kind}>"


def displacements(
    path_or_arrays: Union[Path, Tuple[Values, Values]],
    temperatures: Temperatures,
    masses: Union[None, float, Sequence[float]] = None,
    *,
    unit: Optional[str] = None,
    cutoff_frequency: float = 0.0,
    pretend_real: bool = False,
    mossbauer_energy: Optional[float] = None,
) -> Displacements:
    if isinstance(path_or_arrays, (str, bytes, os.PathLike)):
        source = pathof(path_or_arrays)
    elif isinstance(path_or_arrays, (tuple, list)) and len(path_or_arrays) == 2:
        source = tuple(path_or_arrays)
    else:
        raise TypeError("path_or_arrays must be a path or a (frequencies, densities) pair, not "
                        f"{type(path_or_arrays).__name__}")
    # Called from here alone, so that warnings point at the caller's line.
    arrays = _core.displacements(source, temperatures, masses, text(unit, "unit", True),
                                 real(cutoff_frequency, "cutoff_frequency"), flag(pretend_real, "pretend_real"),
                                 real(mossbauer_energy, "mossbauer_energy", True))
    return Displacements(arrays)


displacements.__doc__ = _core.displacements.__doc__
