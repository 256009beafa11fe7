#!/usr/bin/env python3
"""lattice_thermo --qha --error-bars against an independent reference
(error_bars_reference.py: scipy's fits, finite differences in T of the data's
own Taylor polynomial, the equations of state written afresh) on files read
by phonopy's own readers, every _err_data, _err_model and _err column within
1e-3 relative:
  1. EMT copper (ASE and phonopy as tools/make_emt_example makes it, in a
     2x2x2 supercell on a 12^3 mesh for speed): e-v.dat and phonopy's
     thermal_properties.yaml at 11 volumes, at 0 and 3 GPa;
  2. the same with an fe-v.dat (E(V) plus a thermal part growing with V);
  3. EMT aluminium, --eos birch_murnaghan;
  4. examples/cu_emt's DOS files, and examples/cu_hcp_emt's (hcp copper, two
     atoms a cell) with --formula-units 2 (the reference given
     lattice_thermo's harmonic F, S and Cv of each, so that only the error
     bars are compared);
  5. --transitions between examples/cu_emt and a made-up denser phase (hcp
     copper's data, 3 % smaller, 10 meV per atom higher): p_t and dp/dT.
Skipped (exit 77) without phonopy, ASE or scipy.
    error_bars_phonopy_test.py <lattice_thermo> <tools/make_emt_example> <examples>
"""
import csv, io, math, os, subprocess, sys, tempfile

try:
    import numpy as np
    from phonopy.file_IO import read_efe, read_thermal_properties_yaml, read_v_e
    import ase  # noqa: F401 (make_emt_example's)
    sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
    import error_bars_reference as ref
    from emt import load
except ImportError as e:
    print(f"phonopy, ASE or scipy is missing ({e}): comparison skipped")
    sys.exit(77)

program, tool, examples = os.path.abspath(sys.argv[1]), sys.argv[2], os.path.abspath(sys.argv[3])
emt = load(tool)
TEMPERATURES = [0.0, 10.0, 100.0, 300.0, 600.0, 900.0]
failures = compared = 0
largest = 0.0


def check(what, mine, theirs):
    global failures, compared, largest
    compared += 1
    if theirs != 0.0:
        largest = max(largest, abs(mine - theirs) / abs(theirs))
    if not abs(mine - theirs) <= 1e-3 * abs(theirs) + 1e-300:
        failures += 1
        if failures <= 20:
            print(f"FAIL {what}: lattice_thermo {mine!r}, reference {theirs!r}")


def run(args, cwd=None):
    out = subprocess.run([program, "--csv", "--error-bars", *args], capture_output=True, text=True, cwd=cwd)
    if out.returncode != 0:
        sys.exit(f"lattice_thermo {' '.join(args)}: {out.stderr}")
    return list(csv.DictReader(io.StringIO(out.stdout)))


def compare(what, rows, phase, form="vinet", units=1.0):
    for r in rows:
        t, p = float(r["temperature"]), float(r.get("pressure", 0.0))
        theirs = ref.row_error_bars(phase, t, form, p, units)
        for q in ref.QUANTITIES:
            for k, part in ((1, "_err_data"), (2, "_err_model"), (3, "_err")):
                check(f"{what}: {q}{part} at {t} K and {p} GPa", float(r[q + part]), theirs[q][k])


def yamlset(work, name, element):
    """e-v.dat and thermal_properties.yaml-N made with phonopy."""
    os.makedirs(os.path.join(work, name))
    rows, files = [], []
    for i, (a, volume, energy) in enumerate(emt.volumes(element, 11), 1):
        rows.append((volume, energy))
        ph = emt.phonons(element, a, 2)
        ph.run_mesh([12] * 3)
        ph.run_thermal_properties(t_min=0, t_max=1000, t_step=10)
        files.append(os.path.join(work, name, f"thermal_properties.yaml-{i}"))
        ph.write_yaml_thermal_properties(filename=files[-1])
    ev = os.path.join(work, name, "e-v.dat")
    emt.write_ev(ev, rows)
    return ev, files


def phaseof(ev, files, efe=None):
    volumes, energies = read_v_e(ev)
    t, cv, entropy, fe, _, _ = read_thermal_properties_yaml(files)
    electrons = read_efe(efe)[1] if efe else None
    return ref.Phase(volumes, energies, t, fe, entropy, cv, electrons)


grid = ["--temperatures", ",".join(f"{t:g}" for t in TEMPERATURES)]
with tempfile.TemporaryDirectory() as work:
    # 1. and 2. Copper, with and without fe-v.dat, at two pressures.
    ev, files = yamlset(work, "cu", "Cu")
    compare("Cu", run(["--qha", ev, *files, "--pressure", "0,3", *grid]), phaseof(ev, files))
    volumes, energies = read_v_e(ev)
    t = np.arange(0.0, 1001.0, 10.0)
    kev = 1.380649e-23 / 1.602176634e-19
    nf = 0.3 + 0.05 * (volumes - volumes[0])
    efe = os.path.join(work, "cu", "fe-v.dat")
    with open(efe, "w") as f:
        f.write("# T, then the electrons' free energy at each volume (eV)\n")
        for temp in t:
            fel = energies - (math.pi ** 2 / 6) * kev ** 2 * nf * temp ** 2 - 1e-15 * temp ** 4
            f.write(f"{temp:.1f} " + " ".join(f"{x:.12f}" for x in fel) + "\n")
    compare("Cu with fe-v.dat", run(["--qha", ev, "--efe", efe, *files, "--pressure", "0,3", *grid]),
            phaseof(ev, files, efe))
    # 3. Aluminium, Birch-Murnaghan.
    ev, files = yamlset(work, "al", "Al")
    compare("Al", run(["--qha", ev, *files, "--eos", "birch_murnaghan", *grid]), phaseof(ev, files),
            "birch_murnaghan")


# 4. and 5. The examples' DOS files: the reference takes lattice_thermo's own
# harmonic F, S and Cv of each.
def dosphase(ev, folder, temps):
    doses = [os.path.join(folder, f"v{i:02d}", "total_dos.dat") for i in range(1, 12)]
    harmonic = []
    for d in doses:
        out = subprocess.run([program, "--csv", "--normalize", "--temperatures", ",".join(f"{x:g}" for x in temps), d],
                             capture_output=True, text=True, check=True)
        harmonic.append(list(csv.DictReader(io.StringIO(out.stdout))))
    field = lambda key: np.array([[float(r[key]) for r in h] for h in harmonic]).T
    volumes, energies = read_v_e(ev)
    return ref.Phase(volumes, energies, temps, field("free_energy"), field("entropy"), field("heat_capacity")), doses


cu_ev = os.path.join(examples, "cu_emt", "e-v.dat")
cu, cu_doses = dosphase(cu_ev, os.path.join(examples, "cu_emt"), TEMPERATURES)
compare("examples/cu_emt", run(["--qha", cu_ev, "--normalize", *cu_doses, "--pressure", "0,5", *grid]), cu)
hcp_ev = os.path.join(examples, "cu_hcp_emt", "e-v.dat")
hcp_phase, hcp_doses = dosphase(hcp_ev, os.path.join(examples, "cu_hcp_emt"), TEMPERATURES)
compare("examples/cu_hcp_emt", run(["--qha", hcp_ev, "--normalize", "--formula-units", "2", *hcp_doses, *grid]),
        hcp_phase, units=2.0)
with tempfile.TemporaryDirectory() as work:
    hcp = os.path.join(examples, "cu_hcp_emt")
    v, e = read_v_e(os.path.join(hcp, "e-v.dat"))
    dense_ev = os.path.join(work, "e-v.dat")
    np.savetxt(dense_ev, np.column_stack([0.97 * v, e + 0.02]), fmt="%.17g")
    temps = [300.0, 900.0]
    cu2, _ = dosphase(cu_ev, os.path.join(examples, "cu_emt"), temps)
    dense, dense_doses = dosphase(dense_ev, hcp, temps)
    rows = run(["--qha", cu_ev, *cu_doses, "--qha", dense_ev, *dense_doses, "--formula-units", "1,2", "--normalize",
                "--temperatures", "300,900", "--transitions", "0,10"])
    if len(rows) != 2:
        failures += 1
        print(f"FAIL transitions: {len(rows)} rows, not 2")
    for r in rows:
        t = float(r["temperature"])
        theirs = ref.transition_error_bars(cu2, dense, t, float(r["pressure"]), units=(1.0, 2.0))
        for q in ("pressure", "clapeyron_slope"):
            for k, part in ((1, "_err_data"), (2, "_err_model"), (3, "_err")):
                check(f"transitions: {q}{part} at {t} K", float(r[q + part]), theirs[q][k])

print(f"compared {compared} error bars with the reference: largest relative difference {largest:.1e}, "
      f"{failures} failures")
sys.exit(1 if failures or compared < 500 else 0)
