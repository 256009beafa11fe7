#!/bin/sh
# The Debye plot script on lattice_thermo --debye's CSV, beside --qha's and
# alone, and on bad input. Exit 77 (skipped) where gnuplot is missing, after
# checking that the script says so.
#   plot_debye_test.sh <plot script> <lattice_thermo> <examples/cu_emt>
set -u
script=$1
thermo=$2
example=$3
. "$(dirname "$0")/../scripttest.sh"

(cd "$example" && "$thermo" --qha e-v.dat --csv --tstep 50 v*/total_dos.dat) >"$work/qha.csv" ||
  fail "lattice_thermo --qha failed on the example"
(cd "$example" && "$thermo" --debye e-v.dat --mass 63.546 --atoms 1 --csv --tstep 50 --pressure 0,5) \
  >"$work/Debye model.csv" || fail "lattice_thermo --debye failed on the example"
(cd "$example" && "$thermo" --debye e-v.dat --mass 63.546 --atoms 1 --csv --tstep 50 --gruneisen dugdale-macdonald \
  --error-bars --dos-at-fermi 1,1,1,1,1,1,1,1,1,1,1) >"$work/dm.csv" || fail "lattice_thermo --debye failed"
needsgnuplot "$work/dm.csv"

run -o "$work/both.png" -q "$work/qha.csv" "$work/Debye model.csv" "$work/dm.csv"
[ "$rc" -eq 0 ] && [ -z "$err" ] || fail "beside --qha exits $rc: $err"
ispng "$work/both.png" || fail "no PNG beside --qha"
run -o "$work/alone.png" "$work/dm.csv"
[ "$rc" -eq 0 ] && [ -z "$err" ] || fail "alone exits $rc: $err"
ispng "$work/alone.png" || fail "no PNG alone"
# A --qha CSV where a --debye one belongs, and the reverse: refused.
run -o "$work/swap.png" -q "$work/dm.csv" "$work/qha.csv"
[ "$rc" -eq 1 ] && [ ! -e "$work/swap.png" ] || fail "the CSVs swapped exit $rc"

# Not such a CSV: empty, the harmonic CSV, a short row, text in a number,
# one row.
: >"$work/empty"
"$thermo" --csv "$example/v01/total_dos.dat" >"$work/harmonic"
sed '5s/,[^,]*$//' "$work/dm.csv" >"$work/short"
sed '5s/^[^,]*,[^,]*,/0,abc,/' "$work/dm.csv" >"$work/text"
head -n 2 "$work/dm.csv" >"$work/onerow"
refuses plot_debye empty harmonic short text onerow missing

[ "$failures" -eq 0 ] && echo "plot_debye: all checks passed"
exit "$failures"
