"""The Python module: scalar against array calls, bad input, the GIL
released, qha equal to the program's CSV bit for bit, warnings through the
warnings module and nothing printed. Run by ctest
with PYTHONPATH at the built package and LHC_THERMO, LHC_EXAMPLE and
LHC_SAMPLE set."""
import csv
import io
import math
import os
import subprocess
import threading
import time
import warnings

import numpy as np
import pytest

import lattice_thermo
from lattice_thermo import Dos

THERMO = os.environ.get("LHC_THERMO", "lattice_thermo")
EXAMPLE = os.environ.get("LHC_EXAMPLE", "examples/cu_emt")
SAMPLE = os.environ.get("LHC_SAMPLE", "elphon/co_elphon_4.out_ep_PDS")


def smooth(n=2001, top=9.0):
    """A two-branch DOS in THz on points above zero, of 48 states."""
    f = np.linspace(0.0, top, n + 1)[1:]
    g = 0.9 * f**2 * np.exp(-(((f - 3.0) / 2.5) ** 2)) + 2.0 * np.exp(-(((f - 7.5) / 0.6) ** 2))
    return f, g * 48.0 / np.sum(0.5 * (g[1:] + g[:-1]) * np.diff(f))


def test_scalar_and_array_calls_agree():
    d = Dos(*smooth())
    temps = np.array([[0.0, 1.0, 10.0], [300.0, 999.5, 1e4]])
    props = d.thermal_properties(temps.ravel())
    # pymatgen's names in J/mol, phonopy's ThermalProperties in kJ/mol.
    for name, field, scale in (("cv", "heat_capacity", 1), ("entropy", "entropy", 1),
                               ("helmholtz_free_energy", "free_energy", 1000),
                               ("internal_energy", "internal_energy", 1000),
                               ("debye_temperature", "debye_temperature", 1)):
        method = getattr(d, name)
        array = method(temps)
        assert array.shape == temps.shape
        for t, value in zip(temps.ravel(), array.ravel()):
            scalar = method(float(t))
            assert isinstance(scalar, float)
            assert scalar == value or (math.isnan(scalar) and math.isnan(value)), (name, t)
        assert np.array_equal(getattr(props, field) * scale, array.ravel(), equal_nan=True), name
    # Any float dtype and a list read the same.
    assert d.cv(np.float32(300.0)) == d.cv(float(np.float32(300.0)))
    assert np.array_equal(d.cv([10, 300]), d.cv(np.array([10.0, 300.0])))
    # Results are new, frozen arrays.
    assert not props.heat_capacity.flags.writeable
    with pytest.raises(AttributeError):
        props.heat_capacity = None


def test_bad_input_raises_value_error_with_the_programs_text(tmp_path):
    f, g = smooth(10)
    cases = [
        (lambda: Dos([1, 2, 2], [1, 1, 1]), "point 3: energies do not increase strictly"),
        (lambda: Dos([1, 2, 3], [1, np.nan, 1]), "point 2: a value that is not finite"),
        (lambda: Dos([1, 2], [1, 1, 1]), "1-D arrays of the same length (2 and 3 values)"),
        (lambda: Dos(f, g, unit="K"), "unknown unit 'K'"),
        (lambda: Dos([-1, 0, 1], [1, 1, 1]), "fewer than two points with energy above zero"),
        (lambda: Dos(f, g, atoms=0), "atoms must be positive"),
        (lambda: Dos(f, g).cv(-1), "temperature -1 K is outside 0 to 1e+09 K"),
    ]
    bad = tmp_path / "bad.dat"
    bad.write_text("1 2\n3 x7\n")
    cases.append((lambda: Dos.from_file(str(bad)), f"lattice_thermo: {bad}:2: item 2 is not a number: \"x7\""))
    for call, text in cases:
        with pytest.raises(ValueError) as e:
            call()
        assert text in str(e.value), (text, str(e.value))


def test_files_as_the_program_reads_them(tmp_path):
    f, g = smooth(400)
    cm = tmp_path / "cm.dat"
    np.savetxt(cm, np.column_stack([f * 33.35640951981521, g / 33.35640951981521]), header="E (cm^-1)  DOS")
    thz = tmp_path / "thz.dat"
    np.savetxt(thz, np.column_stack([f, g]))
    assert Dos.from_file(str(cm)).cv(300.0) == pytest.approx(Dos.from_file(str(thz)).cv(300.0), rel=1e-9)
    assert Dos.from_file(str(cm)).unit == "cm-1"
    sample = Dos.from_pds(SAMPLE)
    assert sample.atoms == pytest.approx(1.0, abs=1e-6)
    assert sample.theta_infinity == pytest.approx(317.753, abs=1e-3)
    per_atom = Dos(f, g, atoms=16, per_atom=True)
    assert per_atom.cv(300.0) == pytest.approx(Dos(f, g).cv(300.0) / 16, rel=1e-15)


def test_sampling_limit_is_the_programs():
    out = subprocess.run([THERMO, "--pds", "--tmax", "0", SAMPLE], capture_output=True, text=True, check=True).stdout
    header = next(line for line in out.splitlines() if line.startswith("# sampling limit: "))
    assert Dos.from_pds(SAMPLE).sampling_limit == float(header.split()[3])
    # Half the step, about half the limit.
    f, g = smooth(400)
    assert 1.6 < Dos(f[1::2], g[1::2]).sampling_limit / Dos(f, g).sampling_limit < 2.1


def test_warnings_go_through_the_warnings_module_and_nothing_is_printed(capfd, tmp_path):
    projected = tmp_path / "projected.dat"
    f, g = smooth(100)
    np.savetxt(projected, np.column_stack([f, g, g / 2, g / 2]))
    with pytest.warns(UserWarning, match="more numeric columns after the DOS"):
        Dos.from_file(str(projected))
    with pytest.warns(UserWarning, match="take no part"):
        Dos([-1.0, 0.0, 1.0, 2.0], [1.0, 1.0, 1.0, 1.0])
    with warnings.catch_warnings():
        warnings.simplefilter("error")
        with pytest.raises(UserWarning):
            Dos.from_file(str(projected))
    out, err = capfd.readouterr()
    assert out == "" and err == ""


def test_the_gil_is_released():
    # While one thread is inside a long call, this one runs Python code. Were
    # the GIL held through the call, this thread could run only before the
    # call begins (at most one switch interval, 5 ms, after the worker notes
    # the time) or after it returns; it must run well inside the call.
    f = np.linspace(0.0, 10.0, 2_000_001)[1:]
    d = Dos(f, f * f)
    t = np.linspace(1.0, 1000.0, 500)
    span = {}

    def call():
        span["start"] = time.monotonic()
        d.thermal_properties(t)
        span["end"] = time.monotonic()

    worker = threading.Thread(target=call)
    ran = [0.0]  # when this thread ran, a time a millisecond
    worker.start()
    while worker.is_alive():
        now = time.monotonic()
        if now > ran[-1] + 0.001:
            ran.append(now)
    worker.join()
    start, end = span["start"], span["end"]
    margin = max(0.02, 0.2 * (end - start))
    inside = [r for r in ran if start + margin < r < end - margin]
    assert inside, f"no Python ran during the {end - start:.3f} s call"


def test_qha_equals_the_programs_csv_bit_for_bit():
    volumes, energies = np.loadtxt(os.path.join(EXAMPLE, "e-v.dat"), unpack=True)
    files = [os.path.join(EXAMPLE, f"v{i:02d}", "total_dos.dat") for i in range(1, len(volumes) + 1)]
    out = subprocess.run([THERMO, "--qha", os.path.join(EXAMPLE, "e-v.dat"), "--csv", "--pressure", "0,2",
                          "--tstep", "50", *files], capture_output=True, text=True, check=True).stdout
    rows = list(csv.DictReader(io.StringIO(out)))
    result = lattice_thermo.qha(volumes, energies, [Dos.from_file(p) for p in files], np.arange(0.0, 1001.0, 50.0),
                                pressures=[0.0, 2.0])
    assert result.volume.shape == (2, 21)
    names = ["volume", "gibbs_energy", "bulk_modulus", "thermal_expansion", "heat_capacity_p", "heat_capacity_v",
             "gruneisen", "entropy", "bulk_modulus_s"]
    for r in rows:
        k = [0.0, 2.0].index(float(r["pressure"]))
        i = int(float(r["temperature"]) / 50)
        for name in names:
            mine, theirs = getattr(result, name)[k, i], float(r[name])
            assert mine == theirs or (math.isnan(mine) and math.isnan(theirs)), (name, r["temperature"])
    assert len(rows) == 42
    assert list(result.last_temperature) == [1000.0, 1000.0]


def test_qha_leaving_the_volumes_warns_and_gives_nan():
    volumes, energies = np.loadtxt(os.path.join(EXAMPLE, "e-v.dat"), unpack=True)
    doses = [Dos.from_file(os.path.join(EXAMPLE, f"v{i:02d}", "total_dos.dat")) for i in range(1, len(volumes) + 1)]
    with pytest.warns(UserWarning, match="leaves the volumes sampled"):
        result = lattice_thermo.qha(volumes[:7], energies[:7], doses[:7], [0.0, 300.0, 900.0, 1000.0])
    last = result.last_temperature[0]
    assert 300.0 <= last < 900.0
    assert np.isnan(result.volume[0, -1])
    with pytest.raises(ValueError, match="at least 5"):
        lattice_thermo.qha(volumes[:4], energies[:4], doses[:4], [300.0])
    with pytest.raises(ValueError, match="unknown equation of state"):
        lattice_thermo.qha(volumes, energies, doses, [300.0], eos="spline")
