#!/bin/sh
# The module installed as a Python user installs it, offline: the README's
# Python quick start as it stands there, in a copy of the source tree (its
# install command makes a virtual environment that sees Debian's packages
# and runs `pip install --no-build-isolation --no-index .` into it), then its
# example run in that environment on phonopy's total_dos.dat of the copper
# example, printing what the README says it prints.
#   install_test.sh <python3> <source dir>
set -u
python=$1
src=$2
. "$(dirname "$0")/../scripttest.sh"

# The first block of the given language under the README's "## Python"
# heading, before the next heading of that level.
block() {
  awk -v fence="\`\`\`$1" '/^## / { on = ($0 == "## Python") } on && $0 == fence { code = 1; next }
    code && /^```$/ { exit } code' "$src/README.md"
}
block sh >"$work/install.sh"
[ -s "$work/install.sh" ] || { fail "no install command in the README's Python quick start"; exit 1; }
mkdir "$work/src" "$work/run" "$work/bin"
block python >"$work/run/example.py"
[ -s "$work/run/example.py" ] || fail "no example in the README's Python quick start"

tar -C "$src" --exclude=./build --exclude=./.git --exclude=./venv -cf - . | tar -C "$work/src" -xf -
# The command names python3; here that is the interpreter the build found.
printf '#!/bin/sh\nexec "%s" "$@"\n' "$python" >"$work/bin/python3"
chmod +x "$work/bin/python3"
if ! (cd "$work/src" && PATH="$work/bin:$PATH" sh -e "$work/install.sh") >"$work/pip.log" 2>&1; then
  tail -n 30 "$work/pip.log" >&2
  fail "the README's install command failed: $(cat "$work/install.sh")"
  exit 1
fi
venv_python=$work/src/venv/bin/python
[ -x "$venv_python" ] || { fail "the README's install command made no venv/"; exit 1; }

cp "$src/examples/cu_emt/v04/total_dos.dat" "$work/run/"
(cd "$work/run" && MPLBACKEND=Agg "$venv_python" example.py) >"$work/example.out" 2>&1 ||
  { cat "$work/example.out" >&2; fail "the README's example fails"; }
grep -q "J/K/mol" "$work/example.out" || fail "the example printed: $(cat "$work/example.out")"
# What the README says the example prints on this file.
said=$(sed -n 's/.*prints `\(Cv at 300 K: [^`]*\)`.*/\1/p' "$src/README.md")
[ -n "$said" ] || fail "the README does not say what its example prints"
grep -qxF "$said" "$work/example.out" || fail "the README says the example prints \"$said\"; it printed: $(cat "$work/example.out")"
"$venv_python" -c "import lattice_thermo, os; assert 'venv' in lattice_thermo.__file__; \
  assert os.path.exists(os.path.join(os.path.dirname(lattice_thermo.__file__), 'py.typed'))" ||
  fail "the module is not the installed one, or has no py.typed"

[ "$failures" -eq 0 ] && echo "the README's Python quick start: installed, imported, its example runs and prints what it says"
[ "$failures" -eq 0 ]
