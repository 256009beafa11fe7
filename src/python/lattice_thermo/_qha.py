"""qha: the public face of the compiled quasi-harmonic mode, with its Python
signature and the checks of argument types."""
from typing import Sequence, Union

from . import _core
from ._arguments import text
from ._dos import Dos, Temperatures, Values


def qha(
    volumes: Values,
    energies: Values,
    doses: Sequence[Dos],
    temperatures: Temperatures,
    eos: str = "vinet",
    pressures: Union[float, Values] = 0.0,
) -> _core.QhaResult:
    if isinstance(doses, (str, bytes)) or not hasattr(doses, "__iter__"):
        raise TypeError(f"doses must be a sequence of Dos, not {type(doses).__name__}")
    made = []
    for i, d in enumerate(doses):
        if not isinstance(d, Dos):
            raise TypeError(f"doses[{i}] is {type(d).__name__}, not a Dos")
        made.append(d._made())
    # Called from here alone, so that warnings point at the caller's line.
    return _core.qha(volumes, energies, made, temperatures, text(eos, "eos"), pressures)


qha.__doc__ = _core.qha.__doc__
