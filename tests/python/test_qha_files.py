"""qha_files and Phase.from_files against the program's CSV bit for bit: DOS
files with and without fe-v.dat at two pressures, phonopy's own
thermal_properties.yaml (made with ASE's EMT, as tools/make_emt_example
makes them), several phases; their checks as errors and warnings."""
import csv
import io
import math
import os
import subprocess
import sys
import warnings

import numpy as np
import pytest

import lattice_thermo
from lattice_thermo import Dos, Phase

THERMO = os.environ.get("LHC_THERMO")
EXAMPLE = os.environ.get("LHC_EXAMPLE")
TOOLS = os.path.join(os.path.dirname(os.path.abspath(__file__)), os.pardir, os.pardir, "tools")
pytestmark = pytest.mark.skipif(not THERMO or not EXAMPLE, reason="LHC_THERMO or LHC_EXAMPLE not set")
KEV = 1.380649e-23 / 1.602176634e-19  # k_B in eV/K


def program(args, cwd=None):
    out = subprocess.run([THERMO, "--csv", *args], capture_output=True, text=True, check=True, cwd=cwd)
    return list(csv.DictReader(io.StringIO(out.stdout))), out.stderr


def same(result, rows, phases=None):
    """Every number of the CSV's rows is the result's, bit for bit; the rows
    the CSV leaves out are NaN in the result."""
    pressures, temps = list(result.pressures), list(result.temperatures)
    seen = set()
    for r in rows:
        k = pressures.index(float(r.get("pressure", pressures[0])))
        i = temps.index(float(r["temperature"]))
        f = () if phases is None else (phases.index(r["phase"]),)
        seen.add(f + (k, i))
        for name, text in r.items():
            if name in ("pressure", "temperature", "phase", "stable"):
                continue
            mine, theirs = getattr(result, name)[f + (k, i)], float(text)
            assert mine == theirs or (math.isnan(mine) and math.isnan(theirs)), (name, r)
    missing = [index for index in np.ndindex(result.volume.shape) if index not in seen]
    assert all(np.isnan(result.volume[index]) for index in missing)
    return len(rows)


def electrons(ev, temperatures, path):
    """An fe-v.dat: E(V) less a Sommerfeld term whose N(E_F) grows with V."""
    volumes, energies = np.loadtxt(ev, unpack=True)
    nf = 0.3 + 0.05 * (volumes - volumes[0])
    with open(path, "w") as f:
        for t in temperatures:
            fel = energies - (math.pi ** 2 / 6) * KEV ** 2 * nf * t * t
            f.write(f"{t:g} " + " ".join(f"{x:.12f}" for x in fel) + "\n")
    return str(path)


def doses(folder):
    return [os.path.join(folder, f"v{i:02d}", "total_dos.dat") for i in range(1, 12)]


def test_dos_files_with_and_without_electrons_at_two_pressures(tmp_path):
    ev = os.path.join(EXAMPLE, "e-v.dat")
    efe = electrons(ev, range(0, 1001, 10), tmp_path / "fe-v.dat")
    for extra in ([], ["--efe", efe]):
        rows, _ = program(["--qha", ev, "--pressure", "0,5", *extra, *doses(EXAMPLE)])
        result = lattice_thermo.qha_files(ev, doses(EXAMPLE), efe=efe if extra else None, pressures=(0.0, 5.0))
        assert result.volume.shape == (2, 101) and same(result, rows) == 202
    # The electrons count: Cp differs at 1000 K.
    assert result.heat_capacity_p[0, -1] != lattice_thermo.qha_files(ev, doses(EXAMPLE)).heat_capacity_p[0, -1]
    # N(E_F) per volume, as --dos-at-fermi.
    fermi = [0.3 + 0.01 * i for i in range(11)]
    rows, _ = program(["--qha", ev, "--dos-at-fermi", ",".join(map(str, fermi)), "--tstep", "100", *doses(EXAMPLE)])
    same(lattice_thermo.qha_files(ev, doses(EXAMPLE), dos_at_fermi=fermi, temperatures=range(0, 1001, 100)), rows)


@pytest.fixture(scope="module")
def phonopy_files(tmp_path_factory):
    """Copper at 7 volumes, e-v.dat and phonopy's thermal_properties.yaml of
    each (0 to 1000 K every 10 K; a 2x2x2 supercell and an 8^3 mesh, for
    speed), and an fe-v.dat."""
    pytest.importorskip("phonopy")
    pytest.importorskip("ase")
    sys.path.insert(0, os.path.join(TOOLS, os.pardir, "tests", "thermo"))
    from emt import load
    emt = load(os.path.join(TOOLS, "make_emt_example"))
    work = tmp_path_factory.mktemp("phonopy")
    files, rows = [], []
    for i, (a, volume, energy) in enumerate(emt.volumes("Cu", 7)):
        ph = emt.phonons("Cu", a, 2)
        ph.run_mesh([8] * 3)
        ph.run_thermal_properties(t_min=0, t_max=1000, t_step=10)
        files.append(str(work / f"thermal_properties.yaml-{i + 1}"))
        ph.write_yaml_thermal_properties(filename=files[-1])
        rows.append((volume, energy))
    emt.write_ev(work / "e-v.dat", rows)
    return str(work / "e-v.dat"), files, electrons(work / "e-v.dat", range(0, 1001, 10), work / "fe-v.dat")


def test_phonopys_thermal_properties_yaml(phonopy_files):
    ev, files, efe = phonopy_files
    for extra in ([], ["--efe", efe]):
        rows, _ = program(["--qha", ev, "--pressure", "0,2", *extra, *files])
        result = lattice_thermo.qha_files(ev, files, efe=efe if extra else None, pressures=[0.0, 2.0])
        # The files' temperatures, all of them.
        assert list(result.temperatures) == list(range(0, 1001, 10))
        assert same(result, rows) > 100
    # Some of them, as --temperatures picks them; one the files lack is an error.
    rows, _ = program(["--qha", ev, "--temperatures", "300,600", *files])
    same(lattice_thermo.qha_files(ev, files, temperatures=[300.0, 600.0]), rows)
    with pytest.raises(ValueError, match=r"^lattice_thermo: temperatures: 305 K is not among .* \(the nearest are 300 and 310 K\)"):
        lattice_thermo.qha_files(ev, files, temperatures=[305.0])
    # A Dos of such a file: what to use instead.
    with pytest.raises(ValueError, match=r"thermal_properties.yaml holds thermal properties, not a DOS: .*qha_files"):
        Dos.from_file(files[0])


@pytest.fixture(scope="module")
def two():
    """fcc copper and a made-up denser phase (examples/cu_hcp_emt/dense), as
    the command line and as Phase.from_files take them."""
    hcp = os.path.join(EXAMPLE, os.pardir, "cu_hcp_emt")
    fcc, dense = os.path.join(EXAMPLE, "e-v.dat"), os.path.join(hcp, "dense", "e-v.dat")
    args = ["--qha", fcc, *doses(EXAMPLE), "--qha", dense, *doses(hcp), "--phase-names", "fcc,dense",
            "--formula-units", "1,2"]
    phases = [Phase.from_files(fcc, doses(EXAMPLE), name="fcc"),
              Phase.from_files(dense, doses(hcp), name="dense", formula_units=2)]
    return args, phases


def test_phases_from_files(two):
    args, phases = two
    rows, _ = program(args + ["--pressure", "0,4.5"])
    # The program's temperatures where none are given; no warning, as the
    # program gives none (no answer is in doubt).
    with warnings.catch_warnings():
        warnings.simplefilter("error")
        result = lattice_thermo.qha(phases=phases, pressures=[0.0, 4.5])
    assert result.volume.shape == (2, 2, 101)
    assert same(result, rows, ["fcc", "dense"]) == 404
    for r in rows:
        f, k, i = ["fcc", "dense"].index(r["phase"]), [0.0, 4.5].index(float(r["pressure"])), int(r["temperature"]) // 10
        assert result.stable[f, k, i] == (r["stable"] == "1")
    # A phase from files beside one from arrays: the same numbers.
    v, e = np.loadtxt(os.path.join(EXAMPLE, "e-v.dat"), unpack=True)
    arrays = Phase(v, e, [Dos.from_file(p) for p in doses(EXAMPLE)], name="fcc")
    mixed = lattice_thermo.qha(phases=[arrays, phases[1]], temperatures=result.temperatures, pressures=[0.0, 4.5])
    assert np.array_equal(mixed.gibbs_energy, result.gibbs_energy, equal_nan=True)
    rows, _ = program(args + ["--tstep", "100", "--transitions", "0,10"])
    table = lattice_thermo.transitions(phases, np.arange(0.0, 1001.0, 100.0), (0.0, 10.0))
    assert len(table) == len(rows) == 11
    for j, r in enumerate(rows):
        assert (table.phase_low[j], table.phase_high[j], table.pressure[j]) == ("fcc", "dense", float(r["pressure"]))


def test_checks_as_errors_and_warnings(tmp_path):
    ev = os.path.join(EXAMPLE, "e-v.dat")
    with pytest.raises(FileNotFoundError):
        lattice_thermo.qha_files(ev, doses(EXAMPLE)[:10] + [str(tmp_path / "missing")])
    with pytest.raises(ValueError, match=r"e-v.dat: 11 volumes, but 10 DOS files are given"):
        lattice_thermo.qha_files(ev, doses(EXAMPLE)[:10])
    with pytest.raises(ValueError, match="efe and dos_at_fermi do not go together"):
        lattice_thermo.qha_files(ev, doses(EXAMPLE), efe=ev, dos_at_fermi=[1.0] * 11)
    with pytest.raises(ValueError, match=r"dos_at_fermi gives 2 values, but .*e-v.dat 11 volumes"):
        lattice_thermo.qha_files(ev, doses(EXAMPLE), dos_at_fermi=[1.0, 2.0])
    with pytest.raises(TypeError, match="files must be a sequence of paths"):
        lattice_thermo.qha_files(ev, doses(EXAMPLE)[0])
    # The files in the reverse order: the program's warning, with its file names.
    rows, err = program(["--qha", ev, "--tstep", "500", *doses(EXAMPLE)[::-1]])
    with pytest.warns(UserWarning) as said:
        result = lattice_thermo.qha_files(ev, doses(EXAMPLE)[::-1], temperatures=[0.0, 500.0, 1000.0])
    read = [str(w.message) for w in said if str(w.message).startswith("lattice_thermo: ")]
    assert read == err.splitlines()[:len(read)] and "doses[" not in read[0] and len(read) > 0
    same(result, rows)
    # A volume with imaginary modes left out, named in a warning.
    shifted = tmp_path / "v11.dat"
    f, g = np.loadtxt(doses(EXAMPLE)[10], unpack=True)
    np.savetxt(shifted, np.column_stack([np.concatenate([np.linspace(-1.0, -0.05, 20), f[f > 0]]),
                                         np.concatenate([np.full(20, 0.05), g[f > 0]])]))
    with pytest.warns(UserWarning, match=r"v11.dat: imaginary modes: its volume, .* is left out \(exclude_imaginary\)"):
        result = lattice_thermo.qha_files(ev, doses(EXAMPLE)[:10] + [str(shifted)], exclude_imaginary=True,
                                          temperatures=[300.0])
    assert np.isfinite(result.volume[0, 0])


def test_input_mistakes_and_units(tmp_path, two):
    """The program's checks of near-certain mistakes raise, its units
    options read Ry and bohr^3, and strict=True raises on each warning."""
    ev = os.path.join(EXAMPLE, "e-v.dat")
    files = doses(EXAMPLE)
    # Files in a shell glob's order (a zigzag of zero-point energies).
    with pytest.raises(ValueError, match="zero-point energy"):
        lattice_thermo.qha_files(ev, files[5:] + files[:5], temperatures=[300.0])
    v, e = np.loadtxt(ev, unpack=True)
    mev = tmp_path / "mev.dat"
    np.savetxt(mev, np.column_stack([v, 1000.0 * e]))
    with pytest.raises(ValueError, match="energy_unit") as raised:
        lattice_thermo.qha_files(mev, files, temperatures=[300.0])
    assert "--energy-unit" not in str(raised.value)
    # Ry and bohr^3 read as such: the eV and A^3 run's numbers.
    plain = lattice_thermo.qha_files(ev, files, temperatures=[0.0, 300.0, 900.0])
    other = tmp_path / "ry.dat"
    np.savetxt(other, np.column_stack([v / 0.529177210903**3, e / 13.605693122994]), fmt="%.17g")
    read = lattice_thermo.qha_files(other, files, temperatures=[0.0, 300.0, 900.0], energy_unit="Ry",
                                    volume_unit="bohr3")
    for name in ("volume", "gibbs_energy", "bulk_modulus", "thermal_expansion", "heat_capacity_p"):
        assert np.allclose(getattr(read, name), getattr(plain, name), rtol=1e-9, atol=0.0), name
    with pytest.raises(ValueError, match="energy_unit: unknown unit 'rydberg'"):
        lattice_thermo.qha_files(other, files, energy_unit="rydberg")
    # Ry read as eV: the zero-point pressure's share names the unit (here
    # before the fit finds no minimum within the volumes).
    with pytest.warns(UserWarning, match=r"Ry or Ha, not eV \(energy_unit Ry reads them\)"):
        with pytest.raises(ValueError, match="no minimum within the volumes"):
            lattice_thermo.qha_files(other, files, temperatures=[300.0], volume_unit="bohr3")
    with pytest.raises(ValueError, match="rises.*strict=True makes this warning an error"):
        lattice_thermo.qha_files(ev, files[::-1], temperatures=[300.0], strict=True)
    # A volume that exclude_imaginary leaves out is what was asked: strict
    # lets it pass (the DOS keeps its 3 states).
    shifted = tmp_path / "v11.dat"
    f, g = np.loadtxt(files[10], unpack=True)
    f, g = np.concatenate([np.linspace(-1.0, -0.05, 20), f[f > 0]]), np.concatenate([np.full(20, 0.05), g[f > 0]])
    np.savetxt(shifted, np.column_stack([f, g * 3.0 / np.sum(np.diff(f) * (g[1:] + g[:-1]) / 2.0)]))
    with pytest.warns(UserWarning, match="left out"):
        lattice_thermo.qha_files(ev, files[:10] + [str(shifted)], exclude_imaginary=True, temperatures=[300.0],
                                 strict=True)
    # Phases whose cells differ, compared per cell: an error naming both counts.
    _, phases = two
    alike = [phases[0], Phase.from_files(phases[1]._files[0], doses(os.path.join(EXAMPLE, os.pardir, "cu_hcp_emt")),
                                         name="dense")]
    with pytest.raises(ValueError, match=r"holds 1 atom and that of dense 2 atoms.*formula_units \(1,2"):
        lattice_thermo.qha(phases=alike, temperatures=[300.0])
