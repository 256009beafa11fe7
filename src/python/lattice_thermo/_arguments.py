"""Arguments checked for their type before they reach the compiled part, so
that a wrong one raises a TypeError of one line naming it (never a list of
every argument's value), and the docstrings taken from the compiled part."""
import numbers
import os
import warnings

import numpy as np


def _kind(value):
    return "None" if value is None else type(value).__name__


def flag(value, name):
    """True or False (numpy's bool too)."""
    if not isinstance(value, (bool, np.bool_)):
        raise TypeError(f"{name} must be True or False, not {_kind(value)}")
    return bool(value)


def real(value, name, optional=False):
    """A real number as a float; None too where `optional`."""
    if value is None and optional:
        return None
    if isinstance(value, (bool, np.bool_)) or not isinstance(value, numbers.Real):
        raise TypeError(f"{name} must be a real number, not {_kind(value)}")
    return float(value)


def integer(value, name, optional=False):
    """A whole number that fits a C int; None too where `optional`."""
    if value is None and optional:
        return None
    if isinstance(value, (bool, np.bool_)) or not isinstance(value, numbers.Integral):
        raise TypeError(f"{name} must be a whole number, not {_kind(value)}")
    value = int(value)
    if not -(2**31) <= value < 2**31:
        raise ValueError(f"{name} {value} is out of range")
    return value


def text(value, name, optional=False):
    """A str; None too where `optional`."""
    if value is None and optional:
        return None
    if not isinstance(value, str):
        raise TypeError(f"{name} must be a str, not {_kind(value)}")
    return value


def path(value):
    """A str, bytes or os.PathLike path as bytes, as the file system takes it."""
    try:
        return os.fsencode(value)
    except TypeError:
        raise TypeError(f"path must be a str, bytes or os.PathLike, not {_kind(value)}") from None


def borrowdocs(cls, core):
    """The class's docstring and its members' from the compiled class."""
    cls.__doc__ = core.__doc__
    for name, member in vars(cls).items():
        source = getattr(core, name, None)
        if name.startswith("_") or source is None:
            continue
        target = member.__func__ if isinstance(member, (classmethod, staticmethod)) else member
        target.__doc__ = source.__doc__


def asked(message):
    """Whether a warning only names what an argument asked for: a volume that
    exclude_imaginary leaves out, which the program's --strict lets pass."""
    return str(message).endswith("(exclude_imaginary)")


def strictly(call, args):
    """call(*args) with strict=True: a warning it gives raised as ValueError
    instead (the rows are then not returned); other warnings passed on."""
    with warnings.catch_warnings(record=True) as caught:
        warnings.simplefilter("always")
        result = call(*args)
    for w in caught:
        if issubclass(w.category, UserWarning) and not asked(w.message):
            raise ValueError(f"{w.message} (strict=True makes this warning an error)")
    for w in caught:
        warnings.warn_explicit(w.message, w.category, w.filename, w.lineno)
    return result
