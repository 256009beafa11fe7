"""Phase and transitions: several phases of one quasi-harmonic run, with
their Python signatures and the checks of argument types."""
from typing import Optional, Sequence, Tuple

from . import _core
from ._arguments import integer, real, text
from ._dos import Dos, Temperatures, Values


class Phase:
    """One phase of a quasi-harmonic run with several, for qha(phases=...)
    and transitions(): volumes (A^3 per cell) and static energies (eV per
    cell), a Dos for each volume in the same order, the phase's name
    (default phase1, phase2, ... by its place in the list) and its formula
    units per cell (default 1): with several phases every extensive value is
    per mole of formula units, and the volume per formula unit."""

    __slots__ = ("volumes", "energies", "doses", "name", "formula_units")

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
        name = text(name, "name", True)
        if name is not None and not name:
            raise ValueError("name is empty")
        formula_units = integer(formula_units, "formula_units")
        if formula_units < 1:
            raise ValueError(f"formula_units {formula_units} is not a positive whole number")
        self.volumes, self.energies, self.doses = volumes, energies, doses
        self.name, self.formula_units = name, formula_units

    def __repr__(self) -> str:
        return f"<Phase {self.name or '(unnamed)'}: {len(self.doses)} volumes, {self.formula_units} formula units per cell>"


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
        out.append((p.volumes, p.energies, [d._made() for d in p.doses], name, float(p.formula_units)))
    return out


def transitions(
    phases: Sequence[Phase],
    temperatures: Temperatures,
    pressure_range: Tuple[float, float],
    eos: str = "vinet",
) -> _core.TransitionsResult:
    if isinstance(pressure_range, (str, bytes)) or not hasattr(pressure_range, "__len__") or len(pressure_range) != 2:
        raise TypeError("pressure_range must be two pressures (GPa), (pmin, pmax)")
    pmin, pmax = real(pressure_range[0], "pressure_range[0]"), real(pressure_range[1], "pressure_range[1]")
    # Called from here alone, so that warnings point at the caller's line.
    return _core.transitions(handed(phases), temperatures, pmin, pmax, text(eos, "eos"))


transitions.__doc__ = _core.transitions.__doc__
