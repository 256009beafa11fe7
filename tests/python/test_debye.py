"""debye(): the program's --debye CSV bit for bit, its error bars and
variants, its warnings, its result read-only, and its bad input."""
import csv
import io
import os
import subprocess
import warnings

import numpy as np
import pytest

import lattice_thermo

THERMO = os.environ.get("LHC_THERMO")
EXAMPLE = os.environ.get("LHC_EXAMPLE")
pytestmark = pytest.mark.skipif(not EXAMPLE or not THERMO, reason="LHC_EXAMPLE or LHC_THERMO not set")


@pytest.fixture(scope="module")
def ev():
    return np.loadtxt(os.path.join(EXAMPLE, "e-v.dat"), unpack=True)


def program(*args):
    out = subprocess.run([THERMO, "--debye", os.path.join(EXAMPLE, "e-v.dat"), "--mass", "63.546", "--atoms", "1",
                          "--csv", *args], capture_output=True, text=True, check=True)
    return list(csv.DictReader(io.StringIO(out.stdout)))


def test_the_programs_numbers(ev):
    v, e = ev
    r = lattice_thermo.debye(v, e, 63.546, 1, [0, 150, 300, 900], [0, 5], error_bars=True,
                             dos_at_fermi=np.full(11, 0.3))
    rows = program("--temperatures", "0,150,300,900", "--pressure", "0,5", "--error-bars", "--dos-at-fermi",
                   ",".join(["0.3"] * 11))
    assert r.volume.shape == (2, 4)
    for k, row in enumerate(rows):
        i, j = divmod(k, 4)
        for name, text in row.items():
            if name in ("pressure", "temperature"):
                continue
            assert getattr(r, name)[i, j] == float(text), name
    assert np.all(r.last_temperature == 900.0)
    assert np.array_equal(r.linear_thermal_expansion, r.thermal_expansion / 3.0)


def test_variants_and_no_error_bars(ev):
    v, e = ev
    poisson = lattice_thermo.debye(v, e, 63.546, 1, 300.0)
    slater = lattice_thermo.debye(v, e, 63.546, 1, 300.0, gruneisen="slater")
    own = lattice_thermo.debye(v, e, 63.546, 1, 300.0, gruneisen=(-1.0 / 6.0, 0.5))
    assert poisson.volume_err_fit is None
    assert slater.volume[0, 0] == own.volume[0, 0]
    assert abs(slater.volume[0, 0] / poisson.volume[0, 0] - 1.0) < 1e-13
    dm = lattice_thermo.debye(v, e, 63.546, 1, 300.0, gruneisen="dugdale-macdonald")
    assert dm.gruneisen[0, 0] == pytest.approx(poisson.gruneisen[0, 0] - 1.0 / 3.0, abs=0.02)
    old = lattice_thermo.debye(v, e, 63.546, 1, 300.0, constants="codata2006", strain="pt", degree=3)
    assert old.volume[0, 0] == pytest.approx(poisson.volume[0, 0], rel=1e-3)
    with pytest.raises(AttributeError):
        poisson.volume = None
    with pytest.raises(ValueError):
        poisson.volume[0, 0] = 1.0


def test_leaving_the_volumes_warns(ev):
    v, e = ev
    with pytest.warns(UserWarning, match="no volume within those fitted"):
        r = lattice_thermo.debye(v, e, 63.546, 1, np.arange(0, 2001, 100.0))
    assert np.isnan(r.volume[0, -1])
    assert 1000.0 < r.last_temperature[0] < 2000.0
    with pytest.raises(ValueError, match="strict=True makes this warning an error"):
        lattice_thermo.debye(v, e, 63.546, 1, np.arange(0, 2001, 100.0), strict=True)


def test_bad_input(ev):
    v, e = ev
    with pytest.raises(ValueError, match="not a molar mass"):
        lattice_thermo.debye(v, e, -1.0, 1, 300.0)
    with pytest.raises(ValueError, match="not a whole number of atoms"):
        lattice_thermo.debye(v, e, 63.5, 1.5, 300.0)
    with pytest.raises(TypeError, match="mass must be a real number"):
        lattice_thermo.debye(v, e, "63.5", 1, 300.0)
    with pytest.raises(ValueError, match="is none of slater"):
        lattice_thermo.debye(v, e, 63.5, 1, 300.0, gruneisen="grueneisen")
    with pytest.raises(ValueError, match="error_bars needs the average"):
        lattice_thermo.debye(v, e, 63.5, 1, 300.0, degree=3, error_bars=True)
    with pytest.raises(ValueError, match="4 volumes; the fits need at least 5"):
        lattice_thermo.debye(v[:4], e[:4], 63.5, 1, 300.0)
    with pytest.raises(ValueError, match="no minimum within the volumes"):
        lattice_thermo.debye([10, 11, 12, 13, 14], [5, 3, 2, 1.5, 1.2], 63.5, 1, 300.0)
    with pytest.raises(ValueError, match="volume 2 is given twice"):
        lattice_thermo.debye([1.0, 1.0, 2.0, 3.0, 4.0], [1, 0, 0.1, 0.5, 1], 63.5, 1, 300.0)
    with pytest.raises(ValueError, match="dos_at_fermi gives 2 values"):
        lattice_thermo.debye(v, e, 63.5, 1, 300.0, dos_at_fermi=[1.0, 2.0])
    with warnings.catch_warnings():
        warnings.simplefilter("error")
        lattice_thermo.debye(v, e, 63.5, 1, 300.0)  # no warning on the example


def test_tables_plots_and_pickles(ev, tmp_path):
    # to_dict() is the CSV, column for column; plot() draws; a pickle
    # comes back read-only and equal.
    import pickle
    v, e = ev
    r = lattice_thermo.debye(v, e, 63.546, 1, [0, 300, 600], [0, 5], error_bars=True)
    rows = program("--temperatures", "0,300,600", "--pressure", "0,5", "--error-bars")
    table = r.to_dict()
    assert list(table) == list(rows[0])
    for name, column in table.items():
        assert np.array_equal(column, [float(row[name]) for row in rows]), name
    back = pickle.loads(pickle.dumps(r))
    assert np.array_equal(back.volume_err_fit, r.volume_err_fit) and back.entropy_err_fit is not None
    assert not back.volume.flags.writeable
    plain = lattice_thermo.debye(v, e, 63.546, 1, 300.0)
    assert "volume_err_fit" not in plain.to_dict() and "electronic_entropy" not in plain.to_dict()
    assert pickle.loads(pickle.dumps(plain)).volume_err_fit is None
    try:
        import matplotlib
    except ImportError:
        return
    matplotlib.use("Agg")
    axes = r.plot()
    assert len(axes) == 6 and axes[1].get_ylabel().startswith("V") and axes[5].get_ylabel().startswith("θ_D")
    # Each pressure's volume with its band of +-volume_err_fit.
    assert len(axes[1].collections) == 2


def test_strain_polynomials_under_qha_are_the_programs(ev):
    # qha(eos="strain") and qha_files(eos="strain"): --qha --eos strain's
    # CSV bit for bit (gruneisen is NaN at 0 K in both).
    ev_file = os.path.join(EXAMPLE, "e-v.dat")
    doses = [os.path.join(EXAMPLE, f"v{i:02d}", "total_dos.dat") for i in range(1, 12)]
    out = subprocess.run([THERMO, "--csv", "--qha", ev_file, "--eos", "strain", "--pressure", "0,2", "--tstep", "100",
                          *doses], capture_output=True, text=True, check=True).stdout
    rows = list(csv.DictReader(io.StringIO(out)))
    v, e = ev
    arrays = lattice_thermo.qha(v, e, [lattice_thermo.Dos.from_file(d) for d in doses], np.arange(0.0, 1001.0, 100.0),
                                eos="strain", pressures=[0.0, 2.0])
    files = lattice_thermo.qha_files(ev_file, doses, eos="strain", pressures=(0.0, 2.0), temperatures=range(0, 1001, 100))
    assert len(rows) == 22
    for result in (arrays, files):
        for row in rows:
            at = ([0.0, 2.0].index(float(row["pressure"])), list(result.temperatures).index(float(row["temperature"])))
            for name, text in row.items():
                if name not in ("pressure", "temperature"):
                    assert np.array_equal(getattr(result, name)[at], float(text), equal_nan=True), (name, row)
    # Its error bars, with the spread across the degrees, as the CSV has them to the bit.
    out = subprocess.run([THERMO, "--csv", "--qha", ev_file, "--eos", "strain", "--error-bars", "--temperatures",
                          "0,300,900", *doses], capture_output=True, text=True, check=True).stdout
    rows = list(csv.DictReader(io.StringIO(out)))
    got = lattice_thermo.qha_files(ev_file, doses, eos="strain", error_bars=True, temperatures=[0.0, 300.0, 900.0])
    table = got.to_dict()
    assert list(table) == list(rows[0])
    for name in rows[0]:
        assert np.array_equal(table[name], [float(r[name]) for r in rows], equal_nan=True), name
    assert np.all(got.volume_err_fit > 0.0)
    assert lattice_thermo.qha_files(ev_file, doses, error_bars=True, temperatures=[300.0]).volume_err_fit is None
    import pickle
    again = pickle.loads(pickle.dumps(got))
    assert np.array_equal(again.bulk_modulus_err_fit, got.bulk_modulus_err_fit)
    # A result pickled before the _err_fit columns comes back without them.
    older = type(got).__new__(type(got))
    older.__setstate__(got.__getstate__()[:-5])
    assert older.volume_err_fit is None and np.array_equal(older.volume_err, got.volume_err)
