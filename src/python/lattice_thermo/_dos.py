"""The Dos class: the public face of the compiled Dos, with Python
signatures and the checks of argument types."""
import os
from typing import Optional, Sequence, Union

import numpy as np

from . import _core
from ._arguments import borrowdocs, flag, integer, path as pathof, real, text

Values = Union[Sequence[float], np.ndarray]
Temperatures = Union[float, Sequence[float], np.ndarray]
Path = Union[str, bytes, os.PathLike]


def _options(unit, atoms, normalize, per_atom, cutoff_frequency, pretend_real):
    """The options of a Dos made of arrays, checked, as the compiled part
    takes them."""
    return (text(unit, "unit", True), real(atoms, "atoms", True), flag(normalize, "normalize"),
            flag(per_atom, "per_atom"), real(cutoff_frequency, "cutoff_frequency"), flag(pretend_real, "pretend_real"))


class Dos:
    __slots__ = ("_core",)

    def __init__(
        self,
        frequencies: Optional[Values] = None,
        densities: Optional[Values] = None,
        unit: Optional[str] = None,
        atoms: Optional[float] = None,
        normalize: bool = False,
        per_atom: bool = False,
        cutoff_frequency: float = 0.0,
        pretend_real: bool = False,
        *,
        energies: Optional[Values] = None,
    ) -> None:
        if energies is not None:
            if frequencies is not None:
                raise TypeError("Dos() takes frequencies or energies, not both")
            frequencies = energies
        if frequencies is None or densities is None:
            raise TypeError("Dos() needs frequencies and densities")
        # Called from here alone, so that warnings point at the caller's line.
        self._core = _core.Dos(frequencies, densities,
                               *_options(unit, atoms, normalize, per_atom, cutoff_frequency, pretend_real))

    @classmethod
    def from_pymatgen(
        cls,
        dos,
        atoms: Optional[float] = None,
        normalize: bool = False,
        per_atom: bool = False,
        cutoff_frequency: float = 0.0,
        pretend_real: bool = False,
    ) -> "Dos":
        """pymatgen's PhononDos (or CompletePhononDos): the same Dos as
        Dos(dos.frequencies, dos.densities, "THz", ...) makes of its arrays
        (THz, states per THz per cell), checked as the program checks a file.
        pymatgen is imported here alone: it is no dependency of this module."""
        try:
            from pymatgen.phonon.dos import PhononDos
        except ImportError:
            PhononDos = None
        if PhononDos is None or not isinstance(dos, PhononDos):
            raise TypeError(f"dos must be pymatgen's PhononDos, not {type(dos).__name__}")
        self = cls.__new__(cls)
        # Called from here alone, so that warnings point at the caller's line.
        self._core = _core.Dos(dos.frequencies, dos.densities,
                               *_options("THz", atoms, normalize, per_atom, cutoff_frequency, pretend_real))
        return self

    @classmethod
    def from_phonopy(
        cls,
        phonon,
        unit: Optional[str] = None,
        atoms: Optional[float] = None,
        normalize: bool = False,
        per_atom: bool = False,
        cutoff_frequency: float = 0.0,
        pretend_real: bool = False,
    ) -> "Dos":
        """phonopy's total DOS: a Phonopy object on which run_total_dos() has
        run, or its TotalDos (phonon.total_dos). The same Dos as
        Dos(total_dos.frequency_points, total_dos.dos, unit, ...) makes of its
        arrays: THz (phonopy's unit unless its factor was changed; unit=None
        warns where they look like cm-1), states per unit per cell. phonopy is
        imported here alone: it is no dependency of this module."""
        try:
            from phonopy import Phonopy
            from phonopy.phonon.dos import TotalDos
        except ImportError:
            Phonopy = TotalDos = None
        if Phonopy is not None and isinstance(phonon, Phonopy):
            total = phonon.total_dos
            if total is None:
                raise ValueError("this Phonopy object has no total DOS: call its run_mesh() and run_total_dos() first")
        elif TotalDos is not None and isinstance(phonon, TotalDos):
            total = phonon
        else:
            raise TypeError(f"phonon must be a Phonopy object or its TotalDos, not {type(phonon).__name__}")
        if total.frequency_points is None or total.dos is None:
            raise ValueError("this TotalDos has not run: call its run() (or the Phonopy object's run_total_dos()) first")
        self = cls.__new__(cls)
        # Called from here alone, so that warnings point at the caller's line.
        self._core = _core.Dos(total.frequency_points, total.dos,
                               *_options(unit, atoms, normalize, per_atom, cutoff_frequency, pretend_real))
        return self

    @classmethod
    def from_file(
        cls,
        path: Path,
        unit: Optional[str] = None,
        column: Optional[int] = None,
        sum_columns: bool = False,
        normalize: bool = False,
        cutoff_frequency: float = 0.0,
        pretend_real: bool = False,
        atoms: Optional[float] = None,
        per_atom: bool = False,
        pds: bool = False,
    ) -> "Dos":
        self = cls.__new__(cls)
        self._core = _core.Dos.from_file(pathof(path), text(unit, "unit", True), integer(column, "column", True),
                                         flag(sum_columns, "sum_columns"), flag(normalize, "normalize"),
                                         real(cutoff_frequency, "cutoff_frequency"), flag(pretend_real, "pretend_real"),
                                         real(atoms, "atoms", True), flag(per_atom, "per_atom"), flag(pds, "pds"))
        return self

    @classmethod
    def from_pds(cls, path: Path, atoms: Optional[float] = None, per_atom: bool = False) -> "Dos":
        self = cls.__new__(cls)
        self._core = _core.Dos.from_pds(pathof(path), real(atoms, "atoms", True), flag(per_atom, "per_atom"))
        return self

    def _made(self):
        try:
            return self._core
        except AttributeError:
            raise TypeError("this Dos was never initialised (made with __new__ alone)") from None

    def cv(self, t: Temperatures) -> Union[float, np.ndarray]:
        return self._made().cv(t)

    def entropy(self, t: Temperatures) -> Union[float, np.ndarray]:
        return self._made().entropy(t)

    def helmholtz_free_energy(self, t: Temperatures) -> Union[float, np.ndarray]:
        return self._made().helmholtz_free_energy(t)

    def internal_energy(self, t: Temperatures) -> Union[float, np.ndarray]:
        return self._made().internal_energy(t)

    def debye_temperature(self, t: Temperatures) -> Union[float, np.ndarray]:
        return self._made().debye_temperature(t)

    def thermal_properties(self, temperatures: Temperatures) -> _core.ThermalProperties:
        return self._made().thermal_properties(temperatures)

    def zero_point_energy(self) -> float:
        return self._made().zero_point_energy()

    def mean_square_displacement(self, t: Temperatures, mass: float) -> Union[float, np.ndarray]:
        return self._made().mean_square_displacement(t, real(mass, "mass"))

    def b_factor(self, t: Temperatures, mass: float) -> Union[float, np.ndarray]:
        return self._made().b_factor(t, real(mass, "mass"))

    theta_infinity = property(lambda self: self._made().theta_infinity)
    states = property(lambda self: self._made().states)
    atoms = property(lambda self: self._made().atoms)
    per_atom = property(lambda self: self._made().per_atom)
    unit = property(lambda self: self._made().unit)
    frequencies = property(lambda self: self._made().frequencies)
    densities = property(lambda self: self._made().densities)
    sampling_limit = property(lambda self: self._made().sampling_limit)

    def __repr__(self) -> str:
        return repr(self._made())

    def __copy__(self) -> "Dos":
        """The Dos itself: a Dos never changes."""
        self._made()
        return self

    def __deepcopy__(self, memo) -> "Dos":
        """The Dos itself: a Dos never changes."""
        self._made()
        return self

    def __reduce_ex__(self, protocol):
        raise TypeError("a Dos cannot be pickled: pickle the arrays it is made from (its frequencies and densities, "
                        "and the options) and make it again")


borrowdocs(Dos, _core.Dos)
Dos.__init__.__doc__ = "See help(Dos)."
