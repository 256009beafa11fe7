"""The module's edges, as a hostile caller meets them: objects never
initialised, Ctrl-C inside a long call, array arguments of every length and
shape, None, NUL and path objects, the caller's locale, where warnings
point, and copying and pickling."""
import copy
import faulthandler
import inspect
import locale
import os
import pathlib
import pickle
import shutil
import signal
import subprocess
import sys
import threading
import time
import warnings

import numpy as np
import pytest

import lattice_thermo
from lattice_thermo import Dos

EXAMPLE = os.environ.get("LHC_EXAMPLE", "examples/cu_emt")


def smooth(n=2001, top=9.0):
    f = np.linspace(0.0, top, n + 1)[1:]
    return f, 0.9 * f**2 * np.exp(-(((f - 3.0) / 2.5) ** 2))


def example():
    volumes, energies = np.loadtxt(os.path.join(EXAMPLE, "e-v.dat"), unpack=True)
    doses = [Dos.from_file(os.path.join(EXAMPLE, f"v{i:02d}", "total_dos.dat")) for i in range(1, len(volumes) + 1)]
    return volumes, energies, doses


def test_objects_never_initialised_raise_type_error_from_every_member():
    # In a child process: a crash there fails this test instead of the run.
    script = """
import lattice_thermo
from lattice_thermo import _core
for cls in (_core.Dos, _core.ThermalProperties, _core.QhaResult, _core.QhaPhasesResult, _core.TransitionsResult,
            lattice_thermo.Dos):
    names = [n for n in dir(cls) if not n.startswith("_") or (n in ("__repr__", "__getstate__") and n in vars(cls))]
    assert len(names) >= 6, (cls, names)
    for name in names:
        obj = cls.__new__(cls)
        try:
            member = getattr(obj, name)
            if callable(member) and not isinstance(member, type):
                if name in ("zero_point_energy", "__repr__", "__getstate__", "to_dict", "to_dataframe", "plot"):
                    member()
                else:
                    member(300.0, 63.546) if name in ("mean_square_displacement", "b_factor") else member(300.0)
        except TypeError as e:
            if "initialised" not in str(e) and name not in ("from_file", "from_pds", "from_pymatgen", "from_phonopy"):
                raise
        else:
            raise AssertionError(f"{cls.__name__}.{name} of an object never initialised gave no error")
for qha, dos in ((lattice_thermo.qha, lattice_thermo.Dos), (_core.qha, _core.Dos)):
    try:
        qha([1, 2, 3, 4, 5], [0] * 5, [dos.__new__(dos)] * 5, [300.0], "vinet", 0.0)
    except TypeError as e:
        assert "this Dos was never initialised" in str(e), e
    else:
        raise AssertionError("qha took a Dos never initialised")
print("ok")
"""
    run = subprocess.run([sys.executable, "-c", script], capture_output=True, text=True)
    assert run.returncode == 0 and run.stdout == "ok\n", (run.returncode, run.stdout, run.stderr)


def interrupted(call):
    """Runs call() with SIGINT sent to this process 0.2 s in; the seconds
    from the signal to KeyboardInterrupt, which must come."""
    sent = []

    def send():
        sent.append(time.monotonic())
        os.kill(os.getpid(), signal.SIGINT)

    previous = signal.signal(signal.SIGINT, signal.default_int_handler)
    timer = threading.Timer(0.2, send)
    try:
        timer.start()
        with pytest.raises(KeyboardInterrupt):
            call()
            timer.join()  # were the call done first, the signal comes here
    finally:
        timer.join()
        signal.signal(signal.SIGINT, previous)
    return time.monotonic() - sent[0]


def sized(call, temperatures, seconds=3.0):
    """Temperatures over the same range as `temperatures` (a slice of the
    work, timed) for a call of about `seconds`."""
    start = time.monotonic()
    call(temperatures)
    per = (time.monotonic() - start) / len(temperatures)
    return np.linspace(temperatures[0], temperatures[-1], int(min(1e7, max(len(temperatures), seconds / per))))


def test_ctrl_c_stops_a_long_call_at_once():
    # Each call would take about 3 s; KeyboardInterrupt must come well
    # within that, not when the call is done.
    f, g = smooth(20001)
    d = Dos(f, g)
    t = sized(d.thermal_properties, np.linspace(1.0, 1000.0, 2000))
    assert interrupted(lambda: d.thermal_properties(t)) < 0.75
    volumes, energies, doses = example()
    t = sized(lambda t: lattice_thermo.qha(volumes, energies, doses, t), np.linspace(0.0, 1000.0, 500))
    assert interrupted(lambda: lattice_thermo.qha(volumes, energies, doses, t)) < 0.75


def test_array_arguments_are_checked_for_length_shape_and_bounds():
    volumes, energies, doses = example()
    qha = lattice_thermo.qha
    cases = [
        (lambda: qha(volumes, energies, doses, [300.0], pressures=[]), ValueError, "pressures is empty"),
        (lambda: qha(volumes, energies, doses, [300.0], pressures=np.zeros((0,))), ValueError, "pressures is empty"),
        (lambda: qha(volumes, energies, doses, [300.0], pressures=[[0.0]]), ValueError, "1-D sequence of numbers (GPa)"),
        (lambda: qha(volumes, energies, doses, [300.0], pressures=[0.0, np.inf]), ValueError, "pressure inf GPa"),
        (lambda: qha(volumes, energies, doses, [300.0], pressures=None), TypeError, "pressures must be real numbers"),
        (lambda: qha(volumes[None, :], energies, doses, [300.0]), ValueError, "1-D arrays of the same length"),
        (lambda: qha(volumes, energies[:-1], doses, [300.0]), ValueError, "(11 and 10 values)"),
        (lambda: qha(volumes, energies, doses[:-1], [300.0]), ValueError, "11 volumes, but 10 Dos"),
        (lambda: qha(volumes[:4], energies[:4], doses[:4], [300.0]), ValueError, "at least 5"),
        (lambda: qha(np.r_[volumes[:-1], volumes[0]], energies, doses, [300.0]), ValueError,
         "volume 11 is given twice (also as volume 1)"),
        (lambda: qha(volumes, energies, doses, [[300.0]]), ValueError, "1-D sequence of numbers (K)"),
        (lambda: qha(volumes, energies, doses, [300.0], pressures=np.zeros(20)), None, None),
        (lambda: qha(volumes, energies, doses, np.zeros(600_000), pressures=np.zeros(20)), ValueError,
         "20 pressures times 600000 temperatures in one call; at most 1e+07 rows"),
        # Counted before any copy is made of a broadcast array.
        (lambda: doses[0].cv(np.broadcast_to(300.0, (10_000_001,))), ValueError,
         "10000001 temperatures in one call; at most 1e+07, as on the command line"),
        (lambda: doses[0].cv(None), TypeError, "temperatures must be real numbers, not None"),
        (lambda: doses[0].cv([300.0, None]), TypeError, "temperatures must be real numbers, not None"),
        (lambda: doses[0].cv(float("nan")), ValueError, "temperature nan K is outside 0 to 1e+09 K"),
        (lambda: Dos([], []), ValueError, "no data"),
        (lambda: Dos(np.zeros((2, 2)), np.zeros((2, 2))), ValueError, "1-D arrays"),
    ]
    for call, kind, text in cases:
        if kind is None:
            assert call().volume.shape == (20, 1)
            continue
        with pytest.raises(kind) as e:
            call()
        assert text in str(e.value), (text, str(e.value))
    # The pressure given is the pressure reported, at every length.
    result = qha(volumes, energies, doses, [300.0], pressures=np.array([3.0]))
    assert list(result.pressures) == [3.0]
    assert result.volume[0, 0] < qha(volumes, energies, doses, [300.0], pressures=0.0).volume[0, 0]


def test_paths_nul_and_path_objects(tmp_path):
    f, g = smooth(300)
    path = tmp_path / "dos.dat"
    np.savetxt(path, np.column_stack([f, g]))
    by_str = Dos.from_file(str(path)).cv(300.0)
    assert Dos.from_file(path).cv(300.0) == by_str
    assert Dos.from_file(os.fsencode(path)).cv(300.0) == by_str

    class Wrapped:
        def __fspath__(self):
            return str(path)

    assert Dos.from_file(Wrapped()).cv(300.0) == by_str
    # A pipe is read as the program reads it, opened once (a watchdog ends
    # the run rather than let it hang, were it opened twice).
    fifo = tmp_path / "fifo"
    os.mkfifo(fifo)
    writer = threading.Thread(target=lambda: fifo.write_text(path.read_text()))
    writer.start()
    faulthandler.dump_traceback_later(60, exit=True)
    try:
        assert Dos.from_file(fifo).cv(300.0) == by_str
    finally:
        faulthandler.cancel_dump_traceback_later()
    writer.join()
    for bad in (str(path) + "\0.txt", os.fsencode(path) + b"\0"):
        with pytest.raises(ValueError, match="the path holds a NUL character"):
            Dos.from_file(bad)


def test_warnings_point_at_the_callers_line(tmp_path):
    f, g = smooth(300)
    projected = tmp_path / "projected.dat"
    np.savetxt(projected, np.column_stack([f, g, g]))
    volumes, energies, doses = example()
    calls = [
        lambda: Dos(f * 40.0, g),  # beyond any phonon's THz
        lambda: Dos.from_file(projected),
        lambda: lattice_thermo.qha(volumes[:7], energies[:7], doses[:7], [0.0, 1000.0]),
    ]
    for call in calls:
        line = inspect.getsourcelines(call)[1]
        with warnings.catch_warnings(record=True) as caught:
            warnings.simplefilter("always")
            call()
        assert caught
        for w in caught:
            assert (w.filename, w.lineno) == (__file__, line), (str(w.message), w.filename, w.lineno)


@pytest.fixture(scope="module")
def comma_locale(tmp_path_factory):
    """A locale whose decimal point is a comma, built here where the
    system has none."""
    where = tmp_path_factory.mktemp("locale")
    if shutil.which("localedef") is None or not pathlib.Path("/usr/share/i18n/locales/de_DE").exists():
        pytest.skip("no localedef or locale sources (Debian: apt-get install locales)")
    subprocess.run(["localedef", "-i", "de_DE", "-f", "UTF-8", str(where / "de_DE.UTF-8")],
                   check=True, capture_output=True)
    return where


def test_numbers_in_messages_do_not_follow_the_callers_locale(comma_locale, monkeypatch):
    monkeypatch.setenv("LOCPATH", str(comma_locale))
    saved = locale.setlocale(locale.LC_NUMERIC)
    locale.setlocale(locale.LC_NUMERIC, "de_DE.UTF-8")
    try:
        assert locale.localeconv()["decimal_point"] == ","
        f, g = smooth(300)
        with pytest.warns(UserWarning, match=r"the DOS holds 4\.1\d* states"):
            Dos(f, g * 4.1 / np.trapz(g, f))
        with pytest.raises(ValueError, match=r"temperature 1\.5e\+10 K is outside 0 to 1e\+09 K"):
            Dos(f, g).cv(1.5e10)
        volumes, energies, doses = example()
        with pytest.warns(UserWarning, match=r"at 1000 K and 0 GPa .* \(10\.98871626 to 12\.09915496 A\^3\)"):
            lattice_thermo.qha(volumes[:7], energies[:7], doses[:7], [0.0, 1000.0])
    finally:
        locale.setlocale(locale.LC_NUMERIC, saved)


def test_copying_and_pickling():
    f, g = smooth(300)
    d = Dos(f, g)
    # A Dos never changes: its copies are itself; pickling is refused.
    assert copy.copy(d) is d and copy.deepcopy(d) is d
    assert copy.deepcopy([d, d]) [0] is d
    with pytest.raises(TypeError, match="a Dos cannot be pickled"):
        pickle.dumps(d)
    # ThermalProperties round-trips, frozen.
    props = d.thermal_properties([0.0, 10.0, 300.0])
    for other in (pickle.loads(pickle.dumps(props)), copy.copy(props), copy.deepcopy(props)):
        for name in ("temperatures", "free_energy", "entropy", "heat_capacity", "internal_energy",
                     "debye_temperature"):
            assert np.array_equal(getattr(other, name), getattr(props, name), equal_nan=True), name
            assert not getattr(other, name).flags.writeable
    with pytest.raises(ValueError, match="not a pickled ThermalProperties"):
        lattice_thermo.ThermalProperties.__new__(lattice_thermo.ThermalProperties).__setstate__(
            (np.zeros(2),) * 5 + (np.zeros(3),))
    assert props.sampling_limit == d.sampling_limit and props.theta_infinity == d.theta_infinity
    for other in (pickle.loads(pickle.dumps(props)), copy.deepcopy(props)):
        assert (other.sampling_limit, other.theta_infinity) == (props.sampling_limit, props.theta_infinity)
        assert np.array_equal(other.resolved, props.resolved)
    # One pickled before the sampling limit was kept: all of it resolved.
    old = lattice_thermo.ThermalProperties.__new__(lattice_thermo.ThermalProperties)
    old.__setstate__(props.__getstate__()[:6])
    assert np.isnan(old.sampling_limit) and old.resolved.all()
    # The quasi-harmonic results round-trip too, frozen, for a cluster's
    # workers to send back.
    volumes, energies, doses = example()
    with pytest.warns(UserWarning, match="at 2000 K"):
        result = lattice_thermo.qha(volumes, energies, doses, [300.0, 2000.0], pressures=[0.0, 1.0])
    for other in (pickle.loads(pickle.dumps(result)), copy.copy(result), copy.deepcopy(result)):
        assert type(other) is type(result)
        for name in ("pressures", "temperatures", "volume", "gruneisen", "linear_thermal_expansion", "last_temperature"):
            assert np.array_equal(getattr(other, name), getattr(result, name), equal_nan=True), name
            assert not getattr(other, name).flags.writeable
    with pytest.raises(ValueError, match="not a pickled QhaResult"):
        lattice_thermo.QhaResult.__new__(lattice_thermo.QhaResult).__setstate__(result.__getstate__()[:-1])
    with pytest.raises(ValueError, match="not a pickled QhaResult"):
        lattice_thermo.QhaResult.__new__(lattice_thermo.QhaResult).__setstate__((1.0,) * 15)
