"""qha: the public face of the compiled quasi-harmonic mode, with its Python
signature and the checks of argument types."""
import os
from typing import Optional, Sequence, Union

from . import _core
from ._arguments import flag, strictly, text
from ._dos import Dos, Path, Temperatures, Values
from ._phases import Phase, filesof, handed


def qha(
    volumes: Optional[Values] = None,
    energies: Optional[Values] = None,
    doses: Optional[Sequence[Dos]] = None,
    temperatures: Optional[Temperatures] = None,
    eos: str = "vinet",
    pressures: Union[float, Values] = 0.0,
    *,
    phases: Optional[Sequence[Phase]] = None,
    lattice: Optional[Values] = None,
    error_bars: bool = False,
    strict: bool = False,
) -> Union[_core.QhaResult, _core.QhaPhasesResult]:
    error_bars = flag(error_bars, "error_bars")
    strict = flag(strict, "strict")
    if phases is not None:
        if lattice is not None:
            raise TypeError("qha() takes lattice= with one phase's volumes, not with phases=")
        if volumes is not None or energies is not None or doses is not None:
            raise TypeError("qha() takes volumes, energies and doses, or phases=, not both")
        given = handed(phases)
        if temperatures is None and not any(len(g) == 9 for g in given):
            raise TypeError("qha() needs temperatures (or a Phase from files, whose temperatures are taken)")
        args = (given, temperatures, text(eos, "eos"), pressures, error_bars)
        # Called from here alone, so that warnings point at the caller's line.
        return strictly(_core.qha_phases, args) if strict else _core.qha_phases(*args)
    if volumes is None or energies is None or doses is None or temperatures is None:
        raise TypeError("qha() needs volumes, energies, doses and temperatures (or phases= and temperatures)")
    if isinstance(doses, (str, bytes)) or not hasattr(doses, "__iter__"):
        raise TypeError(f"doses must be a sequence of Dos, not {type(doses).__name__}")
    made = []
    for i, d in enumerate(doses):
        if not isinstance(d, Dos):
            raise TypeError(f"doses[{i}] is {type(d).__name__}, not a Dos")
        made.append(d._made())
    # Called from here alone, so that warnings point at the caller's line.
    args = (volumes, energies, made, temperatures, text(eos, "eos"), pressures, lattice, error_bars)
    return strictly(_core.qha, args) if strict else _core.qha(*args)


qha.__doc__ = _core.qha.__doc__ + """

With phases=[Phase(...), ...] instead of volumes, energies and doses: several
phases in one run, as lattice_thermo --qha given more than once; returns a
QhaPhasesResult (see lattice_thermo.Phase). error_bars=True: as
lattice_thermo --qha --error-bars, each value's error bars as arrays of the
result (volume_err_data, volume_err_model, volume_err, ...).

strict=True: every warning (of the inputs' checks, V(T) leaving the volumes
sampled, or an answer in doubt) raises ValueError instead, and nothing is
returned."""


def qha_grid(
    grid: Union[Path, Values],
    files: Sequence[Union[Dos, Path]],
    temperatures: Temperatures,
    degree: int = 3,
    pressures: Union[float, Values] = 0.0,
    *,
    error_bars: bool = False,
    strict: bool = False,
) -> _core.QhaGridResult:
    error_bars = flag(error_bars, "error_bars")
    if isinstance(grid, (str, bytes, os.PathLike)):
        grid = os.fsencode(grid)
    if isinstance(files, (str, bytes, os.PathLike)) or not hasattr(files, "__iter__"):
        raise TypeError(f"files must be a sequence of Dos or of paths, not {type(files).__name__}")
    made = []
    for i, f in enumerate(files):
        if isinstance(f, Dos):
            made.append(f._made())
        elif isinstance(f, (str, bytes, os.PathLike)):
            made.append(os.fsencode(f))
        else:
            raise TypeError(f"files[{i}] is {type(f).__name__}, not a Dos or a path")
    if made and any(isinstance(m, bytes) != isinstance(made[0], bytes) for m in made):
        raise TypeError("files must be all Dos or all paths, not a mix")
    if isinstance(degree, bool) or not isinstance(degree, int):
        raise TypeError(f"degree must be an int, not {type(degree).__name__}")
    args = (grid, made, temperatures, degree, pressures, error_bars)
    # Called from here alone, so that warnings point at the caller's line.
    return strictly(_core.qha_grid, args) if flag(strict, "strict") else _core.qha_grid(*args)


qha_grid.__doc__ = _core.qha_grid.__doc__ + """

strict=True: every warning raises ValueError instead, and nothing is
returned."""


def qha_files(
    ev: Path,
    files: Sequence[Path],
    *,
    efe: Optional[Path] = None,
    dos_at_fermi: Optional[Values] = None,
    eos: str = "vinet",
    pressures: Union[float, Values] = (0.0,),
    temperatures: Optional[Temperatures] = None,
    exclude_imaginary: bool = False,
    error_bars: bool = False,
    energy_unit: str = "eV",
    volume_unit: str = "A3",
    strict: bool = False,
) -> _core.QhaResult:
    ev, files, efe, fermi, exclude, eunit, vunit = filesof(ev, files, efe, dos_at_fermi, exclude_imaginary,
                                                            energy_unit, volume_unit)
    error_bars = flag(error_bars, "error_bars")
    args = (ev, files, efe, fermi, text(eos, "eos"), pressures, temperatures, exclude, error_bars, eunit, vunit)
    # Called from here alone, so that warnings point at the caller's line.
    return strictly(_core.qha_files, args) if flag(strict, "strict") else _core.qha_files(*args)


qha_files.__doc__ = _core.qha_files.__doc__ + """

strict=True: every warning raises ValueError instead, and nothing is
returned."""
