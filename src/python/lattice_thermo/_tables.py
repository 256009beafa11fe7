"""to_dict() and to_dataframe() of the results: one row per temperature (and
per pressure, phase or atom, in the program's CSV order), the columns named
as the program's CSV names them.

Each result class is described by a Layout: its axes (the dimensions of its
arrays, in their order) and how the CSV shows them. Its columns are found,
not listed: every public array attribute of the class whose shape is the
axes' shape, in the order the class defines them. A new column of a result
is a new column of its table with no code here; a new result class needs
one Layout and a call of tabulate()."""
import numpy as np


class Axis:
    """One dimension of a result's arrays. `attribute` holds its values (None:
    1, 2, 3, ..., as many as `count(result)` says); `column` names them in the
    table (None: not shown); `several`: shown only where there is more than
    one; `attached`: columns of per-entry values, as {column: attribute}."""

    __slots__ = ("attribute", "column", "several", "count", "attached")

    def __init__(self, attribute, column, several=False, count=None, attached=()):
        self.attribute, self.column, self.several = attribute, column, several
        self.count, self.attached = count, dict(attached)

    def values(self, result):
        if self.attribute is None:
            return np.arange(1, self.count(result) + 1)
        return np.asarray(getattr(result, self.attribute))


class Layout:
    """How a result class becomes a table. `axes`, in its arrays' order;
    `rows`: the axes' order from the slowest-changing to the fastest over the
    rows (default theirs); `lead`: the order of the axes' columns at the
    start (default the rows'); `renamed`: {attribute: column} where the CSV
    names a column otherwise; `last`: columns moved to the end; `constants`:
    numbers of the result repeated on every row, at the end; `skip`:
    attributes of the axes' shape that are not columns; `omit(result)`: those
    a result leaves out, as the CSV does."""

    __slots__ = ("axes", "rows", "lead", "renamed", "last", "constants", "skip", "omit")

    def __init__(self, axes, rows=None, lead=None, renamed=(), last=(), constants=(), skip=(), omit=None):
        self.axes = tuple(axes)
        self.rows = tuple(rows) if rows is not None else tuple(range(len(self.axes)))
        self.lead, self.renamed, self.last = lead, dict(renamed), tuple(last)
        self.constants, self.skip = tuple(constants), set(skip)
        self.omit = omit if omit is not None else (lambda result: ())

    def attributes(self, cls):
        """The public attributes of cls in the order it defines them (its
        slots first, then its properties)."""
        names = []
        for klass in reversed(cls.__mro__):
            names += [n for n in getattr(klass, "__slots__", ()) if not n.startswith("_")]
            names += [n for n, m in vars(klass).items() if isinstance(m, property) and not n.startswith("_")]
        taken = {a.attribute for a in self.axes} | set(self.skip) | set(self.constants)
        for a in self.axes:
            taken |= set(a.attached.values())
        return [n for n in dict.fromkeys(names) if n not in taken]

    def table(self, result):
        values = [a.values(result) for a in self.axes]
        shape = tuple(len(v) for v in values)
        flat = [shape[k] for k in self.rows]

        def rows(a):
            return np.array(np.transpose(a, self.rows)).reshape(-1)

        def along(k, v):  # axis k's per-entry values on every row
            view = [1] * len(shape)
            view[k] = shape[k]
            return rows(np.broadcast_to(np.asarray(v).reshape(view), shape))

        lead = {}
        for k, a in enumerate(self.axes):
            if a.column is not None and not (a.several and shape[k] == 1):
                lead[a.column] = along(k, values[k])
            for column, attribute in a.attached.items():
                lead[column] = along(k, getattr(result, attribute))
        order = self.lead if self.lead is not None else [self.axes[k].column for k in self.rows]
        out = {c: lead.pop(c) for c in order if c in lead}
        out.update(lead)
        found, moved = {}, {}
        omitted = set(self.omit(result))
        for name in self.attributes(type(result)):
            if name in omitted:
                continue
            v = getattr(result, name)
            if isinstance(v, np.ndarray) and v.shape == shape:
                (moved if name in self.last else found)[self.renamed.get(name, name)] = rows(v)
        out.update(found)
        out.update(moved)
        n = int(np.prod(flat)) if flat else 0
        for name in self.constants:
            out[self.renamed.get(name, name)] = np.full(n, getattr(result, name))
        return out


def to_dict(self):
    """The results as a table: {column: 1-D numpy array}, one entry per row,
    the columns named as lattice_thermo's CSV names them and in its order
    (e.g. temperature, volume, gibbs_energy, ...; a pressure column where
    there are several pressures). Rows where the result holds NaN (V(T)
    beyond the volumes sampled) are kept; the CSV has none there."""
    return type(self)._layout.table(self)


def to_dataframe(self):
    """The results as a pandas DataFrame, its columns those of to_dict().
    pandas is imported here alone: it is no dependency of this module."""
    try:
        import pandas
    except ImportError as e:
        raise ImportError("to_dataframe() needs pandas (Debian: apt-get install python3-pandas; "
                          "elsewhere: pip install pandas); to_dict() needs nothing") from e
    return pandas.DataFrame(self.to_dict())


def tabulate(cls, layout):
    """Gives result class cls its to_dict() and to_dataframe(), by layout."""
    cls._layout = layout
    cls.to_dict = to_dict
    cls.to_dataframe = to_dataframe
