#!/usr/bin/env python3
"""lattice_thermo --qha on phonopy's own files against phonopy's QHA: EMT
copper at 11 volumes (ASE and phonopy, as tools/make_emt_example makes it,
in a 2x2x2 supercell and on a 12^3 mesh for speed), e-v.dat and a
thermal_properties.yaml per volume written by phonopy at 1-K steps.
phonopy's QHA is given the arrays its own reader takes from those files, its
fit tightened as in qha_phonopy_test.py. Checked:
  1. V, G and B_T within 1e-7, alpha within 1e-4 and Cp within 1e-3 (the
     files' 7 decimals of F, over 25 K^2, at 1000 K) of fourth-order
     differences over +-10 K of phonopy's V(T) and G(T) from 100 K, and
     bulk_modulus_prime against phonopy's fitted B0' within 1e-6;
  2. the same with an fe-v.dat of E(V) plus a thermal part, given to
     phonopy as its (temperatures, volumes) electronic energies;
  3. the 5 volumes from the 4th, whose lowest G at 0 K is the smallest
     volume's while the minimum lies between it and the next: rows as
     phonopy's on the same 5;
  4. --exclude-imaginary leaves out the volumes phonopy-qha's
     --exclude_imaginary does.
Skipped (exit 77) without phonopy, ASE or scipy.
    qha_dropin_phonopy_test.py <lattice_thermo> <tools/make_emt_example>
"""
import csv, io, math, os, subprocess, sys, tempfile

try:
    import numpy as np
    from phonopy.api_qha import PhonopyQHA
    from phonopy.file_IO import read_thermal_properties_yaml
    import ase  # noqa: F401 (make_emt_example's)
    sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
    from emt import load
    from tight_qha import tighten
except ImportError as e:
    print(f"phonopy, ASE or scipy is missing ({e}): comparison skipped")
    sys.exit(77)

program, tool = os.path.abspath(sys.argv[1]), sys.argv[2]
emt = load(tool)
failures = 0
largest = {}  # the largest relative difference of each quantity


def check(name, mine, theirs, rel, absolute=0.0):
    global failures
    what = name.split(" at ")[0]
    largest[what] = max(largest.get(what, 0.0), abs(mine - theirs) / abs(theirs))
    if not abs(mine - theirs) <= rel * abs(theirs) + absolute:
        failures += 1
        if failures <= 20:
            print(f"FAIL {name}: lattice_thermo {mine!r}, phonopy {theirs!r}")


def rows(args, cwd):
    out = subprocess.run([program, "--csv", *args], capture_output=True, text=True, cwd=cwd)
    if out.returncode != 0:
        sys.exit(f"lattice_thermo {' '.join(args)}: {out.stderr}")
    return [{k: float(v) for k, v in r.items()} for r in csv.DictReader(io.StringIO(out.stdout))], out.stderr


core = tighten()  # SI constants and a tight fit (tight_qha.py)


def compare(what, mine, qha, bprime=False):
    """mine's rows against phonopy's at each temperature both have."""
    by_t = {r["temperature"]: r for r in mine}
    v, g = qha.volume_temperature, qha.gibbs_temperature
    compared = 0
    for i, t in enumerate(qha._qha._temperatures[: len(qha.thermal_expansion)]):
        if t not in by_t:
            continue
        r = by_t[t]
        check(f"{what}: volume at {t} K", r["volume"], qha.volume_temperature[i], 1e-7)
        check(f"{what}: bulk modulus at {t} K", r["bulk_modulus"], qha.bulk_modulus_temperature[i], 1e-7)
        check(f"{what}: Gibbs energy at {t} K", r["gibbs_energy"], qha.gibbs_temperature[i] * core.EvTokJmol, 1e-7, 1e-6)
        if bprime:
            check(f"{what}: B0' at {t} K", r["bulk_modulus_prime"], qha._qha._equiv_parameters[i][2], 1e-6)
        if t >= 100 and i + 10 < len(g):
            # phonopy's differences on its own V(T) and G(T), fourth order
            # over +-5 and +-10 K: on the 1-K grid its Cp is noise, the
            # files' 7 decimals of F over 1 K^2 (0.03 J/K/mol at 500 K).
            d1 = lambda f: (-f[i + 10] + 8 * f[i + 5] - 8 * f[i - 5] + f[i - 10]) / 60.0
            d2 = lambda f: (-f[i + 10] + 16 * f[i + 5] - 30 * f[i] + 16 * f[i - 5] - f[i - 10]) / 300.0
            check(f"{what}: thermal expansion at {t} K", r["thermal_expansion"], d1(v) / v[i], 1e-4)
            check(f"{what}: Cp at {t} K", r["heat_capacity_p"], -t * d2(g) * core.EvTokJmol * 1000.0, 1e-3)
        compared += 1
    print(f"{what}: compared {compared} temperatures")
    return compared


with tempfile.TemporaryDirectory() as work:
    # 11 volumes, the 4th just below the minimum at 0 K (V/V(3.59 A) = 1.0077).
    scales = 1.0066 + 0.016 * (np.arange(11) - 3)
    volumes, energies, files = [], [], []
    for i, s in enumerate(scales):
        a = emt.LATTICE["Cu"] * s ** (1.0 / 3.0)
        prim = emt.bulk("Cu", "fcc", a=a)
        prim.calc = emt.EMT()
        volumes.append(prim.get_volume())
        energies.append(prim.get_potential_energy())
        ph = emt.phonons("Cu", a, 2)
        ph.run_mesh([12] * 3)
        ph.run_thermal_properties(t_min=0, t_max=1000, t_step=1)
        files.append(f"thermal_properties.yaml-{i + 1}")
        ph.write_yaml_thermal_properties(filename=os.path.join(work, files[-1]))
    emt.write_ev(os.path.join(work, "e-v.dat"), zip(volumes, energies))
    volumes, energies = np.loadtxt(os.path.join(work, "e-v.dat"), unpack=True)  # as written
    t, cv, entropy, fe, modes, integrated = read_thermal_properties_yaml([os.path.join(work, f) for f in files])
    t = np.array(t)

    # 1. The files as they are.
    mine, err = rows(["--qha", "e-v.dat", *files], work)
    qha = PhonopyQHA(volumes, energies, temperatures=t, free_energy=fe, cv=cv, entropy=entropy)
    n1 = compare("thermal_properties.yaml", mine, qha, bprime=True)

    # 2. fe-v.dat: E(V) plus a Sommerfeld-like term with N(E_F) growing with V,
    # and a T^4 term.
    kev = 1.380649e-23 / 1.602176634e-19
    nf = 0.3 + 0.05 * (volumes - volumes[0])
    fel = energies[None, :] - (math.pi ** 2 / 6) * kev ** 2 * nf[None, :] * t[:, None] ** 2 - 1e-15 * t[:, None] ** 4
    with open(os.path.join(work, "fe-v.dat"), "w") as f:
        f.write("# T, then the electronic free energy at each volume (eV)\n")
        for k, temp in enumerate(t):
            f.write(f"{temp:.1f} " + " ".join(f"{x:.12f}" for x in fel[k]) + "\n")
    fel = np.loadtxt(os.path.join(work, "fe-v.dat"))[:, 1:]  # as written
    mine_el, _ = rows(["--qha", "e-v.dat", "--efe", "fe-v.dat", *files], work)
    qha_el = PhonopyQHA(volumes, fel, temperatures=t, free_energy=fe, cv=cv, entropy=entropy)
    n2 = compare("fe-v.dat", mine_el, qha_el)

    # 3. The 4th to 8th volumes.
    narrow = slice(3, 8)
    with open(os.path.join(work, "e-v-narrow.dat"), "w") as f:
        f.writelines(f"{v:.8f} {e:.8f}\n" for v, e in zip(volumes[narrow], energies[narrow]))
    zp = (energies + fe[0] / core.EvTokJmol)[narrow]
    assert np.argmin(zp) == 0, "the narrow set's lowest G at 0 K is not its smallest volume"
    mine_n, _ = rows(["--qha", "e-v-narrow.dat", *files[narrow]], work)
    qha_n = PhonopyQHA(volumes[narrow], energies[narrow], temperatures=t, free_energy=fe[:, narrow],
                       cv=cv[:, narrow], entropy=entropy[:, narrow])
    n3 = compare("5 volumes", mine_n, qha_n)

    # 4. Two volumes with imaginary modes (num_integrated_modes short by 4
    # and by 3 of num_modes: phonopy drops the first only).
    for i, short in ((9, 4), (10, 3)):
        text = open(os.path.join(work, files[i])).read()
        text = text.replace(f"num_integrated_modes: {integrated[i]}", f"num_integrated_modes: {integrated[i] - short}")
        open(os.path.join(work, files[i]), "w").write(text)
    out = subprocess.run(["phonopy-qha", "--exclude_imaginary", "e-v.dat", *files], capture_output=True, text=True,
                         cwd=work)
    theirs = sorted(line.split()[1] for line in out.stdout.splitlines() if "has been excluded" in line)
    _, err = rows(["--qha", "e-v.dat", "--exclude-imaginary", "--tmax", "100", *files], work)
    ours = sorted(line.split(": ")[1] for line in err.splitlines() if "is left out (--exclude-imaginary)" in line)
    if ours != theirs or theirs != [files[9]]:
        failures += 1
        print(f"FAIL --exclude-imaginary: lattice_thermo leaves out {ours}, phonopy-qha {theirs}")

for what, d in largest.items():
    print(f"  {what}: largest relative difference {d:.1e}")
print(f"{failures} failures")
sys.exit(1 if failures or min(n1, n2) < 900 or n3 < 100 else 0)
