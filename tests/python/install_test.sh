#!/bin/sh
# The module installed as a Python user installs it, offline: the README's
# Python quick start as it stands there, in a copy of the source tree (its
# install command makes a virtual environment from /usr/bin/python3 that
# sees Debian's packages and runs `pip install --no-build-isolation
# --no-index .` into it), then its example run in that environment on
# phonopy's total_dos.dat of the copper example, printing what the README
# says it prints. Then cmake --install of the build into a scratch prefix
# (the PYTHONPATH it says to set works), into ~/.local as the README has it,
# and into that virtual environment: the last two need no PYTHONPATH.
#   install_test.sh <python3> <source dir> [<build dir> <cmake>]
# With a build dir (as ctest runs it), the copy's build/release is that
# tree, and pip builds the module's target there, where it is built
# already, as the README's command does after its build; without one, as
# .ci/run runs it too, pip configures and compiles from scratch.
set -u
python=$1
src=$2
build=${3:-}
cmake=${4:-cmake}
. "$(dirname "$0")/../scripttest.sh"

# The first block of the given language under the README's "## Python"
# heading, before the next heading of that level.
block() {
  awk -v fence="\`\`\`$1" '/^## / { on = ($0 == "## Python") } on && $0 == fence { code = 1; next }
    code && /^```$/ { exit } code' "$src/README.md"
}
# The command names /usr/bin/python3; here that is the interpreter the build
# found.
block sh | sed "s#/usr/bin/python3#$python#g" >"$work/install.sh"
[ -s "$work/install.sh" ] || { fail "no install command in the README's Python quick start"; exit 1; }
mkdir "$work/src" "$work/run"
block python >"$work/run/example.py"
[ -s "$work/run/example.py" ] || fail "no example in the README's Python quick start"

tar -C "$src" --exclude=./build --exclude=./.git --exclude=./venv -cf - . | tar -C "$work/src" -xf -
if [ -n "$build" ]; then
  mkdir "$work/src/build"
  ln -s "$(cd "$build" && pwd)" "$work/src/build/release"
fi
unset LATTICE_THERMO_BUILD
if ! (cd "$work/src" && sh -e "$work/install.sh") >"$work/pip.log" 2>&1; then
  tail -n 30 "$work/pip.log" >&2
  fail "the README's install command failed: $(cat "$work/install.sh")"
  exit 1
fi
venv_python=$work/src/venv/bin/python
[ -x "$venv_python" ] || { fail "the README's install command made no venv/"; exit 1; }
# Where the build is there, pip took it: it configured no tree of its own.
[ -z "$build" ] || [ -z "$(find "$work/src/build" -maxdepth 2 -name cmake)" ] ||
  fail "pip configured a tree of its own beside build/release"

cp "$src/examples/cu_emt/v04/total_dos.dat" "$work/run/"
(cd "$work/run" && MPLBACKEND=Agg "$venv_python" example.py) >"$work/example.out" 2>&1 ||
  { cat "$work/example.out" >&2; fail "the README's example fails"; }
grep -q "J/K/mol" "$work/example.out" || fail "the example printed: $(cat "$work/example.out")"
grep -q "matplotlib is missing" "$work/example.out" || ispng "$work/run/theta_D.png" || fail "the example drew no theta_D.png"
# What the README says the example prints on this file.
said=$(sed -n 's/.*prints `\(Cv at 300 K: [^`]*\)`.*/\1/p' "$src/README.md")
[ -n "$said" ] || fail "the README does not say what its example prints"
grep -qxF "$said" "$work/example.out" || fail "the README says the example prints \"$said\"; it printed: $(cat "$work/example.out")"
"$venv_python" -c "import lattice_thermo, os; assert 'venv' in lattice_thermo.__file__; \
  assert os.path.exists(os.path.join(os.path.dirname(lattice_thermo.__file__), 'py.typed'))" ||
  fail "the module is not the installed one, or has no py.typed"

# cmake --install: the package where the Python finds it under the prefix,
# or a message with the PYTHONPATH that makes it found.
imports() { # <python> <prefix>: imports lattice_thermo from under the prefix, away from the tree
  (cd "$work/run" && "$1" -c "import lattice_thermo, sys; sys.exit(not lattice_thermo.__file__.startswith('$2/'))")
}
if [ -n "$build" ]; then
  "$cmake" --install "$build" --prefix "$work/prefix" >"$work/install.log" 2>&1 || fail "cmake --install failed"
  path=$(sed -n 's/^ *export PYTHONPATH=//p' "$work/install.log")
  case $path in "$work/prefix/"*) ;; *) fail "no PYTHONPATH said for a prefix Python does not search: $(cat "$work/install.log")" ;; esac
  PYTHONPATH=$path imports "$python" "$work/prefix" || fail "not imported with the PYTHONPATH said: $path"
  mkdir "$work/home"
  HOME=$work/home "$cmake" --install "$build" --prefix "$work/home/.local" >"$work/install.log" 2>&1 || fail "cmake --install to ~/.local failed"
  ! grep -q PYTHONPATH "$work/install.log" || fail "a PYTHONPATH said for ~/.local: $(cat "$work/install.log")"
  HOME=$work/home imports "$python" "$work/home/.local" || fail "not imported from ~/.local"
  rm -rf "$work/src/venv/lib/"python3*/site-packages/lattice_thermo
  "$cmake" --install "$build" --prefix "$work/src/venv" >"$work/install.log" 2>&1 || fail "cmake --install to a venv failed"
  imports "$venv_python" "$work/src/venv" || fail "not imported from the virtual environment installed into"
fi

[ "$failures" -eq 0 ] && echo "the README's Python quick start: installed, imported, its example runs and prints what it says" &&
  [ -n "$build" ] && echo "cmake --install: the package imported from a scratch prefix with the PYTHONPATH said, from ~/.local and a venv without"
[ "$failures" -eq 0 ]
