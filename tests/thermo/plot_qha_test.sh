#!/bin/sh
# The quasi-harmonic plot script on lattice_thermo --qha's CSV (with and
# without --write-fv's file, with --error-bars' columns, and an older CSV
# without the fit's columns) and on bad input. Exit 77 (skipped) where gnuplot is missing, after checking that the
# script says so.
#   plot_qha_test.sh <plot script> <lattice_thermo> <examples/cu_emt>
set -u
script=$1
thermo=$2
example=$3
. "$(dirname "$0")/../scripttest.sh"

(cd "$example" && "$thermo" --qha e-v.dat --csv --tstep 50 v*/total_dos.dat) >"$work/one.csv" ||
  fail "lattice_thermo --qha failed on the example"
(cd "$example" && "$thermo" --qha e-v.dat --csv --tstep 50 --tmax 1500 --pressure 0,5 --write-fv "$work/fv.dat" \
  v*/total_dos.dat) >"$work/two.csv" 2>/dev/null || fail "lattice_thermo --qha failed on two pressures"
cut -d, -f1-10 "$work/one.csv" >"$work/older.csv"
(cd "$example" && "$thermo" --qha e-v.dat --csv --tstep 50 --pressure 0,5 --error-bars v*/total_dos.dat) \
  >"$work/bars.csv" 2>/dev/null || fail "lattice_thermo --qha --error-bars failed on the example"
# An error bar that could not be taken is nan; the band is left out there.
sed '4s/,[^,]*$/,nan/' "$work/bars.csv" >"$work/barsnan.csv"
needsgnuplot "$work/one.csv"

for csv in one two older bars barsnan; do
  run -o "$work/$csv.png" "$work/$csv.csv"
  [ "$rc" -eq 0 ] && [ -z "$err" ] || fail "$csv exits $rc: $err"
  ispng "$work/$csv.png" || fail "no PNG from $csv"
done
run -o "$work/fv.png" -f "$work/fv.dat" "$work/two.csv"
[ "$rc" -eq 0 ] && [ -z "$err" ] || fail "-f exits $rc: $err"
ispng "$work/fv.png" || fail "no PNG with -f"
# Not --write-fv's file: refused, no image.
run -o "$work/notfv.png" -f "$work/one.csv" "$work/one.csv"
[ "$rc" -eq 1 ] && [ ! -e "$work/notfv.png" ] || fail "a CSV given to -f exits $rc"
case $err in *"not the file lattice_thermo --qha --write-fv writes"*) ;; *) fail "no message for a bad -f: $err" ;; esac
"$script" -o "$work/stdin.png" <"$work/two.csv" 2>"$work/stderr" || fail "standard input exits non-zero"
ispng "$work/stdin.png" || fail "no PNG from standard input"

# Not such a CSV: empty, the harmonic CSV, a short row, text in a number;
# and one temperature, which no curve goes through.
: >"$work/empty"
"$thermo" --csv "$example/v01/total_dos.dat" >"$work/harmonic"
sed '5s/,[^,]*$//' "$work/one.csv" >"$work/short"
sed '5s/^[^,]*,/abc,/' "$work/one.csv" >"$work/text"
head -n 3 "$work/one.csv" | sed 3d >"$work/onerow"
refuses plot_qha empty harmonic short text onerow missing

[ "$failures" -eq 0 ] && echo "plot_qha: all checks passed"
exit "$failures"
