#!/usr/bin/env python3
"""lattice_thermo on phonopy's own output, made here for Cu3Au with ASE's EMT
potential: mesh.yaml against the mode sums with SI constants (1e-9) and
against phonopy's thermal_properties.yaml (3e-5, as phonopy computes with
CODATA-2006 constants), with and without a cutoff; --sum-columns on
projected_dos.dat against total_dos.dat; --yaml read back by phonopy's own
reader. Skipped (exit 77) without phonopy, ASE or numpy.
    phonopy_test.py <lattice_thermo> <tools/make_emt_example>
"""
import csv, io, os, subprocess, sys, tempfile

try:
    import numpy as np
    import yaml
    import ase  # noqa: F401 (make_emt_example's)
    sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
    from emt import load
    from phonopy.file_IO import read_thermal_properties_yaml
except ImportError as e:
    print(f"phonopy, ASE or numpy is missing ({e}): comparison skipped")
    sys.exit(77)

program, tool = sys.argv[1], sys.argv[2]
emt = load(tool)
failures = 0

def check(name, mine, theirs, rel, absolute=0.0):
    global failures
    if not abs(mine - theirs) <= rel * abs(theirs) + absolute:
        failures += 1
        if failures <= 20:
            print(f"FAIL {name}: lattice_thermo {mine!r}, expected {theirs!r}")

def run(*args):
    out = subprocess.run([program, *args], capture_output=True, text=True)
    if out.returncode != 0:
        print(out.stderr)
        raise SystemExit(f"lattice_thermo {' '.join(args)} exits {out.returncode}")
    return out

def rows(text):
    return [{k: float(v) for k, v in r.items()} for r in csv.DictReader(io.StringIO(text))]

# Cu3Au (L1_2), forces from EMT on a 2x2x2 supercell.
ph = emt.cu3au()

with tempfile.TemporaryDirectory() as work:
    path = lambda name: os.path.join(work, name)
    ph.run_mesh([12, 12, 12])
    os.chdir(work)  # phonopy writes mesh.yaml where it runs
    ph.write_yaml_mesh()
    frequencies, weights = ph.mesh.frequencies, ph.mesh.weights
    for cutoff, name in ((None, "tp.yaml"), (1.0, "tp_cut.yaml")):
        ph.run_thermal_properties(t_min=0, t_max=1000, t_step=10, cutoff_frequency=cutoff)
        ph.write_yaml_thermal_properties(filename=path(name))
    # The total and the projected DOS of one run.
    ph.run_mesh([12, 12, 12], with_eigenvectors=True, is_mesh_symmetry=False)
    ph.run_total_dos()
    ph.write_total_dos(filename=path("total_dos.dat"))
    ph.run_projected_dos()
    ph.write_projected_dos(filename=path("projected_dos.dat"))

    # 1. mesh.yaml: the mode sums with SI constants, in the test.
    h, kb, na, thz = 6.62607015e-34, 1.380649e-23, 6.02214076e23, 1e12
    mine = rows(run("--csv", "--tmin", "10", "--tmax", "1000", "--tstep", "10", path("mesh.yaml")).stdout)
    for row in mine:
        t = row["temperature"]
        e = frequencies[frequencies > 0] * h * thz
        w = np.broadcast_to(weights[:, None], frequencies.shape)[frequencies > 0] / weights.sum()
        x = e / (kb * t)
        n = 1 / np.expm1(x)
        cv = np.sum(w * kb * x**2 * np.exp(x) * n**2) * na
        s = np.sum(w * kb * (x * n - np.log1p(-np.exp(-x)))) * na
        u = np.sum(w * e * (0.5 + n)) * na / 1000
        f = np.sum(w * (e / 2 + kb * t * np.log1p(-np.exp(-x)))) * na / 1000
        for key, value in (("heat_capacity", cv), ("entropy", s), ("energy", u), ("free_energy", f)):
            check(f"mesh {key} at {t} K, SI sums", row[key], value, 1e-9, 1e-12)

    # 2. phonopy's own thermal_properties.yaml, with and without a cutoff.
    for name, extra in (("tp.yaml", []), ("tp_cut.yaml", ["--cutoff-frequency", "1"])):
        theirs = yaml.safe_load(open(path(name)))["thermal_properties"]
        mine = rows(run("--csv", *extra, path("mesh.yaml")).stdout)
        scale = max(abs(r["free_energy"]) for r in theirs)
        for a, b in zip(mine, theirs):
            for key in ("free_energy", "entropy", "heat_capacity", "energy"):
                # phonopy writes 7 decimals; F crosses zero, so it is held
                # to 3e-5 of its largest value there.
                floor = 3e-5 * scale if key == "free_energy" else 1e-6
                check(f"{name} {key} at {b['temperature']} K", a[key], b[key], 3e-5, floor)

    # 3. The projected DOS summed is the total DOS, to the files' 10 decimals.
    total = rows(run("--csv", path("total_dos.dat")).stdout)
    summed = run("--csv", "--sum-columns", path("projected_dos.dat"))
    plain = run("--csv", path("projected_dos.dat"))
    if "--sum-columns" not in plain.stderr:
        failures += 1
        print(f"FAIL no warning on projected_dos.dat: {plain.stderr}")
    for a, b in zip(rows(summed.stdout), total):
        for key in ("free_energy", "entropy", "heat_capacity", "energy"):
            check(f"projected sum {key} at {b['temperature']} K", a[key], b[key], 1e-7, 1e-9)

    # 4. --yaml, read by phonopy's reader.
    with open(path("mine.yaml"), "w") as f:
        f.write(run("--yaml", path("mesh.yaml")).stdout)
    temps, cv, entropy, fe, modes, integrated = read_thermal_properties_yaml([path("mine.yaml")])
    mine = rows(run("--csv", path("mesh.yaml")).stdout)
    if len(temps) != len(mine) or modes != [20736] or integrated != [20736]:
        failures += 1
        print(f"FAIL --yaml read back: {len(temps)} temperatures, modes {modes} {integrated}")
    for i, r in enumerate(mine):
        for key, value in (("temperature", temps[i]), ("heat_capacity", cv[i][0]), ("entropy", entropy[i][0]),
                           ("free_energy", fe[i][0])):
            if r[key] != value:
                failures += 1
                print(f"FAIL --yaml {key} at {r['temperature']} K: {value!r}, CSV {r[key]!r}")

print(f"lattice_thermo on phonopy's output: {failures} failures")
sys.exit(1 if failures else 0)
