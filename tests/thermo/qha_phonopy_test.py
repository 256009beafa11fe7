#!/usr/bin/env python3
"""lattice_thermo --qha against phonopy's QHA on the same data: the copper
example (E(V) and a DOS at 11 volumes, made with ASE's EMT and phonopy).
phonopy is given the F, S and Cv that lattice_thermo computes from those
DOS files on a 1-K grid, so that only the quasi-harmonic step is compared.
Its fit is tightened (an exact Jacobian by the complex step, tolerances of
1e-15) and its unit constants set to the SI values this program uses, as
its shipped ones are too loose and too old for a reference. Then V and B_T
must agree within 1e-7 relative, G within 1e-6 kJ/mol, and alpha and Cp
(phonopy's central differences on the 1-K grid) within 1e-3 from 100 K.
Skipped (exit 77) without phonopy or scipy.
    qha_phonopy_test.py <lattice_thermo> <examples/cu_emt> [eos]
"""
import csv, io, os, subprocess, sys

try:
    import numpy as np
    from phonopy.api_qha import PhonopyQHA
    sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
    from tight_qha import tighten
    from phonopy.qha.eos import get_eos
except ImportError as e:
    print(f"phonopy or scipy is missing ({e}): comparison skipped")
    sys.exit(77)

program, example = os.path.abspath(sys.argv[1]), sys.argv[2]
eos = sys.argv[3] if len(sys.argv) > 3 else "vinet"
failures = 0

def check(name, mine, theirs, rel, absolute=0.0):
    global failures
    if not abs(mine - theirs) <= rel * abs(theirs) + absolute:
        failures += 1
        if failures <= 20:
            print(f"FAIL {name}: lattice_thermo {mine!r}, phonopy {theirs!r}")

def rows(args):
    out = subprocess.run([program, "--csv", *args], capture_output=True, text=True, cwd=example)
    if out.returncode != 0:
        sys.exit(f"lattice_thermo {' '.join(args)}: {out.stderr}")
    return [{k: float(v) for k, v in r.items()} for r in csv.DictReader(io.StringIO(out.stdout))]

core = tighten()

volumes, energies = np.loadtxt(os.path.join(example, "e-v.dat"), unpack=True)
doses = [f"v{i:02d}/total_dos.dat" for i in range(1, len(volumes) + 1)]
grid = ["--tmin", "0", "--tmax", "1000", "--tstep", "1"]
harmonic = [rows(grid + [d]) for d in doses]
temperatures = np.array([r["temperature"] for r in harmonic[0]])
field = lambda key: np.array([[r[key] for r in h] for h in harmonic]).T  # (temperatures, volumes)
qha = PhonopyQHA(volumes, energies, temperatures=temperatures, free_energy=field("free_energy"),
                 cv=field("heat_capacity"), entropy=field("entropy"), eos=eos)
theirs_t = qha._qha._temperatures  # the temperatures phonopy fitted
mine = rows(["--qha", "e-v.dat", "--eos", eos] + grid + doses)
by_t = {r["temperature"]: r for r in mine}
compared = 0
for i, t in enumerate(theirs_t[: len(qha.thermal_expansion)]):
    if t not in by_t:
        continue
    r = by_t[t]
    check(f"volume at {t} K", r["volume"], qha.volume_temperature[i], 1e-7)
    check(f"bulk modulus at {t} K", r["bulk_modulus"], qha.bulk_modulus_temperature[i], 1e-7)
    check(f"Gibbs energy at {t} K", r["gibbs_energy"], qha.gibbs_temperature[i] * core.EvTokJmol, 0, 1e-6)
    if t >= 100:
        check(f"thermal expansion at {t} K", r["thermal_expansion"], qha.thermal_expansion[i], 1e-3)
        check(f"Cp at {t} K", r["heat_capacity_p"], qha.heat_capacity_P_numerical[i], 1e-3)
    compared += 1
print(f"compared {compared} temperatures ({eos}) with phonopy's QHA: {failures} failures")
sys.exit(1 if failures or compared < 900 else 0)
