"""error_bars=True: qha() of one phase and of several, and transitions(),
against the program's --error-bars CSV bit for bit; the arrays None
without it; in the tables, pickles and pictures; the refusals; the warning
where an answer is in doubt."""
import csv
import glob
import io
import os
import pickle
import subprocess
import warnings

import numpy as np
import pytest

import lattice_thermo
from lattice_thermo import Dos, Phase

THERMO = os.environ.get("LHC_THERMO")
EXAMPLE = os.environ.get("LHC_EXAMPLE")
pytestmark = pytest.mark.skipif(not (EXAMPLE and THERMO), reason="LHC_EXAMPLE or LHC_THERMO not set")
ERRORS = [q + part for q in ("volume", "gibbs_energy", "bulk_modulus", "thermal_expansion", "heat_capacity_p")
          for part in ("_err_data", "_err_model", "_err")]


def files(folder):
    return [os.path.join(folder, f"v{i:02d}", "total_dos.dat") for i in range(1, 12)]


def program(args):
    out = subprocess.run([THERMO, "--csv", *args], capture_output=True, text=True, check=True)
    return list(csv.DictReader(io.StringIO(out.stdout))), out.stderr


def same(mine, theirs):
    return mine == float(theirs) or (np.isnan(mine) and theirs == "nan")


@pytest.fixture(scope="module")
def copper():
    volumes, energies = np.loadtxt(os.path.join(EXAMPLE, "e-v.dat"), unpack=True)
    return volumes, energies, [Dos.from_file(p) for p in files(EXAMPLE)]


def test_one_phase_equals_the_programs_csv_bit_for_bit(copper):
    volumes, energies, doses = copper
    rows, _ = program(["--qha", os.path.join(EXAMPLE, "e-v.dat"), *files(EXAMPLE), "--tmax", "1400", "--tstep", "100",
                       "--pressure", "0,5", "--error-bars"])
    with warnings.catch_warnings(record=True) as caught:
        warnings.simplefilter("always")
        result = lattice_thermo.qha(volumes, energies, doses, np.arange(0.0, 1401.0, 100.0), pressures=[0.0, 5.0],
                                    error_bars=True)
    # The rows' end at 0 GPa, 1,300 K, and no doubt.
    assert len(rows) == 28 and [str(w.message)[:49] for w in caught] == ["at 1300 K and 0 GPa the volume leaves the volumes"]
    for r in rows:
        k, i = [0.0, 5.0].index(float(r["pressure"])), int(float(r["temperature"])) // 100
        for name in ERRORS:
            assert same(getattr(result, name)[k, i], r[name]), (name, r["pressure"], r["temperature"])
    assert (result.volume_err[1, :] > 0).all() and np.isnan(result.volume_err[0, 13:]).all()
    assert (result.thermal_expansion_err[:, 0] == 0).all()  # at 0 K
    # Without error bars the arrays are None; the values the same.
    plain = lattice_thermo.qha(volumes, energies, doses, [300.0])
    assert plain.volume_err is None and plain.thermal_expansion_err_data is None
    assert plain.volume[0, 0] == result.volume[0, 3]


def test_several_phases_and_transitions_equal_the_programs_csv(copper, tmp_path):
    volumes, energies, doses = copper
    hcp = os.path.join(EXAMPLE, os.pardir, "cu_hcp_emt")
    v, e = np.loadtxt(os.path.join(hcp, "e-v.dat"), unpack=True)
    ev = tmp_path / "e-v.dat"
    np.savetxt(ev, np.column_stack([0.97 * v, e + 0.02]), fmt="%.17g")
    args = ["--qha", os.path.join(EXAMPLE, "e-v.dat"), *files(EXAMPLE), "--qha", str(ev), *files(hcp),
            "--phase-names", "fcc,dense", "--formula-units", "1,2", "--error-bars", "--temperatures", "0,400,800"]
    phases = [Phase(volumes, energies, doses, name="fcc"),
              Phase(0.97 * v, e + 0.02, [Dos.from_file(p) for p in files(hcp)], name="dense", formula_units=2)]
    rows, _ = program(args)
    result = lattice_thermo.qha(phases=phases, temperatures=[0.0, 400.0, 800.0], error_bars=True)
    assert list(result.to_dict()) == list(rows[0])  # the error bars after stable
    for r in rows:
        f, i = ["fcc", "dense"].index(r["phase"]), [0.0, 400.0, 800.0].index(float(r["temperature"]))
        for name in ERRORS:
            assert same(getattr(result, name)[f, 0, i], r[name]), (name, r["phase"], r["temperature"])
    rows, _ = program(args + ["--transitions", "0,10"])
    crossings = lattice_thermo.transitions(phases, [0.0, 400.0, 800.0], (0.0, 10.0), error_bars=True)
    assert len(rows) == len(crossings) == 3 and list(crossings.to_dict()) == list(rows[0])
    for j, r in enumerate(rows):
        for name in ("pressure_err_data", "pressure_err_model", "pressure_err", "clapeyron_slope_err_data",
                     "clapeyron_slope_err_model", "clapeyron_slope_err"):
            assert same(getattr(crossings, name)[j], r[name]), (name, r["temperature"])
    assert (crossings.pressure_err > 0).all()
    assert lattice_thermo.transitions(phases, [400.0], (0.0, 10.0)).pressure_err is None


def test_tables_pickles_and_bands_keep_the_error_bars():
    ev, t = os.path.join(EXAMPLE, "e-v.dat"), np.arange(0.0, 1001.0, 250.0)
    result = lattice_thermo.qha_files(ev, files(EXAMPLE), temperatures=t, error_bars=True)
    rows, _ = program(["--qha", ev, *files(EXAMPLE), "--tstep", "250", "--error-bars"])
    table = result.to_dict()
    assert list(table) == list(rows[0]) and len(rows) == 5
    for name, values in table.items():
        assert all(same(v, r[name]) for v, r in zip(values, rows)), name
    back = pickle.loads(pickle.dumps(result))
    assert all(np.array_equal(getattr(back, n), getattr(result, n)) for n in ERRORS)
    plain = pickle.loads(pickle.dumps(lattice_thermo.qha_files(ev, files(EXAMPLE), temperatures=t)))
    assert plain.volume_err is None and "volume_err" not in plain.to_dict()
    matplotlib = pytest.importorskip("matplotlib")
    matplotlib.use("Agg")
    # The band: alpha +- its error bar, none without them.
    ax = result.plot(panels="thermal_expansion")
    (band,) = ax.collections
    y = band.get_paths()[0].vertices[:, 1]
    alpha, err = result.thermal_expansion[0], result.thermal_expansion_err[0]
    assert np.isclose(y.max(), (alpha + err).max()) and np.isclose(y.min(), (alpha - err).min())
    assert not plain.plot(panels="thermal_expansion").collections
    matplotlib.pyplot.close("all")


def test_refusals_and_the_doubt_warning(copper):
    volumes, energies, doses = copper
    with pytest.raises(ValueError, match="error_bars needs 6 volumes or more .*; 5 are given"):
        lattice_thermo.qha(volumes[:5], energies[:5], doses[:5], [300.0], error_bars=True)
    with pytest.raises(TypeError, match="error_bars must be True or False"):
        lattice_thermo.qha(volumes, energies, doses, [300.0], error_bars="yes")
    # One static energy 30 meV off: the fit cannot pin B_T down.
    off = energies.copy()
    off[3] += 0.03
    with pytest.warns(UserWarning) as caught:
        lattice_thermo.qha(volumes, off, doses, np.arange(0.0, 1001.0, 10.0))
    texts = [str(w.message) for w in caught if "error bar" in str(w.message)]
    assert len(texts) == 1 and texts[0].startswith("at 250 K and 0 GPa "), texts
    assert "more than 15 %" in texts[0] and "error_bars=True gives every row's error bars" in texts[0]
    with pytest.raises(ValueError, match="at 250 K and 0 GPa .*strict=True makes this warning an error"):
        lattice_thermo.qha(volumes, off, doses, np.arange(0.0, 1001.0, 10.0), strict=True)


def test_the_grid_equals_the_programs_csv_and_refuses_what_cannot_give_them():
    hcp = os.path.join(EXAMPLE, os.pardir, "cu_hcp_grid_emt")
    grid, cells = os.path.join(hcp, "grid.dat"), sorted(glob.glob(os.path.join(hcp, "g*", "total_dos.dat")))
    rows, err = program(["--qha-grid", grid, *cells, "--tstep", "250", "--pressure", "0,3", "--error-bars"])
    assert len(rows) == 10 and err == ""
    result = lattice_thermo.qha_grid(grid, cells, np.arange(0.0, 1001.0, 250.0), pressures=[0.0, 3.0],
                                     error_bars=True)
    table = result.to_dict()
    assert list(table) == list(rows[0])  # b's and alpha_b's left out with two lengths
    for name, values in table.items():
        assert all(same(v, r[name]) for v, r in zip(values, rows)), name
    np.testing.assert_array_equal(result.b_err, result.a_err)
    assert (result.alpha_c_err[:, 1:] > 0).all()
    back = pickle.loads(pickle.dumps(result))
    assert np.array_equal(back.gibbs_energy_err_model, result.gibbs_energy_err_model)
    assert lattice_thermo.qha_grid(grid, cells, [300.0]).a_err is None
    # A 4 x 4 grid gives degree 3 alone: no spread between degrees.
    lines = np.loadtxt(grid)
    a, c = sorted(set(lines[:, 0])), sorted(set(lines[:, 1]))
    keep = [i for i, (x, y) in enumerate(lines[:, :2]) if x in a[:4] and y in c[:4]]
    with pytest.raises(ValueError, match="error_bars: the spread between the surfaces of degrees 3 and 4 needs both"):
        lattice_thermo.qha_grid(lines[keep], [cells[i] for i in keep], [300.0], error_bars=True)
