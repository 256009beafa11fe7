"""The module's qha as a drop-in: the fit's new columns as the program
gives them, a constant energy offset that changes nothing, a narrow grid
answered, and the program's checks of the inputs as warnings and errors."""
import csv
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
KJMOL = 1.602176634e-19 * 6.02214076e23 / 1000.0  # kJ/mol per eV


def copper():
    volumes, energies = np.loadtxt(os.path.join(EXAMPLE, "e-v.dat"), unpack=True)
    files = [os.path.join(EXAMPLE, f"v{i:02d}", "total_dos.dat") for i in range(1, len(volumes) + 1)]
    return volumes, energies, files, [Dos.from_file(p) for p in files]


@pytest.mark.skipif(not THERMO, reason="LHC_THERMO not set")
def test_the_fits_columns_as_the_program_gives_them():
    volumes, energies, files, doses = copper()
    out = subprocess.run([THERMO, "--qha", os.path.join(EXAMPLE, "e-v.dat"), "--csv", "--tstep", "100", *files],
                         capture_output=True, text=True, check=True).stdout
    rows = list(csv.DictReader(io.StringIO(out)))
    result = lattice_thermo.qha(volumes, energies, doses, np.arange(0.0, 1001.0, 100.0))
    for i, r in enumerate(rows):
        for name in ("bulk_modulus_prime", "fit_rms", "linear_thermal_expansion"):
            assert getattr(result, name)[0, i] == float(r[name]), (name, r["temperature"])


def test_a_constant_offset_changes_nothing():
    volumes, energies, _, doses = copper()
    t = np.arange(0.0, 1001.0, 10.0)
    plain = lattice_thermo.qha(volumes, energies, doses, t)
    for offset in (-3000.0, -10000.0):
        shifted = lattice_thermo.qha(volumes, energies + offset, doses, t)
        np.testing.assert_allclose(shifted.gibbs_energy - offset * KJMOL, plain.gibbs_energy, rtol=0,
                                   atol=1e-12 * abs(offset) * KJMOL)
        for name in ("volume", "bulk_modulus", "thermal_expansion", "heat_capacity_p", "heat_capacity_v",
                     "entropy", "bulk_modulus_s", "bulk_modulus_prime"):
            np.testing.assert_allclose(getattr(shifted, name), getattr(plain, name), rtol=1e-9, atol=0, err_msg=name)
        # The residual, small against G, to 1e-9 kJ/mol.
        np.testing.assert_allclose(shifted.fit_rms, plain.fit_rms, rtol=0, atol=1e-9)


def test_a_narrow_grid_is_answered():
    volumes, energies, _, doses = copper()
    result = lattice_thermo.qha(volumes[3:8], energies[3:8], doses[3:8], [0.0, 300.0])
    assert volumes[3] < result.volume[0, 0] < volumes[4]


def test_the_programs_checks():
    volumes, energies, _, doses = copper()
    with pytest.warns(UserWarning, match=r"doses\[\d+\]: warning: the zero-point energy \(eV\) rises"):
        lattice_thermo.qha(volumes, energies, doses[::-1], [300.0])
    with pytest.raises(ValueError, match="energies: the static fit's B0 is .* the energies are not in eV .*meV"):
        lattice_thermo.qha(volumes, energies * 1000.0, doses, [300.0])
    with pytest.raises(ValueError, match="no solid is that dense"):
        lattice_thermo.qha(volumes / 4.0, energies / 4.0, doses, [300.0])
    # Energies in Ry taken for eV: the zero-point pressure 13.6 times its
    # share, which here also moves the minimum out of the volumes.
    with pytest.warns(UserWarning, match=r"zero-point pressure.* % of the static B0.*Ry"):
        with pytest.raises(ValueError, match="no minimum within the volumes"):
            lattice_thermo.qha(volumes, energies / 13.605693122994, doses, [0.0])
    with warnings.catch_warnings():
        warnings.simplefilter("error")
        lattice_thermo.qha(volumes, energies, doses, [300.0])


def test_strict_makes_every_warning_an_error():
    volumes, energies, _, doses = copper()
    with pytest.raises(ValueError, match=r"doses\[\d+\]: warning: the zero-point energy.*strict=True"):
        lattice_thermo.qha(volumes, energies, doses[::-1], [300.0], strict=True)
    # V(T) leaving the volumes sampled: a warning and NaN, or the error.
    with pytest.warns(UserWarning, match="leaves the volumes sampled"):
        lattice_thermo.qha(volumes, energies, doses, [300.0, 1500.0])
    with pytest.raises(ValueError, match="leaves the volumes sampled"):
        lattice_thermo.qha(volumes, energies, doses, [300.0, 1500.0], strict=True)
    fine = lattice_thermo.qha(volumes, energies, doses, [300.0], strict=True)
    assert fine.volume[0, 0] == lattice_thermo.qha(volumes, energies, doses, [300.0]).volume[0, 0]
    with pytest.raises(TypeError, match="strict must be True or False"):
        lattice_thermo.qha(volumes, energies, doses, [300.0], strict=1)
