#!/bin/sh
# The anisotropic plot script on lattice_thermo --qha-grid's CSV (with and
# without --write-fv's file, two pressures) and on bad input. Exit 77
# (skipped) where gnuplot is missing, after checking that the script says so.
#   plot_aniso_test.sh <plot script> <lattice_thermo> <examples/cu_hcp_grid_emt>
set -u
script=$1
thermo=$2
example=$3
. "$(dirname "$0")/../scripttest.sh"

(cd "$example" && "$thermo" --qha-grid grid.dat --csv --tstep 50 --tmax 900 g*/total_dos.dat) >"$work/one.csv" ||
  fail "lattice_thermo --qha-grid failed on the example"
(cd "$example" && "$thermo" --qha-grid grid.dat --csv --tstep 100 --tmax 900 --pressure 0,5 --write-fv "$work/fv.dat" \
  g*/total_dos.dat) >"$work/two.csv" 2>/dev/null || fail "lattice_thermo --qha-grid failed on two pressures"
needsgnuplot "$work/one.csv"

run -o "$work/one.png" "$work/one.csv"
[ "$rc" -eq 0 ] && [ -z "$err" ] || fail "one exits $rc: $err"
ispng "$work/one.png" || fail "no PNG from one"
run -o "$work/fv.png" -f "$work/fv.dat" "$work/two.csv"
[ "$rc" -eq 0 ] && [ -z "$err" ] || fail "-f exits $rc: $err"
ispng "$work/fv.png" || fail "no PNG with -f"
# Not --write-fv's file: refused, no image.
run -o "$work/notfv.png" -f "$work/one.csv" "$work/one.csv"
[ "$rc" -eq 1 ] && [ ! -e "$work/notfv.png" ] || fail "a CSV given to -f exits $rc"
case $err in *"not the file lattice_thermo --qha-grid --write-fv writes"*) ;; *) fail "no message for a bad -f: $err" ;; esac

# Not such a CSV: empty, --qha's CSV, a short row, text in a number, one row.
: >"$work/empty"
"$thermo" --qha "$example/../cu_emt/e-v.dat" --csv "$example"/../cu_emt/v*/total_dos.dat >"$work/qha" 2>/dev/null
sed '5s/,[^,]*$//' "$work/one.csv" >"$work/short"
sed '5s/^[^,]*,/abc,/' "$work/one.csv" >"$work/text"
head -n 2 "$work/one.csv" >"$work/onerow"
refuses plot_aniso empty qha short text onerow missing

[ "$failures" -eq 0 ] && echo "plot_aniso: all checks passed"
exit "$failures"
