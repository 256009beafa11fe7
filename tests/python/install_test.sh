#!/bin/sh
# The module installed as a Python user installs it, offline: a fresh virtual
# environment that sees Debian's packages, `pip install --no-build-isolation
# --no-index` of a copy of the source tree, then the README's Python example
# run in it on phonopy's total_dos.dat of the copper example.
#   install_test.sh <python3> <source dir>
set -u
python=$1
src=$2
. "$(dirname "$0")/../scripttest.sh"

mkdir "$work/src" "$work/run"
tar -C "$src" --exclude=./build --exclude=./.git -cf - . | tar -C "$work/src" -xf -
"$python" -m venv --system-site-packages "$work/venv" || { fail "no venv"; exit 1; }
if ! "$work/venv/bin/pip" install --no-build-isolation --no-index "$work/src" >"$work/pip.log" 2>&1; then
  tail -n 30 "$work/pip.log" >&2
  fail "pip install failed"
  exit 1
fi
# The README's example, as it stands there: the first python block after
# its Python heading.
awk '/^## The Python module/ { on = 1 } on && /^```python$/ { code = 1; next } code && /^```$/ { exit } code' \
  "$src/README.md" >"$work/run/example.py"
[ -s "$work/run/example.py" ] || fail "no example in the README"
cp "$src/examples/cu_emt/v04/total_dos.dat" "$work/run/"
(cd "$work/run" && MPLBACKEND=Agg "$work/venv/bin/python" example.py) >"$work/example.out" 2>&1 ||
  { cat "$work/example.out" >&2; fail "the README's example fails"; }
grep -q "J/K/mol" "$work/example.out" || fail "the example printed: $(cat "$work/example.out")"
"$work/venv/bin/python" -c "import lattice_thermo, os; assert 'venv' in lattice_thermo.__file__; \
  assert os.path.exists(os.path.join(os.path.dirname(lattice_thermo.__file__), 'py.typed'))" ||
  fail "the module is not the installed one, or has no py.typed"

[ "$failures" -eq 0 ] && echo "pip install --no-build-isolation: installed, imported, the README's example runs"
[ "$failures" -eq 0 ]
