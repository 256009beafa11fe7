"""The thermal displacements from Python: Dos.mean_square_displacement and
b_factor, and displacements() on a mesh.yaml, a projected DOS and arrays,
against the program's own CSV; their shapes, types, errors, warnings, and
Ctrl-C inside a long call."""
import copy
import csv
import io
import os
import pickle
import subprocess
import warnings

import numpy as np
import pytest

import lattice_thermo
from lattice_thermo import Dos, displacements
from test_edges import interrupted, sized

THERMO = os.environ.get("LHC_THERMO", "build/release/lattice_thermo")
EXAMPLE = os.environ.get("LHC_EXAMPLE", "examples/cu_emt")


def unitmesh(atoms, qpoints):
    """phonopy's layout of a mesh of `atoms` atoms (masses 10, 20, ...) at
    `qpoints` q-points: band b's eigenvector is the unit vector of component
    b, its frequency 1 + b + q/2 THz."""
    s = f"mesh: [ 2, 2, 2 ]\nnqpoint: {qpoints}\nnatom: {atoms}\npoints:\n"
    for j in range(atoms):
        s += f"- symbol: X{j} # {j + 1}\n  coordinates: [ 0.0, 0.0, 0.0 ]\n  mass: {10 * (j + 1)}.0\n"
    s += "\nphonon:\n"
    for q in range(qpoints):
        s += f"- q-position: [ 0.25, {q}.5, 0.0 ]\n  distance_from_gamma: 0.1\n  weight: 1\n  band:\n"
        for b in range(3 * atoms):
            s += f"  - # {b + 1}\n    frequency: {1.0 + b + 0.5 * q}\n    eigenvector:\n"
            for j in range(atoms):
                s += f"    - # atom {j + 1}\n"
                s += "".join(f"      - [ {1.0 if 3 * j + a == b else 0.0}, 0.0 ]\n" for a in range(3))
    return s


def projected(atoms, step=0.05):
    f = np.arange(0.0, 10.0 + 1e-9, step)
    g = 0.0036 * f**2 * (10.0 - f)
    return f, np.stack([g * (1.0 + 0.003 * j) for j in range(atoms)], axis=1)


def program(*args):
    out = subprocess.run([THERMO, "--displacements", "--csv", *args], capture_output=True, text=True)
    assert out.returncode == 0, out.stderr
    return [{k: v for k, v in r.items()} for r in csv.DictReader(io.StringIO(out.stdout))]


def test_dos_methods_follow_the_programs_total_route():
    path = os.path.join(EXAMPLE, "v04", "total_dos.dat")
    dos = Dos.from_file(path)
    warnings.simplefilter("ignore")  # its 24^3 mesh leaves 2.8 % unresolved
    rows = program("--temperatures", "0,300,1000", "--mass", "63.546", path)
    t = [0.0, 300.0, 1000.0]
    msd = dos.mean_square_displacement(t, 63.546)
    assert isinstance(dos.mean_square_displacement(300.0, 63.546), float)
    assert msd.shape == (3,) and dos.b_factor(np.array([[0.0, 300.0]]), 63.546).shape == (1, 2)
    for i, r in enumerate(rows):
        assert msd[i] == pytest.approx(float(r["mean_square_displacement"]), rel=1e-14)
        assert dos.b_factor(t[i], 63.546) == pytest.approx(float(r["b_iso"]), rel=1e-14)
    assert dos.b_factor(300.0, 63.546) == pytest.approx(8 * np.pi**2 / 3 * msd[1], rel=1e-15)
    with pytest.raises(TypeError, match="mass must be a real number, not str"):
        dos.mean_square_displacement(300.0, "Cu")
    with pytest.raises(ValueError, match="-1 amu is not an atom's mass"):
        dos.b_factor(300.0, -1.0)


def test_a_coarse_dos_is_warned_of_with_its_share():
    f, g = projected(1, step=0.25)
    g[f < 0.6] = 0.0
    dos = Dos(f, g[:, 0])
    with pytest.warns(UserWarning, match=r"its first states lie at 0.75 THz, .* would add about [0-9.]+ % to <\|u\|\^2>"):
        dos.mean_square_displacement(300.0, 10.0)
    with warnings.catch_warnings():
        warnings.simplefilter("error")
        Dos(*projected(1, step=0.01)[:1], projected(1, step=0.01)[1][:, 0]).mean_square_displacement(300.0, 10.0)


def test_a_mesh_gives_the_programs_rows_per_direction(tmp_path):
    path = tmp_path / "mesh.yaml"
    path.write_text(unitmesh(2, 3))
    d = displacements(path, [0.0, 300.0], mossbauer_energy=14.4125)
    rows = program("--temperatures", "0,300", "--mossbauer-energy", "14.4125", str(path))
    assert d.elements == ("X0", "X1") and list(d.masses) == [10.0, 20.0]
    assert d.mean_square_displacement.shape == (2, 2) and d.u_xy.shape == (2, 2)
    for name in ("mean_square_displacement", "b_iso", "u_xx", "u_yy", "u_zz", "u_yz", "lamb_mossbauer"):
        mine = getattr(d, name).ravel()
        assert not getattr(d, name).flags.writeable
        assert list(mine) == [float(r[name]) for r in rows], name
    u = d.thermal_displacement_matrices
    assert u.shape == (2, 2, 3, 3) and np.array_equal(u, np.swapaxes(u, 2, 3))
    assert np.allclose(np.trace(u, axis1=2, axis2=3), d.mean_square_displacement, rtol=1e-15, atol=0)
    with pytest.raises(AttributeError):
        d.u_xx = None
    assert "2 atoms at 2 temperatures (0 to 300 K), per direction" in repr(d)


def test_arrays_give_the_programs_rows(tmp_path):
    f, g = projected(3)
    path = tmp_path / "projected_dos.dat"
    np.savetxt(path, np.column_stack([f, g]))
    mine = displacements((f, g), [10.0, 500.0], [10.0, 20.0, 30.0])
    rows = program("--temperatures", "10,500", "--masses", "10,20,30", str(path))
    assert mine.u_xx is None and mine.lamb_mossbauer is None and mine.thermal_displacement_matrices is None
    assert mine.elements == ("", "", "")
    assert np.allclose(mine.mean_square_displacement.ravel(), [float(r["mean_square_displacement"]) for r in rows],
                       rtol=1e-13, atol=0)
    # One column with one mass: a total DOS, each atom as the Dos has it.
    total = displacements((f, g[:, 0]), 300.0, 10.0)
    assert total.mean_square_displacement[0, 0] == pytest.approx(Dos(f, g[:, 0]).mean_square_displacement(300.0, 10.0),
                                                                 rel=1e-15)


def test_bad_arguments_raise_what_they_are(tmp_path):
    f, g = projected(2)
    cases = [
        (lambda: displacements((f, g), 300.0), ValueError, r"masses=\[M1, M2, ...\] \(amu, one for each of the 2"),
        (lambda: displacements((f, g), 300.0, [1.0, 2.0, 3.0]), ValueError, "masses gives 3 masses"),
        (lambda: displacements((f, g), 300.0, [1.0, 0.0]), ValueError, "0 amu is not an atom's mass"),
        (lambda: displacements((f, g), [[300.0]], 1.0), ValueError, "1-D sequence of numbers"),
        (lambda: displacements((f, g[:-1]), 300.0, 1.0), ValueError, "a row for each frequency"),
        (lambda: displacements(f, 300.0, 1.0), TypeError, "path or a \\(frequencies, densities\\) pair"),
        (lambda: displacements((f, g), 300.0, "Cu"), TypeError, "masses must be real numbers"),
        (lambda: displacements((f, g), 300.0, 1.0, unit="furlong"), ValueError, "unknown unit 'furlong'"),
        (lambda: displacements(tmp_path / "missing.yaml", 300.0), FileNotFoundError, "missing.yaml"),
        # A mass in kg, not amu: refused as such, never an overflow blamed on the DOS, nor inf.
        (lambda: displacements((f, g), 300.0, [1.0, 1e-300]), ValueError, r"1e-300 amu is not an atom's mass \(0.001"),
        (lambda: Dos(f, g[:, 0]).mean_square_displacement(300.0, 1e-300), ValueError, "not an atom's mass"),
        (lambda: Dos(f, g[:, 0]).b_factor(300.0, 1.05e-25), ValueError, "not an atom's mass"),
        (lambda: displacements((f, g), 300.0, 1.0, mossbauer_energy=2e4), ValueError, "up to 1e4 keV"),
    ]
    for call, kind, said in cases:
        with pytest.raises(kind, match=said):
            call()
    plain = tmp_path / "plain.yaml"
    plain.write_text(unitmesh(1, 2).replace("    eigenvector:\n    - # atom 1\n", "").replace("      - [", "#"))
    with pytest.raises(ValueError, match="eigenvectors needed for per-atom displacements; .* or give masses=M"):
        displacements(plain, 300.0)


def test_a_pickled_or_copied_result_stays_read_only():
    f, g = projected(2)
    d = displacements((f, g), [0.0, 300.0], [10.0, 20.0], mossbauer_energy=14.4125)
    for other in (pickle.loads(pickle.dumps(d)), copy.deepcopy(d), copy.copy(d)):
        assert np.array_equal(other.mean_square_displacement, d.mean_square_displacement)
        for name in ("temperatures", "masses", "mean_square_displacement", "b_iso", "lamb_mossbauer"):
            assert not getattr(other, name).flags.writeable, name
            with pytest.raises(ValueError):
                getattr(other, name)[0] = 1.0


def test_ctrl_c_stops_a_long_call_at_once(tmp_path):
    path = tmp_path / "mesh.yaml"
    path.write_text(unitmesh(4, 200))
    t = sized(lambda t: displacements(path, t), np.linspace(0.0, 1000.0, 2000))
    assert interrupted(lambda: displacements(path, t)) < 0.75
