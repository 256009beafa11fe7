#!/usr/bin/env python3
"""lattice_thermo --transitions against phonopy's QHA, run on each phase at
pressures that bracket the transition. The phases: fcc copper (the example,
one atom a cell) and a made-up denser phase, hcp copper's data (two atoms a
cell, --formula-units 2) with every volume 3 % smaller and 10 meV per atom
higher; DOS files normalized. phonopy is given the F, S and Cv that
lattice_thermo computes from those DOS files, so that only the
quasi-harmonic step is compared, with its fit tightened and its constants
the SI values (tight_qha.py). At each temperature:
  - G per formula unit of each phase at both pressures within 1e-7
    relative of phonopy's;
  - p_t within the error of the linear interpolation of phonopy's G_B - G_A
    between the two pressures, h^2/8 |d2dG/dp2| / |d dG/dp| (twice that,
    and 1e-9 GPa), from the rows' V and B_T.
Skipped (exit 77) without phonopy or scipy.
    phases_phonopy_test.py <lattice_thermo> <examples>
"""
import csv, io, os, subprocess, sys, tempfile

try:
    import numpy as np
    from phonopy.api_qha import PhonopyQHA
    sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
    from tight_qha import tighten
except ImportError as e:
    print(f"phonopy or scipy is missing ({e}): comparison skipped")
    sys.exit(77)

program, examples = os.path.abspath(sys.argv[1]), os.path.abspath(sys.argv[2])
core = tighten()
failures = 0
worst = {}


def check(name, ok, text):
    global failures
    if not ok:
        failures += 1
        if failures <= 20:
            print(f"FAIL {name}: {text}")


def run(args):
    out = subprocess.run([program, "--csv", "--normalize", *args], capture_output=True, text=True)
    if out.returncode != 0:
        sys.exit(f"lattice_thermo {' '.join(args)}: {out.stderr}")
    return list(csv.DictReader(io.StringIO(out.stdout)))


with tempfile.TemporaryDirectory() as work:
    fcc = os.path.join(examples, "cu_emt")
    hcp = os.path.join(examples, "cu_hcp_emt")
    v, e = np.loadtxt(os.path.join(hcp, "e-v.dat"), unpack=True)
    dense = os.path.join(work, "e-v.dat")
    np.savetxt(dense, np.column_stack([0.97 * v, e + 0.02]), fmt="%.17g")
    doses = {name: [os.path.join(folder, f"v{i:02d}", "total_dos.dat") for i in range(1, 12)]
             for name, folder in (("fcc", fcc), ("dense", hcp))}
    evs = {"fcc": os.path.join(fcc, "e-v.dat"), "dense": dense}
    units = {"fcc": 1, "dense": 2}
    phases = ["--qha", evs["fcc"], *doses["fcc"], "--qha", evs["dense"], *doses["dense"], "--phase-names", "fcc,dense",
              "--formula-units", "1,2"]
    temps = [0.0, 100.0, 300.0, 600.0, 900.0]
    window = 5  # phonopy fits each temperature and those beside it
    grid = ["--tmin", "0", "--tmax", str(max(temps) + window), "--tstep", "1"]
    harmonic = {name: [run(grid + [d]) for d in doses[name]] for name in doses}
    transitions = {float(r["temperature"]): float(r["pressure"])
                   for r in run(phases + ["--temperatures", ",".join(map(str, temps)), "--transitions", "0,10"])}
    check("rows", len(transitions) == len(temps), f"{len(transitions)} transitions for {len(temps)} temperatures")
    h = 0.1  # GPa
    for t, pt in transitions.items():
        lo = np.floor(pt / h) * h
        pressures = [lo, lo + h]
        rows = run(phases + ["--temperatures", str(t), "--pressure", ",".join(repr(p) for p in pressures)])
        mine = {(r["phase"], float(r["pressure"])): r for r in rows}
        theirs = {}
        for name in ("fcc", "dense"):
            volumes, energies = np.loadtxt(evs[name], unpack=True)
            k = int(t)
            at = lambda key: np.array([[float(h_[j][key]) for h_ in harmonic[name]] for j in range(k, k + window)])
            for p in pressures:
                qha = PhonopyQHA(volumes, energies, temperatures=np.arange(t, t + window), free_energy=at("free_energy"),
                                 cv=at("heat_capacity"), entropy=at("entropy"), pressure=p, eos="vinet")
                g = qha.gibbs_temperature[0] * core.EvTokJmol / units[name]
                theirs[name, p] = g
                ours = float(mine[name, p]["gibbs_energy"])
                rel = abs(ours - g) / abs(g)
                worst["G"] = max(worst.get("G", 0.0), rel)
                check(f"G of {name} at {t} K and {p:.4g} GPa", rel <= 1e-7, f"lattice_thermo {ours!r}, phonopy {g!r}")
        d = [theirs["dense", p] - theirs["fcc", p] for p in pressures]
        linear = pressures[0] - d[0] * h / (d[1] - d[0])
        # The interpolation's error: h^2/8 times dG''/dG', from the rows'
        # V and B_T (dV/dp = -V/B_T).
        rate = lambda name, key: float(mine[name, pressures[0]][key])
        second = -(rate("dense", "volume") / rate("dense", "bulk_modulus") - rate("fcc", "volume") / rate("fcc", "bulk_modulus"))
        first = rate("dense", "volume") - rate("fcc", "volume")
        bound = 2.0 * h * h / 8.0 * abs(second / first) + 1e-9
        worst["p_t / bound"] = max(worst.get("p_t / bound", 0.0), abs(pt - linear) / bound)
        worst["p_t"] = max(worst.get("p_t", 0.0), abs(pt - linear))
        check(f"p_t at {t} K", abs(pt - linear) <= bound,
              f"lattice_thermo {pt!r}, phonopy's interpolation {linear!r} (bound {bound:.3g} GPa)")
print(f"{len(transitions)} temperatures against phonopy's QHA: G within {worst.get('G', 0):.2g} relative, p_t within "
      f"{worst.get('p_t', 0):.2g} GPa of phonopy's interpolation, {worst.get('p_t / bound', 0):.2g} of its error's bound; "
      f"{failures} failures")
sys.exit(1 if failures else 0)
