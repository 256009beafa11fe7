"""What the side-by-side comparisons (tools/compare_pymatgen,
tools/compare_phonopy_qha) print beside each figure: the processor, its vector
extensions and the load; and the timing of a whole process as a user runs
it (standard output to /dev/null), with its user and system time, page
faults and peak memory."""
import os, subprocess, time

# The extensions lattice_thermo's kernels choose between at run time, and
# those the peers' numpy may use.
EXTENSIONS = ("sse4_2", "avx", "avx2", "fma", "avx512f", "avx512dq", "avx512vl")


def processor():
    model, flags = "unknown processor", set()
    try:
        with open("/proc/cpuinfo") as f:
            for line in f:
                key, _, value = line.partition(":")
                if key.strip() == "model name" and model == "unknown processor":
                    model = value.strip()
                elif key.strip() == "flags" and not flags:
                    flags = set(value.split())
    except OSError:
        pass
    vector = " ".join(x for x in EXTENSIONS if x in flags) or "none found"
    return f"processor: {model}, {os.cpu_count()} logical cores; vector extensions: {vector}"


def load():
    return "load average %.2f %.2f %.2f" % os.getloadavg()


def whole(cmd):
    """One run of cmd: (wall s, user s, system s, minor page faults)."""
    start = time.perf_counter()
    child = subprocess.Popen(cmd, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    _, status, usage = os.wait4(child.pid, 0)
    wall = time.perf_counter() - start
    child.returncode = os.waitstatus_to_exitcode(status)
    if child.returncode != 0:
        raise SystemExit(f"{' '.join(cmd[:3])} ... exited with {child.returncode}")
    return wall, usage.ru_utime, usage.ru_stime, usage.ru_minflt


def peakrss(cmd):
    """cmd's peak resident memory as GNU time tells it (the child's own
    rusage counts the memory of the Python it was forked from)."""
    if not os.path.exists("/usr/bin/time"):
        return "(no /usr/bin/time)"
    out = subprocess.run(["/usr/bin/time", "-f", "%M"] + cmd, stdout=subprocess.DEVNULL, stderr=subprocess.PIPE,
                         text=True)
    return f"{out.stderr.strip().splitlines()[-1]} KiB"


def bestprocess(cmd, repeat=3):
    """The best of `repeat` whole runs, and a line that says all of them."""
    runs = [whole(cmd) for _ in range(repeat)]
    wall, user, system, faults = min(runs)
    said = (f"{wall:.4f} s (runs {' '.join(f'{r[0]:.4f}' for r in runs)}; the best: user {user:.4f} s, "
            f"system {system:.4f} s, {faults} page faults; peak RSS {peakrss(cmd)})")
    return wall, said


def bestcall(fn, repeat=3):
    """The best of `repeat` calls of fn in this process, and a line that says all of them."""
    times = []
    for _ in range(repeat):
        start = time.perf_counter()
        fn()
        times.append(time.perf_counter() - start)
    return min(times), f"{min(times):.4f} s (runs {' '.join(f'{t:.4f}' for t in times)})"
