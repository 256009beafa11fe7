#!/usr/bin/env python3
"""lattice_thermo --displacements against phonopy's thermal displacement
matrices, on phonopy's own mesh.yaml with eigenvectors (the whole 12^3
mesh, as phonopy needs it) for EMT copper (one atom) and Cu3Au (two
elements, four atoms; tools/make_emt_example), at 10 ... 1000 K:
  1. each u_ab and <|u|^2> within 3e-5 of phonopy as shipped, which
     computes with older constants (CODATA-1986's electron volt and atomic
     mass unit, some 1e-6 from the SI's), the off-diagonal u_ab (zero by
     symmetry, 1e-18 of rounding) within 3e-5 of the atom's <|u|^2>;
  2. the same within 1e-9 of phonopy's own sums with the SI constants set in
     its module (the mesh.yaml's 10 decimals of frequency bound this);
  3. Cu3Au's projected_dos.dat (phonopy's tetrahedron DOS of the same mesh)
     with --masses within 5 % of the exact route from 100 K;
  4. the Lamb-Mossbauer factor of the CSV against exp(-k^2 <|u|^2> / 3) with
     k from the SI constants, and heavier atoms moving less: Au than Cu at
     300 K.
Prints the largest differences found. Skipped (exit 77) without phonopy or
ASE.
    displacements_phonopy_test.py <lattice_thermo> <tools/make_emt_example>
"""
import csv, io, math, os, subprocess, sys, tempfile

try:
    import numpy as np
    import phonopy.phonon.thermal_displacement as td
    import ase  # noqa: F401 (make_emt_example's)
    sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
    from emt import load
except ImportError as e:
    print(f"phonopy or ASE is missing ({e}): comparison skipped")
    sys.exit(77)

program, tool = os.path.abspath(sys.argv[1]), sys.argv[2]
emt = load(tool)

H, E, AMU, KB, C = 6.62607015e-34, 1.602176634e-19, 1.66053906660e-27, 1.380649e-23, 299792458.0
SI = {"Hbar": H / (2 * math.pi) / E, "EV": E, "Angstrom": 1e-10, "AMU": AMU, "Kb": KB / E, "THzToEv": H * 1e12 / E}
T = np.arange(10.0, 1001.0, 10.0)
failures = 0
largest = {}


def check(name, mine, theirs, rel, scale=None):
    global failures
    scale = abs(theirs) if scale is None else scale
    largest[name] = max(largest.get(name, 0.0), abs(mine - theirs) / scale)
    if not abs(mine - theirs) <= rel * scale:
        failures += 1
        if failures <= 20:
            print(f"FAIL {name}: lattice_thermo {mine!r}, phonopy {theirs!r}")


def rows(*args):
    out = subprocess.run([program, "--displacements", "--csv", *args], capture_output=True, text=True)
    if out.returncode != 0:
        sys.exit(f"lattice_thermo {' '.join(args)}: {out.stderr}")
    return [{k: (v if k == "element" else float(v)) for k, v in r.items()} for r in csv.DictReader(io.StringIO(out.stdout))]


def matrices(ph, constants):
    """phonopy's thermal displacement matrices at T with these constants in
    its module: (temperatures, atoms, 3, 3), A^2."""
    shipped = {name: getattr(td, name) for name in constants}
    for name, value in constants.items():
        setattr(td, name, value)
    try:
        ph.run_thermal_displacement_matrices(temperatures=T)
        return ph.thermal_displacement_matrices.thermal_displacement_matrices
    finally:
        for name, value in shipped.items():
            setattr(td, name, value)


pairs = {"u_xx": (0, 0), "u_yy": (1, 1), "u_zz": (2, 2), "u_yz": (1, 2), "u_xz": (0, 2), "u_xy": (0, 1)}
with tempfile.TemporaryDirectory() as work:
    for name, ph in (("Cu", emt.phonons("Cu", 3.59)), ("Cu3Au", emt.cu3au())):
        os.chdir(work)  # phonopy writes mesh.yaml where it runs
        ph.run_mesh([12, 12, 12], with_eigenvectors=True, is_mesh_symmetry=False)
        ph.write_yaml_mesh()
        mine = rows("--temperatures", ",".join(f"{t:g}" for t in T), "mesh.yaml")
        atoms = len(ph.primitive.masses)
        for what, constants, rel in (("shipped", {}, 3e-5), ("SI", SI, 1e-9)):
            theirs = matrices(ph, constants)
            for r in mine:
                i, j = int(round(r["temperature"] / 10.0)) - 1, int(r["atom"]) - 1
                u = theirs[i, j]
                check(f"{name} <|u|^2> ({what})", r["mean_square_displacement"], np.trace(u), rel)
                for column, (a, b) in pairs.items():
                    diagonal = a == b
                    check(f"{name} {'u_aa' if diagonal else 'u_ab, a != b'} ({what})", r[column], u[a, b], rel,
                          None if diagonal else np.trace(u))
        if name == "Cu3Au":
            # 3. The projected DOS of the same mesh against the exact route.
            ph.run_projected_dos()
            ph.write_projected_dos(filename="projected_dos.dat")
            masses = ",".join(f"{m:.6f}" for m in ph.primitive.masses)
            pdos = rows("--temperatures", "100,200,300,500,700,1000", "--masses", masses, "projected_dos.dat")
            exact = {(r["temperature"], r["atom"]): r for r in mine}
            for r in pdos:
                check("Cu3Au projected DOS against the exact route", r["mean_square_displacement"],
                      exact[(r["temperature"], r["atom"])]["mean_square_displacement"], 0.05)
            # 4. Lamb-Mossbauer from the CSV's own <|u|^2>; Au against Cu.
            k = 14.4125e3 * E / (H / (2 * math.pi) * C) * 1e-10
            for r in rows("--temperatures", "300", "--mossbauer-energy", "14.4125", "mesh.yaml"):
                check("Lamb-Mossbauer factor", r["lamb_mossbauer"], math.exp(-k * k * r["mean_square_displacement"] / 3),
                      1e-13)
            at300 = {r["element"]: r["mean_square_displacement"] for r in mine if r["temperature"] == 300.0}
            if not at300["Au"] < at300["Cu"]:
                failures += 1
                print(f"FAIL Au moves more than Cu at 300 K: {at300}")

for name, value in sorted(largest.items()):
    print(f"largest relative difference, {name}: {value:.2e}")
print(f"lattice_thermo --displacements against phonopy: {failures} failures")
sys.exit(1 if failures else 0)
