"""Phase and transitions: several phases of one quasi-harmonic run, with
their Python signatures and the checks of argument types."""
import os
from typing import Optional, Sequence, Tuple

from . import _core
from ._arguments import flag, integer, path as pathof, real, strictly, text
from ._dos import Dos, Path, Temperatures, Values


def filesof(ev, files, efe, dos_at_fermi, exclude_imaginary, energy_unit="eV", volume_unit="A3"):
    """A phase's files as the compiled part takes them: (e-v.dat, [files],
    fe-v.dat or None, [N(E_F)], exclude imaginary, e-v.dat's energy unit and
    volume unit), paths as bytes."""
    if isinstance(files, (str, bytes, os.PathLike)) or not hasattr(files, "__iter__"):
        raise TypeError(f"files must be a sequence of paths, one for each volume, not {type(files).__name__}")
    paths = []
    for i, f in enumerate(files):
        try:
            paths.append(os.fsencode(f))
        except TypeError:
            raise TypeError(f"files[{i}] must be a str, bytes or os.PathLike, not {type(f).__name__}") from None
    fermi = []
    if dos_at_fermi is not None:
        if efe is not None:
            raise ValueError("efe and dos_at_fermi do not go together: fe-v.dat holds the electrons' whole free energy")
        if isinstance(dos_at_fermi, (str, bytes)) or not hasattr(dos_at_fermi, "__iter__"):
            raise TypeError("dos_at_fermi must be a sequence of numbers (states/eV per cell), one for each volume, "
                            f"not {type(dos_at_fermi).__name__}")
        for i, x in enumerate(dos_at_fermi):
            x = real(x, f"dos_at_fermi[{i}]")
            if not (0.0 <= x < float("inf")):
                raise ValueError(f"dos_at_fermi[{i}]: {x:g} states/eV is not a finite number, 0 or more")
            fermi.append(x)
    return (pathof(ev), paths, None if efe is None else pathof(efe), fermi, flag(exclude_imaginary, "exclude_imaginary"),
            text(energy_unit, "energy_unit"), text(volume_unit, "volume_unit"))


def _named(name, formula_units):
    """A phase's name (None: by its place) and formula units, checked."""
    name = text(name, "name", True)
    if name is not None and not name:
        raise ValueError("name is empty")
    if name is not None:
        _core._check_phase_name(name)
    formula_units = integer(formula_units, "formula_units")
    if not 1 <= formula_units <= 1_000_000:
        raise ValueError(f"formula_units {formula_units} is not a positive whole number up to 1e6")
    return name, formula_units


class Phase:
    """One phase of a quasi-harmonic run with several, for qha(phases=...)
    and transitions(): volumes (A^3 per cell) and static energies (eV per
    cell), a Dos for each volume in the same order, the phase's name
    (default phase1, phase2, ... by its place in the list) and its formula
    units per cell (default 1): with several phases every extensive value is
    per mole of formula units, and the volume per formula unit."""

    __slots__ = ("volumes", "energies", "doses", "name", "formula_units", "_files")

    def __init__(
        self,
        volumes: Values,
        energies: Values,
        doses: Sequence[Dos],
        name: Optional[str] = None,
        formula_units: int = 1,
    ) -> None:
        if isinstance(doses, (str, bytes)) or not hasattr(doses, "__iter__"):
            raise TypeError(f"doses must be a sequence of Dos, not {type(doses).__name__}")
        doses = list(doses)
        for i, d in enumerate(doses):
            if not isinstance(d, Dos):
                raise TypeError(f"doses[{i}] is {type(d).__name__}, not a Dos")
        self.volumes, self.energies, self.doses = volumes, energies, doses
        self.name, self.formula_units = _named(name, formula_units)
        self._files = None

    @classmethod
    def from_files(
        cls,
        ev: Path,
        files: Sequence[Path],
        *,
        efe: Optional[Path] = None,
        dos_at_fermi: Optional[Values] = None,
        exclude_imaginary: bool = False,
        name: Optional[str] = None,
        formula_units: int = 1,
        energy_unit: str = "eV",
        volume_unit: str = "A3",
    ) -> "Phase":
        """A phase of the files lattice_thermo --qha takes, as qha_files takes
        them: e-v.dat, a DOS file or phonopy's thermal_properties.yaml per
        volume in its order, and the electrons' fe-v.dat (efe) or N(E_F) per
        volume (dos_at_fermi, states/eV per cell); energy_unit and volume_unit,
        those of e-v.dat (as qha_files takes them). They are read and checked
        when qha(phases=...) or transitions() runs, as the command line reads
        them (their volumes, energies and doses stay None); where temperatures
        is None there, those of the first phase from files are taken."""
        self = cls.__new__(cls)
        self.volumes = self.energies = self.doses = None
        self.name, self.formula_units = _named(name, formula_units)
        self._files = filesof(ev, files, efe, dos_at_fermi, exclude_imaginary, energy_unit, volume_unit)
        return self

    def __repr__(self) -> str:
        if self._files is not None:
            what = f"from {os.fsdecode(self._files[0])} and {len(self._files[1])} files"
        else:
            what = f"{len(self.doses)} volumes"
        return f"<Phase {self.name or '(unnamed)'}: {what}, {self.formula_units} formula units per cell>"


def handed(phases):
    """The phases as the compiled part takes them: (volumes, energies,
    [Dos], name, formula units) each."""
    if isinstance(phases, (str, bytes, Phase)) or not hasattr(phases, "__iter__"):
        raise TypeError(f"phases must be a sequence of Phase, not {type(phases).__name__}")
    out = []
    for k, p in enumerate(phases):
        if not isinstance(p, Phase):
            raise TypeError(f"phases[{k}] is {type(p).__name__}, not a Phase")
        name = p.name if p.name is not None else f"phase{k + 1}"
        if getattr(p, "_files", None) is not None:
            # A Phase pickled before e-v.dat's units were kept read them as eV and A^3.
            files = p._files if len(p._files) == 7 else p._files + ("eV", "A3")
            out.append(files + (name, float(p.formula_units)))
        else:
            out.append((p.volumes, p.energies, [d._made() for d in p.doses], name, float(p.formula_units)))
    return out


def transitions(
    phases: Sequence[Phase],
    temperatures: Optional[Temperatures],
    pressure_range: Tuple[float, float],
    eos: str = "vinet",
    *,
    error_bars: bool = False,
    strict: bool = False,
) -> _core.TransitionsResult:
    error_bars = flag(error_bars, "error_bars")
    if isinstance(pressure_range, (str, bytes)) or not hasattr(pressure_range, "__len__") or len(pressure_range) != 2:
        raise TypeError("pressure_range must be two pressures (GPa), (pmin, pmax)")
    pmin, pmax = real(pressure_range[0], "pressure_range[0]"), real(pressure_range[1], "pressure_range[1]")
    args = (handed(phases), temperatures, pmin, pmax, text(eos, "eos"), error_bars)
    # Called from here alone, so that warnings point at the caller's line.
    return strictly(_core.transitions, args) if flag(strict, "strict") else _core.transitions(*args)


transitions.__doc__ = _core.transitions.__doc__ + """

strict=True: every warning raises ValueError instead, and nothing is
returned."""
