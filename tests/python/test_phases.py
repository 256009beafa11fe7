"""Several phases: qha(phases=...) and transitions() against the program's
CSV bit for bit, their names and formula units, their warnings, and their
bad input."""
import csv
import io
import os
import subprocess
import warnings

import numpy as np
import pytest

import lattice_thermo
from lattice_thermo import Dos, Phase

THERMO = os.environ.get("LHC_THERMO")
EXAMPLE = os.environ.get("LHC_EXAMPLE")
pytestmark = pytest.mark.skipif(not EXAMPLE, reason="LHC_EXAMPLE not set")
COLUMNS = ["volume", "gibbs_energy", "bulk_modulus", "thermal_expansion", "heat_capacity_p", "heat_capacity_v",
           "gruneisen", "entropy", "bulk_modulus_s", "bulk_modulus_prime", "fit_rms", "linear_thermal_expansion"]


def files(folder):
    return [os.path.join(folder, f"v{i:02d}", "total_dos.dat") for i in range(1, 12)]


@pytest.fixture(scope="module")
def two(tmp_path_factory):
    """fcc copper, and a made-up denser phase: hcp copper's data (two atoms a
    cell) with every volume 3 % smaller and 10 meV per atom higher; the
    command line's arguments for both, and the Phase of each."""
    hcp = os.path.join(EXAMPLE, os.pardir, "cu_hcp_emt")
    v, e = np.loadtxt(os.path.join(hcp, "e-v.dat"), unpack=True)
    ev = tmp_path_factory.mktemp("dense") / "e-v.dat"
    np.savetxt(ev, np.column_stack([0.97 * v, e + 0.02]), fmt="%.17g")
    fcc = os.path.join(EXAMPLE, "e-v.dat")
    args = ["--qha", fcc, *files(EXAMPLE), "--qha", str(ev), *files(hcp), "--phase-names", "fcc,dense",
            "--formula-units", "1,2"]
    phases = []
    for path, folder, name, z in ((fcc, EXAMPLE, "fcc", 1), (str(ev), hcp, "dense", 2)):
        vv, ee = np.loadtxt(path, unpack=True)
        phases.append(Phase(vv, ee, [Dos.from_file(p) for p in files(folder)], name=name, formula_units=z))
    return args, phases


def program(args):
    out = subprocess.run([THERMO, "--csv", *args], capture_output=True, text=True, check=True)
    return list(csv.DictReader(io.StringIO(out.stdout))), out.stderr


@pytest.mark.skipif(not THERMO, reason="LHC_THERMO not set")
def test_qha_of_several_phases_equals_the_programs_csv_bit_for_bit(two):
    args, phases = two
    rows, _ = program(args + ["--tstep", "100", "--pressure", "0,4.5"])
    result = lattice_thermo.qha(phases=phases, temperatures=np.arange(0.0, 1001.0, 100.0), pressures=[0.0, 4.5])
    assert result.volume.shape == (2, 2, 11) and result.stable.dtype == bool
    assert list(result.phase) == ["fcc", "dense"] and list(result.formula_units) == [1.0, 2.0]
    assert len(rows) == 44
    for r in rows:
        f, k, i = ["fcc", "dense"].index(r["phase"]), [0.0, 4.5].index(float(r["pressure"])), int(float(r["temperature"])) // 100
        for name in COLUMNS:
            mine, theirs = getattr(result, name)[f, k, i], float(r[name])
            assert mine == theirs or (np.isnan(mine) and np.isnan(theirs)), (name, r["phase"], r["temperature"])
        assert result.stable[f, k, i] == (r["stable"] == "1")
    # One stable phase at each pressure and temperature: fcc at 0 GPa, the
    # denser above its transition.
    assert (result.stable.sum(axis=0) == 1).all()
    assert result.stable[0, 0].all() and result.stable[1, 1].all()


@pytest.mark.skipif(not THERMO, reason="LHC_THERMO not set")
def test_transitions_equal_the_programs_csv_bit_for_bit(two):
    args, phases = two
    rows, _ = program(args + ["--tstep", "50", "--transitions", "0,10"])
    result = lattice_thermo.transitions(phases, np.arange(0.0, 1001.0, 50.0), (0.0, 10.0))
    assert len(result) == len(rows) == 21
    for j, r in enumerate(rows):
        assert (result.phase_low[j], result.phase_high[j]) == (r["phase_low"], r["phase_high"]) == ("fcc", "dense")
        for name in ("temperature", "pressure", "volume_change", "entropy_change", "clapeyron_slope"):
            assert getattr(result, name)[j] == float(r[name]), (name, r["temperature"])
    assert (result.volume_change < 0).all() and (result.pressure > 3.0).all()
    assert repr(result) == "<TransitionsResult of 21 rows>"


def test_a_pair_without_a_crossing_warns_once(two):
    _, phases = two
    with pytest.warns(UserWarning) as caught:
        result = lattice_thermo.transitions(phases, [100.0, 200.0, 300.0], (0.0, 1.0))
    assert len(result) == 0 and result.phase_low.shape == (0,)
    texts = [str(w.message) for w in caught]
    assert texts == ["fcc and dense: no row at 3 of 3 temperatures, the first 100 K (no crossing from 0 to 1 GPa)"]


def test_phases_that_do_not_differ_warn_so(two):
    _, (fcc, _) = two
    twin = Phase(fcc.volumes, fcc.energies, fcc.doses, name="twin")
    with pytest.warns(UserWarning) as caught:
        result = lattice_thermo.transitions([fcc, twin], [0.0, 300.0], (-2.0, 8.0))
    assert len(result) == 0
    assert [str(w.message) for w in caught] == [
        "fcc and twin: no row at 2 of 2 temperatures, the first 0 K (the phases do not differ: their G and V agree "
        "within rounding from -2 to 8 GPa)"]


def test_names_formula_units_and_bad_input(two):
    _, (fcc, dense) = two
    unnamed = Phase(fcc.volumes, fcc.energies, fcc.doses)
    assert repr(dense) == "<Phase dense: 11 volumes, 2 formula units per cell>"
    with warnings.catch_warnings():
        warnings.simplefilter("ignore")
        result = lattice_thermo.qha(phases=[unnamed, Phase(fcc.volumes, fcc.energies, fcc.doses)], temperatures=300.0)
    assert list(result.phase) == ["phase1", "phase2"]
    # The same phase twice: the same numbers, the first of equals stable.
    assert result.gibbs_energy[0, 0, 0] == result.gibbs_energy[1, 0, 0]
    assert list(result.stable[:, 0, 0]) == [True, False]
    cases = [
        (lambda: Phase(fcc.volumes, fcc.energies, fcc.doses, formula_units=0), ValueError, "positive whole number"),
        (lambda: Phase(fcc.volumes, fcc.energies, fcc.doses, formula_units=1.5), TypeError, "whole number"),
        (lambda: Phase(fcc.volumes, fcc.energies, fcc.doses, name=""), ValueError, "name is empty"),
        # The names the command line refuses: a blank, a comma, a quote, more than 64 characters.
        (lambda: Phase(fcc.volumes, fcc.energies, fcc.doses, name="f c"), ValueError, "'f c' is not a name"),
        (lambda: Phase(fcc.volumes, fcc.energies, fcc.doses, name="a,b"), ValueError, "without blanks, commas"),
        (lambda: Phase(fcc.volumes, fcc.energies, fcc.doses, name='x"'), ValueError, "is not a name"),
        (lambda: Phase(fcc.volumes, fcc.energies, fcc.doses, name="x" * 65), ValueError, "up to 64 characters"),
        (lambda: Phase(fcc.volumes, fcc.energies, fcc.doses, formula_units=2_000_000), ValueError, "up to 1e6"),
        (lambda: Phase(fcc.volumes, fcc.energies, "total_dos.dat"), TypeError, "sequence of Dos"),
        (lambda: lattice_thermo.qha(phases=[fcc, fcc], temperatures=300.0), ValueError, "two phases are named 'fcc'"),
        (lambda: lattice_thermo.qha(phases=[fcc, "dense"], temperatures=300.0), TypeError, "phases[1] is str"),
        (lambda: lattice_thermo.qha(fcc.volumes, phases=[fcc], temperatures=300.0), TypeError, "not both"),
        (lambda: lattice_thermo.qha(phases=[fcc]), TypeError, "needs temperatures"),
        (lambda: lattice_thermo.transitions([fcc], 300.0, (0, 5)), ValueError, "two phases or more"),
        (lambda: lattice_thermo.transitions([fcc, dense], 300.0, (5, 0)), ValueError, "the first below the second"),
        (lambda: lattice_thermo.transitions([fcc, dense], 300.0, 5), TypeError, "two pressures"),
        (lambda: lattice_thermo.transitions([fcc, Phase(fcc.volumes[:4], fcc.energies[:4], fcc.doses[:4])], 300.0,
                                            (0, 5)), ValueError, "phases[1]: 4 volumes"),
        # hcp's two atoms against fcc's one, compared per cell.
        (lambda: lattice_thermo.qha(phases=[fcc, Phase(dense.volumes, dense.energies, dense.doses, name="dense")],
                                    temperatures=300.0), ValueError, "holds 1 atom and that of dense 2 atoms"),
        (lambda: lattice_thermo.transitions([fcc, dense], [100.0], (0.0, 1.0), strict=True), ValueError,
         "no crossing from 0 to 1 GPa) (strict=True makes this warning an error)"),
    ]
    renamed = Phase(fcc.volumes, fcc.energies, fcc.doses)
    renamed.name = "f c"
    cases.append((lambda: lattice_thermo.qha(phases=[renamed, dense], temperatures=300.0), ValueError,
                  "phases[0].name 'f c' is not a name"))
    for call, kind, text in cases:
        with pytest.raises(kind) as caught:
            call()
        assert text in str(caught.value), str(caught.value)
