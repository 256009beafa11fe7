"""The module keeps its peers' conventions: pymatgen's names in pymatgen's
units (the same calls on PhononDos give the same numbers, with no
conversion), phonopy's ThermalProperties in phonopy's, pymatgen's keywords
and attributes, short errors, the unit warnings of files for arrays too, a
repr and signatures that say what things are."""
import inspect
import pydoc

import numpy as np
import pytest

import lattice_thermo
from lattice_thermo import Dos


def smooth(n=2001, top=9.0):
    """A two-branch DOS in THz on points above zero, of 48 states."""
    f = np.linspace(0.0, top, n + 1)[1:]
    g = 0.9 * f**2 * np.exp(-(((f - 3.0) / 2.5) ** 2)) + 2.0 * np.exp(-(((f - 7.5) / 0.6) ** 2))
    return f, g * 48.0 / np.sum(0.5 * (g[1:] + g[:-1]) * np.diff(f))


def test_the_same_calls_on_pymatgens_phonondos_give_the_same_numbers():
    dos = pytest.importorskip("pymatgen.phonon.dos")
    f, g = smooth()
    ours, theirs = Dos(f, g), dos.PhononDos(f, g)
    zero_point = theirs.zero_point_energy()
    assert ours.zero_point_energy() == pytest.approx(zero_point, rel=1e-8)
    for t in np.arange(10.0, 1001.0, 10.0):
        assert ours.cv(t) == pytest.approx(theirs.cv(t), rel=1e-8)
        assert ours.entropy(t) == pytest.approx(theirs.entropy(t), rel=1e-8)
        # F passes through zero: 1e-8 of the energies' scale there.
        for name in ("internal_energy", "helmholtz_free_energy"):
            mine, peer = getattr(ours, name)(t), getattr(theirs, name)(t)
            assert mine == pytest.approx(peer, rel=1e-8, abs=1e-8 * zero_point), (name, t)
    assert np.array_equal(ours.frequencies, theirs.frequencies)
    assert np.array_equal(ours.densities, theirs.densities)


def test_units_follow_the_peer_a_name_comes_from():
    d = Dos(*smooth())
    props = d.thermal_properties([300.0])
    # pymatgen's names: J/mol; phonopy's ThermalProperties: kJ/mol.
    assert d.helmholtz_free_energy(300.0) == props.free_energy[0] * 1000
    assert d.internal_energy(300.0) == props.internal_energy[0] * 1000
    assert d.cv(300.0) == props.heat_capacity[0] and d.entropy(300.0) == props.entropy[0]
    # Zero-point: 1/2 sum g E, per mole, in J/mol.
    f, g = smooth()
    joules = 6.62607015e-34 * 1e12 * 6.02214076e23
    expected = 0.5 * np.sum(0.5 * (g[1:] * f[1:] + g[:-1] * f[:-1]) * np.diff(f)) * joules
    assert d.zero_point_energy() == pytest.approx(expected, rel=1e-3)
    assert d.helmholtz_free_energy(0.0) == pytest.approx(d.zero_point_energy(), rel=1e-12)


def test_pymatgens_keywords_and_attributes():
    f, g = smooth(400)
    by_name = Dos(frequencies=f, densities=g)
    assert by_name.cv(300.0) == Dos(f, g).cv(300.0) == Dos(energies=f, densities=g).cv(300.0)
    # The arrays given come back, bit for bit, read-only; a copy of them, so
    # that changing the caller's array changes nothing.
    given = f.copy()
    d = Dos(given, g, unit="meV")
    given[0] = 99.0
    assert np.array_equal(d.frequencies, f) and np.array_equal(d.densities, g) and d.unit == "meV"
    assert not d.frequencies.flags.writeable
    # normalize changes the table: the DOS as the sums take it.
    normalized = Dos(f, g, normalize=True, atoms=17)
    assert np.trapz(normalized.densities, normalized.frequencies) == pytest.approx(51.0, rel=1e-12)


def test_a_mesh_holds_modes_not_a_table(tmp_path):
    mesh = tmp_path / "mesh.yaml"
    text = "mesh: [ 2, 2, 2 ]\nnqpoint: 2\nnatom: 1\nphonon:\n"
    for weight, bands in ((1, (1.5, 1.5, 3.0)), (7, (4.0, 5.0, 6.0))):
        text += f"- q-position: [ 0.25, 0.0, 0.0 ]\n  weight: {weight}\n  band:\n"
        text += "".join(f"  - # {i + 1}\n    frequency: {f}\n" for i, f in enumerate(bands))
    mesh.write_text(text)
    d = Dos.from_file(mesh)
    assert d.frequencies is None and d.densities is None and d.unit == "THz"
    assert repr(d).startswith(f"<Dos from {mesh}: 24 modes at 2 q-points in THz, 3 states, 1 atom per cell")


def test_wrong_arguments_raise_short_errors_naming_them(tmp_path):
    f, g = smooth()  # 2001 values: none of them may appear in a message
    cases = [
        (lambda: Dos(f, g, unit=5), TypeError, "unit must be a str, not int"),
        (lambda: Dos(f, g, atoms="3"), TypeError, "atoms must be a real number, not str"),
        (lambda: Dos(f, g, normalize=1), TypeError, "normalize must be True or False, not int"),
        (lambda: Dos(f, "abc"), TypeError, "densities must be real numbers, not str"),
        (lambda: Dos(f, g, spacing=1), TypeError, "unexpected keyword argument 'spacing'"),
        (lambda: Dos(f), TypeError, "Dos() needs frequencies and densities"),
        (lambda: Dos(f, g, energies=f), TypeError, "frequencies or energies, not both"),
        (lambda: Dos(f, g[:-1]), ValueError, "same length (2001 and 2000 values)"),
        (lambda: Dos.from_file(3), TypeError, "path must be a str, bytes or os.PathLike, not int"),
        (lambda: Dos.from_file(tmp_path, column=2.5), TypeError, "column must be a whole number, not float"),
        (lambda: Dos(f, g).thermal_properties([[300.0]]), ValueError, "a number or a 1-D sequence"),
        (lambda: lattice_thermo.qha(f[:5], f[:5], [1, 2, 3, 4, 5], [300.0]), TypeError, "doses[0] is int, not a Dos"),
        (lambda: lattice_thermo.qha(f[:5], f[:5], [], [300.0], eos=None), TypeError, "eos must be a str"),
    ]
    for call, kind, text in cases:
        with pytest.raises(kind) as e:
            call()
        message = str(e.value)
        assert text in message, (text, message)
        assert len(message) < 200 and message.count("\n") == 0, message


def test_a_missing_file_is_a_file_not_found_error(tmp_path):
    with pytest.raises(FileNotFoundError) as e:
        Dos.from_file(tmp_path / "none.dat")
    assert e.value.filename == str(tmp_path / "none.dat")
    with pytest.raises(IsADirectoryError):
        Dos.from_file(tmp_path)


def test_arrays_get_the_unit_warnings_of_files(tmp_path):
    f, g = smooth(200)
    cm = 33.35640951981521
    # cm-1 values read as THz, the default: the file's warning, word for word.
    path = tmp_path / "cm.dat"
    np.savetxt(path, np.column_stack([f * cm, g / cm]))
    with pytest.warns(UserWarning) as from_file:
        Dos.from_file(path)
    with pytest.warns(UserWarning) as from_arrays:
        Dos(f * cm, g / cm)
    file_text = [str(w.message) for w in from_file if "probably in cm-1" in str(w.message)]
    array_text = [str(w.message) for w in from_arrays if "probably in cm-1" in str(w.message)]
    assert len(file_text) == 1 and array_text == [file_text[0].split(": warning: ", 1)[1]]
    # A unit given is taken as it is, for arrays as for files.
    import warnings

    with warnings.catch_warnings():
        warnings.simplefilter("error")
        Dos(f * cm, g / cm, unit="cm-1")
        Dos(f * cm, g / cm, unit="THz", atoms=16)


def test_repr_and_signatures_say_what_things_are(tmp_path):
    f, g = smooth(400)
    text = repr(Dos(f, g))
    assert text.startswith("<Dos: 400 points in THz, 48 states, 16 atoms per cell, theta_inf ")
    assert text.endswith(" K, per mole of cells>")
    path = tmp_path / "total_dos.dat"
    np.savetxt(path, np.column_stack([f, g]))
    assert repr(Dos.from_file(path, per_atom=True)).startswith(f"<Dos from {path}: 400 points in THz")
    assert "per mole of atoms" in repr(Dos.from_file(path, per_atom=True))
    assert repr(Dos(f, g).thermal_properties([10.0, 20.0, 30.0])) == "<ThermalProperties at 3 temperatures (10 to 30 K)>"

    signature = inspect.signature(Dos)
    assert list(signature.parameters)[:3] == ["frequencies", "densities", "unit"]
    assert signature.parameters["cutoff_frequency"].default == 0.0
    assert signature.parameters["energies"].kind is inspect.Parameter.KEYWORD_ONLY
    t = inspect.signature(Dos.cv).parameters["t"]
    assert t.annotation is not inspect.Parameter.empty and "float" in str(t.annotation)
    assert inspect.signature(lattice_thermo.qha).parameters["eos"].default == "vinet"
    page = pydoc.render_doc(Dos, renderer=pydoc.plaintext)
    assert "helmholtz_free_energy(self, t: Union[float" in page
    assert "J/mol (as pymatgen's" in page and "object -> object" not in page
