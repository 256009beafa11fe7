"""qha: the public face of the compiled quasi-harmonic mode, with its Python
signature and the checks of argument types."""
from typing import Optional, Sequence, Union

from . import _core
from ._arguments import text
from ._dos import Dos, Temperatures, Values
from ._phases import Phase, handed


def qha(
    volumes: Optional[Values] = None,
    energies: Optional[Values] = None,
    doses: Optional[Sequence[Dos]] = None,
    temperatures: Optional[Temperatures] = None,
    eos: str = "vinet",
    pressures: Union[float, Values] = 0.0,
    *,
    phases: Optional[Sequence[Phase]] = None,
) -> Union[_core.QhaResult, _core.QhaPhasesResult]:
    if phases is not None:
        if volumes is not None or energies is not None or doses is not None:
            raise TypeError("qha() takes volumes, energies and doses, or phases=, not both")
        if temperatures is None:
            raise TypeError("qha() needs temperatures")
        # Called from here alone, so that warnings point at the caller's line.
        return _core.qha_phases(handed(phases), temperatures, text(eos, "eos"), pressures)
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
    return _core.qha(volumes, energies, made, temperatures, text(eos, "eos"), pressures)


qha.__doc__ = _core.qha.__doc__ + """

With phases=[Phase(...), ...] instead of volumes, energies and doses: several
phases in one run, as lattice_thermo --qha given more than once; returns a
QhaPhasesResult (see lattice_thermo.Phase)."""
