#!/usr/bin/env python3
"""lattice_thermo against pymatgen's PhononDos, a peer library that computes
the same harmonic functions from a DOS. Skipped (exit 77) without pymatgen.
    thermo_pymatgen_test.py <lattice_thermo>
"""
import csv, io, math, os, subprocess, sys, tempfile

try:
    import numpy as np
    from pymatgen.phonon.dos import PhononDos
except ImportError:
    print("pymatgen is not installed (Debian: python3-pymatgen): comparison skipped")
    sys.exit(77)

program = sys.argv[1]
failures = 0

def check(name, mine, theirs, rel, absolute=0.0):
    global failures
    if not (abs(mine - theirs) <= rel * abs(theirs) + absolute):
        failures += 1
        if failures <= 20:
            print(f"FAIL {name}: lattice_thermo {mine!r}, pymatgen {theirs!r}")

with tempfile.TemporaryDirectory() as work:
    # A two-branch DOS in THz with a point at exactly zero, where pymatgen's
    # own entropy and energy would be NaN if that point took part.
    f = np.linspace(0.0, 9.0, 1801)
    g = 0.9 * f**2 * np.exp(-((f - 3.0) / 2.5) ** 2) + 2.0 * np.exp(-((f - 7.5) / 0.6) ** 2)
    path = os.path.join(work, "dos.dat")
    np.savetxt(path, np.column_stack([f, g]), fmt="%.17g", header="frequency (THz) dos")
    out = subprocess.run([program, "--csv", "--tmin", "10", "--tmax", "1000", path],
                         capture_output=True, text=True, check=True).stdout
    rows = list(csv.DictReader(io.StringIO(out)))
    # Both integrate over the points above zero: give pymatgen those alone.
    dos = PhononDos(f[1:], g[1:])
    compared = 0
    for row in rows:
        t = float(row["temperature"])
        for key in ("free_energy", "entropy", "heat_capacity", "energy", "debye_temperature"):
            if not math.isfinite(float(row[key])):
                failures += 1
                print(f"FAIL {key} at {t} K is {row[key]}")
        # pymatgen: J/mol and J/K/mol per cell.
        check(f"heat_capacity {t}", float(row["heat_capacity"]), dos.cv(t), 1e-8)
        check(f"entropy {t}", float(row["entropy"]), dos.entropy(t), 1e-8)
        check(f"energy {t}", float(row["energy"]), dos.internal_energy(t) / 1000.0, 1e-8, 1e-7)
        check(f"free_energy {t}", float(row["free_energy"]), dos.helmholtz_free_energy(t) / 1000.0, 1e-8, 1e-7)
        compared += 1
    print(f"compared {compared} temperatures, four functions each, with pymatgen: {failures} failures")
sys.exit(1 if failures or compared != 100 else 0)
