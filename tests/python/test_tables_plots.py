"""The results as tables and pictures: to_dict() and to_dataframe() have the
program's CSV columns, rows and numbers, for one pressure and several;
plot() draws labelled panels under Agg and returns their Axes; resolved
flips at the sampling limit; pandas and matplotlib are asked for only there,
and their absence is said; the lattice lengths' results likewise."""
import csv
import glob
import io
import os
import pickle
import subprocess
import sys

import numpy as np
import pytest

import lattice_thermo
from lattice_thermo import Dos, Phase

THERMO = os.environ.get("LHC_THERMO")
EXAMPLE = os.environ.get("LHC_EXAMPLE", "examples/cu_emt")
needs_program = pytest.mark.skipif(not THERMO, reason="LHC_THERMO not set")


def doses(folder):
    return [os.path.join(folder, f"v{i:02d}", "total_dos.dat") for i in range(1, 12)]


def program(args):
    out = subprocess.run([THERMO, "--csv", *args], capture_output=True, text=True, check=True).stdout
    return list(csv.DictReader(io.StringIO(out)))


def as_csv(table, rows):
    """The table is the CSV's: its columns in its order, its rows, each
    number bit for bit."""
    assert list(table) == list(rows[0]) and all(len(v) == len(rows) for v in table.values())
    for name, values in table.items():
        for v, r in zip(values, rows):
            if isinstance(v, (str, np.str_)):
                assert v == r[name], name
            elif isinstance(v, (bool, np.bool_)):
                assert int(v) == int(r[name]), name
            else:
                assert v == float(r[name]) or (np.isnan(v) and r[name] == "nan"), (name, v, r[name])


@pytest.fixture(scope="module")
def results():
    ev = os.path.join(EXAMPLE, "e-v.dat")
    hcp = os.path.join(EXAMPLE, os.pardir, "cu_hcp_emt")
    dense = os.path.join(hcp, "dense", "e-v.dat")
    phases = [Phase.from_files(ev, doses(EXAMPLE), name="fcc"),
              Phase.from_files(dense, doses(hcp), name="dense", formula_units=2)]
    t = np.arange(0.0, 1001.0, 250.0)
    several = lattice_thermo.qha(phases=phases, temperatures=t, pressures=[0.0, 4.5])
    return {
        "args": ["--qha", ev, *doses(EXAMPLE)],
        "phase args": ["--qha", ev, *doses(EXAMPLE), "--qha", dense, *doses(hcp), "--phase-names", "fcc,dense",
                       "--formula-units", "1,2", "--tstep", "250"],
        "one": lattice_thermo.qha_files(ev, doses(EXAMPLE), temperatures=t),
        "two": lattice_thermo.qha_files(ev, doses(EXAMPLE), temperatures=t, pressures=[0.0, 5.0]),
        "phases": several,
        "transitions": lattice_thermo.transitions(phases, t, (0.0, 10.0)),
        "props": Dos.from_file(doses(EXAMPLE)[3]).thermal_properties(np.arange(0.0, 1001.0, 10.0)),
    }


@needs_program
def test_tables_are_the_programs_csv(results):
    r = results
    as_csv(r["props"].to_dict(), program(["--tstep", "10", doses(EXAMPLE)[3]]))
    as_csv(r["one"].to_dict(), program(r["args"] + ["--tstep", "250"]))
    as_csv(r["two"].to_dict(), program(r["args"] + ["--tstep", "250", "--pressure", "0,5"]))
    as_csv(r["phases"].to_dict(), program(r["phase args"] + ["--pressure", "0,4.5"]))
    as_csv(r["transitions"].to_dict(), program(r["phase args"] + ["--transitions", "0,10"]))
    with pytest.warns(UserWarning, match="too coarse"):
        shown = lattice_thermo.displacements(doses(EXAMPLE)[3], np.arange(0.0, 1001.0, 500.0), 63.546,
                                             mossbauer_energy=14.4)
    as_csv(shown.to_dict(), program(["--displacements", "--mass", "63.546", "--mossbauer-energy", "14.4", "--tstep",
                                     "500", doses(EXAMPLE)[3]]))


def test_dataframes_and_their_rows(results, monkeypatch):
    pandas = pytest.importorskip("pandas")
    one, two = results["one"].to_dataframe(), results["two"].to_dataframe()
    assert isinstance(one, pandas.DataFrame) and len(one) == 5 and "pressure" not in one
    assert list(two.columns[:3]) == ["pressure", "temperature", "volume"] and len(two) == 10
    assert list(two["pressure"]) == [0.0] * 5 + [5.0] * 5
    assert list(results["phases"].to_dataframe()["phase"][:4]) == ["fcc", "dense", "fcc", "dense"]
    # Without pandas: what to install; to_dict needs nothing.
    monkeypatch.setitem(sys.modules, "pandas", None)
    with pytest.raises(ImportError, match="to_dataframe.. needs pandas .*python3-pandas"):
        results["one"].to_dataframe()
    assert len(results["one"].to_dict()["volume"]) == 5


def test_resolved_flips_at_the_sampling_limit():
    d = Dos.from_file(doses(EXAMPLE)[3])
    limit = d.sampling_limit
    props = d.thermal_properties([0.0, np.nextafter(limit, 0.0), limit, 2 * limit])
    assert props.sampling_limit == limit and list(props.resolved) == [False, False, True, True]
    assert not props.resolved.flags.writeable


def test_plots_draw_labelled_panels(results, monkeypatch):
    matplotlib = pytest.importorskip("matplotlib")
    matplotlib.use("Agg")
    import matplotlib.pyplot as plt
    monkeypatch.setattr(plt, "show", lambda *a, **k: pytest.fail("plot() called show()"))
    counts = {"props": 4, "one": 6, "two": 6, "phases": 6, "transitions": 4}
    for name, n in counts.items():
        axes = results[name].plot()
        assert len(axes) == n, name
        for ax in axes:
            assert ax.get_xlabel() == "T (K)" and "(" in ax.get_ylabel() or ax.get_ylabel() in ("γ", "B0′"), name
            assert ax.lines or ax.collections, (name, ax.get_ylabel())
        plt.close("all")
    # The theta_D panel: grey below the sampling limit (and to the first row
    # above it), coloured from it on.
    props = results["props"]
    ax = props.plot(panels="debye_temperature")
    grey, coloured = ax.lines[0], ax.lines[1]
    first = props.temperatures[props.resolved][0]
    assert max(grey.get_xdata()) == first and np.nanmin(coloured.get_xdata()) == first
    # Into the caller's Axes; a panel that is not one.
    fig, own = plt.subplots(1, 2)
    assert list(results["two"].plot(ax=own)) == list(own) and own[1].get_ylabel() == "V (Å³ per cell)"
    with pytest.raises(ValueError, match="no panel 'cv' here; the panels: heat_capacity, entropy"):
        props.plot(panels="cv")
    plt.close("all")
    monkeypatch.setitem(sys.modules, "matplotlib.pyplot", None)
    with pytest.raises(ImportError, match="plot.. needs matplotlib .*python3-matplotlib"):
        props.plot()


@needs_program
def test_the_lattice_lengths_as_tables_and_pictures(tmp_path):
    # qha_grid's result and qha's with lattice=: the CSV's columns (b and
    # alpha_b left out where the grid has two lengths, as the CSV does; the
    # lengths after --qha's own), their panels, and their pickles.
    pytest.importorskip("matplotlib").use("Agg")
    import matplotlib.pyplot as plt
    hcp = os.path.join(EXAMPLE, os.pardir, "cu_hcp_grid_emt")
    grid, cells = os.path.join(hcp, "grid.dat"), sorted(glob.glob(os.path.join(hcp, "g*", "total_dos.dat")))
    t = np.arange(0.0, 1001.0, 250.0)
    aniso = lattice_thermo.qha_grid(grid, cells, t, pressures=[0.0, 3.0])
    as_csv(aniso.to_dict(), program(["--qha-grid", grid, *cells, "--tstep", "250", "--pressure", "0,3"]))
    ev = os.path.join(EXAMPLE, "e-v.dat")
    v = np.loadtxt(ev, unpack=True)[0]
    lat = tmp_path / "lattice.dat"
    np.savetxt(lat, np.repeat(np.cbrt(4.0 * v)[:, None], 3, axis=1), fmt="%.17g")
    path = lattice_thermo.qha(*np.loadtxt(ev, unpack=True), [Dos.from_file(p) for p in doses(EXAMPLE)], t,
                              lattice=np.loadtxt(lat))
    as_csv(path.to_dict(), program(["--qha", ev, "--lattice", str(lat), *doses(EXAMPLE), "--tstep", "250"]))
    assert len(aniso.plot()) == 3 and len(path.plot()) == 8
    plt.close("all")
    back = pickle.loads(pickle.dumps(aniso))
    assert back.axes == 2 and np.array_equal(back.alpha_c, aniso.alpha_c, equal_nan=True)
    assert np.array_equal(pickle.loads(pickle.dumps(path)).alpha_a, path.alpha_a)
