"""The anisotropic modes: qha_grid() from paths, from Dos objects and from
an array against the program's --qha-grid CSV bit for bit, its warnings and
bad input; qha(..., lattice=) against --qha --lattice."""
import csv
import glob
import io
import os
import subprocess
import warnings

import numpy as np
import pytest

import lattice_thermo
from lattice_thermo import Dos

THERMO = os.environ.get("LHC_THERMO")
EXAMPLE = os.environ.get("LHC_EXAMPLE")
pytestmark = pytest.mark.skipif(not EXAMPLE, reason="LHC_EXAMPLE not set")
HCP = os.path.join(EXAMPLE or "", os.pardir, "cu_hcp_grid_emt")
COLUMNS = ["a", "c", "volume", "alpha_a", "alpha_c", "thermal_expansion", "heat_capacity_p", "heat_capacity_v",
           "entropy", "gibbs_energy", "fit_rms"]
TEMPERATURES = np.arange(0.0, 1001.0, 100.0)


def cells():
    return sorted(glob.glob(os.path.join(HCP, "g*", "total_dos.dat")))


def program(args):
    out = subprocess.run([THERMO, "--csv", *args], capture_output=True, text=True, check=False)
    return list(csv.DictReader(io.StringIO(out.stdout))), out.stderr


@pytest.mark.skipif(not THERMO, reason="LHC_THERMO not set")
def test_qha_grid_equals_the_programs_csv_bit_for_bit():
    grid = os.path.join(HCP, "grid.dat")
    rows, err = program(["--qha-grid", grid, *cells(), "--tstep", "100", "--pressure", "0,3"])
    assert len(rows) == 22 and err == ""
    by_path = lattice_thermo.qha_grid(grid, cells(), TEMPERATURES, pressures=[0.0, 3.0])
    by_dos = lattice_thermo.qha_grid(np.loadtxt(grid), [Dos.from_file(f) for f in cells()], TEMPERATURES,
                                     pressures=[0.0, 3.0])
    assert by_path.axes == 2 and by_path.a.shape == (2, 11)
    np.testing.assert_array_equal(by_path.b, by_path.a)
    for r in rows:
        k, i = [0.0, 3.0].index(float(r["pressure"])), int(float(r["temperature"])) // 100
        for name in COLUMNS:
            assert getattr(by_path, name)[k, i] == float(r[name]), name
            # An array's energies are the file's digits read by numpy: the
            # same doubles, but not what they leave out of the decimals.
            assert getattr(by_dos, name)[k, i] == pytest.approx(float(r[name]), rel=1e-12, abs=1e-15), name
    with pytest.raises(ValueError):
        by_path.a[0, 0] = 1.0


def test_qha_grid_stops_with_a_warning_and_refuses_bad_input():
    grid = np.loadtxt(os.path.join(HCP, "grid.dat"))
    doses = [Dos.from_file(f) for f in cells()]
    with pytest.warns(UserWarning, match="the minimum leaves the box the grid spans"):
        r = lattice_thermo.qha_grid(grid, doses, [0.0, 600.0, 1200.0])
    assert np.isnan(r.a[0, 2]) and not np.isnan(r.a[0, 1]) and r.last_temperature[0] == 600.0
    skew = grid.copy()
    skew[3, 2] *= 1.001
    with pytest.raises(ValueError, match=r"grid\[3\]: volume / \(a a c\)"):
        lattice_thermo.qha_grid(skew, doses, [300.0])
    with pytest.raises(ValueError, match="49 cells, but 48 files"):
        lattice_thermo.qha_grid(grid, doses[:-1], [300.0])
    with pytest.raises(ValueError, match="degree must be 3 or 4"):
        lattice_thermo.qha_grid(grid, doses, [300.0], degree=5)
    with pytest.raises(TypeError, match="not a mix"):
        lattice_thermo.qha_grid(grid, doses[:-1] + [cells()[-1]], [300.0])
    with pytest.raises(ValueError, match="takes 3 distinct values"):
        keep = [i for i in range(49) if i % 7 < 3]
        lattice_thermo.qha_grid(grid[keep], [doses[i] for i in keep], [300.0])


@pytest.mark.skipif(not THERMO, reason="LHC_THERMO not set")
def test_qha_with_lattice_equals_the_program(tmp_path):
    v, e = np.loadtxt(os.path.join(EXAMPLE, "e-v.dat"), unpack=True)
    # fcc copper's conventional cube along its volumes: k = 1/4.
    lattice = np.repeat(np.cbrt(4.0 * v)[:, None], 3, axis=1)
    lat = tmp_path / "lattice.dat"
    np.savetxt(lat, lattice, fmt="%.17g")
    files = [os.path.join(EXAMPLE, f"v{i:02d}", "total_dos.dat") for i in range(1, 12)]
    rows, _ = program(["--qha", os.path.join(EXAMPLE, "e-v.dat"), "--lattice", str(lat), *files, "--tstep", "100"])
    r = lattice_thermo.qha(v, e, [Dos.from_file(f) for f in files], TEMPERATURES, lattice=lattice)
    plain = lattice_thermo.qha(v, e, [Dos.from_file(f) for f in files], TEMPERATURES)
    assert plain.a is None
    for row in rows:
        i = int(float(row["temperature"])) // 100
        for name in ["a", "b", "c", "alpha_a", "alpha_b", "alpha_c"]:
            assert getattr(r, name)[0, i] == float(row[name]), name
    np.testing.assert_allclose(r.alpha_a + r.alpha_b + r.alpha_c, r.thermal_expansion, rtol=1e-12, atol=1e-300)
    with pytest.raises(TypeError, match="lattice= with one phase"):
        lattice_thermo.qha(phases=[], temperatures=[300.0], lattice=lattice)
    with pytest.raises(ValueError, match="one for each volume"):
        lattice_thermo.qha(v, e, [Dos.from_file(f) for f in files], [300.0], lattice=lattice[:-1])
