"""Dos.from_pymatgen and Dos.from_phonopy: the same Dos as the arrays
route makes of the peer object's arrays; wrong objects refused."""
import os
import sys

import numpy as np
import pytest

from lattice_thermo import Dos

TOOLS = os.path.join(os.path.dirname(os.path.abspath(__file__)), os.pardir, os.pardir, "tools")
T = np.array([0.0, 1.0, 10.0, 77.0, 300.0, 1000.0])


def same(a, b):
    pa, pb = a.thermal_properties(T), b.thermal_properties(T)
    for name in ("free_energy", "entropy", "heat_capacity", "internal_energy", "debye_temperature"):
        np.testing.assert_allclose(getattr(pa, name), getattr(pb, name), rtol=1e-14, atol=0, err_msg=name)
    assert np.array_equal(a.frequencies, b.frequencies) and (a.states, a.atoms) == (b.states, b.atoms)


def test_from_pymatgen():
    dos_module = pytest.importorskip("pymatgen.phonon.dos")
    f = np.linspace(0.0, 9.0, 901)[1:]
    g = 0.9 * f**2 * np.exp(-(((f - 3.0) / 2.5) ** 2))
    theirs = dos_module.PhononDos(f, g)
    same(Dos.from_pymatgen(theirs), Dos(f, g))
    same(Dos.from_pymatgen(theirs, per_atom=True, atoms=16.0), Dos(f, g, "THz", atoms=16.0, per_atom=True))
    with pytest.raises(TypeError, match="dos must be pymatgen's PhononDos, not tuple"):
        Dos.from_pymatgen((f, g))


def test_from_phonopy():
    pytest.importorskip("phonopy")
    pytest.importorskip("ase")
    from phonopy.phonon.dos import TotalDos
    sys.path.insert(0, os.path.join(TOOLS, os.pardir, "tests", "thermo"))
    from emt import load
    ph = load(os.path.join(TOOLS, "make_emt_example")).phonons("Cu", 3.61, 2)
    ph.run_mesh([8] * 3)
    with pytest.raises(ValueError, match="no total DOS: call its run_mesh.. and run_total_dos.. first"):
        Dos.from_phonopy(ph)
    ph.run_total_dos()
    total = ph.total_dos
    assert isinstance(total, TotalDos)
    arrays = Dos(total.frequency_points, total.dos)
    same(Dos.from_phonopy(ph), arrays)
    same(Dos.from_phonopy(total), arrays)
    with pytest.raises(TypeError, match="phonon must be a Phonopy object or its TotalDos, not dict"):
        Dos.from_phonopy(ph.get_total_dos_dict())
