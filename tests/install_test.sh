#!/bin/sh
# The install tree: cmake --install of this build into a fresh prefix puts
# the programs and the plot scripts in bin/, the sample, the example, the
# README and every page of docs/ with its pictures under
# share/lattice_heat_capacity/, and the installed programs run on the
# installed sample.
#   install_test.sh <cmake> <build dir>
set -u
cmake=$1
build=$2
. "$(dirname "$0")/scripttest.sh"

prefix=$work/prefix
"$cmake" --install "$build" --prefix "$prefix" >"$work/install.log" 2>&1 || { cat "$work/install.log" >&2; fail "cmake --install failed"; }
share=$prefix/share/lattice_heat_capacity
for f in bin/lattice_heat_capacity bin/lattice_thermo bin/plot_heat_capacity bin/plot_thermo bin/plot_qha bin/plot_phases \
  bin/plot_aniso bin/plot_debye; do
  [ -x "$prefix/$f" ] || fail "$f is not installed as a program"
done
for f in elphon/co_elphon_4.out_ep_PDS examples/cu_emt/e-v.dat examples/cu_emt/v01/total_dos.dat README.md \
         examples/cu_hcp_emt/dense/e-v.dat docs/heat_capacity.png docs/thermo.png docs/thermo_volumes.png docs/qha.png \
         docs/phases.png docs/debye.png; do
  [ -s "$share/$f" ] || fail "share/lattice_heat_capacity/$f is missing"
done
for page in "$(dirname "$0")"/../docs/*.md; do
  f=docs/$(basename "$page")
  cmp -s "$page" "$share/$f" || fail "share/lattice_heat_capacity/$f is missing or not the source's"
done
# The fixed program reads its sample from ./elphon: run it where that is.
(cd "$share" && "$prefix/bin/lattice_heat_capacity" >"$work/table") || fail "the installed lattice_heat_capacity fails"
[ "$(wc -l <"$work/table")" -eq 100 ] || fail "the installed lattice_heat_capacity printed $(wc -l <"$work/table") lines"
"$prefix/bin/lattice_thermo" --pds --tmin 300 --tmax 300 "$share/elphon/co_elphon_4.out_ep_PDS" >"$work/thermo" ||
  fail "the installed lattice_thermo fails"
grep -q "theta_inf: 317.753 K" "$work/thermo" || fail "the installed lattice_thermo's table: $(cat "$work/thermo")"

[ "$failures" -eq 0 ] && echo "install tree: programs, plot scripts, sample, example, README, docs and pictures in place"
[ "$failures" -eq 0 ]
