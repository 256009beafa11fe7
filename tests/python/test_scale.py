"""docs/scale.md's worked example, as written there, on 20 files and a
local Dask cluster of 2 workers: it runs, and the cluster gives the plain
loop's numbers (the example checks them)."""
import os
import re
import subprocess
import sys

import pytest

import lattice_thermo

DOCS = os.path.join(os.path.dirname(os.path.abspath(__file__)), os.pardir, os.pardir, "docs")


def test_the_dask_example(tmp_path):
    pytest.importorskip("dask.distributed")
    with open(os.path.join(DOCS, "scale.md")) as f:
        blocks = re.findall(r"^```python\n(.*?)^```$", f.read(), re.S | re.M)
    assert len(blocks) == 1
    script = tmp_path / "scale.py"
    script.write_text(blocks[0])
    # The workers import the module this test imports.
    package = os.path.dirname(os.path.dirname(os.path.abspath(lattice_thermo.__file__)))
    env = dict(os.environ, PYTHONPATH=os.pathsep.join([package] + [p for p in [os.environ.get("PYTHONPATH")] if p]))
    run = subprocess.run([sys.executable, str(script), "20", "2"], capture_output=True, text=True, cwd=tmp_path,
                         env=env)
    assert run.returncode == 0, run.stderr
    assert re.fullmatch(r"20 files: a plain loop .* Dask, 2 workers: .* the same numbers\n", run.stdout), run.stdout
